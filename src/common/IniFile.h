#pragma once
#include <string>
#include <vector>

// The ini file store: sections and keys match without regard to case, values are texts, and a
// missing file, section or key gives the caller's default. Writes stay in memory until
// UpdateFile, which rewrites the whole file safely (temporary file, then rename) and keeps the
// order of sections and keys as they were read.
class TIniFile {
public:
    explicit TIniFile(std::string path); // reads the file when it exists
    const std::string& FileName() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    double ReadFloat(const std::string& section, const std::string& key, double def) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value); // "1"/"0"
    void WriteFloat(const std::string& section, const std::string& key, double value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSection(const std::string& section) const; // key names
    std::vector<std::string> ReadSections() const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);

    bool Modified() const { return modified_; }
    // Writes the file when anything changed; throws EQuorvinError with the system's text.
    void UpdateFile();

private:
    // A comment, blank or unreadable line is kept as a raw entry (its text in value), so a
    // rewrite keeps it; any key text, whatever its first byte, is a key.
    struct Entry {
        std::string key;
        std::string value;
        bool raw = false;
    };
    struct Section {
        std::string name;
        std::vector<Entry> values;
        bool nameless = false; // the lines before the first section header
    };
    const Section* find(const std::string& section) const;
    Section& findOrAdd(const std::string& section);
    std::string path_;
    std::vector<Section> sections_;
    bool modified_ = false;
};

// Writes text to path through a temporary file in the same folder and a rename, so a failed
// write leaves the old file whole. Throws EQuorvinError("<path>: <system text>") on failure.
void WriteFileSafely(const std::string& path, const std::string& contents);

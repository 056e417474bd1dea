// Any file given as the ini file reads. Every "key=value" line of a section can be read by its
// section and key, and a rewrite of the file keeps every section, key and value.
#include "FuzzSupport.h"

#include "common/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <strings.h>
#include <utility>
#include <vector>

namespace {

using TKeys = std::vector<std::pair<std::string, std::string>>; // section, key

std::string trimmed(const std::string& s) {
    const size_t begin = s.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return {};
    }
    return s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

// Names match as the store matches them: the same length, any case.
bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// The keys of the text by a plain reading of the format: "[name]" lines start sections; a line
// with "=" after its first character that is not a ";" or "#" comment is a key. A section named
// a second time is not looked into: readers take the first.
TKeys keysOf(const std::string& text) {
    TKeys keys;
    std::vector<std::string> sections;
    bool counted = false;
    std::string section;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(from, end - from);
        from = end + 1;
        const std::string t = trimmed(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            section = t.substr(1, t.size() - 2);
            counted = true;
            for (const std::string& s : sections) {
                counted = counted && !sameName(s, section);
            }
            sections.push_back(section);
            continue;
        }
        const size_t eq = t.find('=');
        if (counted && eq != std::string::npos && eq > 0 && t[0] != ';' && t[0] != '#') {
            keys.emplace_back(section, trimmed(t.substr(0, eq)));
        }
    }
    return keys;
}

void readAll(const TIniFile& ini) {
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            ini.ReadString(section, key, "");
            ini.ReadInteger(section, key, 0);
            ini.ReadBool(section, key, false);
            ini.ReadFloat(section, key, 0);
        }
    }
}

void checkSame(const TIniFile& a, const TIniFile& b, const TKeys& keys) {
    FuzzCheck(a.ReadSections() == b.ReadSections(), "a rewrite keeps the sections");
    for (const std::string& section : a.ReadSections()) {
        FuzzCheck(a.ReadSection(section) == b.ReadSection(section), "a rewrite keeps the keys");
    }
    const std::string missing = "\x02missing";
    for (const auto& [section, key] : keys) {
        FuzzCheck(a.ReadString(section, key, missing) == b.ReadString(section, key, missing),
                  "a rewrite keeps the values");
    }
}

// The text without carriage returns at line ends: a rewrite may drop those, as readers do.
std::string withoutLineEndCRs(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            while (!out.empty() && out.back() == '\r') {
                out.pop_back();
            }
        }
        out += c;
    }
    return out;
}

// Marks the file changed without changing what it says, so UpdateFile writes it.
void touch(TIniFile& ini, const TKeys& keys) {
    if (keys.empty()) {
        ini.WriteString("Fuzz", "Touched", "1");
    } else {
        const auto& [section, key] = keys.front();
        ini.WriteString(section, key, ini.ReadString(section, key, ""));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzScratch scratch;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TKeys keys = keysOf(text);
    TIniFile ini(scratch.Write("fuzz.ini", data, size));
    readAll(ini);
    for (const auto& [section, key] : keys) {
        FuzzCheck(ini.ValueExists(section, key), "every key line of a section can be read");
    }

    touch(ini, keys);
    ini.UpdateFile();
    const std::string written = FuzzScratch::Read(ini.FileName());
    // Copied through streams, which retry an interrupted call: the fuzzer's timeout alarm can
    // interrupt copy_file's sendfile, and that throws.
    TIniFile again(scratch.Write("again.ini", reinterpret_cast<const uint8_t*>(written.data()),
                                 written.size()));
    checkSame(ini, again, keys);

    touch(again, keys);
    again.UpdateFile();
    FuzzCheck(withoutLineEndCRs(FuzzScratch::Read(again.FileName())) == withoutLineEndCRs(written),
              "a rewritten file rewrites alike");
    return 0;
}

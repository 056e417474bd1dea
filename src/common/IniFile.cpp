#include "common/IniFile.h"

#include "common/Common.h"
#include "common/Errors.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string trimmed(const std::string& s) {
    size_t begin = s.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return {};
    }
    size_t end = s.find_last_not_of(" \t\r");
    return s.substr(begin, end - begin + 1);
}

} // namespace

TIniFile::TIniFile(std::string path) : path_(std::move(path)) {
    std::ifstream in(path_, std::ios::binary);
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::string t = trimmed(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            sections_.push_back({t.substr(1, t.size() - 2), {}});
            current = &sections_.back();
            continue;
        }
        if (!current) {
            // Lines before the first section belong to a nameless section written first.
            sections_.push_back({{}, {}, true});
            current = &sections_.back();
        }
        size_t eq = t.find('=');
        if (t.empty() || t[0] == ';' || t[0] == '#' || eq == std::string::npos || eq == 0) {
            current->values.push_back({{}, line, true});
        } else {
            current->values.push_back({trimmed(t.substr(0, eq)), trimmed(t.substr(eq + 1)), false});
        }
    }
}

const TIniFile::Section* TIniFile::find(const std::string& section) const {
    for (const Section& s : sections_) {
        if (!s.nameless && sameName(s.name, section)) {
            return &s;
        }
    }
    return nullptr;
}

TIniFile::Section& TIniFile::findOrAdd(const std::string& section) {
    if (const Section* s = find(section)) {
        return const_cast<Section&>(*s);
    }
    sections_.push_back({section, {}, false});
    return sections_.back();
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    if (const Section* s = find(section)) {
        for (const Entry& entry : s->values) {
            if (!entry.raw && sameName(entry.key, key)) {
                return entry.value;
            }
        }
    }
    return def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    int value = 0;
    return TryReadInt(ReadString(section, key, ""), value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    std::string text = ReadString(section, key, "");
    if (sameName(text, "true")) {
        return true;
    }
    if (sameName(text, "false")) {
        return false;
    }
    int value = 0;
    return TryReadInt(text, value) ? value != 0 : def;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const {
    std::string text = ReadString(section, key, "");
    // Stored with a point; a comma typed by hand is read as well.
    for (char& c : text) {
        if (c == ',') {
            c = '.';
        }
    }
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return text.empty() || error != std::errc() || end != text.data() + text.size() ? def : value;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    Section& s = findOrAdd(section);
    modified_ = true;
    for (Entry& entry : s.values) {
        if (!entry.raw && sameName(entry.key, key)) {
            entry.value = value;
            return;
        }
    }
    // New keys go after the section's last key, before trailing blank lines.
    auto at = s.values.end();
    while (at != s.values.begin() && (at - 1)->raw && trimmed((at - 1)->value).empty()) {
        --at;
    }
    s.values.insert(at, {key, value, false});
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(const std::string& section, const std::string& key, double value) {
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    WriteString(section, key, std::string(buffer, error == std::errc() ? end : buffer));
}

bool TIniFile::SectionExists(const std::string& section) const {
    return find(section) != nullptr;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    if (const Section* s = find(section)) {
        for (const Entry& entry : s->values) {
            if (!entry.raw && sameName(entry.key, key)) {
                return true;
            }
        }
    }
    return false;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    std::vector<std::string> keys;
    if (const Section* s = find(section)) {
        for (const Entry& entry : s->values) {
            if (!entry.raw) {
                keys.push_back(entry.key);
            }
        }
    }
    return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> names;
    for (const Section& s : sections_) {
        if (!s.nameless) {
            names.push_back(s.name);
        }
    }
    return names;
}

void TIniFile::EraseSection(const std::string& section) {
    for (auto it = sections_.begin(); it != sections_.end(); ++it) {
        if (!it->nameless && sameName(it->name, section)) {
            sections_.erase(it);
            modified_ = true;
            return;
        }
    }
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    Section& s = findOrAdd(section);
    for (auto it = s.values.begin(); it != s.values.end(); ++it) {
        if (!it->raw && sameName(it->key, key)) {
            s.values.erase(it);
            modified_ = true;
            return;
        }
    }
}

void TIniFile::UpdateFile() {
    if (!modified_) {
        return;
    }
    std::string text;
    for (const Section& s : sections_) {
        if (!s.nameless) {
            text += "[" + s.name + "]\n";
        }
        for (const Entry& entry : s.values) {
            text += entry.raw ? entry.value + "\n" : entry.key + "=" + entry.value + "\n";
        }
    }
    std::error_code ignored;
    std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ignored);
    }
    WriteFileSafely(path_, text);
    modified_ = false;
}

void WriteFileSafely(const std::string& path, const std::string& contents) {
    namespace fs = std::filesystem;
    std::error_code error;
    // Write through a link to the file it names, so the link itself survives.
    fs::path target = fs::is_symlink(path, error) ? fs::canonical(path, error) : fs::path(path);
    if (error) {
        target = path;
    }
    auto fail = [&](int code) { throw EQuorvinError(path + ": " + SystemErrorText(code)); };
    fs::path folder = target.parent_path();
    std::string pattern = (folder.empty() ? fs::path(".") : folder).string() + "/." +
                          target.filename().string() + ".XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        fail(errno);
    }
    mode_t mode = 0666;
    struct stat old {};
    if (stat(target.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) {
            close(fd);
            unlink(pattern.c_str());
            fail(EISDIR);
        }
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    fchmod(fd, mode);
    const char* p = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            int code = errno;
            close(fd);
            unlink(pattern.c_str());
            fail(code);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        int code = errno;
        unlink(pattern.c_str());
        fail(code);
    }
    if (std::rename(pattern.c_str(), target.c_str()) != 0) {
        int code = errno;
        unlink(pattern.c_str());
        fail(code);
    }
}

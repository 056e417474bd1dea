#include "common/ExtraInfo.h"

#include "common/Common.h"
#include "common/Format.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>

namespace {

const char* const NoInfoText[] = {
    "No extra information is available.",
    "",
    "To have extra information displayed in this window, enter it into this item's "
    "\"Comments\" field.",
    "",
    "To display extra information from a data file, enter: File=xxx.txt into this item's "
    "\"Comments\" field, where xxx.txt is the name of the file that contains the information to "
    "be displayed.",
};

constexpr size_t MaxFileNameLength = 128;

bool startsWithFileKey(const std::string& comments) {
    static const char key[] = "FILE=";
    if (comments.size() < 5) {
        return false;
    }
    for (size_t i = 0; i < 5; ++i) {
        if (std::toupper(static_cast<unsigned char>(comments[i])) != key[i]) {
            return false;
        }
    }
    return true;
}

// Comments typed in a memo often end in a line break or blanks; they are no part of the name.
std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    return text.substr(begin, end - begin);
}

void splitLines(const std::string& text, std::vector<std::string>& lines) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (end == std::string::npos) {
            if (!line.empty()) {
                lines.push_back(line);
            }
            break;
        }
        lines.push_back(line);
        start = end + 1;
    }
}

// Relative names are looked for in the current folder first, then beside the vehicle files,
// where a definition's notes naturally live.
bool openOne(const std::string& path, std::ifstream& file, int& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = EISDIR;
        return false;
    }
    errno = 0;
    file.clear();
    file.open(path, std::ios::binary);
    if (file) {
        return true;
    }
    error = errno ? errno : ENOENT;
    return false;
}

bool openInfoFile(const std::string& name, std::ifstream& file, int& error) {
    if (openOne(name, file, error)) {
        return true;
    }
    int firstError = error;
    if (!name.empty() && name.front() != '/' && openOne(VehicleDir() + "/" + name, file, error)) {
        return true;
    }
    error = firstError;
    return false;
}

} // namespace

std::vector<std::string> ExtraInfoLines(const std::string& comments) {
    std::vector<std::string> lines;
    if (comments.empty()) {
        lines.assign(std::begin(NoInfoText), std::end(NoInfoText));
        return lines;
    }
    if (!startsWithFileKey(comments)) {
        splitLines(comments, lines);
        return lines;
    }
    std::string name = trimmed(comments.substr(5, MaxFileNameLength));
    lines.push_back(Format("The following information was loaded from file: \"%s\"", name.c_str()));
    lines.push_back("");
    std::ifstream file;
    int error = 0;
    if (!openInfoFile(name, file, error)) {
        lines.push_back(SystemErrorText(error));
        return lines;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        lines.push_back(SystemErrorText(EIO));
        return lines;
    }
    splitLines(text, lines);
    return lines;
}

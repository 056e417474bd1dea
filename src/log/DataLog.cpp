#include "log/DataLog.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "common/RegularFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int BinaryHeadSize = 16;  // time, notes, message number, header, length byte
constexpr int MaxLineLength = 1023; // longer text lines continue as the next line
constexpr int MaxFrameItems = 173;  // header, length byte, 170 data bytes, checksum
constexpr long long MsPerDay = 86400000LL;

// A read failure of the system, carried out of the reader to the loader's message.
struct ReadError {
    int code;
};

// Buffered reading of a log file by bytes, with the position for the progress report.
class LogReader {
public:
    explicit LogReader(int fd) : fd_(fd) {}

    bool ReadByte(unsigned char& c) {
        if (next_ == filled_ && !fill()) {
            return false;
        }
        c = buffer_[next_++];
        ++position_;
        return true;
    }
    // Appends up to count bytes to out; returns how many there were.
    size_t Read(size_t count, std::string& out) {
        size_t got = 0;
        while (got < count) {
            if (next_ == filled_ && !fill()) {
                break;
            }
            const size_t take = std::min(count - got, filled_ - next_);
            out.append(reinterpret_cast<const char*>(buffer_ + next_), take);
            next_ += take;
            got += take;
        }
        position_ += static_cast<long long>(got);
        return got;
    }
    // Up to count bytes into out; returns how many there were.
    size_t ReadInto(unsigned char* out, size_t count) {
        size_t got = 0;
        while (got < count) {
            if (next_ == filled_ && !fill()) {
                break;
            }
            const size_t take = std::min(count - got, filled_ - next_);
            std::memcpy(out + got, buffer_ + next_, take);
            next_ += take;
            got += take;
        }
        position_ += static_cast<long long>(got);
        return got;
    }
    // One text line into line: characters below the space are dropped, a line feed or the end
    // of the file ends it, and at most max characters belong to it.
    void ReadLine(std::string& line, size_t max) {
        line.clear();
        while (line.size() < max && (next_ < filled_ || fill())) {
            while (next_ < filled_ && line.size() < max) {
                const unsigned char c = buffer_[next_++];
                ++position_;
                if (c == '\n') {
                    return;
                }
                if (c >= ' ') {
                    line += static_cast<char>(c);
                }
            }
        }
    }
    bool AtEnd() { return next_ == filled_ && !fill(); }
    void Rewind() {
        if (lseek(fd_, 0, SEEK_SET) < 0) {
            throw ReadError{errno};
        }
        next_ = filled_ = 0;
        position_ = 0;
    }
    long long Position() const { return position_; }

private:
    bool fill() {
        ssize_t n;
        do {
            n = ::read(fd_, buffer_, sizeof buffer_);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            throw ReadError{errno};
        }
        next_ = 0;
        filled_ = static_cast<size_t>(n);
        return n > 0;
    }

    int fd_;
    unsigned char buffer_[65536];
    size_t next_ = 0;
    size_t filled_ = 0;
    long long position_ = 0;
};

// Closes the file on every way out of a load.
struct FileCloser {
    int fd;
    ~FileCloser() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

std::string upperCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// The extension of the file name part, dot included; empty when there is none.
std::string extensionOf(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    return name.substr(dot);
}

bool allDigits(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

std::string trimmed(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') {
        ++first;
    }
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') {
        --last;
    }
    return text.substr(first, last - first);
}

// A signed 32-bit decimal number, or hexadecimal after "$"; 0 when the text is not one.
int32_t numberOr0(const std::string& raw) {
    const std::string text = trimmed(raw);
    size_t p = 0;
    bool negative = false;
    int base = 10;
    if (p < text.size() && (text[p] == '-' || text[p] == '+')) {
        negative = text[p] == '-';
        ++p;
    }
    if (p < text.size() && text[p] == '$') {
        base = 16;
        ++p;
    }
    if (p == text.size()) {
        return 0;
    }
    long long value = 0;
    for (; p < text.size(); ++p) {
        const int c = std::toupper(static_cast<unsigned char>(text[p]));
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return 0;
        }
        value = value * base + digit;
        if (value > 0x100000000LL) {
            return 0;
        }
    }
    if (negative) {
        value = -value;
    }
    if (base == 16 && value >= 0 && value <= 0xFFFFFFFFLL) {
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    return value < INT32_MIN || value > INT32_MAX ? 0 : static_cast<int32_t>(value);
}

double clockDays(int h, int m, int s, int ms) {
    if (h > 23 || m > 59 || s > 59 || ms > 999) {
        return 0;
    }
    return static_cast<double>(((h * 60LL + m) * 60 + s) * 1000 + ms) /
           static_cast<double>(MsPerDay);
}

// "hhmmsszzz" as a time of day in days; 0 when it cannot be read.
double binaryTime(const unsigned char* digits) {
    int value[9];
    for (int k = 0; k < 9; ++k) {
        if (digits[k] < '0' || digits[k] > '9') {
            return 0;
        }
        value[k] = digits[k] - '0';
    }
    return clockDays(value[0] * 10 + value[1], value[2] * 10 + value[3], value[4] * 10 + value[5],
                     value[6] * 100 + value[7] * 10 + value[8]);
}

// "h:m[:s[.z]]" as a time of day in days; 0 when it cannot be read.
double textTime(const std::string& raw) {
    const std::string text = trimmed(raw);
    std::string parts[4];
    int part = 0;
    for (char c : text) {
        if (c == ':' && part < 2) {
            ++part;
        } else if (c == '.' && part == 2) {
            part = 3;
        } else {
            parts[part] += c;
        }
    }
    if (part < 1 || !allDigits(parts[0]) || !allDigits(parts[1]) ||
        (part >= 2 && !allDigits(parts[2])) || (part == 3 && !allDigits(parts[3]))) {
        return 0;
    }
    for (const std::string& p : parts) {
        if (p.size() > 3) {
            return 0;
        }
    }
    auto value = [](const std::string& p) { return p.empty() ? 0 : std::stoi(p); };
    return clockDays(value(parts[0]), value(parts[1]), value(parts[2]), value(parts[3]));
}

// The time of day of a frame as "hhmmsszzz", rounded to the millisecond.
void timeDigits(double time, char* text) {
    long long ms = std::llround((time - std::floor(time)) * static_cast<double>(MsPerDay));
    ms = std::clamp(ms, 0LL, MsPerDay - 1);
    const int parts[4] = {static_cast<int>(ms / 3600000), static_cast<int>(ms / 60000 % 60),
                          static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
    for (int k = 0; k < 3; ++k) {
        text[2 * k] = static_cast<char>('0' + parts[k] / 10);
        text[2 * k + 1] = static_cast<char>('0' + parts[k] % 10);
    }
    text[6] = static_cast<char>('0' + parts[3] / 100);
    text[7] = static_cast<char>('0' + parts[3] / 10 % 10);
    text[8] = static_cast<char>('0' + parts[3] % 10);
}

// One text line: characters below the space are dropped, a line feed or the end of the file
// ends it, and at most MaxLineLength characters belong to it.
std::string readLine(LogReader& reader) {
    std::string line;
    reader.ReadLine(line, MaxLineLength);
    return line;
}

// The byte list items of a frame text when each is "$" and one or two hexadecimal digits or one
// to three decimal digits, the forms the program writes, read as ByteListItems and
// ByteListValue read them, without a string per item; false for any other text.
bool plainItems(const std::string& text, std::vector<int>& values) {
    values.clear();
    const size_t end = text.size();
    auto blank = [&](size_t p) { return static_cast<unsigned char>(text[p]) <= ' '; };
    size_t p = 0;
    while (p < end && blank(p)) {
        ++p;
    }
    while (p < end) {
        const bool hex = text[p] == '$';
        const size_t first = p + hex;
        int value = 0;
        size_t q = first;
        for (; q < end && !blank(q) && text[q] != ','; ++q) {
            if (q - first >= (hex ? 2u : 3u)) {
                return false; // too long for a byte; stop before the value can overflow
            }
            const int c = static_cast<unsigned char>(text[q]);
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (hex && ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')) {
                digit = (c | 0x20) - 'a' + 10;
            } else {
                return false;
            }
            value = value * (hex ? 16 : 10) + digit;
        }
        if (q == first || q - first > (hex ? 2u : 3u)) {
            return false;
        }
        values.push_back(value);
        p = q;
        while (p < end && blank(p)) {
            ++p;
        }
        if (p < end && text[p] == ',') {
            if (p + 1 == end) {
                values.push_back(0); // a comma at the very end adds an empty item
            }
            do {
                ++p;
            } while (p < end && blank(p));
        }
    }
    return true;
}

// A frame from its item values, as TPacket::FromFrameText sets them.
void frameFromValues(const std::vector<int>& values, TPacket& frame) {
    const int count = static_cast<int>(values.size());
    if (count >= 1) {
        frame.SetHeader(values[0]);
    }
    frame.SetDataLen(count - 3);
    for (int i = 0; i < frame.DataLen(); ++i) {
        frame.Bytes[i + 2] = static_cast<uint8_t>(values[static_cast<size_t>(i) + 2]);
    }
    if (count >= 3) {
        frame.SetChecksum(values.back());
    }
}

// The frames of a load in progress, kept apart until the whole file has been read.
struct LoadedFrames {
    TFrameStore frames;
    bool truncated = false;
    bool damaged = false;
    int badChecksums = 0;
    void Append(const TPacket& frame) {
        badChecksums += !frame.ChecksumOK();
        frames.Append(frame);
    }
};

// A frame from its byte list items, as TPacket::FromFrameText reads its text.
void frameFromItems(const std::vector<std::string>& items, TPacket& frame) {
    const int count = static_cast<int>(items.size());
    if (count >= 1) {
        frame.SetHeader(ByteListValue(items[0]));
    }
    frame.SetDataLen(count - 3);
    for (int i = 0; i < frame.DataLen(); ++i) {
        frame.Bytes[i + 2] = static_cast<uint8_t>(ByteListValue(items[static_cast<size_t>(i) + 2]));
    }
    if (count >= 3) {
        frame.SetChecksum(ByteListValue(items.back()));
    }
}

void loadBinary(LogReader& reader, LoadedFrames& loaded, const std::function<void()>& progress) {
    unsigned char record[BinaryHeadSize + 256];
    TPacket frame;
    while (!reader.AtEnd()) {
        progress();
        if (reader.ReadInto(record, BinaryHeadSize) < static_cast<size_t>(BinaryHeadSize)) {
            loaded.truncated = true;
            return;
        }
        const int lengthByte = record[15];
        if (lengthByte < 0x55) {
            loaded.damaged = true;
            return;
        }
        const size_t rest = static_cast<size_t>(lengthByte - 0x55 + 1); // data and checksum
        if (reader.ReadInto(record + BinaryHeadSize, rest) < rest) {
            loaded.truncated = true;
            return;
        }
        frame.Clear();
        frame.SetTime(binaryTime(record));
        frame.Notes = static_cast<uint32_t>(record[9]) | static_cast<uint32_t>(record[10]) << 8 |
                      static_cast<uint32_t>(record[11]) << 16 |
                      static_cast<uint32_t>(record[12]) << 24;
        frame.MessageNo = record[13];
        std::memcpy(frame.Bytes, record + 14, rest + 2);
        loaded.Append(frame);
    }
}

void loadText(LogReader& reader, LoadedFrames& loaded, const std::function<void()>& progress) {
    TPacket frame;
    std::vector<int> values;
    while (!reader.AtEnd()) {
        progress();
        std::string line = readLine(reader);
        if (line.size() < 5) {
            return;
        }
        int32_t notes = 0;
        if (upperCase(line.substr(0, 5)) == "NOTE:") {
            notes = numberOr0(line.substr(5, 10));
            line = readLine(reader);
        }
        frame.Clear();
        frame.SetTime(textTime(line.substr(0, 12)));
        frame.Notes = static_cast<uint32_t>(notes);
        size_t start = 14;
        if (line.size() > 13 && line[13] == 'T') {
            frame.MessageNo = numberOr0(line.substr(14, 2));
            start = 17;
        } else if (line.size() > 13 && static_cast<unsigned char>(line[13]) > ' ' &&
                   line[13] != ',') {
            start = 13; // the frame text follows the comma directly: keep its first character
        }
        if (line.size() <= start) {
            continue; // no frame text: not a frame
        }
        const std::string text = line.substr(start);
        if (plainItems(text, values)) {
            if (values.size() > static_cast<size_t>(MaxFrameItems)) {
                loaded.damaged = true;
                return;
            }
            frameFromValues(values, frame);
        } else {
            const std::vector<std::string> items = ByteListItems(text);
            if (items.size() > static_cast<size_t>(MaxFrameItems)) {
                loaded.damaged = true;
                return;
            }
            frameFromItems(items, frame);
        }
        loaded.Append(frame);
    }
}

// The part of a "<path>: <system text>" message after the path.
std::string systemTextOf(const std::string& message, const std::string& path) {
    const std::string prefix = path + ": ";
    return message.compare(0, prefix.size(), prefix) == 0 ? message.substr(prefix.size()) : message;
}

} // namespace

void AppendLogRecord(const TPacket& frame, std::string& out) {
    char record[BinaryHeadSize + 256];
    timeDigits(frame.Time, record);
    for (int k = 0; k < 4; ++k) {
        record[9 + k] = static_cast<char>((frame.Notes >> (8 * k)) & 0xFF);
    }
    record[13] = static_cast<char>(frame.MessageNo & 0xFF);
    record[14] = static_cast<char>(frame.Header());
    record[15] = static_cast<char>(frame.LengthByte());
    const size_t n = static_cast<size_t>(frame.DataLen());
    std::memcpy(record + BinaryHeadSize, frame.Bytes + 2, n);
    record[BinaryHeadSize + n] = static_cast<char>(frame.Checksum());
    out.append(record, BinaryHeadSize + n + 1);
}

void AppendDataStream(const TPacket& frame, std::string& out) {
    if (frame.DataLen() > 1) {
        out.append(reinterpret_cast<const char*>(frame.Bytes + 3),
                   static_cast<size_t>(frame.DataLen() - 1));
    }
}

bool IsDataStreamName(const std::string& name) {
    return upperCase(extensionOf(name)) == ".BIN";
}

TDataLog::TDataLog() {
    New();
}

void TDataLog::Clear() {
    // The live frame goes too, so no frame of an earlier run lingers behind a new capture.
    frames_.Clear();
    live_.Clear();
    empty_ = true;
}

void TDataLog::New() {
    fileName_.clear();
    Clear();
}

void TDataLog::SetLimit(int frames) {
    limit_ = std::max(frames, 1);
}

void TDataLog::checkIndex(int i, int last, const char* operation) const {
    if (i < 0 || i > last) {
        throw EQuorvinError(
            Format("Index: %d out of range %d-%d in TDataLog.%s", i, 0, last, operation));
    }
}

TPacket TDataLog::Frames(int i) const {
    TPacket frame;
    ReadFrame(i, frame);
    return frame;
}

void TDataLog::ReadFrame(int i, TPacket& out) const {
    checkIndex(i, Count(), "setPacket");
    if (i < Count()) {
        frames_.Read(i, out);
    } else {
        out = live_;
    }
}

uint32_t TDataLog::Notes(int i) const {
    checkIndex(i, Count() - 1, "Notes");
    return frames_.Notes(i);
}

void TDataLog::SetNotes(int i, uint32_t notes) {
    checkIndex(i, Count() - 1, "SetNotes");
    frames_.SetNotes(i, notes);
}

double TDataLog::FrameTime(int i) const {
    checkIndex(i, Count() - 1, "FrameTime");
    return frames_.Time(i);
}

void TDataLog::Add(std::unique_ptr<TPacket> frame, bool append) {
    if (Full()) {
        throw EQuorvinError("Frame capture buffer is full");
    }
    if (frame) {
        Add(*frame, append);
    }
}

void TDataLog::Add(const TPacket& frame, bool append) {
    if (Full()) {
        throw EQuorvinError("Frame capture buffer is full");
    }
    if (append) {
        frames_.Append(frame);
        live_.Clear(); // a logged frame takes the live frame's place
        empty_ = false;
    } else {
        live_ = frame;
    }
}

void TDataLog::LoadFromFile(const std::string& requested) {
    std::string name = requested.empty() ? fileName_ : requested;
    if (extensionOf(name).empty()) {
        name += ".alg";
    }
    std::string why;
    const int fd = OpenRegularFile(name, why); // a folder or a named pipe says so, at once
    FileCloser closer{fd};
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0) {
        throw EQuorvinError(Format("Can't open file %s. %s", name.c_str(),
                                   (fd < 0 ? why : SystemErrorText(errno)).c_str()));
    }
    auto invalid = [&name] {
        throw EQuorvinError(Format("File %s contains invalid ALDL data.", name.c_str()));
    };
    LoadedFrames loaded;
    try {
        LogReader reader(fd);
        std::string head;
        reader.Read(5, head);
        if (head.size() < 3) {
            invalid();
        }
        const bool text = head[2] == ':' || upperCase(head) == "NOTE:";
        reader.Rewind();
        const long long size = info.st_size > 0 ? info.st_size : 1;
        auto progress = [&] {
            if (onProgress_) {
                onProgress_(static_cast<int>(std::min(reader.Position(), size) * 100 / size));
            }
        };
        if (text) {
            loadText(reader, loaded, progress);
        } else {
            loadBinary(reader, loaded, progress);
        }
    } catch (const ReadError& error) {
        throw EQuorvinError(
            Format("Can't load file %s. %s", name.c_str(), SystemErrorText(error.code).c_str()));
    }
    const int count = loaded.frames.Count();
    if (count == 0 && loaded.damaged) {
        invalid();
    }
    frames_ = std::move(loaded.frames);
    live_.Clear();
    empty_ = count == 0;
    lastLoadTruncated_ = loaded.truncated;
    badChecksums_ = loaded.badChecksums;
    loadWarning_ = loaded.damaged ? Format("File %s is damaged after frame %d; %d frames loaded.",
                                           name.c_str(), count, count)
                                  : std::string();
    fileName_ = name;
}

void TDataLog::SaveToFile(const std::string& requested) {
    if (empty_) {
        return;
    }
    const std::string name = requested.empty() ? fileName_ : requested;
    const bool dataStream = IsDataStreamName(name);
    std::string contents;
    contents.reserve(static_cast<size_t>(Count()) * (dataStream ? 64 : 84));
    TPacket frame;
    for (int i = 0; i < Count(); ++i) {
        frames_.Read(i, frame);
        if (dataStream) {
            AppendDataStream(frame, contents);
        } else {
            AppendLogRecord(frame, contents);
        }
    }
    try {
        WriteFileSafely(name, contents);
    } catch (const EQuorvinError& error) {
        throw EQuorvinError(Format("Can't save file %s. %s", name.c_str(),
                                   systemTextOf(error.what(), name).c_str()));
    }
    fileName_ = name;
}

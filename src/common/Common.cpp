#include "common/Common.h"

#include "common/Format.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

// ---- Numbers and texts ----

std::string PickFromList(const std::string& value, const std::string& list,
                         const std::string& def) {
    for (const std::string& item : Split(list, ",")) {
        if (item == value) {
            return value;
        }
    }
    return def;
}

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

bool TryReadInt(const std::string& text, int& value) {
    size_t i = 0, end = text.size();
    while (i < end && isBlank(text[i])) {
        ++i;
    }
    while (end > i && isBlank(text[end - 1])) {
        --end;
    }
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < end && text[i] == '$') {
        hex = true;
        i += 1;
    } else if (i + 1 < end && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    } else if (i < end && (text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        i += 1;
    }
    if (i >= end) {
        return false;
    }
    if (hex) {
        // Hexadecimal texts of up to eight digits wrap into 32 bits, so $FFFFFFFF is -1.
        uint64_t v = 0;
        for (; i < end; ++i) {
            int d = hexDigit(text[i]);
            if (d < 0) {
                return false;
            }
            v = v * 16 + d;
            if (v > 0xFFFFFFFFull) {
                return false;
            }
        }
        int32_t wrapped = static_cast<int32_t>(static_cast<uint32_t>(v));
        value = negative ? static_cast<int>(-static_cast<int64_t>(wrapped)) : wrapped;
        return true;
    }
    int64_t v = 0;
    for (; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) {
            return false;
        }
    }
    if (negative) {
        v = -v;
    }
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

int ReadInt(const std::string& text) {
    int value = 0;
    if (TryReadInt(text, value)) {
        return value;
    }
    if (TryReadInt("$" + text, value)) {
        return value;
    }
    return 0;
}

double ReadNumber(const std::string& text, double def) {
    if (text.empty()) {
        return def;
    }
    if (text[0] == '$') {
        return ReadInt(text);
    }
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    // Only plain decimal fractions: no "inf", "nan" or hexadecimal floats. Parsed without the C
    // library's locale, which the desktop toolkit sets to the user's.
    std::string plain = text.substr(begin, end - begin);
    for (char c : plain) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == ',' || c == '+' ||
              c == '-' || c == 'e' || c == 'E')) {
            return def;
        }
    }
    // A point is always the decimal mark (files and the program's own texts use it); a lone
    // comma is one as well, as typed in comma-decimal locales. Anything else with a comma in it
    // (grouped thousands, lists) is not one number.
    if (plain.find('.') == std::string::npos && std::count(plain.begin(), plain.end(), ',') == 1) {
        std::replace(plain.begin(), plain.end(), ',', '.');
    }
    const char* first = plain.data();
    const char* last = first + plain.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-') {
        ++first;
    }
    double v = 0;
    auto [stop, error] = std::from_chars(first, last, v, std::chars_format::general);
    if (error != std::errc() || stop != last || first == last || !std::isfinite(v)) {
        return def;
    }
    return v;
}

std::string DecimalText3(int v) {
    return Format("%3d", v);
}

std::string HexByteText(int v) {
    return Format("$%02X", static_cast<unsigned>(v) & 0xFF);
}

std::string ByteText(int v, int style) {
    return style == 2 ? HexByteText(v) : DecimalText3(v);
}

std::string NumberText(float x) {
    double v = x;
    if (std::trunc(v) == v) {
        return Format("%1.0f", v);
    }
    double magnitude = std::fabs(v);
    if (magnitude < 10) {
        return Format("%1.2f", v);
    }
    if (magnitude < 100) {
        return Format("%1.1f", v);
    }
    return Format("%.0f", v);
}

std::string HexValueText(float x) {
    // Values beyond 32 bits have no meaningful hexadecimal text; keep the conversion defined.
    double t = std::trunc(static_cast<double>(x));
    if (!(t > -2147483648.0 && t < 4294967296.0)) {
        t = 0;
    }
    int64_t v = static_cast<int64_t>(t);
    unsigned bits = static_cast<unsigned>(static_cast<uint32_t>(v));
    return std::llabs(v) < 255 ? Format("$%.2x", bits) : Format("$%.4x", bits);
}

std::string FileBaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    size_t from = 0;
    for (size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, from)) {
        pieces.push_back(text.substr(from, at - from));
        from = at + separator.size();
    }
    pieces.push_back(text.substr(from));
    return pieces;
}

int BitOf(double start) {
    // Single precision, as start values are stored; halves go to the even neighbour.
    float s = static_cast<float>(start);
    float fraction = s - std::trunc(s);
    return static_cast<int>(std::nearbyint(fraction * 10.0f));
}

namespace {

// Attributes hold at most 16 bits; wider or negative widths scale as the nearest sound width.
int64_t fullRange(int bits) {
    return int64_t{1} << Clamp(bits, 0, 16);
}

} // namespace

float ScaleValue(int64_t raw, int bits, bool invert, bool isSigned, bool reverse, double offset,
                 double factor) {
    const int64_t full = fullRange(bits);
    if (isSigned && raw >= full / 2) {
        raw -= full;
    }
    const float f = static_cast<float>(reverse ? full - 1 - raw : raw);
    if (invert) {
        // A zero divisor has no value; the offset alone is the least surprising result.
        if (f + 1.0f == 0.0f) {
            return static_cast<float>(offset);
        }
        return static_cast<float>(offset + factor / (static_cast<double>(f) + 1.0));
    }
    return static_cast<float>(offset + factor * static_cast<double>(f));
}

namespace {

void rawRange(int bits, bool isSigned, int64_t& low, int64_t& high) {
    const int64_t full = fullRange(bits);
    low = isSigned ? -(full / 2) : 0;
    high = isSigned ? full / 2 - 1 : full - 1;
}

} // namespace

float ScaledMin(int bits, bool invert, bool reverse, bool isSigned, double offset, double factor) {
    int64_t low, high;
    rawRange(bits, isSigned, low, high);
    int64_t raw = (invert != reverse) ? high : low;
    return ScaleValue(raw, bits, invert, isSigned, reverse, offset, factor);
}

float ScaledMax(int bits, bool invert, bool reverse, bool isSigned, double offset, double factor) {
    int64_t low, high;
    rawRange(bits, isSigned, low, high);
    int64_t raw = (invert != reverse) ? low : high;
    return ScaleValue(raw, bits, invert, isSigned, reverse, offset, factor);
}

uint32_t HalfColour(uint32_t colour) {
    return (colour & 0x00FFFFFFu) >> 1 & 0x007F7F7Fu;
}

uint32_t SwapRedBlue(uint32_t colour) {
    return (colour & 0xFF00FF00u) | (colour & 0xFFu) << 16 | (colour >> 16 & 0xFFu);
}

std::string SystemErrorText(int code) {
    if (code == 0) {
        return {};
    }
    char buffer[1024];
    // GNU strerror_r returns the text, which may or may not live in the buffer.
    std::string text = strerror_r(code, buffer, sizeof buffer);
    if (text.size() > 1024) {
        text.resize(1024);
    }
    return text;
}

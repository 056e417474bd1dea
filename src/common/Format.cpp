#include "common/Format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <locale.h>

char DecimalSeparator = '.';

namespace {

// Formats one conversion with the C library; the caller has chosen the argument's type.
template <typename T> std::string formatOne(const std::string& conversionText, T value) {
    char small[128];
    int n = std::snprintf(small, sizeof small, conversionText.c_str(), value);
    if (n < 0) {
        return {};
    }
    if (n < static_cast<int>(sizeof small)) {
        return std::string(small, n);
    }
    std::string big(n + 1, '\0');
    std::snprintf(big.data(), big.size(), conversionText.c_str(), value);
    big.resize(n);
    return big;
}

// printf's floating conversions follow the C library's locale, which the desktop toolkit sets to
// the user's; while one lives, this thread formats in the C locale, with a point.
class CLocaleScope {
public:
    CLocaleScope()
        : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0))),
          previous_(c_ ? uselocale(c_) : static_cast<locale_t>(0)) {}
    ~CLocaleScope() {
        if (c_) {
            uselocale(previous_);
            freelocale(c_);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t c_;
    locale_t previous_;
};

void useDecimalSeparator(std::string& text) {
    if (DecimalSeparator == '.') {
        return;
    }
    for (char& c : text) {
        if (c == '.') {
            c = DecimalSeparator;
        }
    }
}

} // namespace

std::string Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string out;
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        // Collect one conversion: flags, width, precision, length, conversion letter.
        std::string conversionText = "%";
        ++p;
        while (*p && std::strchr("-+ #0", *p)) {
            conversionText += *p++;
        }
        auto takeNumberOrStar = [&] {
            if (*p == '*') {
                conversionText += std::to_string(va_arg(args, int));
                ++p;
            }
            while (*p >= '0' && *p <= '9') {
                conversionText += *p++;
            }
        };
        takeNumberOrStar();
        if (*p == '.') {
            conversionText += *p++;
            takeNumberOrStar();
        }
        std::string length;
        while (*p && std::strchr("hlLqjzt", *p)) {
            length += *p++;
        }
        char conversion = *p ? *p++ : '\0';
        switch (conversion) {
        case 'd':
        case 'i':
            conversionText += "lld";
            out += formatOne(conversionText, length.empty() || length == "h" || length == "hh"
                                                 ? static_cast<long long>(va_arg(args, int))
                                                 : static_cast<long long>(va_arg(args, long long)));
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            unsigned long long v = length.empty() || length == "h" || length == "hh"
                                       ? va_arg(args, unsigned int)
                                       : va_arg(args, unsigned long long);
            // Hexadecimal digits are always upper case in this system's texts.
            conversionText += "ll";
            conversionText += conversion == 'x' ? 'X' : conversion;
            out += formatOne(conversionText, v);
            break;
        }
        case 'c':
            conversionText += 'c';
            out += formatOne(conversionText, va_arg(args, int));
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G': {
            conversionText += conversion;
            CLocaleScope point;
            std::string text = length == "L" ? formatOne(conversionText, va_arg(args, long double))
                                             : formatOne(conversionText, va_arg(args, double));
            useDecimalSeparator(text);
            out += text;
            break;
        }
        case 's': {
            const char* s = va_arg(args, const char*);
            conversionText += 's';
            out += formatOne(conversionText, s ? s : "");
            break;
        }
        case 'p':
            conversionText += 'p';
            out += formatOne(conversionText, va_arg(args, void*));
            break;
        default:
            out += conversionText; // not a conversion: keep the text as written
            if (conversion) {
                out += conversion;
            }
            break;
        }
    }
    va_end(args);
    return out;
}

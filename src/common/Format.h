#pragma once
#include <string>

// The one formatter for the system's printf-style formats: hexadecimal digits are upper case
// and floating conversions use DecimalSeparator, whatever the C library's locale. Arguments
// follow printf's rules, and the compiler checks them; write "%.2x" where "%02.2x" is meant (a 0
// flag beside a precision does nothing, and the compiler says so).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The user's decimal separator; the desktop program sets it from the locale at start-up.
extern char DecimalSeparator;

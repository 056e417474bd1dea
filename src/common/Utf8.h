#pragma once
#include <string>
#include <string_view>

// True when text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);
// The text itself when it is valid UTF-8; otherwise it is taken as Windows-1252, the code page
// of files written by older tools ("\xB0" + "C" for "°C"), and returned as UTF-8.
std::string Utf8OrWindows1252(std::string_view text);

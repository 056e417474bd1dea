#pragma once
#include <string>

// Tests of numbers and texts run a second time under a comma-decimal locale: ctest sets LC_ALL
// and LANG to it and names it in QUORVIN_TEST_LOCALE. The test program then takes its locale
// from the environment, as the desktop program does, and every test fails when that locale is
// not in effect, rather than passing under the C locale unnoticed.

// The locale the run asks for; empty in an ordinary run.
std::string RequestedTestLocale();
// When a run asks for a locale, sets the C library's locale from the environment and returns
// what is wrong with it: empty when it is in effect and its decimal point is a comma.
std::string AdoptTestLocale();
// Registers a test environment that does the above before the tests and fails them all,
// saying why, when the locale is not to be had.
void AddTestLocaleEnvironment();

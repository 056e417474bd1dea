#include "common/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Utf8Case {
    const char* name;
    std::string text;
    bool valid;
    std::string read; // the text as UTF-8
};

class Utf8Table : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Table, ValidTextStaysElseItIsReadAsWindows1252) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(IsValidUtf8(c.text), c.valid);
    EXPECT_EQ(Utf8OrWindows1252(c.text), c.read);
    EXPECT_TRUE(IsValidUtf8(Utf8OrWindows1252(c.text)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Table,
    testing::Values(Utf8Case{"ascii", "RPM x 25", true, "RPM x 25"},
                    Utf8Case{"empty", "", true, ""},
                    Utf8Case{"utf8_degree",
                             "\xC2\xB0"
                             "C",
                             true,
                             "\xC2\xB0"
                             "C"},
                    Utf8Case{"utf8_four_bytes", "\xF0\x9F\x9A\x97", true, "\xF0\x9F\x9A\x97"},
                    Utf8Case{"cp1252_degree",
                             "\xB0"
                             "C",
                             false,
                             "\xC2\xB0"
                             "C"},
                    Utf8Case{"cp1252_euro_dash", "\x80 \x96", false, "\xE2\x82\xAC \xE2\x80\x93"},
                    Utf8Case{"cp1252_unassigned", "\x81", false, "\xC2\x81"},
                    Utf8Case{"cp1252_umlaut", "K\xFChler", false, "K\xC3\xBChler"},
                    Utf8Case{"overlong", "\xC0\xAF", false, "\xC3\x80\xC2\xAF"},
                    Utf8Case{"surrogate", "\xED\xA0\x80", false, "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
                    Utf8Case{"past_10FFFF", "\xF4\x90\x80\x80", false,
                             "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
                    Utf8Case{"cut_short", "\xE2\x82", false, "\xC3\xA2\xE2\x80\x9A"}),
    [](const testing::TestParamInfo<Utf8Case>& info) { return std::string(info.param.name); });

} // namespace

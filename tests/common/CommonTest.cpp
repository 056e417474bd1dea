#include "common/Common.h"
#include "common/Format.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct DecimalSeparatorGuard {
    explicit DecimalSeparatorGuard(char c) : saved(DecimalSeparator) { DecimalSeparator = c; }
    ~DecimalSeparatorGuard() { DecimalSeparator = saved; }
    char saved;
};

} // namespace

TEST(Format, HexDigitsAreUpperCaseAndWidthsFollowPrintf) {
    EXPECT_EQ(Format("$%.2x", 0xabu), "$AB");
    EXPECT_EQ(Format("Aldl frame header byte: $%02x", 0xf4u), "Aldl frame header byte: $F4");
    EXPECT_EQ(Format("%3d", 7), "  7");
    EXPECT_EQ(Format("%2.2d", 5), "05");
    EXPECT_EQ(Format("Com%d", 3), "Com3");
    EXPECT_EQ(Format("%s-%s", "a", "b"), "a-b");
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%lld", 1234567890123LL), "1234567890123");
    EXPECT_EQ(Format("%*d|", 4, 9), "   9|");
}

TEST(Format, FloatsUseTheUserDecimalSeparatorButTextIsLeftAlone) {
    DecimalSeparatorGuard comma(',');
    EXPECT_EQ(Format("v1.%1.2f", 3.14159), "v1.3,14");
}

struct ReadIntCase {
    const char* text;
    int expected;
};

class ReadIntTable : public testing::TestWithParam<ReadIntCase> {};

TEST_P(ReadIntTable, ReadsDecimalThenHexadecimal) {
    EXPECT_EQ(ReadInt(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadIntTable,
    testing::Values(ReadIntCase{"10", 10}, ReadIntCase{"$10", 16}, ReadIntCase{"A", 10},
                    ReadIntCase{"0x1F", 31}, ReadIntCase{"0X1f", 31}, ReadIntCase{"x1F", 31},
                    ReadIntCase{"1.5", 0}, ReadIntCase{"F4", 244}, ReadIntCase{"$F4", 244},
                    ReadIntCase{"12", 12}, ReadIntCase{"", 0}, ReadIntCase{"GHI", 0},
                    ReadIntCase{"  -7", -7}, ReadIntCase{"+3", 3}, ReadIntCase{"-$10", -16},
                    ReadIntCase{"$FFFFFFFF", -1}, ReadIntCase{"2147483647", 2147483647},
                    ReadIntCase{"99999999999", 0}, ReadIntCase{"$", 0}, ReadIntCase{"12 ", 12}));

TEST(ReadNumber, EmptyHexDecimalAndUnreadable) {
    EXPECT_EQ(ReadNumber("", 1), 1);
    EXPECT_EQ(ReadNumber("$FF", 1), 255);
    EXPECT_EQ(ReadNumber("2.5", 1), 2.5);
    EXPECT_EQ(ReadNumber("abc", 1), 1);
    EXPECT_EQ(ReadNumber("-1e3", 1), -1000);
    EXPECT_EQ(ReadNumber("inf", 1), 1);
    EXPECT_EQ(ReadNumber("nan", 7), 7);
    EXPECT_EQ(ReadNumber("1.5x", 7), 7);
}

TEST(ReadNumber, ReadsTheUserDecimalSeparator) {
    DecimalSeparatorGuard comma(',');
    EXPECT_EQ(ReadNumber("2,5", 0), 2.5);
    EXPECT_EQ(ReadNumber("2.5", 0), 2.5);
}

struct ReadNumberCase {
    const char* text;
    double expected; // 7 is the default given
};

class ReadNumberTable : public testing::TestWithParam<ReadNumberCase> {};

// The same in every locale, whatever the C library's locale and the user's separator are: a
// point always, a lone comma too; grouped thousands and lists are not one number.
TEST_P(ReadNumberTable, ReadsTheSameWithAPointOrACommaSeparator) {
    for (char separator : {'.', ','}) {
        DecimalSeparatorGuard guard(separator);
        EXPECT_EQ(ReadNumber(GetParam().text, 7), GetParam().expected)
            << GetParam().text << " with separator " << separator;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadNumberTable,
    testing::Values(ReadNumberCase{"12.5", 12.5}, ReadNumberCase{"12,5", 12.5},
                    ReadNumberCase{" 0.0195 ", 0.0195}, ReadNumberCase{"-0,5", -0.5},
                    ReadNumberCase{"+2.5", 2.5}, ReadNumberCase{".5", 0.5}, ReadNumberCase{"5.", 5},
                    ReadNumberCase{"1e3", 1000}, ReadNumberCase{"1,5E2", 150},
                    ReadNumberCase{"$19", 25}, ReadNumberCase{"1,234.5", 7},
                    ReadNumberCase{"1.234,5", 7}, ReadNumberCase{"1,2,3", 7},
                    ReadNumberCase{"1.2.3", 7}, ReadNumberCase{",", 7}, ReadNumberCase{"+-1", 7},
                    ReadNumberCase{"--1", 7}, ReadNumberCase{"+", 7}, ReadNumberCase{"1e400", 7},
                    ReadNumberCase{"0x10", 7}, ReadNumberCase{"1 2", 7}, ReadNumberCase{"   ", 7}));

TEST(Format, FloatsTakeThePointOrTheUserSeparatorNeverTheCLibraryLocale) {
    for (char separator : {'.', ','}) {
        DecimalSeparatorGuard guard(separator);
        const std::string point(1, separator);
        EXPECT_EQ(Format("%1.2f", 12.5), "12" + point + "50");
        EXPECT_EQ(Format("%g|%e", 0.25, 1.5), "0" + point + "25|1" + point + "500000e+00");
        EXPECT_EQ(NumberText(3.14159f), "3" + point + "14");
    }
}

TEST(Texts, ByteTextsAndPickFromList) {
    EXPECT_EQ(DecimalText3(1), "  1");
    EXPECT_EQ(DecimalText3(244), "244");
    EXPECT_EQ(HexByteText(0x1F4), "$F4");
    EXPECT_EQ(HexByteText(-1), "$FF");
    EXPECT_EQ(ByteText(10, 2), "$0A");
    EXPECT_EQ(ByteText(10, 1), " 10");
    EXPECT_EQ(PickFromList("O", "E,O,N,M,S", "N"), "O");
    EXPECT_EQ(PickFromList("Odd", "E,O,N,M,S", "N"), "N");
    EXPECT_EQ(PickFromList("o", "E,O,N,M,S", "N"), "N");
}

struct NumberTextCase {
    float value;
    const char* expected;
};

class NumberTextTable : public testing::TestWithParam<NumberTextCase> {};

TEST_P(NumberTextTable, PicksDecimalsByMagnitude) {
    EXPECT_EQ(NumberText(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, NumberTextTable,
                         testing::Values(NumberTextCase{3, "3"}, NumberTextCase{3.14159f, "3.14"},
                                         NumberTextCase{31.4159f, "31.4"},
                                         NumberTextCase{314.159f, "314"},
                                         NumberTextCase{-2.5f, "-2.50"}, NumberTextCase{-40, "-40"},
                                         NumberTextCase{99999, "99999"},
                                         NumberTextCase{-99.5f, "-99.5"}));

TEST(HexValueText, TwoDigitsBelow255FourFromThere) {
    EXPECT_EQ(HexValueText(10), "$0A");
    EXPECT_EQ(HexValueText(4660), "$1234");
    EXPECT_EQ(HexValueText(254), "$FE");
    EXPECT_EQ(HexValueText(255), "$00FF");
    EXPECT_EQ(HexValueText(10.9f), "$0A");
}

TEST(HexValueText, HugeAndNonFiniteValuesStayDefined) {
    EXPECT_EQ(HexValueText(1e30f), "$00");
    EXPECT_EQ(HexValueText(std::nanf("")), "$00");
}

TEST(Texts, FileBaseNameAndSplit) {
    EXPECT_EQ(FileBaseName("C:\\data\\run.2003.alg"), "run");
    EXPECT_EQ(FileBaseName("/home/u/Logged data/run.2003.alg"), "run");
    EXPECT_EQ(FileBaseName("noext"), "noext");
    EXPECT_EQ(Split("a;b;", ";"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(Split("", ";"), (std::vector<std::string>{""}));
    EXPECT_EQ(Split("a::b", "::"), (std::vector<std::string>{"a", "b"}));
}

TEST(Scaling, BitOfReadsTheDecimalOfAStart) {
    EXPECT_EQ(BitOf(3.7), 7);
    EXPECT_EQ(BitOf(2.4), 4);
    EXPECT_EQ(BitOf(12), 0);
    EXPECT_EQ(BitOf(0.1), 1);
}

struct ScaleCase {
    int raw, bits;
    bool invert, isSigned, reverse;
    double offset, factor, expected;
};

class ScaleValueTable : public testing::TestWithParam<ScaleCase> {};

TEST_P(ScaleValueTable, SignedBeforeReverseInvertDivides) {
    const ScaleCase& c = GetParam();
    EXPECT_FLOAT_EQ(ScaleValue(c.raw, c.bits, c.invert, c.isSigned, c.reverse, c.offset, c.factor),
                    static_cast<float>(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScaleValueTable,
    testing::Values(ScaleCase{0xFF, 8, false, true, false, 0, 1, -1},
                    ScaleCase{0xFF, 8, false, true, false, 0, 0.5, -0.5},
                    ScaleCase{0, 8, false, false, true, 0, 1, 255},
                    ScaleCase{9, 8, true, false, false, 0, 1000, 100},
                    ScaleCase{100, 8, false, false, false, -40, 0.75, 35},
                    ScaleCase{0x8000, 16, false, true, false, 0, 1, -32768},
                    ScaleCase{5, 8, false, false, false, 3, 0, 3},
                    // Widths outside 0..16 scale as the nearest sound width.
                    ScaleCase{1, 40, false, false, true, 0, 1, 65534},
                    ScaleCase{0, -3, false, false, true, 0, 1, 0},
                    // Invert over a zero divisor gives the offset, not infinity.
                    ScaleCase{0xFF, 8, true, true, false, 7, 10, 7}));

TEST(Scaling, ScaledMinAndMaxAtTheEndsOfTheRawRange) {
    EXPECT_FLOAT_EQ(ScaledMin(8, false, false, false, 0, 1), 0);
    EXPECT_FLOAT_EQ(ScaledMax(8, false, false, false, 0, 1), 255);
    EXPECT_FLOAT_EQ(ScaledMin(8, false, false, true, 0, 1), -128);
    EXPECT_FLOAT_EQ(ScaledMax(8, false, false, true, 0, 1), 127);
    EXPECT_FLOAT_EQ(ScaledMin(8, true, false, false, 0, 1), 1.0f / 256);
    EXPECT_FLOAT_EQ(ScaledMax(8, true, false, false, 0, 1), 1);
    EXPECT_FLOAT_EQ(ScaledMin(8, false, false, false, -40, 0.75), -40);
    EXPECT_FLOAT_EQ(ScaledMax(8, false, false, false, -40, 0.75), 151.25);
}

TEST(Colours, HalfAndSwap) {
    EXPECT_EQ(HalfColour(0x00FFFFFF), 0x007F7F7Fu);
    EXPECT_EQ(HalfColour(0x00010203), 0x00000101u);
    EXPECT_EQ(SwapRedBlue(0x00112233), 0x00332211u);
}

TEST(SystemErrorText, EmptyForZeroElseTheSystemText) {
    EXPECT_EQ(SystemErrorText(0), "");
    EXPECT_EQ(SystemErrorText(ENOENT), std::strerror(ENOENT)); // in the user's language
}

TEST(Folders, IniPathFollowsTheEnvironmentOverride) {
    setenv("QUORVIN_INI", "/tmp/somewhere/Test.ini", 1);
    InitFolders();
    EXPECT_EQ(IniPath(), "/tmp/somewhere/Test.ini");
    unsetenv("QUORVIN_INI");
    InitFolders();
    EXPECT_EQ(IniPath(), ProgramDir() + "/QuorvinV4.ini");
    EXPECT_FALSE(IsInstalledLayout());
    EXPECT_EQ(DataDir(), UserDataDir() + "/Logged data");
    EXPECT_NE(UserDataDir().find("/Quorvin/V4"), std::string::npos);
    SetVehicleDir("/tmp/v");
    EXPECT_EQ(VehicleDir(), "/tmp/v");
}

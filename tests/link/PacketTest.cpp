#include "link/Packet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TPacket frameOf(const std::string& text) {
    TPacket p;
    p.FromFrameText(text);
    return p;
}

TEST(PacketTest, NewRecordIsClearAndEmpty) {
    TPacket p;
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_EQ(p.DataLen(), 0);
    EXPECT_EQ(p.FrameLen(), 3);
    EXPECT_EQ(p.LengthByte(), 0x55);
    for (uint8_t b : p.Bytes)
        EXPECT_EQ(b, 0);
}

struct IndexCase {
    const char* operation;
    int index;
    std::string message; // empty: no error
};

class PacketIndexTest : public testing::TestWithParam<IndexCase> {};

TEST_P(PacketIndexTest, BoundsAndMessages) {
    const IndexCase& c = GetParam();
    TPacket p;
    const std::string op = c.operation;
    auto call = [&] {
        if (op == "getByte")
            (void)p.getByte(c.index);
        else if (op == "setByte")
            p.setByte(c.index, 0x1AB);
        else if (op == "getData")
            (void)p.getData(c.index);
        else
            p.setData(c.index, 0x1AB);
    };
    if (c.message.empty()) {
        EXPECT_NO_THROW(call());
        return;
    }
    const TPacket before = p;
    try {
        call();
        FAIL() << "no exception";
    } catch (const EQuorvinError& e) {
        EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_TRUE(p.SameBytes(before, TPacket::Size));
}

INSTANTIATE_TEST_SUITE_P(
    Table, PacketIndexTest,
    testing::Values(IndexCase{"getByte", 0, ""}, IndexCase{"getByte", 202, ""},
                    IndexCase{"getByte", 203, "Index: 203 out of range 0-202 in TPacket.getByte"},
                    IndexCase{"getByte", -1, "Index: -1 out of range 0-202 in TPacket.getByte"},
                    IndexCase{"setByte", 202, ""},
                    IndexCase{"setByte", 203, "Index: 203 out of range 0-202 in TPacket.setByte"},
                    IndexCase{"getData", 199, ""},
                    IndexCase{"getData", 200, "Index: 200 out of range 0-199 in TPacket.getData"},
                    IndexCase{"setData", 199, ""},
                    IndexCase{"setData", -5, "Index: -5 out of range 0-199 in TPacket.setData"}));

TEST(PacketTest, SettersStoreLowByteAndDataIsOffsetByTwo) {
    TPacket p;
    p.setByte(5, 0x1AB);
    EXPECT_EQ(p.getByte(5), 0xAB);
    p.setData(3, 0x42);
    EXPECT_EQ(p.getByte(5), 0x42);
    // Data beyond the current length may be read and written.
    EXPECT_EQ(p.DataLen(), 0);
    p.setData(199, 7);
    EXPECT_EQ(p.Bytes[201], 7);
}

struct FrameCase {
    std::string text;
    int header, dataLen, mode, checksum;
    bool checksumOK;
    std::string hex;
};

class PacketFrameTextTest : public testing::TestWithParam<FrameCase> {};

TEST_P(PacketFrameTextTest, FromFrameText) {
    const FrameCase& c = GetParam();
    const TPacket p = frameOf(c.text);
    EXPECT_EQ(p.Header(), c.header);
    EXPECT_EQ(p.DataLen(), c.dataLen);
    EXPECT_EQ(p.FrameLen(), c.dataLen + 3);
    EXPECT_EQ(p.Mode(), c.mode);
    EXPECT_EQ(p.Checksum(), c.checksum);
    EXPECT_EQ(p.ChecksumOK(), c.checksumOK);
    EXPECT_EQ(p.HexText(), c.hex);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PacketFrameTextTest,
    testing::Values(
        // One data byte: mode 0 by rule.
        FrameCase{"$F4,$56,$01,$B5", 0xF4, 1, 0, 0xB5, true, "$F4,$56,$01,$B5"},
        FrameCase{"$F4,$57,$01,$00,$B4", 0xF4, 2, 1, 0xB4, true, "$F4,$57,$01,$00,$B4"},
        // The length item is never read: the count of items decides.
        FrameCase{"$F4 $99 $01 $00 $B4", 0xF4, 2, 1, 0xB4, true, "$F4,$57,$01,$00,$B4"},
        // Wrong checksum is kept unchecked.
        FrameCase{"244,87,1,0,0", 0xF4, 2, 1, 0, false, "$F4,$57,$01,$00,$00"},
        // Hex without a dollar, x and 0x forms, garbage reads 0, only low 8 bits stored.
        FrameCase{"F4,x57,0x1,zz,$1B4", 0xF4, 2, 1, 0xB4, true, "$F4,$57,$01,$00,$B4"},
        // One or two items: no data, checksum computed when the header was set.
        FrameCase{"$F4", 0xF4, 0, 0, 0xB7, true, "$F4,$55,$B7"},
        FrameCase{"$F4,$55", 0xF4, 0, 0, 0xB7, true, "$F4,$55,$B7"},
        FrameCase{"", 0, 0, 0, 0, false, "$00,$55,$00"}));

TEST(PacketTest, FromFrameTextKeepsTimeNotesAndMessageNo) {
    TPacket p;
    p.SetTime(0.25);
    p.Notes = 6;
    p.MessageNo = 3;
    p.FromFrameText("$F4,$56,$01,$B5");
    EXPECT_EQ(p.Time, 0.25);
    EXPECT_EQ(p.Notes, 6u);
    EXPECT_EQ(p.MessageNo, 3);
}

TEST(PacketTest, FrameTextBeyondTheLengthByteKeepsAFullFrame) {
    // 175 items would need a length byte of $100; the frame stays at 170 data bytes instead of
    // wrapping round to an empty frame.
    std::string text = "$F4,$FF";
    for (int i = 0; i < 172; ++i)
        text += ",$01";
    text += ",$77";
    const TPacket p = frameOf(text);
    EXPECT_EQ(p.DataLen(), 170);
    EXPECT_EQ(p.LengthByte(), 0xFF);
    EXPECT_EQ(p.getData(169), 1);
    EXPECT_EQ(p.Checksum(), 0x77);
}

TEST(PacketTest, LowStoredLengthByteReadsAsNoData) {
    TPacket p;
    p.Bytes[0] = 0xF4;
    p.Bytes[1] = 0x10;
    EXPECT_EQ(p.LengthByte(), 0x55);
    EXPECT_EQ(p.DataLen(), 0);
    EXPECT_EQ(p.FrameLen(), 3);
    p.UpdateChecksum();
    EXPECT_EQ(p.Checksum(), (256 - (0xF4 + 0x55) % 256) % 256);
    EXPECT_TRUE(p.ChecksumOK());
    EXPECT_EQ(p.HexText(), "$F4,$55,$B7");
    EXPECT_EQ(p.Bytes[1], 0x10); // the stored byte is left as it is
    EXPECT_EQ(p.RawBytes(), std::string("\xF4\x55\xB7", 3));
}

struct LengthCase {
    int set, stored;
};

class PacketLengthTest : public testing::TestWithParam<LengthCase> {};

TEST_P(PacketLengthTest, SetLengthByte) {
    TPacket p;
    p.SetLengthByte(GetParam().set);
    EXPECT_EQ(p.Bytes[1], GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Table, PacketLengthTest,
                         testing::Values(LengthCase{84, 0x55}, LengthCase{0, 0x55},
                                         LengthCase{-7, 0x55}, LengthCase{85, 0x55},
                                         LengthCase{0x57, 0x57}, LengthCase{255, 255},
                                         LengthCase{300, 255}));

TEST(PacketTest, SetDataLenNegativeGivesNoDataAndLeavesChecksum) {
    TPacket p = frameOf("$F4,$57,$01,$00,$B4");
    p.SetDataLen(-4);
    EXPECT_EQ(p.DataLen(), 0);
    EXPECT_EQ(p.Checksum(), 0x01); // the byte at index 2, not recomputed
}

TEST(PacketTest, SetModeRaisesShortFramesOnly) {
    TPacket empty;
    empty.SetHeader(0xF4);
    empty.SetMode(0x01);
    EXPECT_EQ(empty.DataLen(), 1);
    EXPECT_EQ(empty.getData(0), 1);
    EXPECT_EQ(empty.Mode(), 0); // one data byte: mode 0
    EXPECT_TRUE(empty.ChecksumOK());
    EXPECT_EQ(empty.HexText(), "$F4,$56,$01,$B5");

    TPacket three = frameOf("$F4,$58,$05,$06,$07,$00");
    three.SetMode(0x01);
    EXPECT_EQ(three.DataLen(), 3);
    EXPECT_EQ(three.Mode(), 1);
    EXPECT_EQ(three.getData(1), 6);
    EXPECT_TRUE(three.ChecksumOK());
}

TEST(PacketTest, SetHeaderRecomputesChecksumSetChecksumDoesNot) {
    TPacket p = frameOf("$F4,$57,$01,$00,$B4");
    p.SetHeader(0xE4);
    EXPECT_TRUE(p.ChecksumOK());
    EXPECT_EQ(p.Checksum(), 0xC4);
    p.SetChecksum(0x12);
    EXPECT_EQ(p.Checksum(), 0x12);
    EXPECT_FALSE(p.ChecksumOK());
}

TEST(PacketTest, SetTimeKeepsTimeOfDayOnly) {
    TPacket p;
    p.SetTime(46000.75 + 1.5 / 86400000.0); // 18:00:00.0015 on some day
    EXPECT_NEAR(p.Time, 0.75, 1e-7);
    EXPECT_EQ(p.TimeMs, 64800001);
    p.Clear();
    EXPECT_EQ(p.Time, 0);
    EXPECT_EQ(p.TimeMs, 64800001); // Clear leaves it alone
}

TEST(PacketTest, IsEmptyTurnsFalseForEachField) {
    std::vector<void (*)(TPacket&)> changes = {
        [](TPacket& p) { p.SetTime(0.1); },  [](TPacket& p) { p.Notes = 1; },
        [](TPacket& p) { p.MessageNo = 2; }, [](TPacket& p) { p.Bytes[0] = 0xF4; },
        [](TPacket& p) { p.SetDataLen(1); },
    };
    for (auto change : changes) {
        TPacket p;
        change(p);
        EXPECT_FALSE(p.IsEmpty());
    }
    TPacket dataOnly; // data bytes beyond the length do not count
    dataOnly.setData(0, 9);
    EXPECT_TRUE(dataOnly.IsEmpty());
}

TEST(PacketTest, SameBytes) {
    const TPacket a = frameOf("$F4,$57,$01,$00,$B4");
    TPacket b = a;
    b.Bytes[10] = 0x99; // beyond the frame
    EXPECT_TRUE(a.SameBytes(b, 0));
    EXPECT_FALSE(a.SameBytes(b, 11));
    b.Bytes[3] = 0x01;
    EXPECT_FALSE(a.SameBytes(b, 0));
    EXPECT_TRUE(a.SameBytes(b, 3)); // a heartbeat-sized prefix
}

struct BitsCase {
    int s, shift, width, result;
};

class PacketBitsTest : public testing::TestWithParam<BitsCase> {};

TEST_P(PacketBitsTest, GetBits) {
    TPacket p;
    p.SetDataText("$12,$34,$56");
    p.setData(199, 0xAB);
    const BitsCase& c = GetParam();
    EXPECT_EQ(p.GetBits(c.s, c.shift, c.width), c.result);
}

INSTANTIATE_TEST_SUITE_P(Table, PacketBitsTest,
                         testing::Values(BitsCase{2, 4, 4, 5}, BitsCase{1, 0, 16, 0x1234},
                                         BitsCase{0, 0, 16, 0x12}, BitsCase{2, 0, 16, 0x3456},
                                         BitsCase{2, 0, 24, 0x3456}, BitsCase{2, 8, 16, 0x1234},
                                         BitsCase{2, 0, 0, 0}, BitsCase{2, 0, 1, 0},
                                         BitsCase{1, 4, 1, 1}, BitsCase{199, 0, 8, 0xAB},
                                         BitsCase{200, 0, 8, 0}, BitsCase{-1, 0, 8, 0},
                                         BitsCase{2, 24, 8, 0}));

TEST(PacketTest, TextForms) {
    const TPacket p = frameOf("$F4,$57,$01,$00,$B4");
    EXPECT_EQ(p.DecText(), "244, 87,  1,  0,180");
    EXPECT_EQ(p.DataHeadText(), "$01");
    EXPECT_EQ(p.DataTailText(), "$00");
    EXPECT_EQ(p.RawBytes(), std::string("\xF4\x57\x01\x00\xB4", 5));

    const TPacket longer = frameOf("$F4,$59,$01,$0A,$0B,$0C,$00");
    EXPECT_EQ(longer.DataTailText(), "$0A,$0B,$0C");

    const TPacket noData = frameOf("$F4");
    EXPECT_EQ(noData.DataHeadText(), "");
    EXPECT_EQ(noData.DataTailText(), "");
    const TPacket oneData = frameOf("$F4,$56,$01,$B5");
    EXPECT_EQ(oneData.DataTailText(), "");
}

TEST(PacketTest, BytesTextStopsAtFirstZero) {
    TPacket p;
    EXPECT_EQ(p.SetBytesText("$08,$55,$A3,0,$11"), 5);
    EXPECT_EQ(p.BytesText(), "$08,$55,$A3");
    TPacket full;
    std::fill(std::begin(full.Bytes), std::end(full.Bytes), 1);
    EXPECT_EQ(full.BytesText().size(), 203u * 4 - 1);
}

struct ItemsCase {
    std::string text;
    std::vector<std::string> items;
};

class ByteListItemsTest : public testing::TestWithParam<ItemsCase> {};

TEST_P(ByteListItemsTest, Split) {
    EXPECT_EQ(ByteListItems(GetParam().text), GetParam().items);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ByteListItemsTest,
    testing::Values(ItemsCase{"1, 2  3,4,", {"1", "2", "3", "4", ""}}, ItemsCase{"", {}},
                    ItemsCase{"   ", {}}, ItemsCase{"$F4,$57", {"$F4", "$57"}},
                    ItemsCase{" a ,\tb\n", {"a", "b"}}, ItemsCase{",,", {"", "", ""}},
                    ItemsCase{"\"1 2\",3", {"1 2", "3"}}, ItemsCase{"\"a\"\"b\" c", {"a\"b", "c"}},
                    ItemsCase{"\"open", {"open"}}));

struct ValueCase {
    std::string item;
    int byte;
};

class ByteListValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(ByteListValueTest, ItemToByte) {
    TPacket p;
    EXPECT_EQ(p.SetBytesText(GetParam().item + ",$FF"), 2);
    EXPECT_EQ(p.Bytes[0], GetParam().byte) << GetParam().item;
    EXPECT_EQ(p.Bytes[1], 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Table, ByteListValueTest,
                         testing::Values(ValueCase{"10", 10}, ValueCase{"A3", 0xA3},
                                         ValueCase{"$a3", 0xA3}, ValueCase{"0X1f", 0x1F},
                                         ValueCase{"x80", 0x80}, ValueCase{"-1", 0xFF},
                                         ValueCase{"+7", 7}, ValueCase{"256", 0}, ValueCase{"$", 0},
                                         ValueCase{"12z", 0}, ValueCase{"\" 5\"", 5},
                                         ValueCase{"\"\"", 0}));

TEST(PacketTest, SetBytesTextClearsAndCountsItems) {
    TPacket p = frameOf("$F4,$57,$01,$00,$B4");
    p.Notes = 3;
    EXPECT_EQ(p.SetBytesText("1, 2  3,4,"), 5);
    EXPECT_EQ(p.Notes, 0u);
    const std::vector<int> expected = {1, 2, 3, 4, 0, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(p.Bytes[i], expected[i]) << i;
}

TEST(PacketTest, SetBytesTextBeyondTheArrayRaisesAndKeepsWhatWasStored) {
    std::string text;
    for (int i = 0; i < 204; ++i)
        text += "7 ";
    TPacket p;
    try {
        p.SetBytesText(text);
        FAIL() << "no exception";
    } catch (const EPacketIndexError& e) {
        EXPECT_STREQ(e.what(), "Index: 203 out of range 0-202 in TPacket.setByte");
    }
    EXPECT_EQ(p.Bytes[202], 7);
}

TEST(PacketTest, SetDataTextLeavesHeaderAndChecksum) {
    TPacket p = frameOf("$F4,$57,$01,$00,$B4");
    p.SetDataText("$01 $02 $03");
    EXPECT_EQ(p.Header(), 0xF4);
    EXPECT_EQ(p.DataLen(), 3);
    EXPECT_EQ(p.Mode(), 1);
    EXPECT_EQ(p.Checksum(), 0); // index 5, never written
    p.UpdateChecksum();
    EXPECT_TRUE(p.ChecksumOK());
}

TEST(PacketTest, RawBytesRoundTrip) {
    const TPacket a = frameOf("$F4,$59,$01,$0A,$0B,$0C,$99");
    TPacket b;
    b.FromRawBytes(a.RawBytes());
    EXPECT_EQ(b.HexText(), "$F4,$59,$01,$0A,$0B,$0C,$99");
    EXPECT_FALSE(b.ChecksumOK()); // stored as given

    TPacket shortRaw; // a string shorter than its length byte claims reads zeros
    shortRaw.FromRawBytes(std::string("\xF4\x58\x01", 3));
    EXPECT_EQ(shortRaw.HexText(), "$F4,$58,$01,$00,$00,$00");
}

} // namespace

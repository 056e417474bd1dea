// Decoding reply frames into the runtime image: positions, scaling, lookups, notes, value texts.
#include "engine/Cartridge.h"

#include "TestVehicle.h"

#include <gtest/gtest.h>

namespace {

struct ScaledCase {
    const char* name;
    double start;
    int bits;
    bool isSigned, reverse, invert;
    double factor, offset;
    std::vector<int> data;
    int raw;
    float value;
};

class CartridgeScaledDecode : public testing::TestWithParam<ScaledCase> {};

TEST_P(CartridgeScaledDecode, RawAndValue) {
    const ScaledCase& c = GetParam();
    EngineRig rig;
    rig.t.Attr("A", c.start, c.bits, atScaled,
               {{"Factor", c.factor},
                {"Offset", c.offset},
                {"Signed", c.isSigned},
                {"Reverse", c.reverse},
                {"Invert", c.invert}});
    rig.Load();
    TPacket frame = ReplyFrame(c.data);
    rig.engine.DecodeFrame(frame, true);
    EXPECT_EQ(rig.Attr(0, 0).RawValue, c.raw);
    EXPECT_FLOAT_EQ(rig.Attr(0, 0).Value, c.value);
}

// data[0] is the mode byte of the reply.
INSTANTIATE_TEST_SUITE_P(
    Cases, CartridgeScaledDecode,
    testing::Values(
        ScaledCase{"signed_byte", 1, 8, true, false, false, 0.5, 0, {1, 0xFF}, 0xFF, -0.5f},
        ScaledCase{"reverse", 1, 8, false, true, false, 1, 0, {1, 0}, 0, 255},
        ScaledCase{"invert", 1, 8, false, false, true, 1000, 0, {1, 9}, 9, 100},
        // f + 1 = 0 has no quotient: the value is the offset.
        ScaledCase{"invert_zero_divisor", 1, 8, true, false, true, 100, 7, {1, 0xFF}, 0xFF, 7},
        ScaledCase{"signed_then_reverse", 1, 8, true, true, false, 1, 0, {1, 0xFF}, 0xFF, 256},
        ScaledCase{"offset_factor", 1, 8, false, false, false, 0.75, -40, {1, 100}, 100, 35},
        ScaledCase{"upper_nibble", 2.4, 4, false, false, false, 1, 0, {0x12, 0x34, 0x56}, 5, 5},
        ScaledCase{"word", 1, 16, false, false, false, 1, 0, {0x12, 0x34, 0x56}, 0x1234, 0x1234},
        ScaledCase{"word_at_0", 0, 16, false, false, false, 1, 0, {0x12, 0x34, 0x56}, 0x12, 0x12},
        ScaledCase{"across_bytes", 2.7, 2, false, false, false, 1, 0, {0x12, 0x35, 0x80}, 3, 3},
        ScaledCase{"signed_word", 2, 16, true, false, false, 1, 0, {1, 0xFF, 0xFE}, 0xFFFE, -2},
        // Definitions from users: nothing outside a frame is read, no width beyond 16 bits.
        ScaledCase{"negative_start", -1.5, 8, false, false, false, 1, 0, {1, 2, 3}, 0, 0},
        ScaledCase{"start_beyond_frame", 250, 8, false, false, false, 1, 0, {1, 2}, 0, 0},
        ScaledCase{"huge_start", 1e12, 8, false, false, false, 1, 0, {1, 2}, 0, 0},
        ScaledCase{"bits_40", 2, 40, false, false, false, 1, 0, {1, 0xAB, 0xCD}, 0xABCD, 0xABCD},
        ScaledCase{"bits_40_signed", 2, 40, true, false, false, 1, 0, {1, 0x80, 0}, 0x8000, -32768},
        ScaledCase{"bits_negative", 1, -3, false, false, true, 10, 0, {1, 0xFF}, 0, 10}),
    [](const testing::TestParamInfo<ScaledCase>& info) { return std::string(info.param.name); });

TEST(CartridgeDecodeTest, LookupUsesTheTableAndALowByteForWideAttributes) {
    EngineRig rig;
    rig.t.Attr("TAB", 2, 16, atLookup);
    AddRow(*rig.t.v.Table, {{"RawByte", 5}, {"Value", 7.5}});
    AddRow(*rig.t.v.Table, {{"RawByte", 255}, {"Value", 1.0}});
    rig.Load();
    TPacket frame = ReplyFrame({1, 0x01, 0x05}); // raw $0105
    rig.engine.DecodeFrame(frame, true);
    EXPECT_EQ(rig.Attr(0, 0).RawValue, 0x0105);
    EXPECT_FLOAT_EQ(rig.Attr(0, 0).Value, 7.5f);
    EXPECT_EQ(ValueText(rig.Attr(0, 0), false), "7.50");
    frame = ReplyFrame({1, 0xFF, 0x06});
    rig.engine.DecodeFrame(frame, true);
    EXPECT_FLOAT_EQ(rig.Attr(0, 0).Value, 1.0f);
}

// A definition with one DTC, one flag and one enumeration attribute carrying notes.
struct NoteRig : EngineRig {
    NoteRig() {
        t.Attr("DTC", 1, 8, atDTC);
        AddRow(*t.v.DTCs,
               {{"Bit", 0}, {"Desc", S("Code 12")}, {"Note", 1}, {"NoteName", S("C12")}});
        AddRow(*t.v.DTCs, {{"Bit", 9}, {"Desc", S("No such bit")}, {"Note", 4}});
        AddRow(*t.v.DTCs, {{"Bit", 1}, {"Desc", S("Beyond the set")}, {"Note", 33}});
        t.Attr("FLAG", 2, 8, atFlags);
        AddRow(*t.v.Flags, {{"Bit", 3}, {"Desc", S("Fan")}, {"Note0", 2}, {"Note1", 3}});
        t.Attr("GEAR", 3, 8, atEnum);
        AddRow(*t.v.Enums, {{"Value", 2}, {"Desc", S("Neutral")}, {"Note", 5}});
        AddRow(*t.v.Enums, {{"Value", 3}, {"Desc", S("Drive")}, {"Note", 0}});
        Load();
    }
    uint32_t Decode(int dtc, int flags, int gear, uint32_t notesBefore = 0) {
        TPacket frame = ReplyFrame({1, dtc, flags, gear});
        frame.Notes = notesBefore;
        engine.DecodeFrame(frame, true);
        return frame.Notes;
    }
};

constexpr uint32_t note(int n) {
    return 1u << (n - 1);
}

TEST(CartridgeDecodeTest, NotesFireOnChangesOnly) {
    NoteRig rig;
    EXPECT_EQ(rig.Decode(0x00, 0x00, 0), 0u);
    EXPECT_EQ(rig.Decode(0x01, 0x00, 0), note(1)); // DTC bit 0 sets
    EXPECT_EQ(rig.Decode(0x01, 0x00, 0), 0u);      // stays set: nothing
    EXPECT_EQ(rig.Decode(0x00, 0x08, 0), note(3)); // flag sets; the DTC clears silently
    EXPECT_EQ(rig.Decode(0x00, 0x08, 0), 0u);
    EXPECT_EQ(rig.Decode(0x00, 0x00, 2), note(2) | note(5)); // flag clears, Neutral entered
    EXPECT_EQ(rig.Decode(0x00, 0x00, 3), 0u);                // Drive has no note
    EXPECT_EQ(rig.Decode(0x03, 0x00, 3), note(1));           // note 33 is outside the set
    EXPECT_EQ(rig.engine.GetNoteName(0), "C12");
}

TEST(CartridgeDecodeTest, EnumerationUsesTheFirstMatchingEntry) {
    EngineRig rig;
    rig.t.Attr("E", 1, 8, atEnum);
    AddRow(*rig.t.v.Enums, {{"Value", 1}, {"Desc", S("It's on")}, {"Note", 6}});
    rig.Load();
    // The table refuses a second row with the same Value, so the image gets one by hand.
    TAttr& a = rig.Attr(0, 0);
    a.Enums.push_back({1, "Second", "", 7, ""});
    a.EnumCount = 2;
    TPacket frame = ReplyFrame({1, 1});
    rig.engine.DecodeFrame(frame, true);
    EXPECT_EQ(frame.Notes, note(6));
    EXPECT_EQ(ValueText(a, false), "It's on");
    EXPECT_EQ(ValueText(a, true), "'It''s on'");
}

TEST(CartridgeDecodeTest, RecordedNotesJoinTheFramesOwnAndDisplayDecodingLeavesThem) {
    NoteRig rig;
    // A run, play back or re-plot: the user's note 10 stays, the fired note 1 joins it.
    EXPECT_EQ(rig.Decode(0x01, 0, 0, note(10)), note(10) | note(1));
    // Display-only decoding updates the values but records nothing in the frame.
    TPacket frame = ReplyFrame({1, 0x00, 0x08, 0});
    frame.Notes = note(10);
    rig.engine.DecodeFrame(frame, false);
    EXPECT_EQ(frame.Notes, note(10));
    EXPECT_EQ(rig.Attr(0, 1).RawValue, 0x08);
}

TEST(CartridgeDecodeTest, RepliesUpdateOnlyTheAttributesOfTheirMessage) {
    EngineRig rig;
    rig.t.Attr("M0", 1, 8, atDTC);
    AddRow(*rig.t.v.DTCs, {{"Bit", 0}, {"Desc", S("A")}, {"Note", 1}});
    rig.t.Request("R2", "$02");
    rig.t.Attr("M2", 1, 8, atRaw);
    const int id = rig.t.Macro("M");
    rig.t.Item(1, "ECM", "R", 1);
    rig.t.Item(2, "ECM", "R2", 1);
    rig.engine.LoadMacro(id);
    ASSERT_EQ(rig.engine.ItemCount, 2);
    EXPECT_EQ(rig.engine.Items[1].Request.MessageNo, 2);

    TPacket m0 = ReplyFrame({1, 0x01}, 0);
    rig.engine.DecodeFrame(m0, true);
    EXPECT_EQ(m0.Notes, note(1));
    TPacket m2 = ReplyFrame({1, 0x00}, 2); // would clear the DTC if it applied to it
    rig.engine.DecodeFrame(m2, true);
    EXPECT_EQ(rig.Attr(0, 0).RawValue, 1);
    EXPECT_FLOAT_EQ(rig.Attr(0, 0).Value, 1);
    EXPECT_EQ(rig.Attr(1, 0).RawValue, 0);
    m0 = ReplyFrame({1, 0x01}, 0);
    rig.engine.DecodeFrame(m0, true);
    EXPECT_EQ(m0.Notes, 0u); // still set since the last message 0 reply: no new note
    m2 = ReplyFrame({1, 0x2A}, 2);
    rig.engine.DecodeFrame(m2, true);
    EXPECT_EQ(rig.Attr(1, 0).RawValue, 0x2A);
}

TEST(CartridgeDecodeTest, ResetValuesMakesTheFirstFrameCompareAgainstZero) {
    NoteRig rig;
    rig.Decode(0x01, 0, 0);
    EXPECT_EQ(rig.Decode(0x01, 0, 0), 0u);
    rig.engine.ResetValues();
    EXPECT_EQ(rig.Attr(0, 0).PrevRaw, 0);
    EXPECT_EQ(rig.Decode(0x01, 0, 0), note(1));
}

struct TextCase {
    int atype;
    bool hex;
    int raw;
    float value;
    const char* text;
};

TEST(CartridgeDecodeTest, ValueTexts) {
    const TextCase cases[] = {
        {atScaled, false, 0, 3.14159f, "3.14"},
        {atScaled, false, 0, 314.159f, "314"},
        {atScaled, false, 0, -2.5f, "-2.50"},
        {atScaled, true, 0, 10, "$0A"},
        {atScaled, true, 0, 4660, "$1234"},
        {atRaw, false, 4660, 4660, "4660"},
        {atDTC, false, 3, 3, ""},
        {atFlags, false, 3, 3, ""},
        {atEnum, false, 7, 7, "?7?"},
        {9, false, 7, 7, "?7?"},
    };
    for (const TextCase& c : cases) {
        TAttr a;
        a.AType = c.atype;
        a.Scale.Hex = c.hex;
        a.RawValue = c.raw;
        a.Value = c.value;
        EXPECT_EQ(ValueText(a, false), c.text) << c.atype << " " << c.value;
    }
    TAttr lookup;
    lookup.AType = atLookup;
    lookup.Table[0x34].Value = 31.4159f;
    lookup.RawValue = 0x1234; // the low byte selects the entry
    EXPECT_EQ(ValueText(lookup, false), "31.4");
}

} // namespace

#include "definitions/TableText.h"

#include "common/Errors.h"
#include "common/Format.h"
#include "definitions/XMLData.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

struct Rig {
    TempDir dir;
    std::unique_ptr<TVehicle> v;
    Rig() {
        std::filesystem::copy_file(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml",
                                   dir.File("SIM-V8.xml"));
        v = std::make_unique<TVehicle>(nullptr, dir.File("Scales.xml"), dir.File("Q.ini"),
                                       QUORVIN_SOURCE_DIR "/data/Scales.xml");
        EXPECT_TRUE(v->LoadFromFile(dir.File("SIM-V8.xml")));
    }
    // Makes the first attribute of the given type current.
    bool FindAttr(int atype) {
        for (v->Modules->First(); !v->Modules->Eof(); v->Modules->Next()) {
            for (v->Requests->First(); !v->Requests->Eof(); v->Requests->Next()) {
                for (v->Attrs->First(); !v->Attrs->Eof(); v->Attrs->Next()) {
                    if (v->Attrs->AsInteger("AType") == atype) {
                        return true;
                    }
                }
            }
        }
        return false;
    }
};

std::vector<std::string> Texts(TTable& t, const std::string& field) {
    std::vector<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) {
        out.push_back(t.AsString("Bit") + "=" + t.AsString(field));
    }
    return out;
}

struct DecimalComma {
    char saved = DecimalSeparator;
    DecimalComma() { DecimalSeparator = ','; }
    ~DecimalComma() { DecimalSeparator = saved; }
};

} // namespace

TEST(TableText, SplitsLinesWithoutEmptyLastLineOrStrayCarriageReturns) {
    using L = std::vector<std::string>;
    EXPECT_EQ(SplitTextLines(""), L{});
    EXPECT_EQ(SplitTextLines("A\r\nB\r\nC\r\n"), (L{"A", "B", "C"}));
    EXPECT_EQ(SplitTextLines("A\nB"), (L{"A", "B"}));
    EXPECT_EQ(SplitTextLines("A\r\n\r\nC"), (L{"A", "", "C"}));
    EXPECT_EQ(SplitTextLines("\r\n"), L{""});
    EXPECT_EQ(ProperCase("ENGINE RUNNING"), "Engine running");
    EXPECT_EQ(ProperCase(""), "");
}

TEST(TableText, ReversePasteIntoEmptyDtcTable) {
    Rig r;
    ASSERT_TRUE(r.FindAttr(atScaled));
    TTable& dtcs = r.v->DTCs;
    ASSERT_TRUE(dtcs.IsEmpty());
    PasteLines(dtcs, "Bit", "Desc", SplitTextLines("A\r\nB\r\nC\r\n"), true, 8);
    EXPECT_EQ(Texts(dtcs, "Desc"), (std::vector<std::string>{"0=C", "1=B", "2=A"}));
    EXPECT_TRUE(r.v->Dirty);
}

TEST(TableText, PasteOverwritesInKeyOrderThenNumbersNewRowsByLineWhereFree) {
    Rig r;
    ASSERT_TRUE(r.FindAttr(atScaled));
    TTable& dtcs = r.v->DTCs;
    for (int bit : {2, 5}) {
        dtcs.Insert();
        dtcs.SetAsInteger("Bit", bit);
        dtcs.SetAsString("Desc", "old");
        dtcs.SetAsString("DTC", "13");
        dtcs.Post();
    }
    // Line 2 would collide with Bit 2: it takes the lowest free bit; line 3 its own number.
    PasteLines(dtcs, "Bit", "Desc", {"ENGINE RUNNING", "two", "three", "four"}, false, 8);
    EXPECT_EQ(Texts(dtcs, "Desc"),
              (std::vector<std::string>{"0=Three", "2=Engine running", "3=Four", "5=Two"}));
    ASSERT_TRUE(dtcs.Locate("Bit", TValue(int32_t(2))));
    EXPECT_EQ(dtcs.AsString("DTC"), "13"); // other fields of overwritten rows stay
}

TEST(TableText, PasteIntoEnumerationsUsesValueKey) {
    Rig r;
    ASSERT_TRUE(r.FindAttr(atScaled));
    PasteLines(r.v->Enums, "Value", "Desc", {"park", "drive"}, false, 256);
    TTable& e = r.v->Enums;
    e.First();
    EXPECT_EQ(e.AsInteger("Value"), 0);
    EXPECT_EQ(e.AsString("Desc"), "Park");
    e.Next();
    EXPECT_EQ(e.AsInteger("Value"), 1);
}

TEST(TableText, AttributePasteChecksEveryLineFirst) {
    std::vector<TAttrPasteLine> out;
    std::string error;
    EXPECT_FALSE(ParseAttrPaste({"1\t8\tA\tB\tC\t1\t0", "2\t8\tA\tB"}, out, error));
    EXPECT_EQ(error, AttrPasteFormatText);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ParseAttrPaste({"1\t8\tA\tB\tC\t1\t0", "x\t8\tA\tB\tC\t1\t0"}, out, error));
    EXPECT_EQ(error, "Line 2: the start \"x\" is not a number");
    EXPECT_FALSE(ParseAttrPaste({"1\t8.5\tA\tB\tC\t1\t0"}, out, error));
    EXPECT_NE(error.find("Line 1"), std::string::npos);
    ASSERT_TRUE(ParseAttrPaste({"3\t16\tRPM\tEngine speed\trpm\t12.5\t"}, out, error));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].Code, "RPM");
    EXPECT_EQ(out[0].Offset, "");
}

TEST(TableText, PastedAttributeType) {
    struct Case {
        const char* factor;
        const char* offset;
        int atype;
    } cases[] = {{"1", "0", atRaw},
                 {"1", "", atScaled},
                 {"", "0", atRaw},
                 {"0.5", "0", atScaled},
                 {"1", "-40", atScaled}};
    for (const Case& c : cases) {
        TAttrPasteLine line{"1", "8", "A", "B", "", c.factor, c.offset};
        EXPECT_EQ(PastedAttrType(line), c.atype) << c.factor << "/" << c.offset;
    }
}

TEST(TableText, AttributePasteEditsMatchesAndAddsTheRest) {
    Rig r;
    ASSERT_TRUE(r.FindAttr(atScaled));
    TTable& attrs = r.v->Attrs;
    const double start = attrs.AsFloat("Start");
    const int bits = attrs.AsInteger("Bits");
    const int before = attrs.RecordCount();
    std::vector<TAttrPasteLine> lines;
    std::string error;
    ASSERT_TRUE(ParseAttrPaste({Format("%g\t%d\tNEW\tNot Used\tkPa\t0.5\t-40", start, bits),
                                "40.0\t16\tRAW\tRaw word\t\t1\t0"},
                               lines, error));
    int added = 0;
    ApplyAttrPaste(*r.v, lines, [&] {
        ++added;
        attrs.Insert();
        attrs.SetAsFloat("Start", 40);
        attrs.SetAsString("ACode", "B40");
        attrs.Post();
    });
    EXPECT_EQ(added, 1);
    EXPECT_EQ(attrs.RecordCount(), before + 1);

    ASSERT_TRUE(attrs.Locate("ACode", "NEW"));
    EXPECT_FALSE(attrs.AsBool("Visible"));
    EXPECT_EQ(attrs.AsInteger("AType"), atScaled);
    TTable& s = r.v->AScale;
    EXPECT_EQ(s.AsString("Units"), "kPa");
    EXPECT_DOUBLE_EQ(s.AsFloat("DisplayMin"), -40);
    EXPECT_DOUBLE_EQ(s.AsFloat("DisplayMax"), 87.5);
    EXPECT_DOUBLE_EQ(s.AsFloat("AlarmMax"), 87.5);

    ASSERT_TRUE(attrs.Locate("ACode", "RAW"));
    EXPECT_TRUE(attrs.AsBool("Visible"));
    EXPECT_EQ(attrs.AsInteger("AType"), atRaw);
    EXPECT_EQ(attrs.AsInteger("Bits"), 16);
    EXPECT_DOUBLE_EQ(r.v->AScale->AsFloat("AlarmMin"), 0);
    EXPECT_DOUBLE_EQ(r.v->AScale->AsFloat("AlarmMax"), 65535);
    EXPECT_FALSE(r.v->AScale->Editing());
}

TEST(TableText, Ranges) {
    TValueRange d = ScaledRange(8, false, false, false, -40, 0.5, true);
    EXPECT_DOUBLE_EQ(d.Min, -40);
    EXPECT_DOUBLE_EQ(d.Max, 87.5);
    TValueRange neg = ScaledRange(8, false, false, false, 0, -1, false);
    EXPECT_DOUBLE_EQ(neg.Min, 0);
    EXPECT_DOUBLE_EQ(neg.Max, -255);
    EXPECT_DOUBLE_EQ(ScaledRange(8, false, false, false, 0, -1, true).Min, -255);
    TValueRange s16 = ScaledRange(16, false, false, true, 0, 1, false);
    EXPECT_DOUBLE_EQ(s16.Min, -32768);
    EXPECT_DOUBLE_EQ(s16.Max, 32767);
    EXPECT_DOUBLE_EQ(RawRange(16).Max, 65535);
    EXPECT_DOUBLE_EQ(RawRange(ReadBits("x")).Max, 255);
    // Typed widths beyond what an attribute holds never overflow the power of two.
    for (const char* typed : {"64", "1000", "-3", "2147483647"}) {
        TValueRange raw = RawRange(ReadBits(typed));
        EXPECT_GE(raw.Max, 0) << typed;
        EXPECT_LE(raw.Max, 65535) << typed;
    }
}

TEST(TableText, LookupRangeTakesFirstAndLastRow) {
    Rig r;
    ASSERT_TRUE(r.FindAttr(atScaled));
    ReplaceLookupRows(r.v->Table, {{0, 5}, {1, 50}, {2, 7}});
    r.v->Table->Last();
    TValueRange range = LookupRange(r.v->Table);
    EXPECT_DOUBLE_EQ(range.Min, 5);
    EXPECT_DOUBLE_EQ(range.Max, 7);
    EXPECT_EQ(r.v->Table->RecNo(), 0);

    WriteRange(r.v->AScale, "Display", {-40, 2.345});
    EXPECT_TRUE(r.v->AScale->Editing());
    EXPECT_DOUBLE_EQ(r.v->AScale->AsFloat("DisplayMax"), 2.35); // compact text "2.35"
}

TEST(TableText, LookupImportFormats) {
    std::vector<TLookupRow> rows;
    std::string error;
    ASSERT_TRUE(ReadLookupText("10\r\n20\r\n\r\n  30  \r\n", rows, error)) << error;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].RawByte, 2);
    EXPECT_DOUBLE_EQ(rows[2].Value, 30);
    ASSERT_TRUE(ReadLookupText("0,10\n$FF,2.5\n\"7\" 3\nA0,$10\n", rows, error)) << error;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].RawByte, 255);
    EXPECT_DOUBLE_EQ(rows[1].Value, 2.5);
    EXPECT_EQ(rows[2].RawByte, 7);
    EXPECT_EQ(rows[3].RawByte, 0xA0);
    EXPECT_DOUBLE_EQ(rows[3].Value, 16);
}

TEST(TableText, BrokenImportNamesTheLineAndGivesNothing) {
    struct Case {
        std::string text;
        const char* error;
    } cases[] = {
        // A raw byte that is not a number reads as 0, which line 1 has already.
        {"0,1\n1,2\nzz,3\n", "Line 3: the raw byte 0 is already in the table"},
        {"0,1\n1,2\n0,3\n", "Line 3: the raw byte 0 is already in the table"},
        {std::string("0,1\n1,\0\n", 9), "Line 2: not a text line"},
    };
    for (const Case& c : cases) {
        std::vector<TLookupRow> rows{{9, 9}};
        std::string error;
        EXPECT_FALSE(ReadLookupText(c.text, rows, error)) << c.text;
        EXPECT_EQ(error, c.error);
        EXPECT_TRUE(rows.empty());
    }
}

TEST(TableText, ImportFallsBackAndSaysWhatItSkipped) {
    struct Case {
        const char* text;
        std::vector<std::pair<int, double>> rows;
        const char* notes;
    } cases[] = {
        {"0,1\n\n1,two\n",
         {{0, 1}, {1, 1}},
         "Line 3: the value \"two\" is not a number; it takes the running count 1."},
        {"1.5\nabc\n", {{0, 1.5}}, "Skipped line 2: no numbers."},
        {"Byte;Value\n0;1,5\n1;\"2.25\"\n# end\n",
         {{0, 1.5}, {1, 2.25}},
         "Skipped lines 1 and 4: no numbers."},
        {"0 10\n$FF\t2.5\n", {{0, 10}, {255, 2.5}}, ""},
    };
    for (const Case& c : cases) {
        std::vector<TLookupRow> rows;
        std::string error, notes;
        ASSERT_TRUE(ReadLookupText(c.text, rows, error, &notes)) << c.text << ": " << error;
        std::vector<std::pair<int, double>> got;
        for (const TLookupRow& r : rows)
            got.emplace_back(r.RawByte, r.Value);
        EXPECT_EQ(got, c.rows) << c.text;
        EXPECT_EQ(notes, c.notes) << c.text;
    }
}

TEST(TableText, PastedRowsNeverGoBeyondTheWidth) {
    Rig r;
    ASSERT_TRUE(r.FindAttr(atScaled));
    TTable& dtcs = r.v->DTCs;
    for (int bit : {0, 3}) {
        dtcs.Insert();
        dtcs.SetAsInteger("Bit", bit);
        dtcs.Post();
    }
    // Four bits hold four rows; a fifth line changes nothing.
    EXPECT_THROW(PasteLines(dtcs, "Bit", "Desc", {"a", "b", "c", "d", "e"}, false, 4),
                 EQuorvinError);
    EXPECT_EQ(Texts(dtcs, "Desc"), (std::vector<std::string>{"0=", "3="}));
    PasteLines(dtcs, "Bit", "Desc", {"a", "b", "c", "d"}, false, 4);
    EXPECT_EQ(Texts(dtcs, "Desc"), (std::vector<std::string>{"0=A", "1=D", "2=C", "3=B"}));
    EXPECT_EQ(ListKeyLimit(atDTC, 8), 8);
    EXPECT_EQ(ListKeyLimit(atEnum, 4), 16);
    EXPECT_EQ(ListKeyLimit(atFlags, 0), 8);
}

TEST(TableText, LookupExportAndImportUseAPointInAnyLocale) {
    DecimalComma comma;
    const std::vector<TLookupRow> rows{{10, 2.5}, {11, -0.25}, {255, 1000}};
    const std::string text = LookupText(rows);
    EXPECT_EQ(text, "10,2.500000\r\n11,-0.250000\r\n255,1000.000000\r\n");
    std::vector<TLookupRow> back;
    std::string error;
    ASSERT_TRUE(ReadLookupText(text, back, error)) << error;
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0].RawByte, 10);
    EXPECT_DOUBLE_EQ(back[0].Value, 2.5);
    EXPECT_DOUBLE_EQ(back[1].Value, -0.25);
}

TEST(TableText, LookupTableRoundTrip) {
    Rig r;
    ASSERT_TRUE(r.FindAttr(atLookup));
    std::vector<TLookupRow> rows = LookupRows(r.v->Table);
    ASSERT_FALSE(rows.empty());
    std::vector<TLookupRow> back;
    std::string error;
    ASSERT_TRUE(ReadLookupText(LookupText(rows), back, error)) << error;
    ReplaceLookupRows(r.v->Table, {{1, 1}});
    ReplaceLookupRows(r.v->Table, back);
    std::vector<TLookupRow> again = LookupRows(r.v->Table);
    ASSERT_EQ(again.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(again[i].RawByte, rows[i].RawByte);
        EXPECT_NEAR(again[i].Value, rows[i].Value, 1e-6);
    }
}

TEST(TableText, ApplyScaleCodeCopiesEveryField) {
    Rig r;
    ASSERT_TRUE(r.FindAttr(atScaled));
    TTable& cat = r.v->ScaleCodes;
    ASSERT_TRUE(cat.Locate("SCode", "TEMP"));
    ApplyScaleCode(r.v->AScale, cat);
    TTable& s = r.v->AScale;
    EXPECT_TRUE(s.Editing());
    s.Post();
    for (const char* f : {"SCode", "SDesc", "Factor", "Offset", "Units", "AlarmMin", "DisplayMax",
                          "DescMin", "DescMax"}) {
        EXPECT_EQ(s.AsString(f), cat.AsString(f)) << f;
    }
}

TEST(TableText, ConversionTables) {
    auto out = OutputConversionRows(1, 0, false, false, false);
    ASSERT_EQ(out.size(), 513u);
    EXPECT_EQ(out[0], (TConversionRow{"$0000", "0", "  0.000"}));
    EXPECT_EQ(out[255][0], "$00FF");
    EXPECT_EQ(out[256], (TConversionRow{"skip...", "...", "..."}));
    EXPECT_EQ(out[257][0], "$FF00");
    EXPECT_EQ(out[512], (TConversionRow{"$FFFF", "65535", "65535.000"}));
    auto in = InputConversionRows(0.5, 10);
    ASSERT_EQ(in.size(), 256u);
    EXPECT_EQ(in[0], (TConversionRow{"$00", "0", "-20.0"}));
    EXPECT_EQ(in[255], (TConversionRow{"$FF", "255", "490.0"}));
    EXPECT_EQ(InputConversionRows(0, 0)[5][2], "-");
}

#include "log/CsvExport.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "engine/TestVehicle.h"
#include "log/DataLog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace {

void Log(TDataLog& log, const TPacket& frame) {
    log.Add(std::make_unique<TPacket>(frame), true);
}

// One request whose attributes cover every type: scaled (decimal and hex), lookup, raw,
// enumeration, and a DTC table and bit flags, which are never exported.
struct AllTypes : EngineRig {
    TDataLog log;
    AllTypes() {
        t.Attr("SPD", 1, 8, atScaled, {{"Factor", 0.5}, {"Units", S("km/h")}});
        t.Attr("ID", 2, 8, atScaled, {{"Hex", true}});
        t.Attr("TAB", 3, 8, atLookup, {{"Units", S("C")}});
        AddRow(*t.v.Table, {{"RawByte", 4}, {"Value", 12.5}});
        t.Attr("DTC", 4, 8, atDTC);
        t.Attr("RAW", 4, 8, atRaw);
        t.Attr("FLG", 4, 8, atFlags);
        t.Attr("GEAR", 5, 8, atEnum);
        AddRow(*t.v.Enums, {{"Value", 2}, {"Desc", S("Closed")}, {"Note", 3}});
        AddRow(*t.v.Enums, {{"Value", 3}, {"Desc", S("Open, wide")}, {"Note", 4}});
        Load();
        Log(log, ReplyFrame({1, 20, 0x2A, 4, 7, 2}));
        Log(log, ReplyFrame({1, 3, 0xFF, 9, 0, 7}));
        Log(log, ReplyFrame({1, 0, 0, 4, 255, 3}));
    }
    std::vector<TExportColumn> Every() const { return ExportableAttributes(engine); }
    TExportColumn Column(const std::string& acode) const {
        const auto& attrs = engine.Items[0].Request.Attrs;
        for (int a = 0; a < static_cast<int>(attrs.size()); ++a)
            if (attrs[a].ACode == acode)
                return {0, a};
        ADD_FAILURE() << acode;
        return {};
    }
};

TEST(CsvExport, ListsEveryAttributeButDtcAndFlagsInImageOrder) {
    AllTypes rig;
    std::vector<std::string> codes;
    int previous = -1;
    for (const TExportColumn& c : rig.Every()) {
        EXPECT_GT(c.Attr, previous);
        previous = c.Attr;
        codes.push_back(rig.engine.Items[c.Item].Request.Attrs[c.Attr].ACode);
    }
    EXPECT_EQ(codes, (std::vector<std::string>{"SPD", "ID", "TAB", "RAW", "GEAR"}));
}

TEST(CsvExport, HeaderAndValuesOfEachType) {
    AllTypes rig;
    EXPECT_EQ(CsvText(rig.engine, rig.log, rig.Every()), "FRAME,SPD km/h,ID ,TAB C,RAW ,GEAR \r\n"
                                                         "0,10,$2A,12.5,7,'Closed'\r\n"
                                                         "1,1.50,$00FF,12.5,0,?7?\r\n"
                                                         "2,0,$00,12.5,255,\"'Open, wide'\"\r\n");
}

TEST(CsvExport, ColumnsFollowListOrderAndSkipWhatCannotBeExported) {
    AllTypes rig;
    // A DTC table, a missing attribute and a missing item are not columns.
    EXPECT_EQ(CsvText(rig.engine, rig.log,
                      {rig.Column("RAW"), rig.Column("DTC"), rig.Column("SPD"), {0, 40}, {3, 0}}),
              "FRAME,SPD km/h,RAW \r\n0,10,7\r\n1,1.50,0\r\n2,0,255\r\n");
}

TEST(CsvExport, CommaDecimalValuesAreQuoted) {
    AllTypes rig;
    const char saved = DecimalSeparator;
    DecimalSeparator = ',';
    const std::string text = CsvText(rig.engine, rig.log, {{0, 0}}, {1, 2});
    DecimalSeparator = saved;
    EXPECT_EQ(text, "FRAME,SPD km/h\r\n1,\"1,50\"\r\n");
}

// The row writer formats numbers without the formatter; its texts are ValueText's, byte for
// byte, in both decimal separators, whole numbers, halves, both signs and the magnitudes
// where the decimals change included.
TEST(CsvExport, RowTextsAreValueTextsByteForByte) {
    std::vector<float> values{0.0f,   -0.0f,     0.5f,   -0.5f,         1.005f,        9.995f,
                              9.999f, 10.0f,     10.05f, 99.95f,        99.96f,        100.5f,
                              101.5f, 255.0f,    254.9f, -254.9f,       -255.0f,       65535.0f,
                              1e9f,   -3.14159f, 1e-7f,  4294967296.0f, -2147483648.0f};
    for (int i = -3000; i <= 3000; ++i) {
        values.push_back(static_cast<float>(i) * 0.037f);
        values.push_back(static_cast<float>(i) * 0.125f); // halves and quarters: exact ties
        values.push_back(static_cast<float>(i) * 0.005f);
    }
    const char saved = DecimalSeparator;
    for (char separator : {'.', ','}) {
        DecimalSeparator = separator;
        for (int atype : {atScaled, atLookup, atRaw}) {
            for (bool hex : {false, true}) {
                TAttr attr;
                attr.AType = atype;
                attr.Scale.Hex = hex;
                for (float v : values) {
                    attr.Value = v;
                    attr.RawValue = static_cast<int32_t>(v * 100);
                    attr.Table[static_cast<uint32_t>(attr.RawValue) & 0xFFu].Value = v;
                    std::string fast;
                    AppendCsvValueText(attr, fast);
                    ASSERT_EQ(fast, CsvField(ValueText(attr, true)))
                        << v << " type " << atype << " hex " << hex << " '" << separator << "'";
                }
            }
        }
    }
    DecimalSeparator = saved;
}

TEST(CsvField, QuotesOnlyWhatWouldBreakTheColumns) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"RPM rpm", "RPM rpm"},          {"", ""},
        {"'Closed'", "'Closed'"},        {"1,50", "\"1,50\""},
        {"in\"Hg", "\"in\"\"Hg\""},      {"two\r\nlines", "\"two\r\nlines\""},
        {"line\nfeed", "\"line\nfeed\""}};
    for (const auto& [field, expected] : cases)
        EXPECT_EQ(CsvField(field), expected) << field;
}

TEST(CsvExport, RangeIsClampedToTheCapturedFrames) {
    AllTypes rig;
    struct Case {
        TCsvRange range;
        std::string rows;
    };
    const std::vector<Case> cases{{{0, 3}, "0,1,2,"},          {{2, 2}, ""}, {{1, 1000}, "1,2,"},
                                  {{-5, 2}, "0,1,"},           {{5, 9}, ""}, {{2, 1}, ""},
                                  {TCsvRange::All(), "0,1,2,"}};
    for (const Case& c : cases) {
        const std::string text = CsvText(rig.engine, rig.log, {rig.Column("RAW")}, c.range);
        std::string rows; // the frame numbers of the rows after the header
        const std::vector<std::string> lines = Split(text, "\r\n");
        for (size_t i = 1; i + 1 < lines.size(); ++i)
            rows += lines[i].substr(0, lines[i].find(',')) + ",";
        EXPECT_EQ(lines.back(), "");
        EXPECT_EQ(rows, c.rows) << c.range.From << ".." << c.range.To;
    }
}

TEST(CsvExport, EmptyCaptureGivesTheHeaderOnly) {
    AllTypes rig;
    TDataLog empty;
    EXPECT_EQ(CsvText(rig.engine, empty, {{0, 0}}), "FRAME,SPD km/h\r\n");
}

// Two messages in turn: a row carries the values in force at its frame, including those of the
// other message, whatever the image held before the export; and the export fires no notes.
TEST(CsvExport, RowsCarryTheValuesInForceAtTheirFrame) {
    EngineRig rig;
    rig.t.Attr("A", 1, 8, atRaw);
    rig.t.Request("R1", "$01");
    rig.t.Attr("B", 1, 8, atEnum);
    AddRow(*rig.t.v.Enums, {{"Value", 1}, {"Desc", S("One")}, {"Note", 2}});
    const int id = rig.t.Macro("M");
    rig.t.Item(1, "ECM", "R", 1);
    rig.t.Item(2, "ECM", "R1", 1);
    rig.engine.LoadMacro(id);
    ASSERT_EQ(rig.engine.ItemCount, 2);

    TDataLog log;
    Log(log, ReplyFrame({1, 10}, 0));
    Log(log, ReplyFrame({1, 1}, 1));
    Log(log, ReplyFrame({1, 11}, 0));
    Log(log, ReplyFrame({1, 5}, 1));
    // Stale state from elsewhere: message 0 last decoded with 99.
    TPacket other = ReplyFrame({1, 99}, 0);
    rig.engine.DecodeFrame(other, false);

    EXPECT_EQ(CsvText(rig.engine, log, ExportableAttributes(rig.engine), {1, 4}),
              "FRAME,A ,B \r\n1,10,'One'\r\n2,11,'One'\r\n3,11,?5?\r\n");
    for (int f = 0; f < log.Count(); ++f)
        EXPECT_EQ(log.Frames(f).Notes, 0u) << f;
    EXPECT_EQ(rig.engine.Items[0].Request.Attrs[0].RawValue, 11);
}

TEST(ExportCsv, WritesTheFileAndReplacesAnOldOne) {
    AllTypes rig;
    const std::string path = rig.t.dir.Write("out.csv", "old contents");
    ExportCsv(path, rig.engine, rig.log, {rig.Column("RAW")});
    EXPECT_EQ(TempDir::Read(path), "FRAME,RAW \r\n0,7\r\n1,0\r\n2,255\r\n");
}

TEST(ExportCsv, RefusesWithAClearMessage) {
    AllTypes rig;
    const std::string missing = rig.t.dir.File("no such folder/out.csv");
    struct Case {
        std::string name;
        std::vector<TExportColumn> chosen;
        std::string message;
    };
    const std::vector<Case> cases{
        {"", {{0, 0}}, "Please select an export filename"},
        {rig.t.dir.File("a.csv"), {}, "Please select at least one attirbute to be exported"},
        {rig.t.dir.File("a.csv"),
         {rig.Column("FLG")},
         "Please select at least one attirbute to be exported"},
        {missing, {{0, 0}}, "Can't save file " + missing + ". " + SystemErrorText(ENOENT)}};
    for (const Case& c : cases) {
        try {
            ExportCsv(c.name, rig.engine, rig.log, c.chosen);
            ADD_FAILURE() << "no error for " << c.name;
        } catch (const EQuorvinError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(rig.t.dir.File("a.csv")));
}

} // namespace

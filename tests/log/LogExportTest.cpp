// The exports for other programs: the portable CSV and the log-viewer layout, their columns and
// texts, the range, reading them back, their sameness under a comma-decimal locale, Python's csv
// module reading the portable CSV, and files that cannot be written.
#include "log/LogExport.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "ecm-sim/EcmSim.h"
#include "engine/TestVehicle.h"
#include "log/DataLog.h"
#include "log/ExportReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <locale>
#include <map>
#include <sys/resource.h>
#include <tuple>

namespace {

double DayTime(int h, int m, int s, int ms) {
    return ((h * 60 + m) * 60 + s + ms / 1000.0) / 86400.0;
}

TPacket TimedFrame(const std::vector<int>& data, double time, uint32_t notes = 0) {
    TPacket frame = ReplyFrame(data);
    frame.SetTime(time);
    frame.Notes = notes;
    return frame;
}

// One request with every kind of column: scaled values (their decimals from the scale and from
// the gauge format), a hexadecimal one, a lookup table, a DTC table, raw values whose codes
// differ only in case, bit flags (one unnamed) and an enumeration whose text holds a comma and
// double quotes; three frames across midnight with notes on the last two.
struct Rig : EngineRig {
    TDataLog log;
    Rig() {
        t.Attr("SPD", 1, 8, atScaled, {{"Factor", 0.5}, {"Units", S("km/h")}});
        t.Attr("MAP", 2, 8, atScaled, {{"Factor", 0.4}, {"Offset", 10.0}, {"Units", S("kPa")}});
        t.v.Attrs->Edit();
        t.v.Attrs->SetAsString("DashFmt", "9.99");
        t.v.Attrs->Post();
        t.Attr("ID", 3, 8, atScaled, {{"Hex", true}});
        t.Attr("TAB", 4, 8, atLookup, {{"Units", S("C")}});
        AddRow(*t.v.Table, {{"RawByte", 4}, {"Value", 12.5}});
        t.Attr("DTC", 4, 8, atDTC);
        AddRow(*t.v.DTCs, {{"Bit", 0}, {"Desc", S("No reference pulses")}, {"DTC", S("12")}});
        AddRow(*t.v.DTCs, {{"Bit", 2}, {"Desc", S("Coolant sensor high")}});
        t.Attr("RAW", 5, 8, atRaw);
        t.Attr("FLG", 5, 8, atFlags);
        AddRow(*t.v.Flags, {{"Bit", 0},
                            {"Desc", S("Closed loop")},
                            {"Note1", 1},
                            {"NoteName1", S("Loop closed")}});
        AddRow(*t.v.Flags, {{"Bit", 1}});
        AddRow(*t.v.Flags, {{"Bit", 7}, {"Desc", S("A/C on")}});
        t.Attr("GEAR", 6, 8, atEnum);
        AddRow(*t.v.Enums, {{"Value", 2}, {"Desc", S("Park")}});
        AddRow(*t.v.Enums, {{"Value", 3},
                            {"Desc", S("Open, \"wide\"")},
                            {"Note", 3},
                            {"NoteName", S("Wide open")}});
        t.Attr("raw", 7, 8, atRaw);
        Load();
        log.Add(TimedFrame({1, 20, 0, 0x2A, 4, 0x81, 2, 9}, DayTime(23, 59, 59, 500)), true);
        log.Add(TimedFrame({1, 3, 1, 0xFF, 5, 0, 3, 0}, DayTime(0, 0, 0, 250), 1u << 1), true);
        log.Add(TimedFrame({1, 255, 255, 0, 0, 2, 9, 1}, DayTime(0, 0, 0, 250), 0b101), true);
    }
    TExportColumn Column(const std::string& acode) const {
        const auto& attrs = engine.Items[0].Request.Attrs;
        for (int a = 0; a < static_cast<int>(attrs.size()); ++a)
            if (attrs[a].ACode == acode)
                return {0, a};
        ADD_FAILURE() << acode;
        return {};
    }
    std::vector<TExportColumn> All(TExportFormat format) const {
        return ExportChoices(engine, format);
    }
    std::string Export(TExportOptions options, TCsvRange range = TCsvRange::All()) {
        const std::string path =
            t.dir.File(options.Format == TExportFormat::Msl ? "x.msl" : "x.csv");
        ExportLog(path, engine, log, All(options.Format), options, range);
        return TempDir::Read(path);
    }
};

// Python's repr of a float ("35.1", "1e-05"), read whatever the locale.
double pythonFloat(const std::string& text) {
    double value = std::nan("");
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

TExportOptions Everything(TExportFormat format) {
    return {format, true, true, true};
}

TEST(PortableCsv, TitlesAndCellsOfEveryKind) {
    Rig rig;
    EXPECT_EQ(rig.Export(Everything(TExportFormat::Portable)),
              "Time (s),Clock,SPD (km/h),MAP (kPa),ID,TAB (C),Closed_loop,A/C_on,RAW,GEAR,raw_2,"
              "Notes,Codes\r\n"
              "0.000,23:59:59.500,10.0,10.00,42,12.5,1,1,129,Park,9,,Coolant_sensor_high\r\n"
              "0.750,00:00:00.250,1.5,10.40,255,12.5,0,0,0,\"Open, \"\"wide\"\"\",0,Note: 2,"
              "12 Coolant_sensor_high\r\n"
              "0.750,00:00:00.250,127.5,112.00,0,12.5,0,0,2,?9?,1,Loop closed; Wide open,\r\n");
}

TEST(MslExport, HeaderLinesValuesAndMarks) {
    Rig rig;
    const std::string expected =
        "\"TEST - Quorvin V4 " QUORVIN_VERSION "\"\r\n\"Macro: " + rig.engine.MacroTitle +
        "\"\r\n"
        "Time\tClock\tSPD\tMAP\tID\tTAB\tClosed_loop\tA/C_on\tRAW\tGEAR\traw_2\tNotes\tCodes\r\n"
        "s\t\tkm/h\tkPa\t\tC\t\t\t\t\t\t\t\r\n"
        "0.000\t23:59:59.500\t10.0\t10.00\t42\t12.5\t1\t1\t129\tPark\t9\t\tCoolant_sensor_high\r\n"
        "0.750\t00:00:00.250\t1.5\t10.40\t255\t12.5\t0\t0\t0\tOpen, \"wide\"\t0\tNote: 2\t"
        "12 Coolant_sensor_high\r\n"
        "MARK 001 - Note: 2 - 00:00:00.250\r\n"
        "0.750\t00:00:00.250\t127.5\t112.00\t0\t12.5\t0\t0\t2\t?9?\t1\tLoop closed; Wide open\t\r\n"
        "MARK 002 - Loop closed - 00:00:00.250\r\n"
        "MARK 003 - Wide open - 00:00:00.250\r\n";
    EXPECT_EQ(rig.Export(Everything(TExportFormat::Msl)), expected);
}

// Without the optional columns: Time first, the chosen attributes, nothing else; the time counts
// from the first exported frame of the range; marks still come in the .msl.
TEST(LogExport, RangesAndChosenColumns) {
    Rig rig;
    // Out of order, with the DTC table, which these formats never hold.
    const std::vector<TExportColumn> chosen{rig.Column("FLG"), rig.Column("SPD"),
                                            rig.Column("DTC")};
    struct Case {
        TExportFormat format;
        TCsvRange range;
        std::string text;
    };
    const std::vector<Case> cases{
        {TExportFormat::Portable,
         {1, 3},
         "Time (s),SPD (km/h),Closed_loop,A/C_on\r\n0.000,1.5,0,0\r\n0.000,127.5,0,0\r\n"},
        {TExportFormat::Portable,
         {0, 1},
         "Time (s),SPD (km/h),Closed_loop,A/C_on\r\n0.000,10.0,1,1\r\n"},
        {TExportFormat::Portable, {2, 2}, "Time (s),SPD (km/h),Closed_loop,A/C_on\r\n"},
        {TExportFormat::Portable,
         {-4, 99},
         "Time (s),SPD (km/h),Closed_loop,A/C_on\r\n0.000,10.0,1,1\r\n0.750,1.5,0,0\r\n"
         "0.750,127.5,0,0\r\n"},
        {TExportFormat::Spreadsheet, {1, 2}, "FRAME,SPD km/h\r\n1,1.50\r\n"},
    };
    for (const Case& c : cases) {
        const std::string path = rig.t.dir.File("range.csv");
        ExportLog(path, rig.engine, rig.log, chosen, {c.format}, c.range);
        EXPECT_EQ(TempDir::Read(path), c.text) << c.range.From << ".." << c.range.To;
    }
    const std::string path = rig.t.dir.File("range.msl");
    ExportLog(path, rig.engine, rig.log, chosen, {TExportFormat::Msl}, {2, 3});
    const std::vector<std::string> lines = Split(TempDir::Read(path), "\r\n");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[2], "Time\tSPD\tClosed_loop\tA/C_on");
    EXPECT_EQ(lines[4], "0.000\t127.5\t0\t0");
    EXPECT_EQ(lines[5], "MARK 001 - Loop closed - 00:00:00.250");
}

TEST(LogExport, TheSpreadsheetLayoutIsTheOneItWasAndHoldsNoFlags) {
    Rig rig;
    EXPECT_EQ(rig.Export({TExportFormat::Spreadsheet, true, true, true}),
              CsvText(rig.engine, rig.log, ExportableAttributes(rig.engine)));
    EXPECT_EQ(rig.All(TExportFormat::Spreadsheet), ExportableAttributes(rig.engine));
}

// Every step of the scale survives a gauge format that rounds for the eye ("9" on a 0.5 step);
// a gauge asking for more decimals gets them.
TEST(ExportDecimals, EveryStepOfTheScaleAndMoreWhereTheGaugeAsks) {
    struct Case {
        int atype;
        const char* dashFmt;
        double factor, offset;
        int decimals;
    };
    const Case cases[] = {
        {atScaled, "0", 1, 0, 0},         {atScaled, "0", 0.5, 0, 1},
        {atScaled, "0", 0.25, 0, 2},      {atScaled, "Floating", 0.1, 0, 1},
        {atScaled, "0", 5.0 / 255, 0, 3}, {atScaled, "0", 1.0 / 3, 0, 2},
        {atScaled, "0", 256, -40, 0},     {atScaled, "0", 1, -40.5, 1},
        {atScaled, "0", 0.001, 0, 3},     {atScaled, "0", 1e-6, 0, 4},
        {atScaled, "0", 0, 7, 0},         {atScaled, "9", 0.5, 0, 1},
        {atScaled, "9.999", 1, 0, 3},     {atScaled, "9.99", 0.5, 0, 2},
        {atScaled, "9", 5.0 / 255, 0, 3}, {atRaw, "9.99", 0.5, 0, 0},
        {atEnum, "0", 0.5, 0, 0},
    };
    for (const Case& c : cases) {
        TAttr attr;
        attr.AType = c.atype;
        attr.DashFmt = c.dashFmt;
        attr.Scale.Factor = static_cast<float>(c.factor);
        attr.Scale.Offset = static_cast<float>(c.offset);
        EXPECT_EQ(ExportDecimals(attr), c.decimals)
            << c.dashFmt << " " << c.factor << " " << c.offset;
    }
    TAttr lookup;
    lookup.AType = atLookup;
    lookup.Table[3].Value = 12.25f;
    EXPECT_EQ(ExportDecimals(lookup), 2);
}

TEST(ExportTexts, NumbersNamesTimes) {
    const std::vector<std::tuple<double, int, std::string>> numbers{
        {12.25, 1, "12.3"},
        {0.125, 2, "0.13"},
        {-0.125, 2, "-0.13"},
        {2.675, 2, "2.67"},
        {1.005, 2, "1.00"},
        {12.35, 1, "12.3"},
        {-0.004, 2, "0.00"},
        {-0.0, 0, "0"},
        {-1.5, 0, "-2"},
        {1e6, 3, "1000000.000"},
        {-12.345678, 4, "-12.3457"},
        {0.0625, 3, "0.063"},
        {1e17, 2, "100000000000000000.00"},
        {-2.5e16, 1, "-25000000000000000.0"},
        {0.1f, 1, "0.1"},
        {std::nan(""), 2, ""},
        {INFINITY, 1, ""}};
    for (const auto& [value, decimals, text] : numbers) {
        std::string out;
        AppendExportNumber(out, value, decimals);
        EXPECT_EQ(out, text) << value << " " << decimals;
    }
    const std::vector<std::pair<std::string, std::string>> names{{"RPM", "RPM"},
                                                                 {"Coolant temp", "Coolant_temp"},
                                                                 {"  a , b\t\"c\"  ", "a_b_c"},
                                                                 {"", "_"},
                                                                 {"A/C on", "A/C_on"},
                                                                 {"x;y", "x_y"}};
    for (const auto& [text, name] : names) {
        EXPECT_EQ(ExportName(text), name) << text;
    }
    EXPECT_EQ(ClockText(0), "00:00:00.000");
    EXPECT_EQ(ClockText(86399999), "23:59:59.999");
    std::string seconds;
    AppendSeconds(seconds, 3723004);
    EXPECT_EQ(seconds, "3723.004");
}

TEST(ElapsedClock, NeverGoesBackAndCrossesMidnight) {
    struct Step {
        double time;
        int64_t elapsed;
    };
    const std::vector<Step> steps{
        {DayTime(23, 59, 58, 0), 0},      {DayTime(23, 59, 59, 900), 1900},
        {DayTime(0, 0, 0, 100), 2100},    {DayTime(0, 0, 0, 100), 2100},
        {DayTime(0, 0, 0, 50), 2100},     {DayTime(0, 0, 1, 50), 3100},
        {DayTime(11, 0, 1, 50), 39603100}};
    TElapsedClock clock;
    for (const Step& s : steps) {
        EXPECT_EQ(clock.Next(s.time), s.elapsed) << FormatDateTime("hh:mm:ss.zzz", s.time);
    }
}

// The sample vehicle's data stream, as the simulator sends it: every exportable attribute.
struct SampleRig {
    TempDir dir;
    TVehicle vehicle{nullptr, dir.File("Scales.xml"), dir.File("test.ini")};
    TRtime timer;
    TRS232 link{timer};
    TCartridge engine{vehicle, link, timer};
    TDataLog log;

    explicit SampleRig(int frames) {
        EXPECT_TRUE(vehicle.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml"));
        engine.LoadMacro(1);
        for (int i = 0; i < frames; ++i) {
            const EcmBytes message = EcmSimEngineMessage(i * 0.1);
            TPacket p;
            p.SetHeader(0xF4);
            p.SetDataLen(static_cast<int>(message.size()) + 1);
            p.setData(0, 1);
            for (size_t b = 0; b < message.size(); ++b) {
                p.setData(static_cast<int>(b) + 1, message[b]);
            }
            p.UpdateChecksum();
            p.SetTime(DayTime(8, 0, 0, 0) + i * 0.1003 / 86400);
            p.Notes = i % 17 == 5 ? 0b11 : 0;
            log.Add(p, true);
        }
    }
    std::vector<TExportColumn> Chosen(TExportFormat format) const {
        return ExportChoices(engine, format);
    }
    std::string Export(TExportFormat format, const std::string& name) {
        const std::string path = dir.File(name);
        ExportLog(path, engine, log, Chosen(format), {format, true, true, true});
        return path;
    }
    // Calls check(frame, cell, text of the cell as the file should hold it) for every value
    // and flag cell, decoding the frames again.
    template <typename F> void ForEachCell(TExportFormat format, F check) {
        const std::vector<TExportCell> cells =
            ExportCells(engine, Chosen(format), {format, true, true, true});
        engine.ResetValues();
        TPacket frame;
        for (int f = 0; f < log.Count(); ++f) {
            log.ReadFrame(f, frame);
            engine.DecodeFrame(frame, false);
            for (size_t c = 0; c < cells.size(); ++c) {
                check(f, c, cells[c]);
            }
        }
    }
};

// Read back, every cell holds the value the image decodes for it, in its decimals.
TEST(ExportReader, ReadsBackTheValuesWritten) {
    SampleRig rig(300);
    for (TExportFormat format : {TExportFormat::Portable, TExportFormat::Msl}) {
        const TExportTable table =
            ReadExportFile(rig.Export(format, format == TExportFormat::Msl ? "s.msl" : "s.csv"));
        EXPECT_EQ(table.Format, format);
        ASSERT_EQ(table.Rows.size(), 300u);
        const std::vector<TExportCell> cells =
            ExportCells(rig.engine, rig.Chosen(format), {format, true, true, true});
        ASSERT_EQ(table.Names.size(), cells.size());
        EXPECT_GT(cells.size(), 25u);
        for (size_t c = 0; c < cells.size(); ++c) {
            EXPECT_EQ(table.Names[c], cells[c].Name);
            EXPECT_EQ(table.Units[c], cells[c].Units);
        }
        int checked = 0;
        rig.ForEachCell(format, [&](int f, size_t c, const TExportCell& cell) {
            const std::string& text = table.Rows[static_cast<size_t>(f)][c];
            if (cell.Kind == TExportCell::TKind::Time) {
                double seconds = 0;
                ASSERT_TRUE(ReadExportNumber(text, seconds)) << text;
                EXPECT_NEAR(seconds, f * 0.1003, 0.0011) << f;
                return;
            }
            if (cell.Kind != TExportCell::TKind::Value && cell.Kind != TExportCell::TKind::Flag) {
                return;
            }
            const TAttr& attr = rig.engine.Items[cell.Item].Request.Attrs[cell.Attr];
            if (attr.AType == atEnum) {
                EXPECT_EQ(text, ValueText(attr, false));
                return;
            }
            double value = 0;
            ASSERT_TRUE(ReadExportNumber(text, value)) << cell.Name << " " << text;
            const double expected = cell.Kind == TExportCell::TKind::Flag
                                        ? ((attr.RawValue >> cell.Bit) & 1)
                                        : static_cast<double>(attr.Value);
            EXPECT_NEAR(value, expected, 0.5 * std::pow(10.0, -cell.Decimals) + 1e-4)
                << cell.Name << " frame " << f;
            ++checked;
        });
        EXPECT_GT(checked, 300 * 20);
        if (format == TExportFormat::Msl) {
            ASSERT_EQ(table.Marks.size(), 2u * 18); // frames 5, 22, ... 294, two notes each
            EXPECT_EQ(table.Marks[0].Row, 6);
            EXPECT_EQ(table.Marks[0].Text.rfind("MARK 001 - ", 0), 0u) << table.Marks[0].Text;
        }
        EXPECT_NE(table.Rows[5][static_cast<size_t>(table.Column("Notes"))], "");
        EXPECT_EQ(table.Rows[6][static_cast<size_t>(table.Column("Notes"))], "");
    }
}

TEST(ExportReader, RefusesWhatIsNotAnExport) {
    struct Case {
        std::string text, message;
    };
    const std::vector<Case> cases{
        {"", "line 1: no title line"},
        {"Time (s),A\r\n0.000,1\r\n0.100\r\n", "line 3: 1 fields where the title line has 2"},
        {"Time (s),A\r\n0.000,\"open\r\n", "line 2: a double quote is not closed"},
        {"Time (s),A\r\n0.000,\"x\"y\r\n", "line 2: text after a closing double quote"},
        {"\"source\"\r\nTime\tA\r\n", "line 2: no line of channel names and units"},
        {"\"source\r\nTime\tA\r\ns\t\r\n",
         "line 1: a quoted line without its closing double quote"},
        {"\"source\"\r\nTime\tA\r\ns\r\n", "line 3: the units do not match the channel names"},
        {"\"source\"\r\nTime\tA\r\ns\t\r\n0.000\t1\t2\r\n", "line 4: 3 values for 2 channels"}};
    for (const Case& c : cases) {
        try {
            ReadExportText(c.text);
            ADD_FAILURE() << "no error for " << c.text;
        } catch (const EQuorvinError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
    TempDir dir;
    const std::string missing = dir.File("none.csv");
    const std::string bad = dir.Write("bad.csv", "Time (s),A\r\n1\r\n");
    for (const auto& [path, message] :
         {std::pair{missing, "Can't open file " + missing + ". " + SystemErrorText(ENOENT)},
          std::pair{bad, "File " + bad +
                             " is not a portable CSV or .msl export: line 2: 1 fields "
                             "where the title line has 2"}}) {
        try {
            ReadExportFile(path);
            ADD_FAILURE() << path;
        } catch (const EQuorvinError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
    double value = 0;
    for (const char* text : {"", "1,5", "+1", "1e3", "0x10", " 1", "1 "}) {
        EXPECT_FALSE(ReadExportNumber(text, value)) << text;
    }
    EXPECT_TRUE(ReadExportNumber("-12.345", value));
    EXPECT_EQ(value, -12.345);
}

// The user's locale (a German desktop: decimal comma, other C library settings) changes the
// spreadsheet layout only.
TEST(LogExport, PortableAndMslFilesAreTheSameUnderACommaDecimalLocale) {
    SampleRig rig(120);
    const char saved = DecimalSeparator;
    const std::string savedLocale = std::setlocale(LC_ALL, nullptr);
    std::map<std::string, std::string> texts; // by locale and format
    for (const char* locale : {"C.UTF-8", "de_DE.UTF-8"}) {
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr)
            << "The locale " << locale << " is not installed (tools/prepare.sh generates it).";
        std::locale::global(std::locale(locale));
        DecimalSeparator = *std::localeconv()->decimal_point;
        for (TExportFormat format :
             {TExportFormat::Spreadsheet, TExportFormat::Portable, TExportFormat::Msl}) {
            texts[std::string(locale) + ExportFormatName(format)] =
                TempDir::Read(rig.Export(format, "l.txt"));
        }
    }
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, savedLocale.c_str());
    DecimalSeparator = saved;
    EXPECT_NE(texts["C.UTF-8spreadsheet"], texts["de_DE.UTF-8spreadsheet"]); // the locale took
    for (const char* format : {"portable", "msl"}) {
        EXPECT_GT(texts[std::string("C.UTF-8") + format].size(), 10000u);
        EXPECT_EQ(texts[std::string("C.UTF-8") + format],
                  texts[std::string("de_DE.UTF-8") + format])
            << format;
    }
}

// Python's csv module, with no dialect options, gets the same fields and the same numbers.
TEST(PortableCsv, PythonsCsvModuleReadsTheSameNumbers) {
    if (std::system("python3 -c 'import csv' >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3 with its csv module is not installed, so this cannot be checked";
    }
    SampleRig rig(200);
    const std::string csv = rig.Export(TExportFormat::Portable, "p.csv");
    // One line per record, the fields separated by the unit separator; numbers as Python's float
    // reads them, in its shortest exact form.
    const std::string script = rig.dir.Write("read.py", R"(import csv, sys
with open(sys.argv[1], newline='') as f:
    for record in csv.reader(f):
        out = []
        for field in record:
            try:
                out.append('N' + repr(float(field)))
            except ValueError:
                out.append('T' + field)
        print('\x1f'.join(out))
)");
    const std::string read = rig.dir.File("read.txt");
    ASSERT_EQ(std::system(
                  ("PYTHONIOENCODING=utf-8 python3 '" + script + "' '" + csv + "' > '" + read + "'")
                      .c_str()),
              0);
    const std::vector<std::string> lines = Split(TempDir::Read(read), "\n");
    ASSERT_EQ(lines.size(), 202u); // the titles, 200 records and the end
    const TExportTable table = ReadExportFile(csv);
    const std::vector<std::string> titles = Split(lines[0], "\x1f");
    ASSERT_EQ(titles.size(), table.Names.size());
    for (size_t c = 0; c < titles.size(); ++c) {
        EXPECT_EQ(titles[c].substr(1), table.Units[c].empty()
                                           ? table.Names[c]
                                           : table.Names[c] + " (" + table.Units[c] + ")");
    }
    int numbers = 0;
    rig.ForEachCell(TExportFormat::Portable, [&](int f, size_t c, const TExportCell& cell) {
        const std::vector<std::string> fields = Split(lines[static_cast<size_t>(f) + 1], "\x1f");
        ASSERT_EQ(fields.size(), titles.size()) << f;
        const std::string& field = fields[c];
        const std::string& written = table.Rows[static_cast<size_t>(f)][c];
        double ours = 0;
        if (!ReadExportNumber(written, ours)) {
            EXPECT_EQ(field, "T" + written) << cell.Name << " frame " << f;
            return;
        }
        ASSERT_EQ(field[0], 'N') << cell.Name << " " << field;
        const double python = pythonFloat(field.substr(1));
        EXPECT_EQ(python, ours) << cell.Name << " frame " << f;
        if (cell.Kind == TExportCell::TKind::Value) {
            const TAttr& attr = rig.engine.Items[cell.Item].Request.Attrs[cell.Attr];
            EXPECT_NEAR(python, attr.Value, 0.5 * std::pow(10.0, -cell.Decimals) + 1e-4);
        }
        ++numbers;
    });
    EXPECT_GT(numbers, 200 * 20);
}

TEST(LogExport, AFailedExportSaysWhyAndKeepsTheEarlierFile) {
    Rig rig;
    TempDir out;
    const std::string earlier = out.Write("keep.csv", "earlier export\r\n");
    const std::string folder = out.File("a-folder");
    std::filesystem::create_directory(folder);
    const std::string missing = out.File("no folder/x.msl");
    struct Case {
        std::string path;
        std::vector<TExportColumn> chosen;
        std::string message;
    };
    const std::vector<Case> cases{
        {"", rig.All(TExportFormat::Portable), "Please select an export filename"},
        {earlier, {rig.Column("DTC")}, "Please select at least one attirbute to be exported"},
        {earlier, {}, "Please select at least one attirbute to be exported"},
        {folder, rig.All(TExportFormat::Portable),
         "Can't save file " + folder + ". " + SystemErrorText(EISDIR)},
        {missing, rig.All(TExportFormat::Portable),
         "Can't save file " + missing + ". " + SystemErrorText(ENOENT)}};
    for (const Case& c : cases) {
        try {
            ExportLog(c.path, rig.engine, rig.log, c.chosen, {TExportFormat::Portable});
            ADD_FAILURE() << "no error for " << c.path;
        } catch (const EQuorvinError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
    }
    // The disk takes no more than 100 bytes: the write fails part-way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &small);
    std::string message;
    try {
        ExportLog(earlier, rig.engine, rig.log, rig.All(TExportFormat::Msl), {TExportFormat::Msl});
    } catch (const EQuorvinError& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(message, "Can't save file " + earlier + ". " + SystemErrorText(EFBIG));
    EXPECT_EQ(TempDir::Read(earlier), "earlier export\r\n");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(out.Path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a-folder", "keep.csv"}));
}

} // namespace

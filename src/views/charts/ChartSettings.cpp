#include "views/charts/ChartSettings.h"

#include "common/Common.h"
#include "common/Format.h"
#include "common/IniFile.h"

#include <algorithm>

namespace {

const char* const Common = "CHART_COMMON";

uint32_t readColor(const TIniFile& ini, const std::string& section, const char* key, uint32_t def) {
    return static_cast<uint32_t>(ini.ReadInteger(section, key, static_cast<int>(def)));
}

void writeColor(TIniFile& ini, const std::string& section, const char* key, uint32_t value) {
    ini.WriteInteger(section, key, static_cast<int>(value));
}

// The compact number text with a point whatever the user's separator: the file reads the same
// in every locale.
std::string fileNumberText(float v) {
    std::string text = NumberText(v);
    std::replace(text.begin(), text.end(), DecimalSeparator, '.');
    return text;
}

std::string noteKey(int n) {
    return Format("Note%dColor", n + 1);
}

std::string seriesKey(int r) {
    return Format("Series%dColor", r + 1);
}

} // namespace

void TChartCommonSettings::Save(TIniFile& ini) const {
    ini.WriteInteger(Common, "LineWeight", LineWeight);
    ini.WriteInteger(Common, "Speed", Speed);
    writeColor(ini, Common, "NotesColor", NotesColor);
    writeColor(ini, Common, "RulerColor", RulerColor);
    ini.WriteBool(Common, "NotesVisible", NotesVisible);
    ini.WriteBool(Common, "RulerVisible", RulerVisible);
    writeColor(ini, Common, "RulerTickColor", RulerTickColor);
    writeColor(ini, Common, "RulerFontColor", RulerFontColor);
    ini.WriteInteger(Common, "RulerTick", RulerTick);
    ini.WriteInteger(Common, "RulerSubTick", RulerSubTick);
    ini.WriteInteger(Common, "RulerLabelTick", RulerLabelTick);
    ini.WriteString(Common, "RulerFormat", RulerFormat);
    ini.WriteBool(Common, "RulerTimeOfDay", RulerTimeOfDay);
    ini.WriteInteger(Common, "F2Delta", F2Delta);
    ini.WriteInteger(Common, "F2DeltaCtrl", F2DeltaCtrl);
    for (int n = 0; n < Charts::NoteSlots; ++n) {
        writeColor(ini, Common, noteKey(n).c_str(), NoteColors[static_cast<size_t>(n)]);
    }
}

void TChartCommonSettings::Load(const TIniFile& ini) {
    LineWeight = ini.ReadInteger(Common, "LineWeight", 1);
    // A scroll step below one frame means nothing; it is taken as one.
    Speed = std::max(1, ini.ReadInteger(Common, "Speed", 4));
    NotesColor = readColor(ini, Common, "NotesColor", Charts::DarkNavy);
    RulerColor = readColor(ini, Common, "RulerColor", Charts::DarkNavy);
    // 0 is off; 1, other numbers and unreadable text are on.
    NotesVisible = ini.ReadInteger(Common, "NotesVisible", 1) != 0;
    RulerVisible = ini.ReadInteger(Common, "RulerVisible", 1) != 0;
    RulerTickColor = readColor(ini, Common, "RulerTickColor", Charts::White);
    RulerFontColor = readColor(ini, Common, "RulerFontColor", Charts::White);
    RulerTick = ini.ReadInteger(Common, "RulerTick", 5000);
    RulerSubTick = ini.ReadInteger(Common, "RulerSubTick", 1000);
    RulerLabelTick = ini.ReadInteger(Common, "RulerLabelTick", 30000);
    RulerFormat = ini.ReadString(Common, "RulerFormat", "nn:ss");
    RulerTimeOfDay = ini.ReadInteger(Common, "RulerTimeOfDay", 0) != 0;
    F2Delta = ini.ReadInteger(Common, "F2Delta", 1);
    F2DeltaCtrl = ini.ReadInteger(Common, "F2DeltaCtrl", 10);
    for (int n = 0; n < Charts::NoteSlots; ++n) {
        NoteColors[static_cast<size_t>(n)] =
            readColor(ini, Common, noteKey(n).c_str(), Charts::White);
    }
}

void TChartCommonSettings::RestoreFactory() {
    const int f2 = F2Delta, f2Ctrl = F2DeltaCtrl;
    *this = TChartCommonSettings();
    F2Delta = f2;
    F2DeltaCtrl = f2Ctrl;
}

std::string TChartSettings::Section(int chart) {
    return Format("CHART_%d", chart);
}

void TChartSettings::Save(TIniFile& ini, int chart, float effectiveMin, float effectiveMax) const {
    const std::string s = Section(chart);
    writeColor(ini, s, "Color", Color);
    writeColor(ini, s, "GridColor", GridColor);
    ini.WriteInteger(s, "GridCount", GridCount);
    writeColor(ini, s, "YaxisFontColor", YaxisFontColor);
    ini.WriteString(s, "DisplayMin", fileNumberText(effectiveMin));
    ini.WriteString(s, "DisplayMax", fileNumberText(effectiveMax));
    ini.WriteBool(s, "DisplayMinOverride", DisplayMinOverride);
    ini.WriteBool(s, "DisplayMaxOverride", DisplayMaxOverride);
    for (int r = 0; r < Charts::SeriesSlots; ++r) {
        writeColor(ini, s, seriesKey(r).c_str(), SeriesColors[static_cast<size_t>(r)]);
    }
}

void TChartSettings::Load(const TIniFile& ini, int chart) {
    const std::string s = Section(chart);
    Color = readColor(ini, s, "Color", Charts::DarkNavy);
    GridColor = readColor(ini, s, "GridColor", Charts::Blue);
    GridCount = ini.ReadInteger(s, "GridCount", 2);
    YaxisFontColor = readColor(ini, s, "YaxisFontColor", Charts::Grey);
    DisplayMin = static_cast<float>(ReadNumber(ini.ReadString(s, "DisplayMin", ""), 0));
    DisplayMax = static_cast<float>(ReadNumber(ini.ReadString(s, "DisplayMax", ""), 255));
    DisplayMinOverride = ini.ReadString(s, "DisplayMinOverride", "0") == "1";
    DisplayMaxOverride = ini.ReadString(s, "DisplayMaxOverride", "0") == "1";
    const TChartSettings defaults;
    for (int r = 0; r < Charts::SeriesSlots; ++r) {
        SeriesColors[static_cast<size_t>(r)] =
            readColor(ini, s, seriesKey(r).c_str(), defaults.SeriesColors[static_cast<size_t>(r)]);
    }
}

void TChartSettings::RestoreFactory() {
    const auto colors = SeriesColors;
    *this = TChartSettings();
    for (int r = 1; r < Charts::SeriesSlots; ++r) {
        SeriesColors[static_cast<size_t>(r)] = colors[static_cast<size_t>(r)];
    }
}

TChartSettings TChartSettings::Of(const TChartRow& row) {
    TChartSettings s;
    s.Color = row.Color;
    s.GridColor = row.GridColor;
    s.GridCount = row.GridCount;
    s.YaxisFontColor = row.YaxisFontColor;
    s.DisplayMin = row.DisplayMin;
    s.DisplayMax = row.DisplayMax;
    s.DisplayMinOverride = row.DisplayMinOverride;
    s.DisplayMaxOverride = row.DisplayMaxOverride;
    for (int r = 0; r < Charts::SeriesSlots; ++r) {
        s.SeriesColors[static_cast<size_t>(r)] = row.Series[static_cast<size_t>(r)].Color;
    }
    return s;
}

void TChartSettings::ApplyTo(TChartRow& row) const {
    row.Color = Color;
    row.GridColor = GridColor;
    row.GridCount = GridCount;
    row.YaxisFontColor = YaxisFontColor;
    row.DisplayMin = DisplayMin;
    row.DisplayMax = DisplayMax;
    row.DisplayMinOverride = DisplayMinOverride;
    row.DisplayMaxOverride = DisplayMaxOverride;
    for (int r = 0; r < Charts::SeriesSlots; ++r) {
        row.Series[static_cast<size_t>(r)].Color = SeriesColors[static_cast<size_t>(r)];
    }
}

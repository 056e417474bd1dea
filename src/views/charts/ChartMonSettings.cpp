// The chart monitor's settings in the ini file.
#include "views/charts/ChartMon.h"

#include "common/Common.h"
#include "common/IniFile.h"

#include <algorithm>

using namespace Charts;

TIniFile TChartMon::openIni() const {
    return TIniFile(IniFileName.empty() ? IniPath() : IniFileName);
}

TChartCommonSettings TChartMon::CommonSettings() const {
    TChartCommonSettings s;
    s.LineWeight = lineWeight;
    s.Speed = speed;
    s.NotesColor = NotesColor;
    s.RulerColor = RulerColor;
    s.NotesVisible = notesVisible;
    s.RulerVisible = rulerVisible;
    s.RulerTickColor = RulerTickColor;
    s.RulerFontColor = RulerFontColor;
    s.RulerTick = Ruler.TickInterval;
    s.RulerSubTick = Ruler.SubTickInterval;
    s.RulerLabelTick = Ruler.LabelInterval;
    s.RulerFormat = Ruler.Format;
    s.RulerTimeOfDay = Ruler.TimeOfDay;
    s.F2Delta = F2Delta;
    s.F2DeltaCtrl = F2DeltaCtrl;
    for (int n = 0; n < NoteSlots; ++n) {
        s.NoteColors[static_cast<size_t>(n)] = Notes.Color(n);
    }
    return s;
}

void TChartMon::ApplyCommonSettings(const TChartCommonSettings& s) {
    lineWeight = std::max(1, s.LineWeight);
    speed = std::max(1, s.Speed);
    NotesColor = s.NotesColor;
    RulerColor = s.RulerColor;
    notesVisible = s.NotesVisible;
    rulerVisible = s.RulerVisible;
    RulerTickColor = s.RulerTickColor;
    RulerFontColor = s.RulerFontColor;
    Ruler.TickInterval = s.RulerTick;
    Ruler.SubTickInterval = s.RulerSubTick;
    Ruler.LabelInterval = s.RulerLabelTick;
    Ruler.Format = s.RulerFormat;
    Ruler.TimeOfDay = s.RulerTimeOfDay;
    F2Delta = s.F2Delta;
    F2DeltaCtrl = s.F2DeltaCtrl;
    for (int n = 0; n < NoteSlots; ++n) {
        Notes.SetColor(n, s.NoteColors[static_cast<size_t>(n)]);
    }
    LayoutCharts();
}

void TChartMon::SaveCommonDefaults() {
    TIniFile ini = openIni();
    CommonSettings().Save(ini);
    ini.UpdateFile();
}

void TChartMon::LoadCommonDefaults() {
    const TIniFile ini = openIni();
    TChartCommonSettings s = CommonSettings();
    s.Load(ini);
    ApplyCommonSettings(s);
}

void TChartMon::RestoreCommonFactory() {
    TChartCommonSettings s = CommonSettings();
    s.RestoreFactory();
    ApplyCommonSettings(s);
}

void TChartMon::SaveChartDefaults(int k) {
    if (k < 0 || k >= ChartCount) {
        return;
    }
    TIniFile ini = openIni();
    CommonSettings().Save(ini);
    const TChartRow& row = Rows[static_cast<size_t>(k)];
    TChartSettings::Of(row).Save(ini, k, row.EffectiveMin(), row.EffectiveMax());
    ini.UpdateFile();
}

void TChartMon::LoadChartDefaults(int k) {
    if (k < 0 || k >= ChartCount) {
        return;
    }
    LoadCommonDefaults();
    const TIniFile ini = openIni();
    TChartSettings s = TChartSettings::Of(Rows[static_cast<size_t>(k)]);
    s.Load(ini, k);
    s.ApplyTo(Rows[static_cast<size_t>(k)]);
    LayoutCharts();
}

void TChartMon::RestoreChartFactory(int k) {
    if (k < 0 || k >= ChartCount) {
        return;
    }
    RestoreCommonFactory();
    TChartSettings s = TChartSettings::Of(Rows[static_cast<size_t>(k)]);
    s.RestoreFactory();
    s.ApplyTo(Rows[static_cast<size_t>(k)]);
    LayoutCharts();
}

#pragma once
// The chart settings of the ini file: section "CHART_COMMON" for what all charts share and
// "CHART_0" .. "CHART_3" for each chart, with their load defaults and factory values.
#include <array>
#include <cstdint>
#include <string>

#include "views/charts/ChartModel.h"

class TIniFile;

struct TChartCommonSettings {
    int LineWeight = 1;
    int Speed = 4;
    uint32_t NotesColor = Charts::DarkNavy;
    uint32_t RulerColor = Charts::DarkNavy;
    bool NotesVisible = true, RulerVisible = true;
    uint32_t RulerTickColor = Charts::White, RulerFontColor = Charts::White;
    int RulerTick = 5000, RulerSubTick = 1000, RulerLabelTick = 30000;
    std::string RulerFormat = "nn:ss";
    bool RulerTimeOfDay = false; // ruler labels of the time of day, not of the time since frame 0
    int F2Delta = 1, F2DeltaCtrl = 10;
    std::array<uint32_t, Charts::NoteSlots> NoteColors;

    TChartCommonSettings() { NoteColors.fill(Charts::White); }
    void Save(TIniFile& ini) const;
    void Load(const TIniFile& ini); // missing or unreadable keys take their load defaults
    void RestoreFactory();          // the F2 deltas stay as they are
};

struct TChartSettings {
    uint32_t Color = Charts::DarkNavy;
    uint32_t GridColor = Charts::Blue;
    int GridCount = 2;
    uint32_t YaxisFontColor = Charts::Grey;
    float DisplayMin = 0, DisplayMax = 255;
    bool DisplayMinOverride = false, DisplayMaxOverride = false;
    std::array<uint32_t, Charts::SeriesSlots> SeriesColors{Charts::Aqua, Charts::Fuchsia,
                                                           Charts::Yellow, Charts::Lime};

    static std::string Section(int chart); // "CHART_%d"
    // DisplayMin and DisplayMax are written as the effective range given.
    void Save(TIniFile& ini, int chart, float effectiveMin, float effectiveMax) const;
    void Load(const TIniFile& ini, int chart);
    void RestoreFactory(); // the colours of series 2 to 4 stay as they are

    // Between a chart row of the monitor and these settings.
    static TChartSettings Of(const TChartRow& row);
    void ApplyTo(TChartRow& row) const;
};

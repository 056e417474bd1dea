#include "views/charts/ChartModel.h"

#include "common/Common.h"
#include "common/Format.h"
#include "engine/Cartridge.h"
#include "link/Rtime.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>

using namespace Charts;

int RoundEven(double v) {
    // nearbyint follows the rounding mode, which is to-nearest-even unless someone changed it.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(saved);
    return static_cast<int>(std::clamp(r, -1.0e9, 1.0e9));
}

void TSeries::Empty() {
    SetName("");
    DisplayMin = DisplayMax = 0;
    RCode.clear();
    MCode.clear();
    AID = 0;
    AttrIndex = ItemIndex = -1;
}

TChartRow::TChartRow() {
    ClearSamples();
}

void TChartRow::ClearSamples() {
    for (auto& frame : Samples) {
        frame.fill(MissingValue);
    }
}

float TChartRow::EffectiveMin() const {
    if (DisplayMinOverride) {
        return DisplayMin;
    }
    float m = 1.0e30f;
    for (const TSeries& s : Series) {
        if (s.Drawn()) {
            m = std::min(m, s.DisplayMin);
        }
    }
    return m == 1.0e30f ? 0.0f : m;
}

float TChartRow::EffectiveMax() const {
    if (DisplayMaxOverride) {
        return DisplayMax;
    }
    float m = -1.0e30f;
    for (const TSeries& s : Series) {
        if (s.Drawn()) {
            m = std::max(m, s.DisplayMax);
        }
    }
    return m == -1.0e30f ? 255.0f : m;
}

TChartScale TChartScale::For(int height, float effectiveMin, float effectiveMax) {
    TChartScale s;
    s.Height = height;
    s.Baseline = height - 8;
    s.Min = effectiveMin;
    const double range = static_cast<double>(effectiveMax) - effectiveMin;
    s.Scale = range != 0 ? (height - 15) / range : 0.0;
    return s;
}

int TChartScale::Y(float value) const {
    const double offset = (static_cast<double>(value) - Min) * Scale;
    return Baseline - RoundEven(std::clamp(offset, -30000.0, 30000.0));
}

int GridLineY(int height, int gridCount, int j) {
    return RoundEven(height - 8 - j * static_cast<double>(height - 15) / gridCount);
}

std::vector<TAxisLabel> YAxisLabels(int height, int gridCount, float effectiveMin,
                                    float effectiveMax) {
    std::vector<TAxisLabel> labels;
    if (gridCount <= 0) {
        return labels;
    }
    double value = 0, step = 255.0 / gridCount;
    if (effectiveMax > effectiveMin) {
        value = effectiveMin;
        step = (static_cast<double>(effectiveMax) - effectiveMin) / gridCount;
    }
    double top = height - 15;
    const double rise = (height - 15) / static_cast<double>(gridCount);
    int last = height;
    for (int j = 0; j <= gridCount; ++j) {
        const int y = RoundEven(top);
        if (y <= last - 14) {
            labels.push_back({y, NumberText(static_cast<float>(value))});
            last = y;
        }
        value += step;
        top -= rise;
    }
    return labels;
}

int ScrollPositionFor(int count, int speed, int graphWidth, bool paintEnabled) {
    speed = std::max(speed, 1);
    if (!paintEnabled || count % speed != 0 || graphWidth <= 0 || count < graphWidth) {
        return -1;
    }
    return count + speed - graphWidth;
}

float SampleWave(int frame, int slot, float displayMin, float displayMax) {
    const double mid = (static_cast<double>(displayMin) + displayMax) / 2;
    const double half = (static_cast<double>(displayMax) - displayMin) / 2;
    return static_cast<float>(mid + half * std::sin(frame / (8.0 * (slot + 1))));
}

// ---- notes ----

TNoteMarks::TNoteMarks() {
    for (int n = 0; n < NoteSlots; ++n) {
        names[static_cast<size_t>(n)] = Format("Note %d", n + 1);
    }
    colors.fill(White);
}

uint32_t TNoteMarks::Mask(int i) const {
    return i >= 0 && i < Frames ? masks[static_cast<size_t>(i)] : 0;
}

void TNoteMarks::SetMask(int i, uint32_t mask) {
    if (i >= 0 && i < Frames) {
        masks[static_cast<size_t>(i)] = mask;
    }
}

void TNoteMarks::SetName(int n, const std::string& name) {
    if (n >= 0 && n < NoteSlots) {
        names[static_cast<size_t>(n)] = name;
    }
}

void TNoteMarks::SetColor(int n, uint32_t color) {
    if (n >= 0 && n < NoteSlots) {
        colors[static_cast<size_t>(n)] = color;
    }
}

std::string TNoteMarks::NamesOf(int i) const {
    std::string text;
    const uint32_t mask = Mask(i);
    for (int n = 0; n < NoteSlots; ++n) {
        if (mask & (1u << n)) {
            if (!text.empty()) {
                text += ",";
            }
            text += names[static_cast<size_t>(n)];
        }
    }
    return text;
}

int TNoteMarks::NearestNoted(int cursor) const {
    for (int d = 0; d <= 10; ++d) {
        const int later = std::min(cursor + d, Frames - 1);
        if (later >= 0 && Mask(later) != 0) {
            return later;
        }
        const int earlier = std::max(cursor - d, 0);
        if (earlier < Frames && Mask(earlier) != 0) {
            return earlier;
        }
    }
    return -1;
}

int TNoteMarks::NotedAtOrBefore(int cursor) const {
    for (int i = std::min(cursor, Frames - 1); i >= 0; --i) {
        if (Mask(i) != 0) {
            return i;
        }
    }
    return -1;
}

// ---- ruler ----

void TRulerStamps::ResetStamps() {
    stamps.fill(0);
    elapsed = 0;
    lastLabel = -LabelInterval;
    lastSub = -SubTickInterval;
    lastTick = -TickInterval;
}

void TRulerStamps::RecordStamp(int i, double t) {
    if (i < 0 || i >= Frames) {
        return;
    }
    if (t < 0) {
        t = LocalNow();
    }
    const int64_t ms = RoundEven((t - std::floor(t)) * 86400000.0);
    elapsed = i <= 0 ? 0 : ms - TimeOf(stamps[0]);
    uint32_t flags = 0;
    if (elapsed - lastSub >= SubTickInterval) {
        flags |= SmallTick;
        lastSub += SubTickInterval;
    }
    if (elapsed - lastTick >= TickInterval) {
        flags |= LargeTick;
        lastTick += TickInterval;
        lastSub = lastTick;
    }
    if (elapsed - lastLabel >= LabelInterval) {
        flags |= LabelTick;
        lastLabel += LabelInterval;
        lastTick = lastSub = lastLabel;
    }
    stamps[static_cast<size_t>(i)] =
        static_cast<uint64_t>(ms) | (static_cast<uint64_t>(flags) << 32);
}

uint64_t TRulerStamps::Stamp(int i) const {
    return i >= 0 && i < Frames ? stamps[static_cast<size_t>(i)] : 0;
}

int64_t TRulerStamps::ElapsedOf(int i) const {
    return static_cast<int64_t>(TimeOf(Stamp(i))) - TimeOf(stamps[0]);
}

std::string ElapsedText(int64_t ms, const std::string& format) {
    constexpr int64_t day = 86400000;
    ms = ((ms % day) + day) % day;
    const int64_t parts[] = {ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
    std::string text;
    for (size_t i = 0; i < format.size();) {
        auto at = [&](const char* token) {
            return format.compare(i, std::strlen(token), token) == 0;
        };
        if (at("zzz")) {
            text += Format("%03d", static_cast<int>(parts[3]));
            i += 3;
        } else if (at("hh")) {
            text += Format("%02d", static_cast<int>(parts[0]));
            i += 2;
        } else if (at("nn")) {
            text += Format("%02d", static_cast<int>(parts[1]));
            i += 2;
        } else if (at("ss")) {
            text += Format("%02d", static_cast<int>(parts[2]));
            i += 2;
        } else {
            text += format[i++];
        }
    }
    return text;
}

// ---- pick list ----

namespace {

TPickListItem valueEntry(const TAttr& a, int item, int attr) {
    TPickListItem e;
    e.Name = a.ACode;
    e.Units = a.Scale.Units;
    e.DisplayMin = a.Scale.DisplayMin;
    e.DisplayMax = a.Scale.DisplayMax;
    e.AlarmMin = a.Scale.AlarmMin;
    e.AlarmMax = a.Scale.AlarmMax;
    e.DescMin = a.Scale.DescMin;
    e.DescOk = a.Scale.DescOk;
    e.DescMax = a.Scale.DescMax;
    e.Item = item;
    e.Attr = attr;
    e.Sub = -1;
    e.Bit = -1;
    e.Kind = 0;
    return e;
}

} // namespace

int FillPickList(TCartridge& image) {
    image.ClearPickList();
    int n = 0;
    auto add = [&](const TPickListItem& e) {
        if (n < PickListSize) {
            image.SetPickListItem(n++, e);
        }
    };
    for (int i = 0; i < image.ItemCount; ++i) {
        const TMacroItem& item = image.Items[static_cast<size_t>(i)];
        bool seen = false;
        for (int j = 0; j < i && !seen; ++j) {
            const TMacroItem& earlier = image.Items[static_cast<size_t>(j)];
            seen = earlier.MCode == item.MCode && earlier.RCode == item.RCode;
        }
        if (seen) {
            continue;
        }
        for (int k = 0; k < item.Request.AttrCount; ++k) {
            const TAttr& a = item.Request.Attrs[static_cast<size_t>(k)];
            switch (a.AType) {
            case 0:
            case 1:
            case 2:
            case 5:
                add(valueEntry(a, i, k));
                break;
            case 3:
                for (int d = a.DTCCount - 1; d >= 0; --d) {
                    const TDTCs& dtc = a.DTCs[static_cast<size_t>(d)];
                    TPickListItem e;
                    e.Name = dtc.Desc;
                    e.DescMin = "OK";
                    e.DescOk = "Fail";
                    e.Bit = dtc.Bit;
                    e.Sub = d;
                    e.Item = i;
                    e.Attr = k;
                    e.Kind = 3;
                    add(e);
                }
                break;
            default:
                for (int f = 0; f < a.FlagCount; ++f) {
                    const TFlags& flag = a.Flags[static_cast<size_t>(f)];
                    TPickListItem e;
                    e.Name = flag.Desc;
                    e.DescMin = flag.B0;
                    e.DescOk = flag.B1;
                    e.Bit = flag.Bit;
                    e.Sub = f;
                    e.Item = i;
                    e.Attr = k;
                    e.Kind = 4;
                    add(e);
                }
                break;
            }
        }
    }
    return n;
}

std::string PickListCaption(const TPickListItem& item) {
    return Format("%s (%s..%s) %s", item.Name.c_str(),
                  NumberText(static_cast<float>(item.DisplayMin)).c_str(),
                  NumberText(static_cast<float>(item.DisplayMax)).c_str(), item.Units.c_str());
}

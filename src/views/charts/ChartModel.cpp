#include "views/charts/ChartModel.h"

#include "common/Common.h"
#include "common/Format.h"
#include "engine/Cartridge.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Charts;

int RoundEven(double v) {
    // The program keeps the default rounding mode, to nearest with halves to even.
    return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e9, 1.0e9)));
}

void TSeries::Empty() {
    SetName("");
    DisplayMin = DisplayMax = 0;
    RCode.clear();
    MCode.clear();
    AID = 0;
    AttrIndex = ItemIndex = -1;
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

float SampleWave(int frame, int slot, float displayMin, float displayMax) {
    const double mid = (static_cast<double>(displayMin) + displayMax) / 2;
    const double half = (static_cast<double>(displayMax) - displayMin) / 2;
    return static_cast<float>(mid + half * std::sin(frame / (8.0 * (slot + 1))));
}

std::string ElapsedText(int64_t ms, const std::string& format) {
    constexpr int64_t day = 86400000;
    if (ms < 0) {
        ms = ms % day + day;
    }
    // Units from the largest down; the largest one the format names carries the whole time.
    static const char* const tokens[] = {"hh", "nn", "ss", "zzz"};
    static const int64_t units[] = {3600000, 60000, 1000, 1};
    static const int64_t spans[] = {0, 60, 60, 1000};
    int largest = 3;
    for (int t = 3; t >= 0; --t) {
        if (format.find(tokens[t]) != std::string::npos) {
            largest = t;
        }
    }
    std::string text;
    for (size_t i = 0; i < format.size();) {
        int t = 0;
        while (t < 4 && format.compare(i, std::strlen(tokens[t]), tokens[t]) != 0) {
            ++t;
        }
        if (t == 4) {
            text += format[i++];
            continue;
        }
        int64_t v = ms / units[t];
        if (t != largest && spans[t] > 0) {
            v %= spans[t];
        }
        text += Format(t == 3 ? "%03lld" : "%02lld", static_cast<long long>(v));
        i += std::strlen(tokens[t]);
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

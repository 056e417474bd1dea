#include "views/charts/ChartData.h"

#include "common/Format.h"
#include "engine/Cartridge.h"
#include "link/Rtime.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Charts;

namespace {
constexpr float Infinity = std::numeric_limits<float>::infinity();
} // namespace

// ---- one series ----

float TSeriesColumn::At(int i) const {
    return i >= 0 && i < values.Size() ? values[i] : MissingValue;
}

void TSeriesColumn::Append(float v) {
    const int i = values.Size();
    values.Append(v);
    if (i % BlockFrames == 0) {
        blockMin.push_back(Infinity);
        blockMax.push_back(-Infinity);
    }
    if (v != MissingValue) {
        float& lo = blockMin.back();
        float& hi = blockMax.back();
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
}

void TSeriesColumn::Clear() {
    values.Clear();
    blockMin.clear();
    blockMax.clear();
}

bool TSeriesColumn::blockEmpty(int block) const {
    return blockMin[static_cast<size_t>(block)] > blockMax[static_cast<size_t>(block)];
}

int TSeriesColumn::PresentFrom(int i, int end) const {
    end = std::min(end, values.Size());
    i = std::max(i, 0);
    while (i < end) {
        if (i % BlockFrames == 0 && blockEmpty(i / BlockFrames)) {
            i += BlockFrames; // a whole block without a value
            continue;
        }
        if (values[i] != MissingValue) {
            return i;
        }
        ++i;
    }
    return -1;
}

int TSeriesColumn::PresentBefore(int i) const {
    i = std::min(i, values.Size()) - 1;
    while (i >= 0) {
        if (i % BlockFrames == BlockFrames - 1 && blockEmpty(i / BlockFrames)) {
            i -= BlockFrames;
            continue;
        }
        if (values[i] != MissingValue) {
            return i;
        }
        --i;
    }
    return -1;
}

bool TSeriesColumn::Span(int a, int b, TValueSpan& out) const {
    a = std::max(a, 0);
    b = std::min(b, values.Size());
    const int first = PresentFrom(a, b);
    if (first < 0) {
        return false;
    }
    const int last = PresentBefore(b);
    out.First = values[first];
    out.Last = values[last];
    float lo = out.First, hi = out.First;
    int i = first;
    while (i <= last) {
        if (i % BlockFrames == 0 && i + BlockFrames <= last + 1) {
            // A whole block inside the range: its summary stands for its frames.
            const size_t block = static_cast<size_t>(i / BlockFrames);
            if (blockMin[block] <= blockMax[block]) {
                lo = std::min(lo, blockMin[block]);
                hi = std::max(hi, blockMax[block]);
            }
            i += BlockFrames;
            continue;
        }
        const float v = values[i];
        if (v != MissingValue) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        ++i;
    }
    out.Min = lo;
    out.Max = hi;
    return true;
}

// ---- notes ----

TNoteMarks::TNoteMarks() {
    for (int n = 0; n < NoteSlots; ++n) {
        names[static_cast<size_t>(n)] = Format("Note %d", n + 1);
    }
    colors.fill(White);
}

uint32_t TNoteMarks::Mask(int i) const {
    const auto at = masks.find(i);
    return at == masks.end() ? 0 : at->second;
}

void TNoteMarks::SetMask(int i, uint32_t mask) {
    if (i < 0) {
        return;
    }
    if (mask == 0) {
        masks.erase(i);
    } else {
        masks[i] = mask;
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

std::string TNoteMarks::NamesOfMask(uint32_t mask) const {
    std::string text;
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
        if (Mask(cursor + d) != 0) {
            return cursor + d;
        }
        const int earlier = std::max(cursor - d, 0);
        if (Mask(earlier) != 0) {
            return earlier;
        }
    }
    return -1;
}

int TNoteMarks::NotedAtOrBefore(int cursor) const {
    auto after = masks.upper_bound(cursor);
    if (after == masks.begin()) {
        return -1;
    }
    return std::prev(after)->first;
}

// ---- the frames ----

int TChartData::AddFrame(double time) {
    if (time < 0) {
        time = LocalNow();
    }
    constexpr int64_t day = 86400000;
    const uint32_t ms = static_cast<uint32_t>(
        std::clamp(RoundEven((time - std::floor(time)) * day), 0, static_cast<int>(day) - 1));
    const int i = times.Size();
    int64_t since = 0;
    if (i > 0) {
        int64_t step = static_cast<int64_t>(ms) - times[i - 1];
        if (step < -day / 2) {
            step += day; // past midnight
        }
        since = elapsed[i - 1] + step;
    }
    times.Append(ms);
    elapsed.Append(since);
    return i;
}

void TChartData::Clear() {
    times.Clear();
    elapsed.Clear();
    for (TSeriesColumn& c : columns) {
        c.Clear();
    }
}

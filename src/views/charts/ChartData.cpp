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

void TSeriesColumn::TBlocks::Fold(int block, float& lo, float& hi) const {
    lo = std::min(lo, Min[static_cast<size_t>(block)]);
    hi = std::max(hi, Max[static_cast<size_t>(block)]);
}

void TSeriesColumn::Append(float v) {
    values.Append(v);
    if (values.Size() % SmallBlock == 0) {
        blockFilled();
    }
}

void TSeriesColumn::blockFilled() {
    const int end = values.Size();
    float lo = Infinity, hi = -Infinity;
    const float* v = &values[end - SmallBlock];
    for (int n = 0; n < SmallBlock; ++n, ++v) {
        if (*v != MissingValue) {
            lo = std::min(lo, *v);
            hi = std::max(hi, *v);
        }
    }
    small.Min.push_back(lo);
    small.Max.push_back(hi);
    if (end % LargeBlock == 0) {
        lo = Infinity;
        hi = -Infinity;
        for (int block = (end - LargeBlock) / SmallBlock; block < small.Done(); ++block) {
            small.Fold(block, lo, hi);
        }
        large.Min.push_back(lo);
        large.Max.push_back(hi);
    }
}

void TSeriesColumn::Clear() {
    values.Clear();
    small = TBlocks();
    large = TBlocks();
}

int TSeriesColumn::PresentFrom(int i, int end) const {
    end = std::min(end, values.Size());
    i = std::max(i, 0);
    while (i < end) {
        if (i % LargeBlock == 0 && large.Empty(i / LargeBlock)) {
            i += LargeBlock; // a whole block without a value
        } else if (i % SmallBlock == 0 && small.Empty(i / SmallBlock)) {
            i += SmallBlock;
        } else if (values[i] != MissingValue) {
            return i;
        } else {
            ++i;
        }
    }
    return -1;
}

int TSeriesColumn::PresentBefore(int i) const {
    i = std::min(i, values.Size()) - 1;
    while (i >= 0) {
        if (i % LargeBlock == LargeBlock - 1 && large.Empty(i / LargeBlock)) {
            i -= LargeBlock;
        } else if (i % SmallBlock == SmallBlock - 1 && small.Empty(i / SmallBlock)) {
            i -= SmallBlock;
        } else if (values[i] != MissingValue) {
            return i;
        } else {
            --i;
        }
    }
    return -1;
}

void TSeriesColumn::fold(int a, int b, float& lo, float& hi) const {
    auto raw = [&](int from, int to) {
        // A small block never crosses a chunk: the values lie side by side.
        const float* v = &values[from];
        for (int n = to - from; n > 0; --n, ++v) {
            if (*v != MissingValue) {
                lo = std::min(lo, *v);
                hi = std::max(hi, *v);
            }
        }
    };
    int i = a;
    const int head = std::min(b, (i + SmallBlock - 1) / SmallBlock * SmallBlock);
    if (i < head) {
        raw(i, head);
        i = head;
    }
    for (; i + SmallBlock <= b && i % LargeBlock != 0; i += SmallBlock) {
        small.Fold(i / SmallBlock, lo, hi);
    }
    for (; i + LargeBlock <= b; i += LargeBlock) {
        large.Fold(i / LargeBlock, lo, hi);
    }
    for (; i + SmallBlock <= b; i += SmallBlock) {
        small.Fold(i / SmallBlock, lo, hi);
    }
    if (i < b) {
        raw(i, b);
    }
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
    out.Min = Infinity;
    out.Max = -Infinity;
    fold(first, last + 1, out.Min, out.Max);
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

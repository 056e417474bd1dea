#pragma once
// The column cache of the chart monitor: for every series slot one decoded value a frame and the
// time of day of every frame; beside it the notes of the noted frames. It grows with the log, in
// chunks, so that a long run never copies what it holds to grow; every series also keeps the
// smallest and largest value of each block of frames, so that a pixel column over thousands of
// frames is summed up in a few steps at any zoom.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "views/charts/ChartModel.h"

namespace Charts {
constexpr int ChunkFrames = 1 << 16; // frames a storage chunk holds
// Frames a small and a large minimum/maximum block sum up.
constexpr int SmallBlock = 16, LargeBlock = 1024;
} // namespace Charts

// One value a frame, appended at the end, in chunks that never move.
template <typename T> class TChunkedArray {
public:
    int Size() const { return size; }
    const T& operator[](int i) const {
        return chunks[static_cast<size_t>(i / Charts::ChunkFrames)]
                     [static_cast<size_t>(i % Charts::ChunkFrames)];
    }
    T& operator[](int i) {
        return chunks[static_cast<size_t>(i / Charts::ChunkFrames)]
                     [static_cast<size_t>(i % Charts::ChunkFrames)];
    }
    void Append(const T& v) {
        if (size % Charts::ChunkFrames == 0) {
            chunks.emplace_back(new T[Charts::ChunkFrames]); // filled as values come
        }
        (*this)[size++] = v;
    }
    void Clear() {
        chunks.clear();
        size = 0;
    }

private:
    std::vector<std::unique_ptr<T[]>> chunks;
    int size = 0;
};

// What the present values of a range of frames come to.
struct TValueSpan {
    float Min = 0, Max = 0;
    float First = 0, Last = 0; // of the first and the last frame with a value
};

// The decoded values of one series slot; frames without a value hold MissingValue.
class TSeriesColumn {
public:
    int Size() const { return values.Size(); }
    // MissingValue for a frame the column does not hold.
    float At(int i) const;
    void Append(float v);
    void Clear();
    // The values of frames a .. b - 1 (clamped to the column); false when none has a value.
    bool Span(int a, int b, TValueSpan& out) const;
    // The first frame at or after i, before end, that has a value; else -1.
    int PresentFrom(int i, int end) const;
    // The last frame before i that has a value; else -1.
    int PresentBefore(int i) const;

private:
    // The summaries of the blocks filled so far; a block without a value holds min > max.
    struct TBlocks {
        std::vector<float> Min, Max;
        int Done() const { return static_cast<int>(Min.size()); }
        // False for a block not yet filled: its values are read one by one.
        bool Empty(int block) const {
            return block < Done() &&
                   Min[static_cast<size_t>(block)] > Max[static_cast<size_t>(block)];
        }
        void Fold(int block, float& lo, float& hi) const;
    };
    void blockFilled(); // sums up the small block (and the large one) the last value filled
    // The smallest and largest value of frames a .. b - 1 into lo and hi.
    void fold(int a, int b, float& lo, float& hi) const;

    TChunkedArray<float> values;
    TBlocks small, large;
};

// The note sets of the frames, with the names and colours of the 32 notes. Only noted frames
// take room.
class TNoteMarks {
public:
    TNoteMarks();
    uint32_t Mask(int i) const;
    void SetMask(int i, uint32_t mask);
    void ClearMasks() { masks.clear(); }
    const std::map<int, uint32_t>& Noted() const { return masks; }
    const std::string& Name(int n) const { return names[static_cast<size_t>(n)]; }
    void SetName(int n, const std::string& name);
    uint32_t Color(int n) const { return colors[static_cast<size_t>(n)]; }
    void SetColor(int n, uint32_t color);
    // The names of the notes of a mask, lowest first, joined with ",".
    std::string NamesOfMask(uint32_t mask) const;
    std::string NamesOf(int i) const { return NamesOfMask(Mask(i)); }
    // The nearest frame with notes within 10 frames of the cursor (at each distance the later
    // frame first), or -1.
    int NearestNoted(int cursor) const;
    // The nearest frame at or before the cursor that has notes, or -1.
    int NotedAtOrBefore(int cursor) const;

private:
    std::map<int, uint32_t> masks;
    std::array<std::string, Charts::NoteSlots> names;
    std::array<uint32_t, Charts::NoteSlots> colors{};
};

// Everything the charts show of the frames plotted so far.
class TChartData {
public:
    static constexpr int Series = Charts::ChartCount * Charts::SeriesSlots;

    int Count() const { return times.Size(); }
    // Appends a frame with its time of day (days; below 0 the current time of day) and returns
    // its index. The series values follow with Column(k, r).Append.
    int AddFrame(double time);
    void Clear();
    TSeriesColumn& Column(int k, int r) {
        return columns[static_cast<size_t>(k * Charts::SeriesSlots + r)];
    }
    const TSeriesColumn& Column(int k, int r) const {
        return columns[static_cast<size_t>(k * Charts::SeriesSlots + r)];
    }
    // The time of day of frame i in ms, and ms since frame 0. A frame more than half a day
    // earlier in the day than the one before it came after midnight.
    uint32_t TimeOf(int i) const { return times[i]; }
    int64_t ElapsedOf(int i) const { return elapsed[i]; }

private:
    TChunkedArray<uint32_t> times;
    TChunkedArray<int64_t> elapsed;
    std::array<TSeriesColumn, Series> columns;
};

// Decoding speed: DecodeFrame on an image of 100 attributes of every type, in frames per second
// on one core, with a count of the allocations made while decoding (there must be none).
#include "engine/Cartridge.h"
#include "engine/TestVehicle.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

namespace {

std::atomic<long> allocations{0};

} // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// Processor time of this thread: on a busy machine the wall clock also counts other programs.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// 100 attributes over a 60-byte message: scaled (plain, signed, reversed, inverted, 16 bits),
// lookup, raw, DTCs and flags with a note on every bit, enumerations with notes.
void addAttributes(EngineRig& rig) {
    for (int i = 0; i < 100; ++i) {
        const int type = i % 6;
        const double start = 1 + i % 59 + (i % 3 == 1 ? 0.4 : 0.0);
        const int bits = type == 0 && i % 4 == 0 ? 16 : (i % 3 == 1 ? 4 : 8);
        rig.t.Attr("A", start, bits, type,
                   {{"Factor", 0.75},
                    {"Offset", -40.0},
                    {"Signed", i % 5 == 1},
                    {"Reverse", i % 7 == 2},
                    {"Invert", i % 11 == 3}});
        if (type == atLookup) {
            for (int r = 15; r < 256; r += 16) {
                AddRow(*rig.t.v.Table, {{"RawByte", r}, {"Value", r * 0.5}});
            }
        } else if (type == atDTC) {
            for (int b = 0; b < 8; ++b) {
                AddRow(*rig.t.v.DTCs, {{"Bit", b}, {"Desc", S("Code")}, {"Note", 1 + b}});
            }
        } else if (type == atFlags) {
            for (int b = 0; b < 8; ++b) {
                AddRow(*rig.t.v.Flags,
                       {{"Bit", b}, {"Desc", S("Flag")}, {"Note0", 9 + b}, {"Note1", 17 + b}});
            }
        } else if (type == atEnum) {
            for (int v = 0; v < 8; ++v) {
                AddRow(*rig.t.v.Enums, {{"Value", v * 30}, {"Desc", S("State")}, {"Note", 25 + v}});
            }
        }
    }
}

} // namespace

int main() {
    EngineRig rig;
    addAttributes(rig);
    rig.Load();
    if (rig.engine.Items[0].Request.AttrCount != 100) {
        std::fprintf(stderr, "image has %d attributes\n", rig.engine.Items[0].Request.AttrCount);
        return 1;
    }
    constexpr int frameCount = 300;
    std::vector<TPacket> frames;
    unsigned seed = 12345;
    for (int f = 0; f < frameCount; ++f) {
        std::vector<int> data{1};
        for (int k = 1; k <= 60; ++k) {
            seed = seed * 1103515245u + 12345u;
            data.push_back(static_cast<int>(seed >> 16 & 0xFF));
        }
        frames.push_back(ReplyFrame(data));
    }

    rig.engine.ResetValues();
    const long before = allocations.load();
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadSeconds();
    constexpr int rounds = 20000;
    uint32_t notes = 0;
    for (int r = 0; r < rounds; ++r) {
        for (TPacket& frame : frames) {
            frame.Notes = 0;
            rig.engine.DecodeFrame(frame, true);
            notes |= frame.Notes;
        }
    }
    const double cpu = threadSeconds() - cpuStart;
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    const long made = allocations.load() - before;
    const double decoded = static_cast<double>(rounds) * frameCount;
    std::printf("DecodeFrame, 100 attributes of mixed types, %.0f M frames: %.0f frames per "
                "processor second (%.1f ns a frame); %.0f frames per wall second\n",
                decoded / 1e6, decoded / cpu, cpu * 1e9 / decoded, decoded / spent.count());
    std::printf("allocations while decoding: %ld\n", made);
    std::printf("notes fired: $%08X\n", notes);
    return made == 0 ? 0 : 2;
}

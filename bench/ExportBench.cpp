// Exports at length: 1,000,000 frames of a macro with 30 attributes (scaled values, lookup
// tables, raw values, enumerations and a bit flag attribute of eight named flags), written in
// each format to a file on the local disk, the whole log decoded again on the way. Target: at
// most 5 s per format. The processor time of the process is printed beside the time taken, since
// other work on a shared machine stretches the latter.
//   ExportBench [frames]
#include "engine/TestVehicle.h"
#include "log/DataLog.h"
#include "log/LogExport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int Attributes = 30;

// Attribute i reads data byte i + 1.
void defineAttributes(TestVehicle& t) {
    for (int i = 0; i < Attributes; ++i) {
        const std::string code = "A" + std::to_string(i);
        const double start = i + 1;
        if (i == Attributes - 1) {
            t.Attr(code.c_str(), start, 8, atFlags);
            for (int bit = 0; bit < 8; ++bit) {
                const std::string name = "Flag " + std::to_string(bit);
                AddRow(*t.v.Flags, {{"Bit", bit}, {"Desc", TValue(name)}});
            }
        } else if (i % 10 == 7) {
            t.Attr(code.c_str(), start, 8, atLookup, {{"Units", S("C")}});
            for (int raw = 0; raw < 256; raw += 16) {
                AddRow(*t.v.Table, {{"RawByte", raw}, {"Value", raw * 0.75 - 40}});
            }
        } else if (i % 10 == 8) {
            t.Attr(code.c_str(), start, 8, atEnum);
            for (int v = 0; v < 4; ++v) {
                const std::string desc = "State " + std::to_string(v);
                AddRow(*t.v.Enums, {{"Value", v}, {"Desc", TValue(desc)}});
            }
        } else if (i % 10 == 9) {
            t.Attr(code.c_str(), start, 8, atRaw);
        } else {
            const double factors[] = {1, 0.5, 0.25, 0.1, 5.0 / 255, 12.5, 0.0625};
            t.Attr(
                code.c_str(), start, i % 3 == 0 ? 16 : 8, atScaled,
                {{"Factor", factors[i % 7]}, {"Offset", i % 2 ? -40.0 : 0.0}, {"Units", S("u")}});
        }
    }
}

TPacket benchFrame(int i) {
    TPacket frame = ReplyFrame(std::vector<int>(Attributes + 1, 0));
    frame.setData(0, 1);
    for (int k = 1; k <= Attributes; ++k) {
        frame.setData(k, (i * (k + 3) + k * 17) & 0xFF);
    }
    frame.UpdateChecksum();
    frame.SetTime((36000.0 + i * 0.1) / 86400.0);
    frame.Notes = i % 500 == 0 ? 1u : 0u;
    return frame;
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const int frames = argc > 1 ? std::atoi(argv[1]) : 1000000;
    std::string pattern = (fs::temp_directory_path() / "ExportBench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    {
        EngineRig rig;
        defineAttributes(rig.t);
        rig.Load();
        TDataLog log;
        for (int i = 0; i < frames; ++i) {
            log.Add(benchFrame(i), true);
        }
        std::printf("%d frames, %d attributes\n", frames, Attributes);
        int failed = 0;
        for (TExportFormat format :
             {TExportFormat::Spreadsheet, TExportFormat::Portable, TExportFormat::Msl}) {
            const std::string path =
                (dir / (std::string("out") + ExportExtension(format))).string();
            const auto chosen = ExportChoices(rig.engine, format);
            const auto start = Clock::now();
            const double processorStart = processorSeconds();
            ExportLog(path, rig.engine, log, chosen, {format, true, true, true});
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            const double processor = processorSeconds() - processorStart;
            const bool met = seconds <= 5.0;
            failed += !met;
            std::printf(
                "%-11s %3d columns  %7.1f MB  %6.2f s (processor %5.2f s)  target 5 s: %s\n",
                ExportFormatName(format), static_cast<int>(chosen.size()),
                static_cast<double>(fs::file_size(path)) / 1e6, seconds, processor,
                met ? "met" : "NOT met");
            fs::remove(path);
        }
        fs::remove_all(dir);
        return failed == 0 ? 0 : 1;
    }
}

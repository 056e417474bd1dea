// The capture at length: memory for 1,000,000 frames of 64 data bytes, and the time to save and
// load them, binary and text, on the local disk. Targets: memory at most 120 MB, save at most
// 1 s, binary load at most 1 s, text load at most 5 s.
//   DataLogBench [frames]
#include "log/DataLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

TPacket benchFrame(int i) {
    TPacket frame;
    frame.SetHeader(0xF4);
    frame.SetDataLen(64);
    for (int k = 0; k < 64; ++k) {
        frame.setData(k, k == 0 ? 1 : (i * 7 + k) & 0xFF);
    }
    frame.UpdateChecksum();
    frame.SetTime((36000.0 + (i % 500000) * 0.1) / 86400.0);
    frame.MessageNo = i % 4;
    return frame;
}

template <typename F> double secondsOf(F&& action) {
    const auto start = Clock::now();
    action();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Resident memory of this process in MB.
double residentMb() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

const char* verdict(double value, double target) {
    return value <= target ? "met" : "NOT met";
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const int frames = argc > 1 ? std::atoi(argv[1]) : 1000000;
    std::string pattern = (fs::temp_directory_path() / "DataLogBench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    const std::string binary = (dir / "long.alg").string();
    const std::string text = (dir / "long-text.alg").string();

    double memory = 0;
    {
        const double before = residentMb();
        TDataLog log;
        const double append = secondsOf([&] {
            for (int i = 0; i < frames; ++i) {
                log.Add(benchFrame(i), true);
            }
        });
        memory = residentMb() - before;
        std::printf("%d frames of 64 data bytes\n", frames);
        std::printf("append:       %7.3f s\n", append);
        std::printf("memory:       %7.1f MB resident (%.1f MB held by the log; target at most "
                    "120 MB: %s)\n",
                    memory, static_cast<double>(log.BytesHeld()) / 1e6, verdict(memory, 120));
        const double save = secondsOf([&] { log.SaveToFile(binary); });
        std::printf("save binary:  %7.3f s (temporary file, fsync, rename; %ju bytes; target at "
                    "most 1 s: %s)\n",
                    save, static_cast<uintmax_t>(fs::file_size(binary)), verdict(save, 1));
        std::ofstream out(text, std::ios::binary);
        TPacket frame;
        for (int i = 0; i < log.Count(); ++i) {
            log.ReadFrame(i, frame);
            out << "10:00:00.000,T00," << frame.HexText() << "\r\n";
        }
    }
    TDataLog loaded;
    const double loadBinary = secondsOf([&] { loaded.LoadFromFile(binary); });
    std::printf("load binary:  %7.3f s (%d frames; target at most 1 s: %s)\n", loadBinary,
                loaded.Count(), verdict(loadBinary, 1));
    loaded.New();
    const double loadText = secondsOf([&] { loaded.LoadFromFile(text); });
    std::printf("load text:    %7.3f s (%d frames, %ju bytes; target at most 5 s: %s)\n", loadText,
                loaded.Count(), static_cast<uintmax_t>(fs::file_size(text)), verdict(loadText, 5));
    fs::remove_all(dir);
    return 0;
}

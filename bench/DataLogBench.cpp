// Time to save and load a full 300-frame capture, binary and text, on the local disk.
#include "log/DataLog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::unique_ptr<TPacket> benchFrame(int i) {
    auto frame = std::make_unique<TPacket>();
    frame->SetHeader(0xF4);
    frame->SetDataLen(64);
    for (int k = 0; k < 64; ++k) {
        frame->setData(k, k == 0 ? 1 : (i * 7 + k) & 0xFF);
    }
    frame->UpdateChecksum();
    frame->SetTime((36000.0 + i * 0.1) / 86400.0);
    frame->MessageNo = i % 4;
    return frame;
}

template <typename F> double microsecondsPer(int rounds, F&& action) {
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) {
        action();
    }
    const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
    return spent.count() / rounds;
}

} // namespace

int main() {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "DataLogBench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    const std::string binary = (dir / "full.alg").string();
    const std::string text = (dir / "full-text.alg").string();

    TDataLog log;
    for (int i = 0; i < TDataLog::Capacity; ++i) {
        log.Add(benchFrame(i), true);
    }
    {
        std::ofstream out(text, std::ios::binary);
        for (int i = 0; i < log.Count(); ++i) {
            out << "10:00:00.000,T00," << log.Frames(i).HexText() << "\r\n";
        }
    }
    const int rounds = 50;
    const double save = microsecondsPer(rounds, [&] { log.SaveToFile(binary); });
    TDataLog loaded;
    const double loadBinary = microsecondsPer(rounds, [&] { loaded.LoadFromFile(binary); });
    const double loadText = microsecondsPer(rounds, [&] { loaded.LoadFromFile(text); });

    std::printf("300 frames of 64 data bytes (%ju bytes binary, %ju bytes text)\n",
                static_cast<uintmax_t>(fs::file_size(binary)),
                static_cast<uintmax_t>(fs::file_size(text)));
    std::printf("save binary (temporary file, fsync, rename): %10.1f us\n", save);
    std::printf("load binary:                                %10.1f us\n", loadBinary);
    std::printf("load text:                                  %10.1f us\n", loadText);
    fs::remove_all(dir);
    return 0;
}

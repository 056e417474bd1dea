// Round trips of the mode 1 message 0 request against the wire-paced simulator (MAX232 echo on,
// T5 = 0) for about ten seconds: frames per second against the wire limit, and the link's own
// time per round trip beyond the wire time.
#include "ecm-sim/EcmSim.h"
#include "link/PosixSerial.h"
#include "link/RS232.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The real tty, timing how long the link spends inside the device (waiting for the wire).
class TimedSerial : public TPosixSerial {
public:
    double deviceMs = 0;
    int Read(uint8_t* buffer, int count, const TReadLimits& limits) override {
        const auto start = Clock::now();
        const int n = TPosixSerial::Read(buffer, count, limits);
        deviceMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        return n;
    }
    int Write(const uint8_t* buffer, int count, int totalMs) override {
        const auto start = Clock::now();
        const int n = TPosixSerial::Write(buffer, count, totalMs);
        deviceMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        return n;
    }
};

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    try {
        EcmSimOptions options;
        options.turnaroundMs = 0; // measure the link, not the module's think time
        EcmSim sim(options);
        sim.Start();

        TRtime timer;
        auto device = std::make_unique<TimedSerial>();
        TimedSerial& serial = *device;
        TRS232 link(timer, std::move(device));
        link.SetDevice(sim.SlavePath());
        link.Echo = true;
        link.SetT5(0);
        link.Open();

        TPacket request;
        request.FromFrameText("$F4,$57,$01,$00,$B4");
        TPacket reply;
        constexpr int wireBytes = 5 + 64;
        const double wireMs = wireBytes * 10 * 1000.0 / 8192; // 84.2 ms
        int good = 0, failed = 0;
        std::vector<std::string> failures; // the first few failure lines, for the report
        const TConsoleWriter console = [&failures](const std::string& text, int) {
            if (failures.size() < 8)
                failures.push_back(text);
        };
        const double cpuStart = threadCpuMs();
        serial.deviceMs = 0;
        const auto start = Clock::now();
        const auto end = start + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            if (link.WriteFrame(request, false, false, console) &&
                link.ReadFrame(reply, true, console, false))
                ++good;
            else
                ++failed;
        }
        const double elapsedMs =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        const double cpuMs = threadCpuMs() - cpuStart;
        const int trips = good + failed;
        const double fps = good * 1000.0 / elapsedMs;
        const double limit = 1000.0 / wireMs;
        std::printf("round trips: %d good, %d failed in %.2f s\n", good, failed, elapsedMs / 1000);
        std::printf("frames per second: %.3f (wire limit %.3f, %.2f %%)\n", fps, limit,
                    100.0 * fps / limit);
        std::printf("time per round trip: %.3f ms (wire %.3f ms)\n", elapsedMs / trips, wireMs);
        std::printf("link's own time per round trip beyond the wire: %.3f ms elapsed, %.3f ms "
                    "processor\n",
                    elapsedMs / trips - wireMs, cpuMs / trips);
        std::printf("time outside device reads and writes per round trip: %.4f ms\n",
                    (elapsedMs - serial.deviceMs) / trips);
        for (const std::string& line : failures)
            std::printf("failure: %s\n", line.c_str());
        return failed == 0 ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "LinkBench: %s\n", e.what());
        return 2;
    }
}

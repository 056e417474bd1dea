// A full run through ExecuteStep against the wire-paced simulator: frames per second against the
// wire limit of the 64-byte reply (5-byte request and 64-byte reply at 8192 baud, 10 bits a byte).
#include "ecm-sim/EcmSim.h"
#include "engine/Cartridge.h"
#include "engine/TestVehicle.h"

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    const int steps = argc > 1 ? std::atoi(argv[1]) : 120;
    EcmSimOptions o;
    o.turnaroundMs = 0; // no turnaround delay
    o.echo = true;
    o.pace = true;
    EcmSim sim(o);
    sim.Start();

    EngineRig rig({{"T1", 0}, {"T2", 2}, {"T3", 300}, {"T5", 0}});
    rig.t.Attr("RPM", 13, 16, atScaled);
    rig.Load(0);
    rig.link.SetDevice(sim.SlavePath());
    rig.link.Echo = true;
    rig.link.FrameCaptureRate = 32; // faster than the wire: pacing never waits
    rig.link.Open();
    rig.engine.ResetValues();
    rig.engine.BeginRun();

    int frames = 0, failed = 0;
    rig.engine.ExecuteStep(false, false, true); // settle the line first
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < steps; ++i) {
        auto frame = rig.engine.ExecuteStep(false, false, true);
        if (frame && frame->Header() != 0) {
            rig.engine.DecodeFrame(*frame, true);
            ++frames;
        } else {
            ++failed;
        }
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    const double wire = 8192.0 / 10.0 / (5 + 64);
    const double rate = frames / spent.count();
    std::printf("full run, FrameCaptureRate 32, echo on, T5 0: %.2f frames/s over %d steps "
                "(%d failed); wire limit %.2f frames/s: %.1f %%\n",
                rate, steps, failed, wire, 100.0 * rate / wire);
    return failed == 0 ? 0 : 1;
}

#pragma once
// The engine and the link over a pseudo-terminal against a running simulated engine module.
#include "TestVehicle.h"
#include "ecm-sim/EcmSim.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

inline const EcmBytes mode1Message0{0xF4, 0x57, 0x01, 0x00, 0xB4};

struct Line {
    std::string text;
    int level;
};

// The engine on a definition of its own, talking to a running simulator.
struct SimRig : EngineRig {
    EcmSim sim;
    std::vector<Line> lines;

    explicit SimRig(EcmSimOptions options = {}, TFields vehicle = {}, bool echo = true)
        : EngineRig(vehicle), sim(std::move(options)) {
        sim.Start();
        link.SetDevice(sim.SlavePath());
        link.Echo = echo;
        link.Open();
        engine.SetConsoleWriter([this](const std::string& text, int level) {
            lines.push_back({text, level});
        });
    }
    std::unique_ptr<TPacket> Step(bool showFrames = false) {
        return engine.ExecuteStep(showFrames, false, true);
    }
    bool Has(const std::string& text, int level) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const Line& l) { return l.text == text && l.level == level; });
    }
    int Count(const std::string& text) const {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                              [&](const Line& l) { return l.text == text; }));
    }
    // Loads a macro of the bundled sample vehicle, which chatters and has suspend and resume
    // frames that are answered.
    void LoadSample(const char* macro = "Data stream") {
        if (!t.v.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml") ||
            !t.v.Macros->Locate("MacCode", S(macro)))
            throw std::runtime_error("the sample vehicle did not load");
        engine.LoadMacro(t.v.Macros->AsInteger("MacID"));
        engine.ResetValues();
    }
};

inline EcmSimOptions quietSim() {
    EcmSimOptions o;
    o.turnaroundMs = 0;
    return o;
}

// The built-in module's mode 1 reply, as the engine must hand it back.
inline bool GenuineReply(const TPacket& frame) {
    return frame.Header() == 0xF4 && frame.FrameLen() == 64 && frame.getData(0) == 0x01 &&
           frame.ChecksumOK() && frame.getData(1) == 0x42 && frame.getData(2) == 0x7E;
}

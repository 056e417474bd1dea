// ecm-sim: a simulated engine control module on a pseudo-terminal or a serial device.
#include "ecm-sim/EcmSim.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t quit = 0;

void onSignal(int) {
    quit = 1;
}

const char* usage =
    "Usage: ecm-sim [options]\n"
    "Simulates a 1990s V8 engine module (header $F4) on the ALDL bus. By default it creates a\n"
    "pseudo-terminal, prints \"ecm-sim: listening on <path>\" as the first line and runs until\n"
    "interrupted. The request $F4,$57,$01,$00,$B4 is answered with a 64-byte mode 1 frame whose\n"
    "values move like a running engine; modes $08 (suspend chatter), $09 (resume) and $0A are\n"
    "answered with the identical frame; anything else gets no reply.\n"
    "\n"
    "Port and line:\n"
    "  --device PATH        use this device (opened raw) instead of a new pseudo-terminal\n"
    "  --echo / --no-echo   MAX232 echo of every byte the PC writes (default on)\n"
    "  --no-pace            send at once instead of at the line rate\n"
    "  --baud N             line rate for pacing (default 8192: 1.22 ms a byte)\n"
    "  --turnaround MS      delay before each reply (default 2)\n"
    "Chatter:\n"
    "  --chatter            chatter: heartbeat, silence, other frames; requests are answered\n"
    "                       only in the silence after the heartbeat; mode $08 suspends it\n"
    "  --heartbeat BYTES    heartbeat bytes (default 08,55,A3)\n"
    "  --silence MS         silence after the heartbeat (default 131)\n"
    "  --chatter-frame BYTES  a complete chatter frame; repeat for more (replaces the defaults)\n"
    "  --chatter-gap MS     time between chatter frames (default 15)\n"
    "160 baud streaming:\n"
    "  --stream160 RATE     stream 160 baud frames as line samples at RATE baud (1600 or 2400):\n"
    "                       sync (nine one bits), then per data byte a zero bit and 8 bits, most\n"
    "                       significant first, and one zero bit after each frame\n"
    "  --one-sample HEX     sample byte of a one bit (default 00)\n"
    "  --zero-sample HEX    sample byte of a zero bit (default FF)\n"
    "  --stream-bytes N     stream the first N message bytes of the mode 1 reply (default 20)\n"
    "  --stream-data BYTES  stream these data bytes instead\n"
    "Faults (P is a probability per request, 0..1; 1 = always):\n"
    "  --fault-no-echo P       leave out the echo\n"
    "  --fault-wrong-echo P    echo a different frame (valid checksum)\n"
    "  --fault-no-reply P      do not answer\n"
    "  --fault-bad-checksum P  reply with a wrong checksum\n"
    "  --fault-truncate P      send only the first half of the reply\n"
    "  --fault-stray P         send a stray byte ($5A) before the reply\n"
    "  --fault-frame-before-reply P  send a frame of another module (the heartbeat and the\n"
    "                          chatter frames in turn) just before the reply\n"
    "  --fault-frame-before-echo P   the same just before the echo of the request\n"
    "  --fault-mode HEX        the faults above hit only requests with this mode byte, e.g.\n"
    "                          08 for the suspend frame (default: every request)\n"
    "  --fault-ignore-suspend  a body module that ignores the suspend: mode $08 is answered,\n"
    "                          but the chatter goes on\n"
    "  --fault-never-silent    the bus never falls silent (a byte $AA at least every 3 ms)\n"
    "  --fault-hang-up N       hang up (close the port) when the Nth request arrives\n"
    "  --fault-no-sync160      160 baud streaming sends random samples without a sync symbol\n"
    "  --seed N                seed for the fault probabilities (default 1)\n"
    "Modules:\n"
    "  --modules FILE       extra modules with fixed replies (format below)\n"
    "  --no-builtin         leave out the built-in $F4 engine module\n"
    "Other:\n"
    "  --verbose            print every request, reply and event\n"
    "  --help               this text\n"
    "  --version            the version\n"
    "BYTES are hexadecimal bytes separated by commas or blanks, e.g. 08,55,A3 or '$F4 $56 $08'.\n"
    "\n";

EcmBytes parseBytes(const std::string& text) {
    const auto modules = ParseEcmSimModules("module 00\nreply 55 = frame " + text, "argument");
    return modules.at(0).replies.begin()->second;
}

struct BadArgument : std::runtime_error {
    using std::runtime_error::runtime_error;
};

double probability(const std::string& text) {
    std::size_t used = 0;
    double p = -1;
    try {
        p = std::stod(text, &used);
    } catch (const std::exception&) {
    }
    if (used != text.size() || p < 0 || p > 1)
        throw BadArgument("a probability must be 0..1, not \"" + text + "\"");
    return p;
}

int number(const std::string& text) {
    std::size_t used = 0;
    int n = -1;
    try {
        n = std::stoi(text, &used, 10);
    } catch (const std::exception&) {
    }
    if (used != text.size() || n < 0)
        throw BadArgument("\"" + text + "\" is not a number");
    return n;
}

EcmSimOptions parseArguments(int argc, char** argv) {
    EcmSimOptions o;
    bool ownChatterFrames = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw BadArgument(a + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::cout << usage << EcmSimModulesFormat();
            std::exit(0);
        } else if (a == "--version") {
            std::cout << "ecm-sim (Quorvin V4) " << QUORVIN_VERSION << "\n";
            std::exit(0);
        } else if (a == "--device") {
            o.device = value();
        } else if (a == "--echo") {
            o.echo = true;
        } else if (a == "--no-echo") {
            o.echo = false;
        } else if (a == "--no-pace") {
            o.pace = false;
        } else if (a == "--baud") {
            o.baud = std::max(number(value()), 1);
        } else if (a == "--turnaround") {
            o.turnaroundMs = number(value());
        } else if (a == "--chatter") {
            o.chatter = true;
        } else if (a == "--heartbeat") {
            o.heartbeat = parseBytes(value());
        } else if (a == "--silence") {
            o.silenceMs = number(value());
        } else if (a == "--chatter-frame") {
            if (!ownChatterFrames)
                o.chatterFrames.clear();
            ownChatterFrames = true;
            o.chatterFrames.push_back(parseBytes(value()));
        } else if (a == "--chatter-gap") {
            o.chatterGapMs = number(value());
        } else if (a == "--stream160") {
            o.stream160 = true;
            o.sampleBaud = number(value());
            if (o.sampleBaud != 1600 && o.sampleBaud != 2400)
                throw BadArgument("--stream160 takes 1600 or 2400");
        } else if (a == "--one-sample") {
            o.oneSample = parseBytes(value()).at(0);
        } else if (a == "--zero-sample") {
            o.zeroSample = parseBytes(value()).at(0);
        } else if (a == "--stream-bytes") {
            o.streamBytes = std::clamp(number(value()), 1, 60);
        } else if (a == "--stream-data") {
            o.streamData = parseBytes(value());
        } else if (a == "--fault-no-echo") {
            o.faults.noEcho = probability(value());
        } else if (a == "--fault-wrong-echo") {
            o.faults.wrongEcho = probability(value());
        } else if (a == "--fault-no-reply") {
            o.faults.noReply = probability(value());
        } else if (a == "--fault-bad-checksum") {
            o.faults.badChecksum = probability(value());
        } else if (a == "--fault-truncate") {
            o.faults.truncatedReply = probability(value());
        } else if (a == "--fault-stray") {
            o.faults.strayByte = probability(value());
        } else if (a == "--fault-frame-before-reply") {
            o.faults.frameBeforeReply = probability(value());
        } else if (a == "--fault-frame-before-echo") {
            o.faults.frameBeforeEcho = probability(value());
        } else if (a == "--fault-mode") {
            o.faults.onlyMode = parseBytes(value()).at(0);
        } else if (a == "--fault-ignore-suspend") {
            o.faults.ignoreSuspend = true;
        } else if (a == "--fault-never-silent") {
            o.faults.neverSilent = true;
        } else if (a == "--fault-hang-up") {
            o.faults.hangUpAfter = number(value());
        } else if (a == "--fault-no-sync160") {
            o.faults.noSync160 = true;
        } else if (a == "--seed") {
            o.seed = static_cast<unsigned>(number(value()));
        } else if (a == "--modules") {
            o.modulesFile = value();
        } else if (a == "--no-builtin") {
            o.builtinModule = false;
        } else if (a == "--verbose") {
            o.verbose = [](const std::string& line) { std::cout << line << std::endl; };
        } else {
            throw BadArgument("unknown option " + a + " (see --help)");
        }
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    EcmSimOptions options;
    try {
        options = parseArguments(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "ecm-sim: " << e.what() << "\n";
        return 2;
    }
    try {
        EcmSim sim(options);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::cout << "ecm-sim: listening on " << sim.SlavePath() << std::endl;
        sim.Start();
        while (!quit && !sim.HungUp())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        sim.Stop();
        const EcmSimCounters c = sim.Counters();
        std::cout << "ecm-sim: " << (sim.HungUp() ? "hung up" : "stopped") << "; " << c.requests
                  << " requests, " << c.answered << " answered, " << c.bytesReceived
                  << " bytes received, " << c.bytesSent << " bytes sent" << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "ecm-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

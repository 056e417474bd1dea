// A short conversation with the simulated engine module: opens the link on the simulator's
// pseudo-terminal, sends a few mode 1 requests with the MAX232 echo and prints every console line.
#include "common/Format.h"
#include "ecm-sim/EcmSim.h"
#include "link/RS232.h"

#include <cstdio>
#include <exception>

namespace {

const char* levelName(int level) {
    static const char* const names[] = {"sent", "received", "time-out", "info", "error", "note"};
    return level >= 0 && level <= 5 ? names[level] : "?";
}

} // namespace

int main() {
    try {
        EcmSim sim;
        sim.Start();

        TRtime timer;
        TRS232 link(timer);
        link.SetDevice(sim.SlavePath());
        link.Echo = true;
        const TConsoleWriter console = [&timer](const std::string& text, int level) {
            timer.Sample();
            std::printf("%s: %s  [%d %s]\n", FormatDateTime("nn:ss.zzz", timer.Now()).c_str(),
                        text.c_str(), level, levelName(level));
        };

        std::printf("Simulated engine module on %s\n", sim.SlavePath().c_str());
        link.Open();
        console(Format("%s open on %s at %d baud", link.PortName().c_str(),
                       link.DevicePath().c_str(), link.Baud()),
                clInfo);

        TPacket request;
        request.FromFrameText("$F4,$57,$01,$00,$B4"); // mode 1, message 0
        TPacket reply;
        int answered = 0;
        for (int i = 0; i < 3; ++i) {
            if (!link.WriteFrame(request, true, false, console))
                continue;
            if (!link.ReadFrame(reply, true, console, true))
                continue;
            ++answered;
            const int rpm = reply.GetBits(13, 0, 16); // data 12-13, big-endian
            const double coolant = 0.75 * reply.getData(8) - 40;
            console(Format("Engine speed %d rpm, coolant %.1f degC, battery %.1f V", rpm, coolant,
                           reply.getData(18) / 10.0),
                    clInfo);
        }
        link.Close();
        console(Format("%d of 3 requests answered; port closed", answered), clInfo);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "link-demo: %s\n", e.what());
        return 1;
    }
}

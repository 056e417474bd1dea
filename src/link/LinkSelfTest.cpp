#include "link/LinkSelfTest.h"

#include "common/Errors.h"
#include "common/Format.h"
#include "link/AppliedLine.h"
#include "link/LinkCheck.h"
#include "link/RS232.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace {

// A rate further off than this garbles the frames: both ends' UARTs together stand about 5 %.
constexpr double rateTolerance = 0.025;

// The bus's own rate: the link runs the 8192 baud bus at 8228, which the module still reads.
int busRate(int asked) {
    return asked == 8228 ? 8192 : asked;
}

double percentOff(int rate, int bus) {
    return 100.0 * std::abs(rate - bus) / bus;
}

class TSelfTest {
public:
    TSelfTest(TRS232& link, const TSelfTestSetup& setup, const TPortHelpSystem& system)
        : link_(link), setup_(setup), system_(system), device_(link.DevicePath()) {}

    TLinkSelfTest Run() {
        link_.Close();
        const std::string tty = TtyBehind(device_);
        say("Checking the link on " + device_ +
            (tty != device_ ? " (" + std::filesystem::path(tty).filename().string() + ")" : "") +
            ".");
        // A device that is no terminal (a file, /dev/null) has holders of no interest.
        if (readBackLine()) {
            checkHolders();
            if (openLink()) {
                probe();
                latency();
            }
        }
        link_.Close();
        return verdict();
    }

private:
    void say(const std::string& line) const {
        if (setup_.Say)
            setup_.Say(line);
    }
    void fail(const std::string& reason) { result_.Reasons.push_back(reason); }

    void checkHolders() {
        const std::vector<TPortHolder> holders = PortHolders(device_, THolderScan::Others, system_);
        if (holders.empty()) {
            say("No other program has it open.");
        } else {
            fail("Another program has " + device_ + " open: " + HolderList(holders) +
                 "; it would take the module's replies. Close it.");
        }
        // Daemons that take adapters are worth a word even when they have not (yet).
        for (const std::string& daemon : RunningAdapterDaemons(system_)) {
            for (const std::string& line : AdapterDaemonAdvice(daemon, device_, system_))
                say(line);
        }
    }

    bool readBackLine() {
        const TLineSettings asked{link_.Baud(), link_.DataBits(), link_.Parity()[0],
                                  link_.StopBits()};
        TAppliedLine applied;
        try {
            applied = ReadAppliedLine(device_, asked);
        } catch (const ESerialDeviceError& e) {
            deviceFailed(e.Step == TSerialStep::Open, e.Error, e.what());
            return false;
        }
        const TLineSettings& got = applied.Line;
        const int bus = busRate(asked.Baud);
        const std::string rate = bus == asked.Baud
                                     ? Format("%d baud asked", asked.Baud)
                                     : Format("%d baud asked for the %d baud bus", asked.Baud, bus);
        say(Format("Line: %s, %d applied by the driver (%.1f %% off); %d data bits, parity %c, "
                   "%d stop bit%s.",
                   rate.c_str(), got.Baud, percentOff(got.Baud, bus), got.DataBits, got.Parity,
                   got.StopBits, got.StopBits == 1 ? "" : "s"));
        for (const std::string& fault : AppliedLineFaults(asked, got))
            fail(fault);
        if (applied.LowLatencyKnown)
            say(applied.LowLatency ? "Low latency: granted by the driver."
                                   : "Low latency: the driver ignored the request.");
        return true;
    }

    // The device would not open (opening) or would not take a line setting.
    void deviceFailed(bool opening, int error, const std::string& text) {
        if (!opening && (error == ENOTTY || error == EINVAL))
            fail(device_ + " is not a serial port (" + text + ").");
        else
            fail((opening ? "Can't open " : "Can't set up ") + text + ".");
        for (const std::string& line : PortAdvice(device_, error, setup_.Reader, system_))
            say(line);
    }

    bool openLink() {
        try {
            link_.Open();
            return true;
        } catch (const std::exception& e) {
            fail(std::string("The link would not open: ") + e.what());
            return false;
        }
    }

    void probe() {
        if (!setup_.Aldl8192) {
            say("Interface not probed: a 160 baud interface only listens.");
            return;
        }
        bool echoed = false;
        try {
            echoed = setup_.Probe && setup_.Probe();
        } catch (const std::exception& e) {
            fail(std::string("The interface probe failed: ") + e.what());
            return;
        }
        const std::string echoSetting = setup_.Reader == TPortHelpFor::Runner
                                            ? "Echo in [Comm] of the ini file"
                                            : "Max232 echo in Edit > Properties, tab Comms";
        if (link_.Echo && echoed)
            say("Interface: the probe came back, as Max232 echo expects.");
        else if (link_.Echo)
            fail("The interface did not echo the probe: check the cable, its power (Hold DTR or "
                 "RTS high) and the ignition; an interface without echo needs " +
                 echoSetting + " off.");
        else if (echoed)
            fail("The interface echoes what is sent, but Max232 echo is off: turn on " +
                 echoSetting + ".");
        else
            say("Interface: no echo, as Max232 echo off expects.");
    }

    void latency() {
        const TDriverLatency latency = DriverLatency(device_, system_);
        if (latency.Known)
            say(Format("Driver latency: %d ms (latency_timer of %s).", latency.Ms,
                       latency.Tty.c_str()));
        else
            say("Driver latency: not shown by this driver.");
        for (const std::string& line : LatencyAdvice(latency))
            say(line);
    }

    TLinkSelfTest verdict() {
        result_.Usable = result_.Reasons.empty();
        if (result_.Usable) {
            say("The link is usable.");
        } else {
            say("The link is NOT usable:");
            for (const std::string& reason : result_.Reasons)
                say("- " + reason);
        }
        return result_;
    }

    TRS232& link_;
    const TSelfTestSetup& setup_;
    const TPortHelpSystem& system_;
    const std::string device_;
    TLinkSelfTest result_;
};

} // namespace

std::vector<std::string> AppliedLineFaults(const TLineSettings& asked,
                                           const TLineSettings& applied) {
    std::vector<std::string> faults;
    const int bus = busRate(asked.Baud);
    if (percentOff(applied.Baud, bus) > 100 * rateTolerance)
        faults.push_back(Format("The driver runs the line at %d baud, %.1f %% off the bus's %d: "
                                "use an adapter whose driver makes any rate (FTDI chips do).",
                                applied.Baud, percentOff(applied.Baud, bus), bus));
    if (applied.DataBits != asked.DataBits || applied.Parity != asked.Parity ||
        applied.StopBits != asked.StopBits)
        faults.push_back(Format("The driver applied %d%c%d instead of the %d%c%d asked.",
                                applied.DataBits, applied.Parity, applied.StopBits, asked.DataBits,
                                asked.Parity, asked.StopBits));
    return faults;
}

TLinkSelfTest RunLinkSelfTest(TRS232& link, const TSelfTestSetup& setup,
                              const TPortHelpSystem& system) {
    return TSelfTest(link, setup, system).Run();
}

#include "Check.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "engine/Detect.h"
#include "link/LinkSelfTest.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <cstdio>
#include <filesystem>

namespace {

// The vehicle's ALDL field ("8192", "160-808", "160-C3"), which sets the line and the probe.
std::string vehicleAldl(const std::string& file) {
    if (file.empty())
        return "8192";
    TVehicle vehicle(nullptr);
    std::string error;
    vehicle.SetErrorReporter([&error](const std::string& m) { error = m; });
    if (!std::filesystem::is_regular_file(file))
        throw EQuorvinError("Vehicle file " + file + " not found.");
    if (!vehicle.LoadFromFile(file))
        throw EQuorvinError(error.empty() ? "Can't load vehicle file " + file : error);
    return vehicle.Vehicles->AsString("ALDL");
}

void printLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

} // namespace

int RunCheck(const TRunOptions& options) {
    InitFolders();
    const TIniFile ini(IniPath());
    const std::string aldl = vehicleAldl(options.Vehicle);
    TRtime timer;
    TRS232 link(timer);
    ApplySettings(link, ini, aldl);
    if (options.Port > 0)
        link.SetPort(options.Port);
    if (!options.Device.empty())
        link.SetDevice(options.Device);

    // The probe's own console lines, indented under the report's.
    TDetect detect(link, timer, [](const std::string& text, int) {
        if (!text.empty())
            printLine("  " + text);
    });
    TSelfTestSetup setup;
    setup.Aldl8192 = aldl != "160-808" && aldl != "160-C3";
    setup.Reader = TPortHelpFor::Runner;
    setup.Probe = [&] { return detect.DetectInterface(options.Detail); };
    setup.Say = printLine;
    if (RunLinkSelfTest(link, setup).Usable)
        return ExitOK;
    std::fprintf(stderr, "quorvin-run: the link on %s is not usable\n", link.DevicePath().c_str());
    return ExitFailed;
}

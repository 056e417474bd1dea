// quorvin-run: runs a macro of a vehicle definition without the window, against a serial port,
// a device, the built-in simulator or a recorded log, and writes the log and the CSV file.
#include "Check.h"
#include "Runner.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    TRunOptions options;
    try {
        options = ParseRunOptions(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin-run: %s\n(quorvin-run --help lists the options)\n", e.what());
        return ExitUsage;
    }
    if (options.Help) {
        std::fputs(RunUsage(), stdout);
        return ExitOK;
    }
    if (options.Version) {
        std::printf("quorvin-run (Quorvin V4) %s\n", QUORVIN_VERSION);
        return ExitOK;
    }
    try {
        return options.Check ? RunCheck(options) : Run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvin-run: %s\n", e.what());
        return ExitFailed;
    }
}

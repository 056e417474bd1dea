// Any text given as the simulator's modules file either reads or is refused with a message that
// names the line. What reads is what the simulator can answer with: every request key is a length
// byte with its data, and every reply has bytes to send.
#include "FuzzSupport.h"

#include "common/Errors.h"
#include "ecm-sim/EcmSim.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<EcmSimModule> modules;
    try {
        modules = ParseEcmSimModules(text, "modules.txt");
    } catch (const EQuorvinError& error) {
        FuzzCheck(std::string(error.what()).rfind("modules.txt, line ", 0) == 0,
                  "a refused modules file names the line");
        return 0;
    }
    for (const EcmSimModule& module : modules) {
        for (const auto& [key, reply] : module.replies) {
            FuzzCheck(!key.empty() && key[0] >= 0x55 && key.size() == key[0] - 0x55u + 1,
                      "a request key is a length byte and its data");
            FuzzCheck(!reply.empty(), "a reply has bytes");
            EcmSimFrameOK(reply);
        }
    }
    return 0;
}

// Any bytes given to the vehicle file reader either load or are refused with an EQuorvinError;
// what loaded can be written again.
#include "common/Errors.h"
#include "definitions/DataPacket.h"
#include "definitions/XMLData.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TTable vehicles(VehiclesLayout());
    try {
        ReadDataPacket(reinterpret_cast<const char*>(data), size, vehicles, 1);
    } catch (const EQuorvinError&) {
        return 0;
    }
    WriteDataPacket(vehicles);
    return 0;
}

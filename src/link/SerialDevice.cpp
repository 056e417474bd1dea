#include "link/SerialDevice.h"

#include "common/Common.h"

ESerialDeviceError::ESerialDeviceError(TSerialStep step, const std::string& device, int error)
    : std::runtime_error(device + ": " + SystemErrorText(error)), Step(step), Error(error) {}

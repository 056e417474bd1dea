#pragma once
#include <stdexcept>
#include <string>

// Platform failures (port, file) are thrown as this; the message is what the user reads.
class EQuorvinError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

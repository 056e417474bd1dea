#pragma once
#include <functional>
#include <string>

// Console line levels; each has its own colour in the console.
enum TConsoleLevel : int {
    clSent = 0,     // bytes written to the link
    clReceived = 1, // bytes read from the link, chatter frames
    clTimeout = 2,  // read time-outs (forces a flush)
    clInfo = 3,     // progress and information
    clError = 4,    // errors (forces a flush)
    clNote = 5,
};

// The callback the engine and the link write their console lines through; may be empty.
using TConsoleWriter = std::function<void(const std::string& text, int level)>;

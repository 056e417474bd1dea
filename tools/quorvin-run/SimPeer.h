#pragma once
// The simulated engine module that `quorvin-run --sim` talks to, on a pseudo-terminal of its own.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TSimSettings {
    bool Echo = true;               // MAX232 echo, as the link expects it
    bool Chatter = false;           // the module chatters (the vehicle's Chatter field)
    std::vector<uint8_t> Heartbeat; // its heartbeat; empty = the simulator's own
    int Stream160 = 0;              // 1600 or 2400: a 160 baud module streaming samples
};

class TSimPeer {
public:
    // Starts the simulator; throws EQuorvinError when it cannot.
    explicit TSimPeer(const TSimSettings& settings);
    ~TSimPeer(); // stops it
    TSimPeer(const TSimPeer&) = delete;
    TSimPeer& operator=(const TSimPeer&) = delete;

    const std::string& DevicePath() const { return path_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string path_;
};

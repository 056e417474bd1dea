#pragma once
// The frames of a capture packed back to back in large blocks: no allocation per frame, and about
// 20 bytes beside the frame's own bytes, so a capture of millions of frames fits in memory.
#include "link/Packet.h"

#include <cstdint>
#include <memory>
#include <vector>

class TFrameStore {
public:
    TFrameStore() = default;
    TFrameStore(TFrameStore&&) noexcept = default;
    TFrameStore& operator=(TFrameStore&&) noexcept = default;
    TFrameStore(const TFrameStore&) = delete;
    TFrameStore& operator=(const TFrameStore&) = delete;

    int Count() const { return static_cast<int>(where_.size()); }
    // Keeps the frame's time, notes, message number and bytes from header to checksum.
    void Append(const TPacket& frame);
    // Frame i (0 .. Count()-1) into out, which is cleared first.
    void Read(int i, TPacket& out) const;
    uint32_t Notes(int i) const;
    void SetNotes(int i, uint32_t notes);
    double Time(int i) const;
    void Clear();
    // Memory held, for the figures of the benchmarks.
    size_t BytesHeld() const;

private:
    static constexpr size_t BlockSize = size_t{1} << 20;

    uint8_t* at(int i) const;

    std::vector<std::unique_ptr<uint8_t[]>> blocks_;
    std::vector<uint64_t> where_; // block index << 32 | offset in the block
    size_t used_ = BlockSize;     // of the last block; full when there is none
};

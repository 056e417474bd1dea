#include "log/FrameStore.h"

#include <cstring>

namespace {

// A stored frame: time (double), time in ms, notes, message number, then the frame's bytes.
constexpr size_t TimeAt = 0;
constexpr size_t TimeMsAt = 8;
constexpr size_t NotesAt = 12;
constexpr size_t MessageNoAt = 16;
constexpr size_t BytesAt = 20;

// Header to checksum, the length byte as read: what the frame's texts and records show.
int storedLength(uint8_t lengthByte) {
    return (lengthByte < 0x55 ? 0 : lengthByte - 0x55) + 3;
}

} // namespace

void TFrameStore::Append(const TPacket& frame) {
    const size_t length = static_cast<size_t>(frame.FrameLen());
    const size_t size = BytesAt + length;
    if (used_ + size > BlockSize) {
        blocks_.push_back(std::make_unique_for_overwrite<uint8_t[]>(BlockSize));
        used_ = 0;
    }
    uint8_t* p = blocks_.back().get() + used_;
    std::memcpy(p + TimeAt, &frame.Time, sizeof frame.Time);
    std::memcpy(p + TimeMsAt, &frame.TimeMs, sizeof frame.TimeMs);
    std::memcpy(p + NotesAt, &frame.Notes, sizeof frame.Notes);
    std::memcpy(p + MessageNoAt, &frame.MessageNo, sizeof frame.MessageNo);
    std::memcpy(p + BytesAt, frame.Bytes, length);
    where_.push_back((static_cast<uint64_t>(blocks_.size() - 1) << 32) | used_);
    used_ += size;
}

uint8_t* TFrameStore::at(int i) const {
    const uint64_t w = where_[static_cast<size_t>(i)];
    return blocks_[static_cast<size_t>(w >> 32)].get() + (w & 0xFFFFFFFFu);
}

void TFrameStore::Read(int i, TPacket& out) const {
    const uint8_t* p = at(i);
    out.Clear();
    std::memcpy(&out.Time, p + TimeAt, sizeof out.Time);
    std::memcpy(&out.TimeMs, p + TimeMsAt, sizeof out.TimeMs);
    std::memcpy(&out.Notes, p + NotesAt, sizeof out.Notes);
    std::memcpy(&out.MessageNo, p + MessageNoAt, sizeof out.MessageNo);
    std::memcpy(out.Bytes, p + BytesAt, static_cast<size_t>(storedLength(p[BytesAt + 1])));
}

uint32_t TFrameStore::Notes(int i) const {
    uint32_t notes;
    std::memcpy(&notes, at(i) + NotesAt, sizeof notes);
    return notes;
}

void TFrameStore::SetNotes(int i, uint32_t notes) {
    std::memcpy(at(i) + NotesAt, &notes, sizeof notes);
}

double TFrameStore::Time(int i) const {
    double time;
    std::memcpy(&time, at(i) + TimeAt, sizeof time);
    return time;
}

void TFrameStore::Clear() {
    blocks_.clear();
    where_.clear();
    where_.shrink_to_fit();
    used_ = BlockSize;
}

size_t TFrameStore::BytesHeld() const {
    return blocks_.size() * BlockSize + where_.capacity() * sizeof(uint64_t);
}

#pragma once
#include "link/Packet.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

// The capture buffer: the frames of one capture in arrival order (logged during a run or loaded
// from a log file) and, in the slot after them, the latest frame of a run that is not logging.
//
// Log files (".alg") are binary or text, without a file header.
//
// Binary: one record per frame, back to back, all fields fixed-size bytes, multi-byte fields
// little-endian, so the files read the same on every machine:
//   offset  size  content
//   0       9     time of day as ASCII digits "hhmmsszzz" (00..23, 00..59, 00..59, 000..999)
//   9       4     Notes, 32-bit unsigned little-endian (bit k = note k + 1)
//   13      1     MessageNo, low 8 bits
//   14      1     header
//   15      1     length byte, $55 + n (never below $55)
//   16      n     data bytes
//   16 + n  1     checksum as stored in the frame (not recomputed)
// A record is 17 + n bytes long (17 to 187).
//
// Text: lines ending in CR LF, each frame line "hh:mm:ss.zzz,Tnn," followed by the frame as a
// byte list text ("T" and the message number may be missing; the frame text then starts at
// character 15), optionally preceded by a note line "NOTE:" and the notes in decimal. A file is
// text when its third byte is ":" or when it starts with "NOTE:" (any case).
//
// Saving under the extension ".BIN" (any case) writes only the data bytes after the mode byte of
// each frame, back to back: the raw data stream.
class TDataLog {
public:
    static constexpr int Capacity = 300;
    using TProgress = std::function<void(int percent)>;

    TDataLog();
    TDataLog(const TDataLog&) = delete;
    TDataLog& operator=(const TDataLog&) = delete;

    // Frees every frame, the live one included; Empty becomes true.
    void Clear();
    // A new capture: no file name, no frames.
    void New();

    // The frame in slot i (0..299); an empty slot gives the cleared EmptyFrame. The log keeps it.
    // Decoding records its notes in the frame, hence the writable frame.
    TPacket& Frames(int i);
    const TPacket& Frames(int i) const;
    // Appends the frame (append) or puts it in the live slot after the captured frames. The log
    // takes the frame either way; a full buffer raises "Frame capture buffer is full" (for the
    // live slot too). A null frame adds nothing.
    void Add(std::unique_ptr<TPacket> frame, bool append);

    int Count() const { return count_; }
    bool Empty() const { return empty_; }
    const std::string& FileName() const { return fileName_; }
    void SetOnProgress(TProgress onProgress) { onProgress_ = std::move(onProgress); }

    // Loads a binary or text log; an empty name reloads FileName, a name without extension gets
    // ".alg". A failed load raises its message and leaves the log as it was.
    void LoadFromFile(const std::string& name);
    // True when the last load ended at a record cut short by the end of the file.
    bool LastLoadTruncated() const { return lastLoadTruncated_; }
    // Writes the captured frames (nothing while Empty) through a temporary file, so a failed
    // save leaves any earlier file of that name whole.
    void SaveToFile(const std::string& name);

private:
    using TSlots = std::array<std::unique_ptr<TPacket>, Capacity>;

    mutable TPacket EmptyFrame; // cleared again whenever it is handed out
    std::string fileName_;
    TSlots frames_;
    int count_ = 0;
    bool empty_ = true;
    bool lastLoadTruncated_ = false;
    TProgress onProgress_;
};

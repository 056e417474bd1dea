#pragma once
#include "common/Errors.h"
#include "link/Packet.h"
#include "log/FrameStore.h"

#include <functional>
#include <memory>
#include <string>

// Raised by a progress callback to end a load early; the log stays as it was.
class ELoadCancelled : public EQuorvinError {
public:
    ELoadCancelled() : EQuorvinError("Loading cancelled") {}
};

// The capture: the frames of one capture in arrival order (logged during a run or loaded from a
// log file) and, after them, the latest frame of a run that is not logging (the live frame).
// It grows as frames arrive, up to a limit the user sets, and keeps them packed (TFrameStore).
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
    static constexpr int DefaultLimit = 2000000; // about 46 hours at the wire limit
    // Told the progress of a load before each frame; it may raise ELoadCancelled.
    using TProgress = std::function<void(int percent)>;

    TDataLog();
    TDataLog(const TDataLog&) = delete;
    TDataLog& operator=(const TDataLog&) = delete;

    // Frees every frame, the live one included; Empty becomes true.
    void Clear();
    // A new capture: no file name, no frames.
    void New();

    // A copy of frame i: 0 .. Count()-1 the captured frames, Count() the live frame (cleared
    // when there is none). Any other i raises the index message with the range 0-Count().
    TPacket Frames(int i) const;
    void ReadFrame(int i, TPacket& out) const;
    // The notes of captured frame i (0 .. Count()-1); decoding fires them into a copy of the
    // frame, and the caller writes them back here.
    uint32_t Notes(int i) const;
    void SetNotes(int i, uint32_t notes);
    // The time of day (days) of captured frame i, without copying the frame.
    double FrameTime(int i) const;
    // Appends the frame (append) or makes it the live frame. A capture that holds Limit()
    // frames raises "Frame capture buffer is full" (for the live frame too). A null frame adds
    // nothing.
    void Add(std::unique_ptr<TPacket> frame, bool append);
    void Add(const TPacket& frame, bool append);

    int Count() const { return frames_.Count(); }
    bool Empty() const { return empty_; }
    bool Full() const { return Count() >= limit_; }
    int Limit() const { return limit_; }
    // At least 1; a capture already longer keeps its frames and takes no more.
    void SetLimit(int frames);
    const std::string& FileName() const { return fileName_; }
    // The frames no longer belong to the file they came from (a journal taken over).
    void DetachFile() { fileName_.clear(); }
    void SetOnProgress(TProgress onProgress) { onProgress_ = std::move(onProgress); }
    size_t BytesHeld() const { return frames_.BytesHeld(); }

    // Loads a binary or text log of any length; an empty name reloads FileName, a name without
    // extension gets ".alg". A file that cannot be read or yields no frame raises its message
    // and leaves the log as it was; so does ELoadCancelled from the progress callback. A
    // damaged record keeps the frames before it and sets LoadWarning.
    void LoadFromFile(const std::string& name);
    // True when the last load ended at a record cut short by the end of the file.
    bool LastLoadTruncated() const { return lastLoadTruncated_; }
    // "File %s is damaged after frame %d; %d frames loaded." when the last load stopped at a
    // damaged record, else empty.
    const std::string& LoadWarning() const { return loadWarning_; }
    // Frames of the last load whose checksum does not match their bytes.
    int BadChecksums() const { return badChecksums_; }
    // Writes the captured frames (nothing while Empty) through a temporary file, so a failed
    // save leaves any earlier file of that name whole.
    void SaveToFile(const std::string& name);

private:
    void checkIndex(int i, int last, const char* operation) const;

    std::string fileName_;
    TFrameStore frames_;
    TPacket live_; // cleared when there is no live frame
    bool empty_ = true;
    int limit_ = DefaultLimit;
    bool lastLoadTruncated_ = false;
    std::string loadWarning_;
    int badChecksums_ = 0;
    TProgress onProgress_;
};

// The binary record of a frame (see TDataLog), appended to out.
void AppendLogRecord(const TPacket& frame, std::string& out);
// The data bytes after the mode byte, as a ".BIN" file holds them, appended to out.
void AppendDataStream(const TPacket& frame, std::string& out);
// True when the name's extension is ".BIN" in any case: the raw data stream.
bool IsDataStreamName(const std::string& name);

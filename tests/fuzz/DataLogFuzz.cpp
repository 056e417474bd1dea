// Any bytes given as a log file, binary or text, either load or are refused with a message. What
// loaded saves, and the saved file loads back as the same frames: time to the millisecond,
// notes, message number and every byte from header to checksum. Saving it once more gives the
// same file.
#include "FuzzSupport.h"

#include "common/Errors.h"
#include "log/DataLog.h"

#include <cstddef>
#include <cstdint>

namespace {

void checkSameFrame(const TPacket& a, const TPacket& b) {
    FuzzCheck(a.TimeMs == b.TimeMs, "a frame keeps its time");
    FuzzCheck(a.Notes == b.Notes, "a frame keeps its notes");
    FuzzCheck((a.MessageNo & 0xFF) == (b.MessageNo & 0xFF), "a frame keeps its message number");
    FuzzCheck(a.Header() == b.Header(), "a frame keeps its header");
    FuzzCheck(a.LengthByte() == b.LengthByte(), "a frame keeps its length");
    for (int i = 0; i < a.DataLen(); ++i) {
        FuzzCheck(a.getData(i) == b.getData(i), "a frame keeps its data bytes");
    }
    FuzzCheck(a.Checksum() == b.Checksum(), "a frame keeps its checksum as read");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzScratch scratch;
    TDataLog log;
    try {
        log.LoadFromFile(scratch.Write("input.alg", data, size));
    } catch (const EQuorvinError&) {
        FuzzCheck(log.Empty(), "a refused file leaves the log as it was");
        return 0;
    }
    FuzzCheck(log.Empty() == (log.Count() == 0), "a log is empty exactly when it has no frames");
    if (log.Empty()) {
        return 0;
    }
    const std::string saved = scratch.File("saved.alg");
    log.SaveToFile(saved);
    log.SaveToFile(scratch.File("saved.bin")); // the raw data stream: written, not read back

    TDataLog reloaded;
    reloaded.LoadFromFile(saved); // a file the program wrote must load
    FuzzCheck(!reloaded.LastLoadTruncated(), "a saved log is whole");
    FuzzCheck(reloaded.Count() == log.Count(), "a saved log keeps every frame");
    for (int i = 0; i < log.Count(); ++i) {
        checkSameFrame(log.Frames(i), reloaded.Frames(i));
    }
    const std::string again = scratch.File("again.alg");
    reloaded.SaveToFile(again);
    FuzzCheck(FuzzScratch::Read(saved) == FuzzScratch::Read(again), "a reloaded log saves alike");
    return 0;
}

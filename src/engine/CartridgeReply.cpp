// Telling the module's replies from the rest of the bus, and the suspend and resume exchanges.
#include "engine/Cartridge.h"

#include "common/Format.h"
#include "link/RS232.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// A garbled exchange with a module that has answered is sent again at most this often.
constexpr int maxRetries = 4;

// The reply to request comes from its module and, for a request with a mode, repeats the mode.
bool isReply(const TPacket& frame, const TPacket& request, bool hasMode) {
    return frame.Header() == request.Header() &&
           (!hasMode || (frame.DataLen() > 0 && frame.getData(0) == request.getData(0)));
}

// A request whose echo went wrong may see its real echo yet; a copy after that is a reply.
bool takeAsReply(const TPacket& frame, const TPacket& request, bool hasMode, bool& lateEcho) {
    if (lateEcho && request.SameBytes(frame, 0)) {
        lateEcho = false;
        return false;
    }
    return isReply(frame, request, hasMode);
}

int64_t msUntil(Clock::time_point due) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
}

// Suspend and resume frames carry their mode as their first data byte.
bool hasModeByte(const TPacket& frame) {
    return frame.DataLen() > 0;
}

} // namespace

bool TCartridge::readReply(TPacket& frame, const TPacket& request, bool hasMode, bool lateEcho) {
    // Bus frames are read within the time the reply's header had: T5, then T2 + T3.
    const Clock::time_point due =
        Clock::now() + std::chrono::milliseconds(Link.T5() + Link.T2() + Link.T3());
    const bool unbounded = Link.T2() == 0 && Link.T3() == 0; // reads wait as long as it takes
    bool ok = Link.ReadFrame(frame, true, ConsoleWriter, ConsoleDetail);
    int skipped = 0;
    while (ok && !takeAsReply(frame, request, hasMode, lateEcho)) {
        ++skipped;
        ++busFrames_;
        detail("Bus frame, not the reply: " + frame.HexText(), clReceived);
        frame.Clear();
        const auto left = msUntil(due) - Link.T2();
        if (!unbounded && left <= 0) {
            console(Format("Com timeout: No reply from $%.2x among %d other frame(s)",
                           request.Header(), skipped),
                    clTimeout);
            ok = false;
            break;
        }
        if (!unbounded) {
            Link.SetTimeouts(-1, -1, static_cast<int>(left));
        }
        ok = Link.ReadFrame(frame, false, ConsoleWriter, ConsoleDetail);
    }
    if (skipped > 0) {
        Link.SetTimeouts(-1, -1, -1);
    }
    return ok;
}

bool TCartridge::writeRequest(bool showFrames, bool testMode) {
    if (showFrames && !ConsoleDetail) {
        console("Send: " + RequestFrame.HexText(), clSent);
    }
    const uint64_t before = Link.BytesRead();
    const bool echoed = Link.WriteFrame(RequestFrame, ConsoleDetail, testMode, ConsoleWriter);
    echoGarbled_ = !echoed && Link.BytesRead() != before;
    return echoed;
}

bool TCartridge::replyInPlaceOfEcho(TPacket& frame, bool hasMode, bool echoed) {
    // An interface that drops the echo lets the reply arrive where the echo was read. A frame of
    // the request's own length is not taken: it may be a garbled echo of the request itself.
    const TPacket& read = Link.EchoFrame;
    if (echoed || !Link.Echo || read.FrameLen() == RequestFrame.FrameLen() ||
        !isReply(read, RequestFrame, hasMode)) {
        return false;
    }
    detail("The echo was lost; the reply came in its place", clInfo);
    const double stamped = frame.Time;
    frame = read;
    frame.SetTime(stamped);
    frame.Notes = 0;
    return true;
}

bool TCartridge::receiveReply(TPacket& frame, bool hasMode, bool echoed, bool showFrames,
                              int lengthByte) {
    if (!Aldl8192) {
        return Link.Read160Frame(frame, RequestFrame.getData(1), ConsoleWriter, ConsoleDetail,
                                 lengthByte);
    }
    uint64_t before = Link.BytesRead();
    bool ok = replyInPlaceOfEcho(frame, hasMode, echoed) ||
              readReply(frame, RequestFrame, hasMode, Link.Echo && !echoed);
    // A module that has answered is there, and bytes that came back garbled show a noisy bus:
    // that costs a retry, not the step. Silence is not retried, so that a module that has gone
    // away, or never answered, ends the run quickly.
    for (int retry = 0; !ok && retry < maxRetries; ++retry) {
        const bool garbled = echoGarbled_ || Link.BytesRead() != before;
        if (!answered_ || !garbled) {
            break;
        }
        console("Sending the request again", clInfo);
        echoed = writeRequest(showFrames, false);
        before = Link.BytesRead();
        ok = replyInPlaceOfEcho(frame, hasMode, echoed) ||
             readReply(frame, RequestFrame, hasMode, Link.Echo && !echoed);
    }
    answered_ = answered_ || ok;
    return ok;
}

bool TCartridge::suspendChatter() {
    detail("Send suspend command: " + SuspendFrame.HexText(), clInfo);
    const bool echoed = Link.WriteFrame(SuspendFrame, ConsoleDetail, false, ConsoleWriter);
    if (echoed && (!SuspendReply ||
                   readReply(ScratchFrame, SuspendFrame, hasModeByte(SuspendFrame), false))) {
        Suspended = true;
        ChatterActive = false;
        answered_ = answered_ || SuspendReply;
        return true;
    }
    // The module may have taken the suspend all the same, and would then wait silently for
    // requests while the engine waits for its heartbeat: tell it to resume and start over.
    console("Suspending the chatter failed - resuming and synchronising again", clError);
    if (!Resume.empty()) {
        detail("Send resume command: " + ResumeFrame.HexText(), clInfo);
        Link.WriteFrame(ResumeFrame, ConsoleDetail, false, ConsoleWriter);
        // The next synchronisation waits for bus silence and so lets the resume reply go by;
        // without a heartbeat to wait for, the reply is read here.
        if (ResumeReply && (HeartBeat.empty() || HeartbeatLen <= 0)) {
            readReply(ScratchFrame, ResumeFrame, hasModeByte(ResumeFrame), false);
        }
    }
    Suspended = false;
    ChatterActive = true;
    return false;
}

void TCartridge::ResumeChatter() {
    if (!Chatter || !Suspended || Resume.empty()) {
        return;
    }
    console("Resuming normal ALDL communications...", clInfo);
    detail("Send resume command: " + ResumeFrame.HexText(), clInfo);
    Link.WriteFrame(ResumeFrame, ConsoleDetail, false, ConsoleWriter);
    if (ResumeReply) {
        readReply(ScratchFrame, ResumeFrame, hasModeByte(ResumeFrame), false);
    }
    Suspended = false;
    ChatterActive = true;
}

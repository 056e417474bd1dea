// The conversation with the vehicle: one request and its reply per step.
#include "engine/Cartridge.h"

#include "common/Common.h"
#include "common/Format.h"
#include "link/RS232.h"
#include "link/Rtime.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <thread>

namespace {

constexpr int testDataLen = 56;

// Round half to even, kept inside 64 bits for any scale a user types.
int64_t roundToInt(double v) {
    if (!(v > -9.0e18 && v < 9.0e18)) {
        return 0;
    }
    return static_cast<int64_t>(std::nearbyint(v));
}

// Position of the first occurrence of a three-character placeholder, regardless of case.
size_t findPlaceholder(const std::string& text, const char* placeholder) {
    for (size_t i = 0; i + 3 <= text.size(); ++i) {
        bool same = true;
        for (size_t k = 0; k < 3 && same; ++k) {
            same = std::toupper(static_cast<unsigned char>(text[i + k])) == placeholder[k];
        }
        if (same) {
            return i;
        }
    }
    return std::string::npos;
}

void replaceAt(std::string& text, size_t at, const std::string& by) {
    if (at != std::string::npos) {
        text.replace(at, 3, by);
    }
}

} // namespace

void TCartridge::passTimingsToLink() {
    Link.SetT1(Clamp(T1, 0, 1000));
    Link.SetT2(Clamp(T2, 0, 100));
    Link.SetT3(Clamp(T3, 0, 1000));
    Link.SetT4(Clamp(T4, 0, 100));
    Link.SetT5(Clamp(T5, 0, 100));
    Link.SetT6(Clamp(T6, 10, 1000));
}

std::string TCartridge::placeholderText() const {
    const TMacroItem& item = Items[ItemIndex];
    const TRequest& r = item.Request;
    const std::string& source = r.Parameters; // positions are found in the unreplaced text
    std::string text = source;

    size_t xx = findPlaceholder(source, ":XX");
    if (xx == std::string::npos) {
        xx = findPlaceholder(source, "$XX");
    }
    if (xx != std::string::npos) {
        const double ov = ReadNumber(r.Override, 0);
        const int64_t v = roundToInt(double{r.Scale.Factor} * ov + double{r.Scale.Offset});
        replaceAt(text, xx, HexByteText(static_cast<int>(v & 0xFF)));
    }
    const uint64_t k = static_cast<uint64_t>(
        roundToInt(double{static_cast<float>(IterCount)} * r.Scale.Factor + r.Scale.Offset));
    static const char* const blocks[] = {":B1", ":B2", ":B3", ":B4"};
    for (int b = 3; b >= 0; --b) {
        replaceAt(text, findPlaceholder(source, blocks[b]),
                  HexByteText(static_cast<int>(k >> (8 * b) & 0xFF)));
    }
    return text;
}

void TCartridge::BuildRequest() {
    if (ItemIndex < 0 || ItemIndex >= ItemCount) {
        return;
    }
    const TMacroItem& item = Items[ItemIndex];
    RequestFrame.SetHeader(item.ModuleID);
    const std::string params = placeholderText();
    RequestFrame.SetDataText(item.ModeByte.empty() ? params : item.ModeByte + "," + params);
    RequestFrame.UpdateChecksum();
}

void TCartridge::BeginRun() {
    ChatterActive = Chatter;
    Suspended = !Chatter;
    busFrames_ = 0;
    answered_ = false;
    const int rate = Link.FrameCaptureRate;
    if (rate > 0) {
        IntervalTicks = Timer.Frequency > 0 ? Timer.Frequency / rate : 1000 / rate;
        Timer.Reset();
        NextDue = Timer.Count();
    }
}

bool TCartridge::SyncHeartbeat() {
    if (!Chatter) {
        return true;
    }
    if (HeartBeat.empty() || HeartbeatLen <= 0) {
        detail("Heartbeat not specified - no synchronisation performed", clInfo);
        return true;
    }
    console("Synchronising ALDL communications...", clInfo);
    console("Waiting for heartbeat: " + HeartbeatFrame.BytesText(), clInfo);
    Link.WaitForSilence(ConsoleWriter);
    for (int i = 0; i < 32; ++i) {
        if (!Link.ReadFrame(ScratchFrame, false, ConsoleWriter, ConsoleDetail)) {
            detail("No heartbeat found - ALDL not synchronised yet", clInfo);
            return false;
        }
        detail(Format("Frame: %02d = %s", i, ScratchFrame.HexText().c_str()), clReceived);
        if (ScratchFrame.SameBytes(HeartbeatFrame, HeartbeatLen)) {
            detail("Found heartbeat: " + ScratchFrame.HexText() + " - ALDL synchronised", clInfo);
            if (T4 > 0) {
                detail(Format("Waiting %d milliseconds after heartbeat", T4), clInfo);
                Timer.Wait(T4);
            }
            return true;
        }
    }
    console("Heartbeat not found in previous 32 chatter frames - giving up looking for heartbeat",
            clError);
    return false;
}

void TCartridge::pace(bool preciseTiming) {
    const int rate = Link.FrameCaptureRate;
    if (rate <= 0) {
        return;
    }
    Timer.Sample();
    if (Timer.Count() < NextDue) {
        if (preciseTiming) {
            Timer.WaitUntil(NextDue);
            Timer.Sample();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1000 / rate));
        }
    } else if (Timer.Count() - NextDue > IntervalTicks) {
        // Far behind the schedule (a pause, a slow reply): start it again from now, rather than
        // sending the missed requests back to back.
        NextDue = Timer.Count();
    }
    NextDue += IntervalTicks;
}

void TCartridge::fillTestData(TPacket& frame) const {
    frame.SetHeader(RequestFrame.Header());
    frame.SetDataLen(testDataLen);
    frame.setData(0, RequestFrame.Mode());
    for (int i = 1; i < testDataLen; ++i) {
        const double day = LocalNow();
        const double seconds = (day - std::floor(day)) * 86400.0;
        frame.setData(i, static_cast<int>(static_cast<int64_t>(seconds * i) % 256));
    }
    frame.UpdateChecksum();
}

std::unique_ptr<TPacket> TCartridge::ExecuteStep(bool showFrames, bool testMode,
                                                 bool preciseTiming) {
    if (ItemIndex < 0) {
        ItemIndex = 0;
    }
    if (ItemIndex >= ItemCount) {
        // An image without items has nothing to run, Restart or not.
        if (!Restart || ItemCount == 0) {
            return nullptr;
        }
        ItemIndex = 0;
    }
    Link.SetTimeouts(-1, -1, -1);
    BuildRequest();

    bool echoed = false;
    roundTripMs_ = 0;
    std::chrono::steady_clock::time_point sent{};
    if (Aldl8192) {
        if (!testMode && ChatterActive) {
            // A failed suspension has been undone; the next step synchronises and tries again.
            if (!SyncHeartbeat() || (!Suspend.empty() && !suspendChatter())) {
                return nullptr;
            }
        }
        pace(preciseTiming);
        sent = std::chrono::steady_clock::now();
        echoed = writeRequest(showFrames, testMode);
    }

    const TMacroItem& item = Items[ItemIndex];
    const bool hasMode = !item.ModeByte.empty();
    const bool reply = item.Request.Reply, procReply = item.Request.ProcReply;
    const int lengthByte = Clamp(item.Request.LengthByte, 0, TRS232::MaxData160);
    ++IterCount;
    // At or past the count (a count left from another macro), so a finite item always ends.
    if (item.Iters > 0 && IterCount >= item.Iters) {
        ++ItemIndex;
        IterCount = 0;
    }

    auto result = std::make_unique<TPacket>();
    Timer.Sample();
    result->SetTime(Timer.Now());
    if (!reply) {
        result->SetHeader(0);
        result->UpdateChecksum();
        return result;
    }
    if (testMode) {
        fillTestData(*result);
        if (showFrames && !ConsoleDetail) {
            console("Test data: " + result->HexText(), clReceived);
        }
    } else {
        if (!receiveReply(*result, hasMode, echoed, showFrames, lengthByte)) {
            detail("Aborting request due to previous error", clError);
            return nullptr;
        }
        if (Aldl8192) {
            roundTripMs_ =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent)
                    .count();
        }
        if (showFrames && !ConsoleDetail) {
            console("Recv: " + result->HexText(), clReceived);
        }
    }
    if (RequestFrame.Mode() == 1) {
        result->MessageNo = RequestFrame.getData(1);
    }
    if (!procReply) {
        result->SetHeader(0);
        result->UpdateChecksum();
    }
    return result;
}

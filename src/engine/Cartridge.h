#pragma once
// The macro engine: the runtime image of one macro (compiled from the vehicle definition), the
// conversation with the vehicle that runs it, and the decoding of replies into values.
//
// The image is plain records in arrays, rebuilt by every LoadMacro; the views read it directly.
// Decoding (DecodeFrame) works on the image alone and allocates nothing.
#include "common/ConsoleLevels.h"
#include "link/Packet.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TVehicle;
class TRS232;
class TRtime;

// A chart or gauge asks for a value that does not exist.
constexpr float MissingValue = 99999;

constexpr int NoteCount = 32;     // notes 1..32, bit n-1 of a frame's Notes
constexpr int PickListSize = 512; // chartable and dashable values of a macro
constexpr int LookupSize = 256;   // a lookup table answers every raw byte

// A scale row, for requests and attributes alike.
struct TScale {
    std::string SCode, SDesc;
    float Factor = 0, Offset = 0;
    bool Invert = false, Reverse = false;
    std::string Units;
    bool Signed = false, Hex = false;
    float AlarmMin = 0, AlarmMax = 0, DisplayMin = 0, DisplayMax = 0;
    std::string DescMin, DescOk, DescMax, Comments;
};

struct TDTCs {
    int32_t Bit = 0;
    std::string Desc;
    int32_t Dash = 0;
    std::string TCode;
    int32_t Note = 0;
    std::string DTC;
    bool CEL = false;
    std::string Reference, Comments;
};

// B0/TCode0/Note0 describe the bit when it is 0, B1/TCode1/Note1 when it is 1.
struct TFlags {
    int32_t Bit = 0;
    std::string Desc;
    int32_t Dash = 0;
    std::string B0, TCode0;
    int32_t Note0 = 0;
    std::string B1, TCode1;
    int32_t Note1 = 0;
    std::string Comments;
};

struct TEnums {
    int32_t Value = 0;
    std::string Desc, TCode;
    int32_t Note = 0;
    std::string Comments;
};

struct TTableEntry {
    int32_t RawByte = 0;
    float Value = 0;
};

// One decoded attribute with its run state.
struct TAttr {
    int32_t AID = 0;
    std::string ACode, ADesc, TCode;
    float Start = 0; // byte.bit: data byte index, first decimal = lowest bit
    int32_t Bits = 0;
    int32_t AType = 0;
    bool Visible = true;
    int32_t Chart = 0, Series = 0, Dash = 0;
    std::string DashFmt;
    int32_t RawValue = 0; // run state: raw value of the last decoded frame
    int32_t PrevRaw = 0;  // run state: the raw value before (change detection)
    float Value = 0;      // run state: the engineering value
    float AboveMaxCount = 0, BelowMinCount = 0, SampleCount = 0; // kept by the value list
    std::string Comments;
    TScale Scale;
    int32_t TableCount = 0;
    int32_t DTCCount = 0;
    std::vector<TDTCs> DTCs;
    int32_t FlagCount = 0;
    std::vector<TFlags> Flags;
    int32_t ShownRaw = 0; // run state kept by the DTC and flag views
    int32_t EnumCount = 0;
    std::vector<TEnums> Enums;

    // Start taken apart once at load: the data byte (-1 when Start names no byte of a frame)
    // and the bit of the lowest bit in it.
    int32_t StartByte = -1;
    int32_t StartBit = 0;
    // The notes of the DTC and flag rows by bit 0..7, gathered once at load so that decoding
    // tests a changed bit without walking the rows: fired when the bit sets (DTC Note, flag
    // Note1) and when it clears (flag Note0).
    std::array<uint32_t, 8> NotesOnSet{};
    std::array<uint32_t, 8> NotesOnClear{};
    // The lookup table, indexed by raw value 0..255; last, so that the fields decoding reads
    // for every attribute sit together.
    std::array<TTableEntry, LookupSize> Table{};
};

struct TRequest {
    int32_t RID = 0;
    std::string RCode, RDesc;
    bool Reply = false, ProcReply = false;
    int32_t LengthByte = 0; // at 160 baud the number of data bytes to read
    int32_t MessageNo = 0;  // mode 1 message number, else 0; replies are matched by it
    std::string Parameters, Prompt, Override, Comments;
    TScale Scale;
    int32_t AttrCount = 0;
    std::vector<TAttr> Attrs;
};

// One executable macro item.
struct TMacroItem {
    int32_t IID = 0, Seq = 0;
    int32_t ModuleID = 0; // the request header
    std::string MCode;
    std::string ModeByte; // as typed, may be empty
    int32_t ModeValue = 0;
    std::string RCode;
    int32_t Iters = 0; // consecutive runs; 0 or less = without end
    std::string Comments;
    TRequest Request;
};

// One chartable or dashable value of the loaded macro (filled by the chart host, read by the
// legend and the gauge menus). An entry whose Name is empty is free.
struct TPickListItem {
    std::string Name, Units;
    double DisplayMin = 0, DisplayMax = 0;
    double AlarmMin = 0, AlarmMax = 0;
    int32_t Item = 0, Attr = 0;
    int32_t Sub = 0;  // DTC or flag index, -1 for a value
    int32_t Bit = 0;  // DTC or flag bit, -1 for a value
    int32_t Kind = 0; // 0 value, 3 DTC, 4 flag
    std::string DescMin, DescOk, DescMax;
};

// The text of an attribute's current value; quoted puts enumeration texts in single quotes (CSV).
std::string ValueText(const TAttr& attr, bool quoted);

class TCartridge {
public:
    // The engine keeps references to the definition, the link and the program's timer.
    TCartridge(TVehicle& vehicle, TRS232& link, TRtime& timer, TConsoleWriter consoleWriter = {});
    TCartridge(const TCartridge&) = delete;
    TCartridge& operator=(const TCartridge&) = delete;

    // ---- runtime image ----
    // Builds the image of the macro with this MacID from the current vehicle; an unknown MacID
    // leaves an empty image. Ends by calling OnLoaded.
    void LoadMacro(int macID);
    void ResetValues();
    // 99999 when item or attr is negative (or beyond the image); with bit < 0 the attribute's
    // Value, else that bit of its RawValue as 0 or 1.
    float GetAttrValue(int item, int attr, int bit) const;
    std::string GetNoteName(int k) const; // k 0..31, else "?k?"
    void SetNoteName(int k, const std::string& text);
    TPickListItem GetPickListItem(int k) const; // k 0..511; else an empty entry
    void SetPickListItem(int k, const TPickListItem& item);
    void ClearPickList();
    // Records which chart series or gauge shows an attribute (or one DTC or flag bit of it), in
    // the definition and the image at once; -1 leaves that part unassigned.
    void AssignDisplay(int chart, int series, int bit, int entry, int item, int attr, int dash);
    void SetOnLoaded(std::function<void()> callback) { OnLoaded = std::move(callback); }
    void SetConsoleWriter(TConsoleWriter writer) { ConsoleWriter = std::move(writer); }

    // ---- decoding ----
    // Updates every attribute from the frame. recordNotes: the frames are being decoded in order
    // after ResetValues (a run, play back, re-plot), so the notes fired by changes are added to
    // the frame's own notes; otherwise (one frame for display or export) the frame is untouched.
    void DecodeFrame(TPacket& frame, bool recordNotes);
    // Decoding one attribute without touching the image, for caches of a few attributes' values
    // over a whole log. RawValueOf: the raw value attribute attr of item takes from the frame, as
    // DecodeFrame reads it: from the frame when it answers the attribute's request, else the
    // raw value before (0 after ResetValues). ValueOfRaw: the attribute's value of a raw value;
    // MissingValue for an attribute the image does not have.
    int32_t RawValueOf(int item, int attr, const TPacket& frame, int32_t before) const;
    float ValueOfRaw(int item, int attr, int32_t raw) const;

    // ---- execution ----
    void BeginRun();
    // One request and its reply: a new frame (header 0: nothing to log), or none when the step
    // failed or the macro has ended.
    std::unique_ptr<TPacket> ExecuteStep(bool showFrames, bool testMode, bool preciseTiming);
    void ResumeChatter();
    bool SyncHeartbeat();
    void BuildRequest();
    // Complete frames read since BeginRun while waiting for a reply that were not it: other
    // modules' chatter, the module's frames of another mode, a late echo. Any thread may read it.
    int BusFrames() const { return busFrames_; }
    // Milliseconds from writing the last request to the end of its reply; 0 after a step
    // without a reply from the bus.
    double LastRoundTripMs() const { return roundTripMs_; }

    // ---- the image (read directly by the views) ----
    int64_t IntervalTicks = 0;
    int64_t NextDue = 0;
    TPacket HeartbeatFrame;
    TPacket SuspendFrame;
    TPacket ResumeFrame;
    int32_t HeartbeatLen = 0;
    bool ChatterActive = false;
    bool Suspended = false;
    std::function<void()> OnLoaded;
    TConsoleWriter ConsoleWriter;
    TVehicle& Vehicle;
    TRS232& Link;
    TRtime& Timer;
    bool Aldl8192 = true; // the vehicle's ALDL field is "8192" (else it streams at 160 baud)
    bool Chatter = false;
    int32_t T1 = 0, T2 = 0, T3 = 0, T4 = 0, T5 = 0, T6 = 0;
    std::string HeartBeat, Resume, Suspend;
    bool ResumeReply = false, SuspendReply = false;
    bool ConsoleDetail = false;
    std::string MacroTitle;
    std::string MacroComments;
    int32_t ItemIndex = 0;
    int32_t IterCount = 0;
    std::array<std::string, NoteCount> NoteNames;
    std::array<TPickListItem, PickListSize> PickList;
    bool Restart = false;
    std::vector<TMacroItem> Items;
    int32_t ItemCount = 0;
    TPacket RequestFrame;
    TPacket ScratchFrame;

private:
    std::atomic<int> busFrames_{0};
    double roundTripMs_ = 0;
    bool answered_ = false;    // the module has answered since BeginRun
    bool echoGarbled_ = false; // the last request's echo failed, yet bytes came back

    void console(const std::string& text, int level) const;
    void detail(const std::string& text, int level) const; // only with ConsoleDetail
    void loadLinkSettings();
    int setHeartbeat(const std::string& text); // the heartbeat's length in bytes
    void passTimingsToLink();
    void loadItem(TMacroItem& item);
    void loadAttr(TAttr& attr);
    void decodeAttr(TAttr& attr, bool carried, const TPacket& frame, uint32_t& notes) const;
    // False when the exchange failed; the module has then been told to resume.
    bool suspendChatter();
    void pace(bool preciseTiming);
    bool writeRequest(bool showFrames, bool testMode); // true when written (and echoed)
    // Reads until the reply to request, skipping and counting other frames, within the time-outs
    // of one reply; lateEcho: the echo went wrong, so a copy of the request may still come.
    bool readReply(TPacket& frame, const TPacket& request, bool hasMode, bool lateEcho);
    // The reply to RequestFrame (at 160 baud the streamed frame); retries a garbled exchange.
    bool replyInPlaceOfEcho(TPacket& frame, bool hasMode, bool echoed);
    bool receiveReply(TPacket& frame, bool hasMode, bool echoed, bool showFrames, int lengthByte);
    void fillTestData(TPacket& frame) const;
    std::string placeholderText() const;
};

// Building the runtime image of one macro from the definition tables.
#include "engine/Cartridge.h"

#include "common/Common.h"
#include "common/Format.h"
#include "definitions/XMLData.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

TScale readScale(TTable& t) {
    TScale s;
    t.First();
    s.SCode = t.AsString("SCode");
    s.SDesc = t.AsString("SDesc");
    s.Factor = static_cast<float>(t.AsFloat("Factor"));
    s.Offset = static_cast<float>(t.AsFloat("Offset"));
    s.Invert = t.AsBool("Invert");
    s.Reverse = t.AsBool("Reverse");
    s.Units = t.AsString("Units");
    s.Signed = t.AsBool("Signed");
    s.Hex = t.AsBool("Hex");
    s.AlarmMin = static_cast<float>(t.AsFloat("AlarmMin"));
    s.AlarmMax = static_cast<float>(t.AsFloat("AlarmMax"));
    s.DisplayMin = static_cast<float>(t.AsFloat("DisplayMin"));
    s.DisplayMax = static_cast<float>(t.AsFloat("DisplayMax"));
    s.DescMin = t.AsString("DescMin");
    s.DescOk = t.AsString("DescOk");
    s.DescMax = t.AsString("DescMax");
    s.Comments = t.AsString("Comments");
    return s;
}

// The note set holding note n (1..32); other numbers lie outside it.
uint32_t noteBit(int32_t n) {
    return n >= 1 && n <= NoteCount ? 1u << (n - 1) : 0u;
}

// DTC and flag bits outside a byte are never tested.
void gatherNotes(TAttr& a) {
    a.NotesOnSet.fill(0);
    a.NotesOnClear.fill(0);
    if (a.AType == 3) {
        for (const TDTCs& d : a.DTCs) {
            if (d.Bit >= 0 && d.Bit <= 7) {
                a.NotesOnSet[d.Bit] |= noteBit(d.Note);
            }
        }
    } else if (a.AType == 4) {
        for (const TFlags& f : a.Flags) {
            if (f.Bit >= 0 && f.Bit <= 7) {
                a.NotesOnSet[f.Bit] |= noteBit(f.Note1);
                a.NotesOnClear[f.Bit] |= noteBit(f.Note0);
            }
        }
    }
}

bool isUnused(const std::string& desc) {
    std::string upper = desc;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper == "UNUSED";
}

// Every raw byte gets the value of the first row at or above it; above the last row, the last.
void buildTable(TTable& rows, TAttr& attr) {
    int next = 0;
    TTableEntry last;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const int r = rows.AsInteger("RawByte");
        if (r > 255 || r < next) {
            continue; // backwards or beyond a byte: ignored
        }
        last = {r, static_cast<float>(rows.AsFloat("Value"))};
        std::fill(attr.Table.begin() + next, attr.Table.begin() + r + 1, last);
        next = r + 1;
    }
    std::fill(attr.Table.begin() + next, attr.Table.end(), last);
    attr.TableCount = LookupSize;
}

// Start as stored (single precision): the data byte and the bit of the attribute's lowest bit.
// A Start that names no byte of a frame decodes as 0.
void splitStart(TAttr& attr) {
    const float start = attr.Start;
    if (!(start >= 0.0f && start < static_cast<float>(TPacket::MaxData))) {
        attr.StartByte = -1;
        attr.StartBit = 0;
        return;
    }
    attr.StartByte = static_cast<int32_t>(std::trunc(start));
    attr.StartBit = BitOf(start);
}

} // namespace

int TCartridge::setHeartbeat(const std::string& text) {
    // A frame record holds 203 bytes; a longer text (a typing slip, a damaged file) keeps its
    // first 203 and says so, rather than failing the whole macro.
    const std::vector<std::string> items = ByteListItems(text);
    if (static_cast<int>(items.size()) <= TPacket::Size) {
        return HeartbeatFrame.SetBytesText(text);
    }
    console(Format("Heartbeat has %d bytes, more than a frame holds; only the first %d are used",
                   static_cast<int>(items.size()), TPacket::Size),
            clError);
    std::string kept;
    for (int i = 0; i < TPacket::Size; ++i) {
        kept += (i ? "," : "") + items[static_cast<size_t>(i)];
    }
    return HeartbeatFrame.SetBytesText(kept);
}

void TCartridge::loadLinkSettings() {
    TTable& v = *Vehicle.Vehicles;
    Aldl8192 = v.AsString("ALDL") == "8192";
    if (!Aldl8192) {
        Chatter = false;
        HeartBeat.clear();
        Suspend.clear();
        Resume.clear();
        HeartbeatFrame.Clear();
        HeartbeatLen = 0;
        SuspendFrame.FromFrameText("");
        SuspendFrame.UpdateChecksum();
        ResumeFrame.FromFrameText("");
        ResumeFrame.UpdateChecksum();
        ResumeReply = SuspendReply = false;
    } else {
        Chatter = v.AsBool("Chatter");
        HeartBeat = v.AsString("HeartBeat");
        HeartbeatLen = setHeartbeat(HeartBeat);
        Suspend = v.AsString("Suspend");
        SuspendFrame.FromFrameText(Suspend);
        SuspendFrame.UpdateChecksum();
        Resume = v.AsString("Resume");
        ResumeFrame.FromFrameText(Resume);
        ResumeFrame.UpdateChecksum();
        ResumeReply = v.AsBool("ResumeReply");
        SuspendReply = v.AsBool("SuspendReply");
    }
    T1 = v.AsInteger("T1");
    T2 = v.AsInteger("T2");
    T3 = v.AsInteger("T3");
    T4 = v.AsInteger("T4");
    T5 = v.AsInteger("T5");
    T6 = v.AsInteger("T6");
    if (T1 == 0 && T2 == 0 && T3 == 0) {
        T3 = 1;
    }
    passTimingsToLink();
}

void TCartridge::loadAttr(TAttr& a) {
    TTable& t = *Vehicle.Attrs;
    a.AID = t.AsInteger("AID");
    a.ACode = t.AsString("ACode");
    a.ADesc = t.AsString("ADesc");
    a.TCode = t.AsString("TCode");
    a.Start = static_cast<float>(t.AsFloat("Start"));
    a.Bits = t.AsInteger("Bits");
    a.AType = t.AsInteger("AType");
    a.Visible = true;
    a.Chart = t.AsInteger("Chart");
    a.Series = t.AsInteger("Series");
    a.Dash = t.AsInteger("Dash");
    a.DashFmt = t.AsString("DashFmt");
    a.Comments = t.AsString("Comments");
    a.Scale = readScale(*Vehicle.AScale);
    splitStart(a);
    buildTable(*Vehicle.Table, a);

    TTable& dtcs = *Vehicle.DTCs;
    a.DTCs.reserve(dtcs.RecordCount());
    for (dtcs.First(); !dtcs.Eof(); dtcs.Next()) {
        if (isUnused(dtcs.AsString("Desc"))) {
            continue;
        }
        TDTCs d{dtcs.AsInteger("Bit"),  dtcs.AsString("Desc"),      dtcs.AsInteger("Dash"),
                dtcs.AsString("TCode"), dtcs.AsInteger("Note"),     dtcs.AsString("DTC"),
                dtcs.AsBool("CEL"),     dtcs.AsString("Reference"), dtcs.AsString("Comments")};
        if (d.Note > 0) {
            SetNoteName(d.Note - 1, dtcs.AsString("NoteName"));
        }
        a.DTCs.push_back(std::move(d));
    }
    a.DTCCount = static_cast<int32_t>(a.DTCs.size());

    TTable& flags = *Vehicle.Flags;
    a.Flags.reserve(flags.RecordCount());
    for (flags.First(); !flags.Eof(); flags.Next()) {
        if (isUnused(flags.AsString("Desc"))) {
            continue;
        }
        TFlags f{flags.AsInteger("Bit"),    flags.AsString("Desc"),   flags.AsInteger("Dash"),
                 flags.AsString("B0"),      flags.AsString("TCode0"), flags.AsInteger("Note0"),
                 flags.AsString("B1"),      flags.AsString("TCode1"), flags.AsInteger("Note1"),
                 flags.AsString("Comments")};
        if (f.Note0 > 0) {
            SetNoteName(f.Note0 - 1, flags.AsString("NoteName0"));
        }
        if (f.Note1 > 0) {
            SetNoteName(f.Note1 - 1, flags.AsString("NoteName1"));
        }
        a.Flags.push_back(std::move(f));
    }
    a.FlagCount = static_cast<int32_t>(a.Flags.size());

    TTable& enums = *Vehicle.Enums;
    a.Enums.reserve(enums.RecordCount());
    for (enums.First(); !enums.Eof(); enums.Next()) {
        TEnums e{enums.AsInteger("Value"), enums.AsString("Desc"), enums.AsString("TCode"),
                 enums.AsInteger("Note"), enums.AsString("Comments")};
        if (e.Note > 0) {
            SetNoteName(e.Note - 1, enums.AsString("NoteName"));
        }
        a.Enums.push_back(std::move(e));
    }
    a.EnumCount = static_cast<int32_t>(a.Enums.size());
    gatherNotes(a);
}

void TCartridge::loadItem(TMacroItem& item) {
    TTable& m = *Vehicle.Modules;
    TTable& r = *Vehicle.Requests;
    item.ModuleID = ReadInt(m.AsString("ModuleID"));
    item.ModeByte = m.AsString("ModeByte");
    item.ModeValue = ReadInt(item.ModeByte);

    TRequest& q = item.Request;
    q.RID = r.AsInteger("RID");
    q.RCode = r.AsString("RCode");
    q.RDesc = r.AsString("RDesc");
    q.Reply = r.AsBool("Reply");
    q.ProcReply = r.AsBool("ProcReply");
    q.LengthByte = ReadInt(r.AsString("LengthByte"));
    q.Parameters = r.AsString("Parameters");
    q.MessageNo = item.ModeValue == 1 ? ReadInt(q.Parameters) : 0;
    q.Prompt = r.AsString("Prompt");
    q.Override = r.AsString("Override");
    q.Comments = r.AsString("Comments");
    q.Scale = readScale(*Vehicle.RScale);

    TTable& attrs = *Vehicle.Attrs;
    q.Attrs.assign(attrs.RecordCount(), TAttr{});
    q.AttrCount = 0;
    for (attrs.First(); !attrs.Eof(); attrs.Next()) {
        if (!attrs.AsBool("Visible")) {
            continue;
        }
        loadAttr(q.Attrs[q.AttrCount]);
        ++q.AttrCount;
    }
    q.Attrs.resize(q.AttrCount);
}

void TCartridge::LoadMacro(int macID) {
    Items.clear();
    ItemCount = 0;
    TTable& macros = *Vehicle.Macros;
    if (macros.Locate("MacID", TValue(int32_t{macID}))) {
        loadLinkSettings();
        Restart = macros.AsBool("Restart");
        MacroTitle = macros.AsString("MacDesc") + ": " + macros.AsString("MacCode");
        MacroComments = macros.AsString("Comments");

        TTable& rows = *Vehicle.Items;
        Items.assign(std::max(1, rows.RecordCount()), TMacroItem{});
        for (rows.First(); !rows.Eof(); rows.Next()) {
            if (!Vehicle.Modules->Locate("MCode", TValue(rows.AsString("MCode"))) ||
                !Vehicle.Requests->Locate("RCode", TValue(rows.AsString("RCode")))) {
                continue; // an item whose module or request is missing is left out
            }
            TMacroItem& item = Items[ItemCount];
            item.IID = rows.AsInteger("IID");
            item.Seq = rows.AsInteger("Seq");
            item.MCode = rows.AsString("MCode");
            item.RCode = rows.AsString("RCode");
            item.Iters = rows.AsInteger("Iters");
            item.Comments = rows.AsString("Comments");
            loadItem(item);
            ++ItemCount;
        }
    }
    if (OnLoaded) {
        OnLoaded();
    }
}

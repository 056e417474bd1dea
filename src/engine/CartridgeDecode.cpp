// Decoding reply frames into the image, and the texts of decoded values.
#include "engine/Cartridge.h"

#include "common/Common.h"
#include "common/Format.h"

#include <bit>

namespace {

// Adds note n (1..32) to a note set; other numbers lie outside the set.
void addNote(uint32_t& notes, int32_t n) {
    if (n >= 1 && n <= NoteCount) {
        notes |= 1u << (n - 1);
    }
}

const TEnums* firstEnum(const TAttr& attr, int32_t value) {
    for (const TEnums& e : attr.Enums) {
        if (e.Value == value) {
            return &e;
        }
    }
    return nullptr;
}

// The notes of the bits that changed, from the sets gathered at load.
uint32_t bitNotes(const std::array<uint32_t, 8>& byBit, uint32_t changed) {
    uint32_t notes = 0;
    for (changed &= 0xFFu; changed; changed &= changed - 1) {
        notes |= byBit[std::countr_zero(changed)];
    }
    return notes;
}

void fireNotes(const TAttr& a, uint32_t& notes) {
    const uint32_t was = static_cast<uint32_t>(a.PrevRaw), is = static_cast<uint32_t>(a.RawValue);
    switch (a.AType) {
    case 3:
    case 4:
        notes |= bitNotes(a.NotesOnSet, ~was & is) | bitNotes(a.NotesOnClear, was & ~is);
        break;
    case 5:
        if (const TEnums* e = firstEnum(a, a.RawValue)) {
            addNote(notes, e->Note);
        }
        break;
    default:
        break;
    }
}

// The engineering value of a raw value: scaled, looked up or the raw value itself.
float valueOf(const TAttr& a, int32_t raw) {
    switch (a.AType) {
    case 0:
        return ScaleValue(raw, a.Bits, a.Scale.Invert, a.Scale.Signed, a.Scale.Reverse,
                          a.Scale.Offset, a.Scale.Factor);
    case 1:
        // Lookup attributes are meant to be 8 bits wide; a wider one uses its low byte.
        return a.Table[static_cast<uint32_t>(raw) & 0xFFu].Value;
    default:
        return static_cast<float>(raw);
    }
}

} // namespace

void TCartridge::decodeAttr(TAttr& a, bool carried, const TPacket& frame, uint32_t& notes) const {
    a.RawValue = carried ? frame.GetBits(a.StartByte, a.StartBit, a.Bits) : a.PrevRaw;
    a.Value = valueOf(a, a.RawValue);
    if (a.RawValue != a.PrevRaw) {
        fireNotes(a, notes);
    }
    a.PrevRaw = a.RawValue;
}

void TCartridge::DecodeFrame(TPacket& frame, bool recordNotes) {
    uint32_t notes = 0;
    for (int i = 0; i < ItemCount; ++i) {
        TRequest& request = Items[i].Request;
        const bool carried = request.MessageNo == frame.MessageNo;
        for (int k = 0; k < request.AttrCount; ++k) {
            decodeAttr(request.Attrs[k], carried, frame, notes);
        }
    }
    if (recordNotes) {
        // Notes the user put on the frame stay; the fired ones join them.
        frame.Notes |= notes;
    }
}

int32_t TCartridge::RawValueOf(int item, int attr, const TPacket& frame, int32_t before) const {
    if (item < 0 || attr < 0 || item >= ItemCount || attr >= Items[item].Request.AttrCount) {
        return before;
    }
    const TRequest& request = Items[item].Request;
    const TAttr& a = request.Attrs[attr];
    return request.MessageNo == frame.MessageNo ? frame.GetBits(a.StartByte, a.StartBit, a.Bits)
                                                : before;
}

float TCartridge::ValueOfRaw(int item, int attr, int32_t raw) const {
    if (item < 0 || attr < 0 || item >= ItemCount || attr >= Items[item].Request.AttrCount) {
        return MissingValue;
    }
    return valueOf(Items[item].Request.Attrs[attr], raw);
}

std::string ValueText(const TAttr& attr, bool quoted) {
    switch (attr.AType) {
    case 0:
        return attr.Scale.Hex ? HexValueText(attr.Value) : NumberText(attr.Value);
    case 1:
        return NumberText(attr.Table[static_cast<uint32_t>(attr.RawValue) & 0xFFu].Value);
    case 2:
        return Format("%d", attr.RawValue);
    case 3:
    case 4:
        return {};
    case 5:
        if (const TEnums* e = firstEnum(attr, attr.RawValue)) {
            if (!quoted) {
                return e->Desc;
            }
            std::string text = "'";
            for (char c : e->Desc) {
                text += c;
                if (c == '\'') {
                    text += '\'';
                }
            }
            return text + "'";
        }
        break;
    default:
        break;
    }
    return Format("?%d?", attr.RawValue);
}

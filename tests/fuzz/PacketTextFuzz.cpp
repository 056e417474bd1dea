// Byte lists and frame texts as a user types them (heartbeat, suspend and resume frames, request
// parameters, frame editor) or a text log holds them. Reading never fails; what a frame shows as
// text reads back as the same frame.
#include "FuzzSupport.h"

#include "link/Packet.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

constexpr size_t maxDataBytes = 0xFF - 0x55; // the most a length byte can announce

void checkFrameText(const std::string& text) {
    TPacket frame;
    frame.FromFrameText(text);
    const std::string hex = frame.HexText();
    TPacket again;
    again.FromFrameText(hex);
    FuzzCheck(again.HexText() == hex, "a frame's hexadecimal text reads back as the same frame");
    FuzzCheck(ByteListItems(frame.DecText()).size() == static_cast<size_t>(frame.FrameLen()),
              "a frame's decimal text has one item per byte");
    TPacket raw;
    raw.FromRawBytes(frame.RawBytes());
    FuzzCheck(raw.HexText() == hex, "a frame's raw bytes read back as the same frame");
    frame.DataHeadText();
    frame.DataTailText();
}

void checkDataText(const std::string& text, size_t itemCount) {
    TPacket frame;
    frame.SetDataText(text);
    const size_t expected = itemCount < maxDataBytes ? itemCount : maxDataBytes;
    FuzzCheck(static_cast<size_t>(frame.DataLen()) == expected,
              "data texts fill the frame up to 170 bytes");
}

void checkBytesText(const std::string& text, size_t itemCount) {
    TPacket frame;
    try {
        frame.SetBytesText(text);
    } catch (const EPacketIndexError&) {
        FuzzCheck(itemCount > static_cast<size_t>(TPacket::Size),
                  "only a list longer than a frame record is refused");
        return;
    }
    TPacket again;
    again.SetBytesText(frame.BytesText());
    FuzzCheck(again.BytesText() == frame.BytesText(), "a byte list text reads back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> items = ByteListItems(text);
    for (const std::string& item : items) {
        ByteListValue(item);
    }
    checkFrameText(text);
    checkDataText(text, items.size());
    checkBytesText(text, items.size());
    if (size >= 3) {
        TPacket frame;
        frame.FromRawBytes(text);
        frame.GetBits(data[0] - 8, data[1] % 32 - 4, data[2] % 24 - 4);
    }
    return 0;
}

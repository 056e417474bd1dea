#include "link/Packet.h"

#include "common/Common.h"
#include "common/Format.h"

#include <cmath>

namespace {

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

void checkIndex(int i, int last, const char* operation) {
    if (i < 0 || i > last)
        throw EPacketIndexError(
            Format("Index: %d out of range %d-%d in TPacket.%s", i, 0, last, operation));
}

// A quoted item runs to the next lone quote; a doubled quote stands for one quote.
std::string quotedItem(const std::string& text, size_t& p) {
    std::string item;
    ++p;
    while (p < text.size()) {
        if (text[p] == '"') {
            if (p + 1 < text.size() && text[p + 1] == '"') {
                item += '"';
                p += 2;
                continue;
            }
            ++p;
            break;
        }
        item += text[p++];
    }
    return item;
}

std::string joinHex(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            text += ',';
        text += HexByteText(bytes[i]);
    }
    return text;
}

} // namespace

std::vector<std::string> ByteListItems(const std::string& text) {
    std::vector<std::string> items;
    size_t p = 0;
    const size_t end = text.size();
    while (p < end && isBlank(text[p]))
        ++p;
    while (p < end) {
        if (text[p] == '"') {
            items.push_back(quotedItem(text, p));
        } else {
            const size_t start = p;
            while (p < end && !isBlank(text[p]) && text[p] != ',')
                ++p;
            items.push_back(text.substr(start, p - start));
        }
        while (p < end && isBlank(text[p]))
            ++p;
        if (p < end && text[p] == ',') {
            if (p + 1 == end)
                items.emplace_back();
            do
                ++p;
            while (p < end && isBlank(text[p]));
        }
    }
    return items;
}

int ByteListValue(const std::string& item) {
    return item.empty() ? 0 : ReadInt(item);
}

uint8_t TPacket::getByte(int i) const {
    checkIndex(i, Size - 1, "getByte");
    return Bytes[i];
}

void TPacket::setByte(int i, int b) {
    checkIndex(i, Size - 1, "setByte");
    Bytes[i] = static_cast<uint8_t>(b);
}

uint8_t TPacket::getData(int i) const {
    checkIndex(i, MaxData - 1, "getData");
    return Bytes[i + 2];
}

void TPacket::setData(int i, int b) {
    checkIndex(i, MaxData - 1, "setData");
    Bytes[i + 2] = static_cast<uint8_t>(b);
}

void TPacket::Clear() {
    Time = 0;
    Notes = 0;
    MessageNo = 0;
    std::fill(std::begin(Bytes), std::end(Bytes), 0);
}

void TPacket::SetHeader(int b) {
    Bytes[0] = static_cast<uint8_t>(b);
    UpdateChecksum();
}

// The length byte cannot express more than 170 data bytes: larger values store $FF instead of
// wrapping round to a small length.
void TPacket::SetLengthByte(int v) {
    Bytes[1] = static_cast<uint8_t>(v > 84 ? std::min(v, 255) : 85);
}

void TPacket::SetMode(int b) {
    if (DataLen() < 2)
        SetDataLen(DataLen() + 1);
    Bytes[2] = static_cast<uint8_t>(b);
    UpdateChecksum();
}

int TPacket::byteSum() const {
    int sum = Bytes[0] + LengthByte();
    for (int i = 0; i < DataLen(); ++i)
        sum += Bytes[i + 2];
    return sum;
}

void TPacket::UpdateChecksum() {
    SetChecksum((256 - byteSum() % 256) % 256);
}

bool TPacket::ChecksumOK() const {
    return (byteSum() + Checksum()) % 256 == 0;
}

bool TPacket::IsEmpty() const {
    return Time == 0 && Notes == 0 && MessageNo == 0 && Header() == 0 && DataLen() == 0;
}

void TPacket::SetTime(double t) {
    Time = t - std::trunc(t);
    TimeMs = static_cast<int32_t>(std::trunc(Time * 86400000.0));
}

bool TPacket::SameBytes(const TPacket& other, int count) const {
    if (count <= 0)
        count = FrameLen();
    count = std::min(count, Size);
    return std::equal(Bytes, Bytes + count, other.Bytes);
}

int TPacket::GetBits(int s, int shift, int width) const {
    if (s < 0 || s >= MaxData || shift < 0 || width <= 0)
        return 0;
    const uint32_t high = s >= 2 ? Bytes[s] : 0; // data[s-2] is byte s
    const uint32_t middle = s >= 1 ? Bytes[s + 1] : 0;
    const uint32_t v = high << 16 | middle << 8 | Bytes[s + 2];
    const uint32_t mask = width >= 16 ? 0xFFFF : (1u << width) - 1;
    return shift >= 24 ? 0 : static_cast<int>((v >> shift) & mask);
}

std::vector<uint8_t> TPacket::frameBytes() const {
    std::vector<uint8_t> bytes(Bytes, Bytes + FrameLen());
    bytes[1] = static_cast<uint8_t>(LengthByte());
    return bytes;
}

std::string TPacket::HexText() const {
    return joinHex(frameBytes());
}

std::string TPacket::DecText() const {
    std::string text;
    for (uint8_t b : frameBytes()) {
        if (!text.empty())
            text += ',';
        text += DecimalText3(b);
    }
    return text;
}

std::string TPacket::BytesText() const {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < Size && Bytes[i] != 0; ++i)
        bytes.push_back(Bytes[i]);
    return joinHex(bytes);
}

std::string TPacket::DataHeadText() const {
    return DataLen() == 0 ? "" : HexByteText(Bytes[2]);
}

std::string TPacket::DataTailText() const {
    if (DataLen() <= 1)
        return "";
    return joinHex(std::vector<uint8_t>(Bytes + 3, Bytes + 2 + DataLen()));
}

std::string TPacket::RawBytes() const {
    const std::vector<uint8_t> bytes = frameBytes();
    return std::string(bytes.begin(), bytes.end());
}

int TPacket::SetBytesText(const std::string& s) {
    Clear();
    const std::vector<std::string> items = ByteListItems(s);
    for (size_t i = 0; i < items.size(); ++i)
        setByte(static_cast<int>(i), ByteListValue(items[i]));
    return static_cast<int>(items.size());
}

void TPacket::FromFrameText(const std::string& s) {
    const std::vector<std::string> items = ByteListItems(s);
    const int count = static_cast<int>(items.size());
    if (count >= 1)
        SetHeader(ByteListValue(items[0]));
    SetDataLen(count - 3);
    // Beyond 170 data items the length byte is full; the surplus items are dropped.
    for (int i = 0; i < DataLen(); ++i)
        Bytes[i + 2] = static_cast<uint8_t>(ByteListValue(items[i + 2]));
    if (count >= 3)
        SetChecksum(ByteListValue(items.back()));
}

void TPacket::SetDataText(const std::string& s) {
    const std::vector<std::string> items = ByteListItems(s);
    SetDataLen(static_cast<int>(items.size()));
    for (int i = 0; i < DataLen(); ++i)
        Bytes[i + 2] = static_cast<uint8_t>(ByteListValue(items[i]));
}

void TPacket::FromRawBytes(const std::string& s) {
    // Bytes missing from a short string read as 0.
    auto at = [&s](size_t i) { return i < s.size() ? static_cast<uint8_t>(s[i]) : 0; };
    SetHeader(at(0));
    SetLengthByte(at(1));
    const int n = DataLen();
    for (int i = 0; i < n; ++i)
        Bytes[i + 2] = at(i + 2);
    SetChecksum(at(n + 2));
}

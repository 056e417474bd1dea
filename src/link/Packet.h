#pragma once
#include "common/Errors.h"

#include <cstdint>
#include <string>
#include <vector>

// Raised for a byte or data index outside the frame record's array.
class EPacketIndexError : public EQuorvinError {
public:
    using EQuorvinError::EQuorvinError;
};

// Splits a byte list text into its items: separators are commas and runs of blanks (any
// character up to and including the space), an item may be in double quotes, and a comma at the
// very end adds one more, empty item.
std::vector<std::string> ByteListItems(const std::string& text);
// Reads one byte list item as a number (see ReadInt); unreadable or empty items read as 0.
int ByteListValue(const std::string& item);

// One ALDL frame: header, length byte ($55 + n), n data bytes and a checksum that makes the byte
// sum 0 modulo 256, with the time of day it arrived, the notes its decoding fired and the message
// number of the request that produced it.
class TPacket {
public:
    static constexpr int Size = 203;    // bytes 0..202
    static constexpr int MaxData = 200; // data indices 0..199 (bytes 2..201)

    double Time = 0;       // time of day in days (0.5 = noon); 0 = not set
    int32_t TimeMs = 0;    // the same time of day in whole milliseconds
    uint32_t Notes = 0;    // bit k = note k + 1 fired
    int32_t MessageNo = 0; // mode 1 message number of the request; 0 for other frames
    uint8_t Bytes[Size]{}; // header, length byte, data, checksum

    TPacket() = default;

    uint8_t getByte(int i) const;
    void setByte(int i, int b);
    uint8_t getData(int i) const;
    void setData(int i, int b);

    void Clear();
    uint8_t Header() const { return Bytes[0]; }
    void SetHeader(int b);
    // The stored length byte when it is $55 or more, else $55.
    int LengthByte() const { return Bytes[1] < 0x55 ? 0x55 : Bytes[1]; }
    void SetLengthByte(int v);
    int DataLen() const { return LengthByte() - 0x55; }
    void SetDataLen(int n) { SetLengthByte(n + 0x55); }
    int FrameLen() const { return DataLen() + 3; }
    uint8_t Mode() const { return DataLen() >= 2 ? Bytes[2] : 0; }
    void SetMode(int b);
    uint8_t Checksum() const { return Bytes[DataLen() + 2]; }
    void SetChecksum(int b) { Bytes[DataLen() + 2] = static_cast<uint8_t>(b); }
    void UpdateChecksum();
    bool ChecksumOK() const;
    bool IsEmpty() const;
    // t is a date-time in days; only its time of day is kept.
    void SetTime(double t);
    // Bytes 0 .. count-1 equal those of other; count 0 means this frame's FrameLen.
    bool SameBytes(const TPacket& other, int count) const;
    // At most 16 bits ending at bit shift of data byte s (higher bits from the bytes before it).
    int GetBits(int s, int shift, int width) const;

    std::string HexText() const;      // $F4,$57,$01,$00,$B4
    std::string DecText() const;      // 244, 87,  1,  0,180
    std::string BytesText() const;    // raw bytes up to the first zero byte
    std::string DataHeadText() const; // data[0]
    std::string DataTailText() const; // data[1] .. data[n-1]
    std::string RawBytes() const;     // header .. checksum as an 8-bit string

    int SetBytesText(const std::string& s);
    void FromFrameText(const std::string& s);
    void SetDataText(const std::string& s);
    void FromRawBytes(const std::string& s);

private:
    // The frame's bytes from header to checksum, the length byte as read.
    std::vector<uint8_t> frameBytes() const;
    int byteSum() const; // header + length byte as read + data
};

#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

// Line settings of a serial device: any baud rate, parity one of N, E, O, M (mark), S (space).
struct TLineSettings {
    int Baud = 8228;
    int DataBits = 8;
    char Parity = 'N';
    int StopBits = 1;
};

// Limits of one read in milliseconds, 0 = no such limit. The link always sets at least one.
struct TReadLimits {
    int TotalMs = 0;     // from the start of the read
    int FirstByteMs = 0; // until the first byte arrives
    int IntervalMs = 0;  // between two bytes, once the first has arrived
};

// The step of a device call that failed; the link turns it into its own message.
enum class TSerialStep { Open, GetState, BuildState, SetState, Purge, Read, Write };

// A failed device call; the message is "<device>: <system text>".
class ESerialDeviceError : public std::runtime_error {
public:
    ESerialDeviceError(TSerialStep step, const std::string& device, int error);
    TSerialStep Step;
    int Error; // errno
};

// What the frame link needs of a serial device. Reads and writes never block beyond their
// limits; a device that has gone away (hang-up) fails its reads and writes.
class TSerialDevice {
public:
    virtual ~TSerialDevice() = default;
    // Opens the device exclusively; a second open of the same device fails.
    virtual void Open(const std::string& path) = 0;
    virtual void Close() = 0; // never fails; harmless when closed
    virtual bool IsOpen() const = 0;
    // Raw mode, no flow control, the rate and framing of line.
    virtual void Configure(const TLineSettings& line) = 0;
    // Drives DTR and RTS high (true) or low; devices without modem lines ignore it.
    virtual void SetModemLines(bool dtr, bool rts) = 0;
    // Discards both queues.
    virtual void Purge() = 0;
    // Reads up to count bytes; returns fewer when a limit ran out.
    virtual int Read(uint8_t* buffer, int count, const TReadLimits& limits) = 0;
    // Writes up to count bytes; returns fewer when totalMs ran out.
    virtual int Write(const uint8_t* buffer, int count, int totalMs) = 0;
    // From any thread: while on, reads and writes return at once with what they have (as if
    // their limits had run out), and one in progress is cut short. Off restores normal waits.
    virtual void Interrupt(bool on) { (void)on; }
};

#pragma once
#include "common/ConsoleLevels.h"
#include "link/Packet.h"
#include "link/Rtime.h"
#include "link/SerialDevice.h"

#include <cstdint>
#include <memory>
#include <string>

// The serial port and the ALDL bus at frame level: request frames written with a retry that
// reopens the port, the MAX232 echo read back and compared, replies read under the bus time-outs,
// waits for bus silence, and 160 baud streams sampled by the UART. Expected bus failures return
// false after their console lines; platform failures throw EQuorvinError.
class TRS232 {
public:
    // device: the serial device to talk through; a POSIX tty when none is given.
    explicit TRS232(TRtime& timer, std::unique_ptr<TSerialDevice> device = nullptr);
    ~TRS232();
    TRS232(const TRS232&) = delete;
    TRS232& operator=(const TRS232&) = delete;

    TPacket EchoFrame; // receives the echo of a written frame

    bool Echo = false; // the interface echoes every byte written (MAX232)
    bool HoldRTS = false;
    bool HoldDTR = false;
    int FrameCaptureRate = 0; // requests per second for pacing; <= 0 = none
    int AdvisedT6 = 0;        // chatter gap measured by the chatter scan
    int InBufferSize = 256;
    int OutBufferSize = 256;

    // ---- Settings ----
    void SetPort(int n); // 1..8; takes effect at the next Open
    int Port() const { return port_; }
    const std::string& PortName() const { return portName_; }
    // The device path used for the port: the one set here, else the ini file's "Devices" entry
    // "Com<n>" (default /dev/ttyUSB<n-1>).
    void SetDevice(const std::string& path) { device_ = path; }
    std::string DevicePath() const;

    void SetBaud(int v); // the line setters reapply the line at once when open
    void SetDataBits(int v);
    void SetStopBits(int v);
    void SetParity(const std::string& text);
    int Baud() const { return line_.Baud; }
    int DataBits() const { return line_.DataBits; }
    int StopBits() const { return line_.StopBits; }
    std::string Parity() const { return std::string(1, line_.Parity); }

    void SetT1(int v); // read interval time-out, 0..1000 ms
    void SetT2(int v); // read time-out per byte, 0..100 ms
    void SetT3(int v); // read time-out constant, 0..1000 ms
    void SetT4(int v); // stored only, 0..100
    void SetT5(int v); // wait between writing and reading, 0..100 ms
    void SetT6(int v); // bus silence to wait for, 10..1000 ms
    int T1() const { return t1_; }
    int T2() const { return t2_; }
    int T3() const { return t3_; }
    int T4() const { return t4_; }
    int T5() const { return t5_; }
    int T6() const { return t6_; }

    // ---- Port ----
    void Open();
    void Close();
    // The errno of the last Open that failed (the device's, not the link's), 0 after one that
    // succeeded: it tells why, for the help shown to the user.
    int LastOpenError() const { return lastOpenError_; }
    bool IsOpen() const { return open_; }
    // From any thread: while on, the read or write in progress and every later one return at
    // once with what they have (a stop that must not wait for a time-out).
    void Interrupt(bool on) { handle_->Interrupt(on); }
    void Purge();
    // Negative arguments stand for T1, T2 and T3.
    void SetTimeouts(int interval, int perByte, int constant);
    int Write(const uint8_t* buffer, int n);
    int Read(uint8_t* buffer, int n);
    // Bytes Read has returned since the link was made: a caller tells a silent bus from a
    // garbled frame by whether it moved.
    uint64_t BytesRead() const { return bytesRead_; }

    // ---- Frames ----
    bool WriteFrame(const TPacket& frame, bool detail, bool noWrite, const TConsoleWriter& console);
    bool ReadFrame(TPacket& frame, bool waitT5, const TConsoleWriter& console, bool detail);
    bool Read160Frame(TPacket& frame, int first, const TConsoleWriter& console, bool detail,
                      int count);
    // dataSamples: the samples of the frame's data that follow the symbol (9 a byte), which
    // bound the search; 0 when unknown.
    bool FindStartOfFrame(bool detail, const TConsoleWriter& console, int dataSamples = 0);
    void WaitForSilence(const TConsoleWriter& console);

    // A 160 baud sample is a one bit when fewer than 4 of its bits are set.
    static bool IsOneBit(uint8_t sample);
    static constexpr int MaxData160 = 169; // bytes a 160 baud reply holds after first
    // Samples searched for the start of frame before giving up: about two frame lengths, at
    // most two seconds of the line, yet never less than the rest of a frame and the next symbol.
    int StartSearchSamples(int dataSamples) const;

private:
    struct Timeouts {
        int interval = 0, perByte = 0, constant = 200;
    };
    void applyLine();
    void drainBus();
    int sampleBits() const; // bits of one UART character: one sample at 160 baud
    void hintSlowSamples(int samples, const TConsoleWriter& console) const;
    void noteEcho(bool matched, const TConsoleWriter& console);
    [[noreturn]] void raise(const ESerialDeviceError& e) const;

    TRtime& timer_;
    std::unique_ptr<TSerialDevice> handle_;
    std::string portName_ = "Com1";
    std::string device_;
    int port_ = 1;
    TLineSettings line_;
    bool open_ = false;
    int lastOpenError_ = 0;
    int t1_ = 0, t2_ = 0, t3_ = 200, t4_ = 0, t5_ = 10, t6_ = 50;
    Timeouts timeouts_; // the read time-outs in force
    uint64_t bytesRead_ = 0;
    // A frame was cut short or did not match: the rest of it may still be on the wire.
    bool busDirty_ = false;
    // Echoes since the port opened: whether any came back, and the writes in a row without one.
    bool echoSeen_ = false;
    int echoMisses_ = 0;
};

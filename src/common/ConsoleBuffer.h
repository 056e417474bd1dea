#pragma once
#include "common/ConsoleLevels.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What the console buffer writes to: the console control of the main window implements it.
struct TConsoleTarget {
    virtual ~TConsoleTarget() = default;
    virtual int LineCount() = 0;
    virtual void Clear() = 0;
    // Appends one line as the new last line, in the given colour (0x00BBGGRR).
    virtual void AppendLine(const std::string& line, uint32_t colour) = 0;
    // Called once after a batch of lines has been appended.
    virtual void Repaint() {}
};

// Collects the time-stamped, coloured console lines of the whole program and writes them to the
// console in batches, so a run does not repaint the console for every trace line. No failure of
// the console reaches a caller.
class TConsoleBuffer {
public:
    // The current local date-time in days (fraction = time of day); the stamps are taken from it.
    using TClock = std::function<double()>;

    static constexpr int BatchLimit = 128;  // the 129th pending line forces a flush
    static constexpr int LineLimit = 65536; // the console is emptied before it would reach this

    // An empty clock uses the system's local time.
    explicit TConsoleBuffer(TClock clock = {});

    void SetTarget(TConsoleTarget* target) { Target = target; }
    TConsoleTarget* GetTarget() const { return Target; }
    void SetClock(TClock clock);

    // Adds one line "nn:ss.zzz: text" (an empty text adds an empty line without a stamp).
    void Add(const std::string& text, int level);
    // As Add, stamped with a date-time taken when the line was written elsewhere (another
    // thread's line that reaches the console later).
    void AddStamped(const std::string& text, int level, double dateTime);
    // Writes every pending line to the target, oldest first.
    void Flush();
    // Empties the target; pending lines stay pending.
    void Clear();
    void SetBuffered(bool on);
    bool Buffered() const { return IsBuffered; }

    // Add, as the callback handed to the engine and the link.
    TConsoleWriter Writer();

    int PendingCount() const { return static_cast<int>(Pending.size()); }
    const std::vector<std::string>& PendingLines() const { return Pending; }

    static uint32_t LevelColour(int level);
    // "nn:ss.zzz" of the time of day of a date-time in days.
    static std::string Stamp(double dateTime);

private:
    void addOnce(const std::string& text, int level, double dateTime);

    TClock Clock;
    std::vector<std::string> Pending;
    std::vector<uint32_t> PendingColours; // PendingColours[i] is the colour of Pending[i]
    TConsoleTarget* Target = nullptr;     // belongs to the main window
    bool IsBuffered = false;
};

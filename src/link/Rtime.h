#pragma once
#include <atomic>
#include <cstdint>
#include <string>

// The local date-time now as a day number: days since 1899-12-30, the fraction being the local
// time of day.
double LocalNow();
// Renders a day number with the patterns hh (hours), nn (minutes), ss (seconds), zzz
// (milliseconds), dd (day), mm (month), mmm (abbreviated month name) and yyyy (year), each with
// leading zeros; other characters are copied. "hh:mm" reads mm as minutes, as is customary.
std::string FormatDateTime(const std::string& pattern, double dateTime);

// The high-resolution timer shared by every timing user: samples the monotonic clock (ticks of
// 1 ns) and turns samples into local date-times. Without a counter (useCounter false) every count
// is the millisecond of the local day.
class TRtime {
public:
    explicit TRtime(bool useCounter = true);

    float MsPerTick = 1;
    float TicksPerMs = 1;
    float TicksPerDay = 0;
    int64_t Current = 0;
    int64_t StartCount = 0;
    int64_t Frequency = 0; // counts per second; 0 = no counter
    double StartTime = 0;  // local date-time at the last Reset
    const std::atomic<bool>* Abort = nullptr;

    void Reset();
    void Sample();
    int64_t Count() const { return Current; }
    double Elapsed() const; // days since the last Reset, up to the last Sample
    double Now() const;     // StartTime + Elapsed
    // Waits ms milliseconds on the counter (sleeps without a counter); leaves Current.
    void Wait(double ms) const;
    // Waits until the counter reaches count: sleeps until about a millisecond before it and spins
    // only the rest, so a wait costs next to no processor time yet ends on time. Leaves Current.
    void WaitUntil(int64_t count) const;
    // A flag that cuts every wait short while it is set (a stop from another thread); the flag
    // belongs to the caller and outlives its use here. Null: waits run their course.
    void SetAbort(const std::atomic<bool>* abort) { Abort = abort; }

    // The counter now, without sampling; in ticks.
    int64_t ReadCounter() const;

private:
    bool aborted() const;
};

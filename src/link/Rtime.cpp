#include "link/Rtime.h"

#include "common/Format.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <thread>

namespace {

constexpr double msPerDay = 86400000.0;
constexpr int64_t unixEpochDay = 25569; // 1970-01-01 as a day number
constexpr int64_t msPerDayCount = 86400000;

int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Millisecond of the local day now.
int64_t localMsOfDay() {
    const double now = LocalNow();
    return std::llround((now - std::floor(now)) * msPerDay) % 86400000;
}

struct CivilDate {
    int year, month, day;
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
CivilDate civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (month <= 2)), month, day};
}

bool startsWith(const std::string& text, size_t at, const char* token) {
    return text.compare(at, std::char_traits<char>::length(token), token) == 0;
}

} // namespace

double LocalNow() {
    const auto now = std::chrono::system_clock::now();
    const int64_t ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    const int64_t localMs = ms + static_cast<int64_t>(local.tm_gmtoff) * 1000;
    return static_cast<double>(unixEpochDay) + static_cast<double>(localMs) / msPerDay;
}

std::string FormatDateTime(const std::string& pattern, double dateTime) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int64_t day = static_cast<int64_t>(std::floor(dateTime));
    int64_t ms = std::llround((dateTime - static_cast<double>(day)) * msPerDay);
    if (ms >= 86400000) { // rounding up to midnight belongs to the next day
        ms -= 86400000;
        ++day;
    }
    const CivilDate date = civilFromDays(day - unixEpochDay);
    const int hours = static_cast<int>(ms / 3600000), minutes = static_cast<int>(ms / 60000 % 60);
    const int seconds = static_cast<int>(ms / 1000 % 60), millis = static_cast<int>(ms % 1000);

    std::string text;
    bool afterHours = false; // "mm" right after "hh" means minutes
    size_t i = 0;
    while (i < pattern.size()) {
        const bool hoursToken = startsWith(pattern, i, "hh");
        if (startsWith(pattern, i, "yyyy")) {
            text += Format("%04d", date.year);
            i += 4;
        } else if (startsWith(pattern, i, "mmm")) {
            text += months[date.month - 1];
            i += 3;
        } else if (startsWith(pattern, i, "zzz")) {
            text += Format("%03d", millis);
            i += 3;
        } else if (hoursToken) {
            text += Format("%02d", hours);
            i += 2;
        } else if (startsWith(pattern, i, "nn")) {
            text += Format("%02d", minutes);
            i += 2;
        } else if (startsWith(pattern, i, "mm")) {
            text += Format("%02d", afterHours ? minutes : date.month);
            i += 2;
        } else if (startsWith(pattern, i, "ss")) {
            text += Format("%02d", seconds);
            i += 2;
        } else if (startsWith(pattern, i, "dd")) {
            text += Format("%02d", date.day);
            i += 2;
        } else {
            text += pattern[i++];
            continue; // separators keep the hours context
        }
        afterHours = hoursToken;
    }
    return text;
}

TRtime::TRtime(bool useCounter) {
    if (useCounter) {
        Frequency = 1000000000; // steady_clock ticks are nanoseconds
        MsPerTick = static_cast<float>(1000.0 / static_cast<double>(Frequency));
        TicksPerMs = static_cast<float>(static_cast<double>(Frequency) / 1000.0);
        TicksPerDay = static_cast<float>(Frequency * 86400);
    }
    Reset();
}

int64_t TRtime::ReadCounter() const {
    return Frequency ? monotonicNs() : localMsOfDay();
}

void TRtime::Reset() {
    Sample();
    StartCount = Current;
    StartTime = LocalNow();
}

void TRtime::Sample() {
    Current = ReadCounter();
}

// The float fields keep the record's layout; arithmetic uses the exact 64-bit frequency, since a
// float of nanosecond counts loses whole milliseconds within a day.
double TRtime::Elapsed() const {
    if (!Frequency)
        return LocalNow() - StartTime;
    return static_cast<double>(Current - StartCount) / (static_cast<double>(Frequency) * 86400.0);
}

double TRtime::Now() const {
    return Frequency ? StartTime + Elapsed() : LocalNow();
}

void TRtime::Wait(double ms) const {
    if (ms <= 0)
        return;
    if (!Frequency) {
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
        return;
    }
    WaitUntil(ReadCounter() + static_cast<int64_t>(ms * static_cast<double>(Frequency) / 1000.0));
}

void TRtime::WaitUntil(int64_t count) const {
    if (!Frequency) {
        // Counts are milliseconds of the day: a due count past midnight may be a day ahead or
        // behind the clock, so the nearer reading is the one meant.
        int64_t left = count - ReadCounter();
        if (left > msPerDayCount / 2)
            left -= msPerDayCount;
        else if (left < -msPerDayCount / 2)
            left += msPerDayCount;
        if (left > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(left));
        return;
    }
    // The scheduler may wake a sleeper a little late; the last stretch is spun for precision.
    // With an abort flag the sleep goes in slices short enough for a stop to be felt at once.
    const int64_t spinTicks = Frequency / 1000;
    const int64_t sliceTicks = Abort ? Frequency / 100 : INT64_MAX;
    const double secondsPerTick = 1.0 / static_cast<double>(Frequency);
    for (;;) {
        if (aborted())
            return;
        const int64_t left = count - ReadCounter();
        if (left <= 0)
            return;
        if (left <= spinTicks)
            break;
        const int64_t sleep = std::min(left - spinTicks, sliceTicks);
        std::this_thread::sleep_for(std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::duration<double>(static_cast<double>(sleep) * secondsPerTick)));
    }
    while (ReadCounter() < count) {
    }
}

bool TRtime::aborted() const {
    return Abort && Abort->load(std::memory_order_relaxed);
}

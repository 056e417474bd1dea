#include "common/ConsoleBuffer.h"
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

// Day number of 1970-01-01 in the date-time count (day 0 = 1899-12-30).
constexpr double UnixEpochDays = 25569.0;
constexpr long long MsPerDay = 86400000LL;

double localNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const double localMs = static_cast<double>(ms) + static_cast<double>(local.tm_gmtoff) * 1000.0;
    return UnixEpochDays + localMs / static_cast<double>(MsPerDay);
}

} // namespace

TConsoleBuffer::TConsoleBuffer(TClock clock) {
    SetClock(std::move(clock));
    SetBuffered(true);
}

void TConsoleBuffer::SetClock(TClock clock) {
    Clock = clock ? std::move(clock) : localNow;
}

uint32_t TConsoleBuffer::LevelColour(int level) {
    switch (level) {
    case clSent:
        return 0x00FFFFFF; // white
    case clReceived:
        return 0x0000FF00; // lime
    case clTimeout:
    case clError:
        return 0x000000FF; // red
    case clNote:
        return 0x0000FFFF; // yellow
    case clInfo:
    default:
        return 0x00FFFF00; // aqua
    }
}

std::string TConsoleBuffer::Stamp(double dateTime) {
    if (!std::isfinite(dateTime)) {
        dateTime = 0;
    }
    const double fraction = std::fabs(dateTime - std::trunc(dateTime));
    const long long ms = std::llround(fraction * static_cast<double>(MsPerDay)) % MsPerDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d.%03d", static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return text;
}

void TConsoleBuffer::addOnce(const std::string& text, int level, double dateTime) {
    std::string line = text.empty() ? std::string() : Stamp(dateTime) + ": " + text;
    // A console that cannot be written to keeps its lines pending; the oldest give way so the
    // list stays within what the console could ever show.
    if (Pending.size() >= static_cast<size_t>(LineLimit - 1)) {
        Pending.erase(Pending.begin());
        PendingColours.erase(PendingColours.begin());
    }
    PendingColours.reserve(Pending.size() + 1);
    Pending.push_back(std::move(line));
    PendingColours.push_back(LevelColour(level));
    if (IsBuffered && level != clTimeout && level != clError &&
        Pending.size() <= static_cast<size_t>(BatchLimit)) {
        return;
    }
    Flush();
}

void TConsoleBuffer::Add(const std::string& text, int level) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            addOnce(text, level, text.empty() ? 0.0 : Clock());
            return;
        } catch (...) {
            // Try once more, then drop the line: the console never fails its caller.
        }
    }
}

void TConsoleBuffer::AddStamped(const std::string& text, int level, double dateTime) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            addOnce(text, level, dateTime);
            return;
        } catch (...) {
            // As Add: the console never fails its caller.
        }
    }
}

void TConsoleBuffer::Flush() {
    if (Pending.empty() || Target == nullptr) {
        return;
    }
    size_t written = 0;
    try {
        if (static_cast<long long>(Target->LineCount()) + static_cast<long long>(Pending.size()) >=
            LineLimit) {
            Target->Clear();
        }
        for (; written < Pending.size(); ++written) {
            Target->AppendLine(Pending[written], PendingColours[written]);
        }
        Target->Repaint();
    } catch (...) {
        // The lines not yet written stay pending for the next flush.
    }
    Pending.erase(Pending.begin(), Pending.begin() + static_cast<std::ptrdiff_t>(written));
    PendingColours.erase(PendingColours.begin(),
                         PendingColours.begin() + static_cast<std::ptrdiff_t>(written));
}

void TConsoleBuffer::Clear() {
    if (Target == nullptr) {
        return;
    }
    try {
        Target->Clear();
    } catch (...) {
    }
}

void TConsoleBuffer::SetBuffered(bool on) {
    IsBuffered = on;
    Flush();
}

TConsoleWriter TConsoleBuffer::Writer() {
    return [this](const std::string& text, int level) { Add(text, level); };
}

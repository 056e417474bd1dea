#include "link/Rtime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

constexpr double dayMs = 86400000.0;

TEST(RtimeTest, LocalNowMatchesTheLocalClock) {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const double now = LocalNow();
    const double secondOfDay = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    double diff = (now - std::floor(now)) * 86400.0 - secondOfDay;
    diff -= 86400.0 * std::round(diff / 86400.0); // across midnight
    EXPECT_LT(std::fabs(diff), 2.0);
    EXPECT_EQ(FormatDateTime("yyyy", now), std::to_string(local.tm_year + 1900));
}

struct FormatCase {
    const char* pattern;
    double dateTime;
    const char* text;
};

class FormatDateTimeTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatDateTimeTest, Patterns) {
    EXPECT_EQ(FormatDateTime(GetParam().pattern, GetParam().dateTime), GetParam().text);
}

const double afternoon = 36526 + (13 * 3600 + 4 * 60 + 5.678) / 86400.0; // 2000-01-01

INSTANTIATE_TEST_SUITE_P(
    Table, FormatDateTimeTest,
    testing::Values(FormatCase{"hh:mm:ss.zzz", afternoon, "13:04:05.678"},
                    FormatCase{"nn:ss.zzz", afternoon, "04:05.678"},
                    FormatCase{"hhmmsszzz", afternoon, "130405678"},
                    FormatCase{"hh:mm:ss dd-mmm-yyyy", afternoon, "13:04:05 01-Jan-2000"},
                    FormatCase{"dd-mmm-yyyy", 0, "30-Dec-1899"},
                    FormatCase{"dd/mm/yyyy", 45000.5, "15/03/2023"},
                    FormatCase{"hh:nn:ss.zzz", 0.0417, "01:00:02.880"},
                    // Rounding to the next millisecond can carry into the next day.
                    FormatCase{"hh:mm:ss.zzz dd-mmm-yyyy", 45000 - 1e-10,
                               "00:00:00.000 15-Mar-2023"}));

TEST(RtimeTest, CounterIsNanoseconds) {
    TRtime timer;
    EXPECT_EQ(timer.Frequency, 1000000000);
    EXPECT_FLOAT_EQ(timer.TicksPerMs, 1e6f);
    EXPECT_FLOAT_EQ(timer.MsPerTick, 1e-6f);
    EXPECT_FLOAT_EQ(timer.TicksPerDay, 8.64e13f);
    EXPECT_EQ(timer.StartCount, timer.Current);
    EXPECT_NEAR(timer.StartTime, LocalNow(), 1.0 / 86400); // within a second
}

TEST(RtimeTest, NowUsesTheLastSampleOnly) {
    TRtime timer;
    timer.Wait(3);
    const double first = timer.Now();
    timer.Wait(3);
    EXPECT_EQ(timer.Now(), first);
    const int64_t before = timer.Count();
    timer.Sample();
    EXPECT_GE(timer.Count() - before, 3000000);
    EXPECT_GT(timer.Now(), first);
    // Now advances with the counter from the wall clock taken at Reset.
    EXPECT_NEAR((timer.Now() - LocalNow()) * dayMs, 0.0, 50.0);
}

TEST(RtimeTest, ElapsedKeepsMillisecondsAfterADayOfUptime) {
    TRtime timer;
    timer.Current = timer.StartCount + 86400001LL * 1000000; // one day and 1 ms
    EXPECT_DOUBLE_EQ(timer.Elapsed() * dayMs, 86400001.0);
    timer.Current = timer.StartCount + 1000000LL * 1000000000 + 500000; // 1e6 s and 0.5 ms
    EXPECT_NEAR(timer.Elapsed() * dayMs, 1e9 + 0.5, 1e-3);
}

TEST(RtimeTest, WaitSpinsForTheTimeWithoutSampling) {
    TRtime timer;
    const int64_t current = timer.Count();
    auto start = Clock::now();
    timer.Wait(20);
    const double took = msSince(start);
    EXPECT_GE(took, 20.0);
    EXPECT_LT(took, 500.0);
    EXPECT_EQ(timer.Count(), current);

    start = Clock::now();
    timer.Wait(0);
    EXPECT_LT(msSince(start), 5.0);
}

// Short waits are mostly or wholly spun, long ones mostly slept: none may end before its time.
TEST(RtimeTest, WaitsNeverEndEarly) {
    TRtime timer;
    for (double ms : {0.05, 0.4, 0.999, 1.0, 1.5, 3.0, 12.5, 40.0}) {
        for (int i = 0; i < 3; ++i) {
            const auto start = Clock::now();
            timer.Wait(ms);
            EXPECT_GE(msSince(start), ms) << ms;
        }
    }
    for (int64_t aheadUs : {-5000, 0, 300, 1000, 1001, 2500, 25000}) {
        const int64_t due = timer.ReadCounter() + aheadUs * 1000;
        timer.WaitUntil(due);
        EXPECT_GE(timer.ReadCounter(), due) << aheadUs;
    }
}

// A long wait sleeps: it costs a little processor time for the last stretch, not the whole wait.
TEST(RtimeTest, LongWaitUsesLittleProcessorTime) {
    TRtime timer;
    const double cpuStart = threadCpuMs();
    const auto start = Clock::now();
    timer.Wait(300);
    const double wall = msSince(start);
    const double cpu = threadCpuMs() - cpuStart;
    EXPECT_GE(wall, 300.0);
    EXPECT_LT(cpu, 60.0) << "processor time of a 300 ms wait";

    const double cpuUntil = threadCpuMs();
    timer.WaitUntil(timer.ReadCounter() + 300 * 1000000LL);
    EXPECT_LT(threadCpuMs() - cpuUntil, 60.0) << "processor time of WaitUntil 300 ms ahead";
}

TEST(RtimeTest, WithoutCounterCountsMillisecondsOfTheDay) {
    TRtime timer(false);
    EXPECT_EQ(timer.Frequency, 0);
    EXPECT_EQ(timer.TicksPerDay, 0);
    EXPECT_EQ(timer.TicksPerMs, 1);
    timer.Sample();
    const double now = LocalNow();
    double diff = static_cast<double>(timer.Count()) - (now - std::floor(now)) * dayMs;
    diff -= dayMs * std::round(diff / dayMs);
    EXPECT_LT(std::fabs(diff), 50.0);
    EXPECT_NEAR((timer.Now() - LocalNow()) * dayMs, 0.0, 50.0);

    const auto start = Clock::now();
    timer.Wait(5);
    EXPECT_GE(msSince(start), 5.0);
}

// Without a counter the counts start again at midnight: a due count taken on the other side of
// midnight is a few milliseconds away, not a day.
TEST(RtimeTest, WithoutCounterWaitUntilAcrossMidnight) {
    TRtime timer(false);
    constexpr int64_t day = 86400000;
    for (int64_t dayShift : {-day, day, int64_t{0}}) {
        const auto start = Clock::now();
        timer.WaitUntil(timer.ReadCounter() + 30 + dayShift);
        const double took = msSince(start);
        EXPECT_GE(took, 25.0) << dayShift; // the clock is read to the millisecond
        EXPECT_LT(took, 2000.0) << dayShift;
    }
}

} // namespace

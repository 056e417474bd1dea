#include "common/ConsoleBuffer.h"
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

constexpr uint32_t White = 0x00FFFFFF;
constexpr uint32_t Lime = 0x0000FF00;
constexpr uint32_t Red = 0x000000FF;
constexpr uint32_t Aqua = 0x00FFFF00;
constexpr uint32_t Yellow = 0x0000FFFF;

// A console that records what it is given and can be told to fail.
struct RecordingTarget : TConsoleTarget {
    std::vector<std::string> lines;
    std::vector<uint32_t> colours;
    int clears = 0;
    int repaints = 0;
    int failAppendAfter = -1; // throw on the append after this many lines; -1 never
    int baseCount = 0;        // lines the console held before the recorded ones

    int LineCount() override { return baseCount + static_cast<int>(lines.size()); }
    void Clear() override {
        ++clears;
        baseCount = 0;
        lines.clear();
        colours.clear();
    }
    void AppendLine(const std::string& line, uint32_t colour) override {
        if (failAppendAfter >= 0 && static_cast<int>(lines.size()) >= failAppendAfter) {
            throw std::runtime_error("console broken");
        }
        lines.push_back(line);
        colours.push_back(colour);
    }
    void Repaint() override { ++repaints; }
};

// 7 minutes 3.045 seconds past 14:00 on some day.
constexpr double SampleTime = 45000.0 + (14 * 3600 + 7 * 60 + 3.045) / 86400.0;

struct ConsoleBufferTest : ::testing::Test {
    RecordingTarget target;
    TConsoleBuffer console{[] { return SampleTime; }};
    void SetUp() override { console.SetTarget(&target); }
};

TEST(ConsoleStamp, FormatsMinutesSecondsMilliseconds) {
    struct Case {
        double dateTime;
        const char* text;
    };
    const Case cases[] = {
        {SampleTime, "07:03.045"},
        {0.0, "00:00.000"},
        {0.5, "00:00.000"},                                      // noon
        {(23 * 3600 + 59 * 60 + 59.999) / 86400.0, "59:59.999"}, // last millisecond of the day
        {12345.0 + (10 * 60 + 5.5) / 86400.0, "10:05.500"},      // whole days are ignored
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TConsoleBuffer::Stamp(c.dateTime), c.text) << c.dateTime;
    }
}

TEST(ConsoleStamp, LevelColours) {
    EXPECT_EQ(TConsoleBuffer::LevelColour(clSent), White);
    EXPECT_EQ(TConsoleBuffer::LevelColour(clReceived), Lime);
    EXPECT_EQ(TConsoleBuffer::LevelColour(clTimeout), Red);
    EXPECT_EQ(TConsoleBuffer::LevelColour(clInfo), Aqua);
    EXPECT_EQ(TConsoleBuffer::LevelColour(clError), Red);
    EXPECT_EQ(TConsoleBuffer::LevelColour(clNote), Yellow);
}

TEST_F(ConsoleBufferTest, LineIsStampedAndEmptyTextHasNoStamp) {
    console.SetBuffered(false);
    console.Add("Ready.", clInfo);
    console.Add("", clInfo);
    ASSERT_EQ(target.lines.size(), 2u);
    EXPECT_EQ(target.lines[0], "07:03.045: Ready.");
    EXPECT_EQ(target.lines[1], "");
}

TEST_F(ConsoleBufferTest, BatchedHolds128LinesAndThe129thWritesAllInOrder) {
    ASSERT_TRUE(console.Buffered());
    for (int i = 0; i < 128; ++i) {
        console.Add("line " + std::to_string(i), clInfo);
    }
    EXPECT_TRUE(target.lines.empty());
    EXPECT_EQ(console.PendingCount(), 128);
    console.Add("line 128", clInfo);
    ASSERT_EQ(target.lines.size(), 129u);
    for (int i = 0; i < 129; ++i) {
        EXPECT_EQ(target.lines[i], "07:03.045: line " + std::to_string(i));
    }
    EXPECT_EQ(console.PendingCount(), 0);
    EXPECT_GE(target.repaints, 1);
}

TEST_F(ConsoleBufferTest, ErrorAndTimeoutFlushEverythingPendingInTheirColours) {
    for (int forcing : {int(clError), int(clTimeout)}) {
        target.Clear();
        console.Add("sent", clSent);
        console.Add("received", clReceived);
        console.Add("note", clNote);
        EXPECT_TRUE(target.lines.empty());
        console.Add("broken", forcing);
        ASSERT_EQ(target.lines.size(), 4u) << forcing;
        EXPECT_EQ(target.lines[0], "07:03.045: sent");
        EXPECT_EQ(target.lines[3], "07:03.045: broken");
        EXPECT_EQ(target.colours, (std::vector<uint32_t>{White, Lime, Yellow, Red}));
        EXPECT_EQ(console.PendingCount(), 0);
    }
}

TEST_F(ConsoleBufferTest, UnbatchedWritesEveryLineAtOnce) {
    console.SetBuffered(false);
    for (int i = 0; i < 3; ++i) {
        console.Add("x", clInfo);
        EXPECT_EQ(target.lines.size(), size_t(i + 1));
        EXPECT_EQ(console.PendingCount(), 0);
    }
}

TEST_F(ConsoleBufferTest, SwitchingBatchingOffFlushes) {
    console.Add("a", clInfo);
    EXPECT_TRUE(target.lines.empty());
    console.SetBuffered(false);
    EXPECT_EQ(target.lines.size(), 1u);
}

TEST_F(ConsoleBufferTest, FullConsoleIsEmptiedBeforeTheFlushThatWouldReachTheLimit) {
    target.baseCount = 65500;
    for (int i = 0; i < 40; ++i) {
        console.Add(std::to_string(i), clInfo);
    }
    console.Flush();
    EXPECT_EQ(target.clears, 1);
    EXPECT_EQ(target.LineCount(), 40);
    EXPECT_EQ(target.lines.front(), "07:03.045: 0");
    EXPECT_EQ(target.lines.back(), "07:03.045: 39");
}

TEST_F(ConsoleBufferTest, ConsoleJustBelowTheLimitIsKept) {
    target.baseCount = 65535 - 3;
    for (int i = 0; i < 3; ++i) {
        console.Add("x", clInfo);
    }
    console.Flush();
    EXPECT_EQ(target.clears, 0);
    EXPECT_EQ(target.LineCount(), 65535);
}

TEST_F(ConsoleBufferTest, ClearLeavesPendingLinesForTheNextFlush) {
    console.SetBuffered(false);
    console.Add("old", clInfo);
    console.SetBuffered(true);
    console.Add("pending", clInfo);
    console.Clear();
    EXPECT_TRUE(target.lines.empty());
    EXPECT_EQ(console.PendingCount(), 1);
    console.Flush();
    EXPECT_EQ(target.lines, (std::vector<std::string>{"07:03.045: pending"}));
}

TEST_F(ConsoleBufferTest, FailingConsoleKeepsUnwrittenLinesWithoutDuplicates) {
    target.failAppendAfter = 1;
    console.Add("one", clInfo);
    console.Add("two", clInfo);
    console.Add("three", clError); // the flush fails after the first line; nothing escapes
    EXPECT_EQ(target.lines.size(), 1u);
    EXPECT_EQ(console.PendingCount(), 2);
    target.failAppendAfter = -1;
    console.Flush();
    EXPECT_EQ(target.lines,
              (std::vector<std::string>{"07:03.045: one", "07:03.045: two", "07:03.045: three"}));
    EXPECT_EQ(target.colours, (std::vector<uint32_t>{Aqua, Aqua, Red}));
}

TEST(ConsoleBuffer, FailingClockRetriesOnceThenDropsTheLine) {
    int calls = 0;
    bool failTwice = false;
    TConsoleBuffer console([&] {
        ++calls;
        if (failTwice || calls == 1) {
            throw std::runtime_error("clock");
        }
        return SampleTime;
    });
    console.Add("retried", clInfo); // first attempt fails, the second succeeds
    EXPECT_EQ(console.PendingLines(), (std::vector<std::string>{"07:03.045: retried"}));
    failTwice = true;
    const int before = calls;
    console.Add("dropped", clInfo);
    EXPECT_EQ(calls - before, 2);
    EXPECT_EQ(console.PendingCount(), 1);
}

TEST(ConsoleBuffer, WithoutTargetLinesWaitAndNothingFails) {
    TConsoleBuffer console([] { return SampleTime; });
    console.Add("early", clError);
    console.Clear();
    EXPECT_EQ(console.PendingCount(), 1);
    RecordingTarget target;
    console.SetTarget(&target);
    console.Flush();
    EXPECT_EQ(target.lines, (std::vector<std::string>{"07:03.045: early"}));
}

TEST(ConsoleBuffer, WriterAddsThroughTheCallback) {
    RecordingTarget target;
    TConsoleBuffer console([] { return SampleTime; });
    console.SetTarget(&target);
    TConsoleWriter write = console.Writer();
    write("Com timeout: Expecting frame header byte", clTimeout);
    EXPECT_EQ(target.lines,
              (std::vector<std::string>{"07:03.045: Com timeout: Expecting frame header byte"}));
    EXPECT_EQ(target.colours, (std::vector<uint32_t>{Red}));
}

TEST(ConsoleBuffer, DefaultClockStampsLocalTime) {
    TConsoleBuffer console;
    console.Add("now", clInfo);
    ASSERT_EQ(console.PendingCount(), 1);
    const std::string& line = console.PendingLines()[0];
    ASSERT_EQ(line.size(), std::string("nn:ss.zzz: now").size());
    EXPECT_EQ(line[2], ':');
    EXPECT_EQ(line[5], '.');
    EXPECT_EQ(line.substr(9), ": now");
}

} // namespace

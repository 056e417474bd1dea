// The journal of a run and the file writer under it: frames reach the disk within the flush
// interval and at Flush, the journal is a valid log, names never clash, journals left behind
// are found unless a running program holds them, and a write that fails keeps a valid log.
#include "link/Rtime.h"
#include "log/AppendFile.h"
#include "log/DataLog.h"
#include "log/LogJournal.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

TPacket frameNo(int i) {
    TPacket frame;
    frame.FromFrameText("$F4,$58,$01,$00,$00,$00");
    frame.setData(1, i & 0xFF);
    frame.setData(2, (i >> 8) & 0xFF);
    frame.UpdateChecksum();
    frame.SetTime(0.5 + i / 864000.0);
    frame.Notes = static_cast<uint32_t>(i % 3);
    return frame;
}

int framesOnDisk(const std::string& path) {
    if (!fs::exists(path)) {
        return 0;
    }
    TDataLog log;
    try {
        log.LoadFromFile(path);
    } catch (const EQuorvinError&) {
        return 0; // nothing written yet
    }
    return log.Count();
}

TEST(Journal, FramesReachTheDiskWithinTheIntervalAndAtFlush) {
    TempDir dir;
    const std::string path = dir.File("data/Unsaved log x.alg"); // the folder is made too
    TLogJournal journal(path);
    journal.Tick();
    EXPECT_FALSE(fs::exists(path)); // no frame, no file
    for (int i = 0; i < 5; ++i) {
        journal.Append(frameNo(i));
        journal.Tick();
    }
    EXPECT_EQ(framesOnDisk(path), 0); // buffered: one write per interval
    std::this_thread::sleep_for(TAppendFile::FlushInterval + std::chrono::milliseconds(20));
    journal.Tick();
    EXPECT_EQ(framesOnDisk(path), 5);
    journal.Append(frameNo(5));
    journal.Flush();
    EXPECT_EQ(journal.Frames(), 6);
    TDataLog log;
    log.LoadFromFile(path);
    ASSERT_EQ(log.Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(log.Frames(i).HexText(), frameNo(i).HexText()) << i;
        EXPECT_EQ(log.Frames(i).Notes, frameNo(i).Notes) << i;
        EXPECT_EQ(log.Frames(i).TimeMs, frameNo(i).TimeMs) << i;
    }
    journal.Remove();
    EXPECT_FALSE(fs::exists(path));
}

TEST(Journal, ANameTakenMeanwhileGivesWayToTheNextFreeOne) {
    TempDir dir;
    const double now = LocalNow();
    const std::string chosen = NewJournalPath(dir.Path().string(), now);
    EXPECT_EQ(fs::path(chosen).filename().string(),
              "Unsaved log " + FormatDateTime("yyyy-mm-dd hh.nn.ss", now) + ".alg");
    TLogJournal first(chosen);
    TLogJournal second(chosen); // both chose the same name before either wrote
    first.Append(frameNo(1));
    second.Append(frameNo(2));
    first.Flush();
    second.Flush();
    EXPECT_NE(second.Path(), first.Path());
    TDataLog a, b;
    a.LoadFromFile(first.Path());
    b.LoadFromFile(second.Path());
    ASSERT_EQ(a.Count(), 1);
    ASSERT_EQ(b.Count(), 1);
    EXPECT_EQ(a.Frames(0).HexText(), frameNo(1).HexText());
    EXPECT_EQ(b.Frames(0).HexText(), frameNo(2).HexText());
    EXPECT_EQ(second.Path(), chosen.substr(0, chosen.size() - 4) + "-2.alg");
    const std::string next = NewJournalPath(dir.Path().string(), now);
    EXPECT_NE(next, first.Path());
    EXPECT_NE(next, second.Path());
}

TEST(Journal, JournalsLeftBehindAreFoundOldestFirstUnlessAProgramHoldsThem) {
    TempDir dir;
    const std::string folder = dir.Path().string();
    dir.Write("Unsaved log old.alg", "x");
    dir.Write("Unsaved log new.alg", "x");
    dir.Write("Aldl 2026-01-01 10.00.00.alg", "x"); // a saved log
    dir.Write("Unsaved log notes.txt", "x");
    fs::last_write_time(dir.File("Unsaved log old.alg"),
                        fs::file_time_type::clock::now() - std::chrono::hours(2));
    EXPECT_EQ(LeftJournals(folder), (std::vector<std::string>{dir.File("Unsaved log old.alg"),
                                                              dir.File("Unsaved log new.alg")}));
    TLogJournal running(dir.File("Unsaved log running.alg"));
    running.Append(frameNo(1)); // created and held while it runs
    EXPECT_EQ(LeftJournals(folder).size(), 2u);
    running.Flush();
    EXPECT_EQ(LeftJournals(dir.File("missing")).size(), 0u);
}

TEST(Journal, AWriteThatFailsSaysSoAndLeavesAValidLog) {
    TempDir dir;
    const std::string path = dir.File("Unsaved log full.alg");
    TLogJournal journal(path);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000; // a full disk, for root as well
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        for (int i = 0; i < 100; ++i) {
            journal.Append(frameNo(i));
        }
        journal.Flush();
    } catch (const EQuorvinError& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(message, "Can't save file " + path + ". File too large");
    TDataLog log;
    log.LoadFromFile(path);
    EXPECT_EQ(log.Count(), 1000 / 20); // records of 20 bytes up to the limit
    EXPECT_FALSE(log.LastLoadTruncated());
    EXPECT_EQ(log.Frames(log.Count() - 1).HexText(), frameNo(log.Count() - 1).HexText());
}

} // namespace

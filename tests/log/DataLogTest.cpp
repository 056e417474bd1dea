#include "log/DataLog.h"

#include "support/NamedPipe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr double MsPerDay = 86400000.0;

double clock(int h, int m, int s, int ms) {
    return ((h * 60 + m) * 60 + s + ms / 1000.0) / 86400.0;
}
long long msOf(const TPacket& frame) {
    return std::llround(frame.Time * MsPerDay);
}

std::unique_ptr<TPacket> makeFrame(const std::string& text, double time = 0, uint32_t notes = 0,
                                   int messageNo = 0) {
    auto frame = std::make_unique<TPacket>();
    frame->FromFrameText(text);
    frame->SetTime(time);
    frame->Notes = notes;
    frame->MessageNo = messageNo;
    return frame;
}

// A frame with n data bytes whose mode byte is 1 and whose data count up from seed.
std::unique_ptr<TPacket> numberedFrame(int n, int seed) {
    auto frame = std::make_unique<TPacket>();
    frame->SetHeader(0xF4);
    frame->SetDataLen(n);
    for (int i = 0; i < n; ++i) {
        frame->setData(i, i == 0 ? 1 : seed + i);
    }
    frame->UpdateChecksum();
    frame->SetTime(clock(10, 0, seed % 60, seed % 1000));
    frame->MessageNo = seed % 7;
    return frame;
}

struct DataLogTest : ::testing::Test {
    fs::path dir;
    TDataLog log;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "DataLogTest.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Fills the log with three known frames, as a capture already there.
    void fillKnown() {
        log.New();
        for (int i = 0; i < 3; ++i) {
            log.Add(numberedFrame(4, i), true);
        }
    }
    void expectKnown() const {
        ASSERT_EQ(log.Count(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(log.Frames(i).HexText(), numberedFrame(4, i)->HexText());
        }
    }
    void expectMessage(const std::function<void()>& action, const std::string& message) {
        try {
            action();
            ADD_FAILURE() << "no exception, expected: " << message;
        } catch (const EQuorvinError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    // No temporary file of a save is left behind in the folder.
    size_t filesInDir() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
    }
};

// ---- Slots ----

TEST_F(DataLogTest, GrowsPastThreeHundredFramesUpToItsLimitThenRefusesEveryAdd) {
    EXPECT_EQ(log.Limit(), 2000000);
    log.SetLimit(1000);
    for (int i = 0; i < 1000; ++i) {
        log.Add(numberedFrame(3 + i % 60, i), true);
    }
    EXPECT_EQ(log.Count(), 1000);
    EXPECT_TRUE(log.Full());
    expectMessage([&] { log.Add(numberedFrame(3, 1), true); }, "Frame capture buffer is full");
    expectMessage([&] { log.Add(numberedFrame(3, 1), false); }, "Frame capture buffer is full");
    EXPECT_EQ(log.Count(), 1000);
    for (int i : {0, 299, 300, 999}) {
        const TPacket frame = log.Frames(i);
        const auto expected = numberedFrame(3 + i % 60, i);
        EXPECT_EQ(frame.HexText(), expected->HexText()) << i;
        EXPECT_EQ(frame.TimeMs, expected->TimeMs) << i;
        EXPECT_EQ(frame.MessageNo, expected->MessageNo) << i;
        EXPECT_EQ(log.FrameTime(i), expected->Time) << i;
    }
    log.SetLimit(2000); // a higher limit takes more again
    log.Add(numberedFrame(3, 1), true);
    EXPECT_EQ(log.Count(), 1001);
}

TEST_F(DataLogTest, HundredsOfThousandsOfFramesKeepEveryByte) {
    for (int i = 0; i < 200000; ++i) {
        log.Add(numberedFrame(1 + i % 170, i), true);
    }
    ASSERT_EQ(log.Count(), 200000);
    TPacket frame;
    for (int i = 0; i < 200000; i += 997) {
        log.ReadFrame(i, frame);
        ASSERT_EQ(frame.HexText(), numberedFrame(1 + i % 170, i)->HexText()) << i;
    }
    // Packed: the frames' own bytes and a little beside them, nothing per frame on the heap.
    EXPECT_LT(log.BytesHeld(), 200000u * (86 + 40));
}

TEST_F(DataLogTest, IndexOutsideTheCaptureRaisesTheIndexMessageWithTheRealRange) {
    struct Case {
        int frames;
        int index;
        std::string message;
    };
    const Case cases[] = {
        {0, 1, "Index: 1 out of range 0-0 in TDataLog.setPacket"},
        {0, -1, "Index: -1 out of range 0-0 in TDataLog.setPacket"},
        {400, 401, "Index: 401 out of range 0-400 in TDataLog.setPacket"},
    };
    for (const Case& c : cases) {
        log.New();
        for (int i = 0; i < c.frames; ++i) {
            log.Add(numberedFrame(3, i), true);
        }
        expectMessage([&] { (void)log.Frames(c.index); }, c.message);
    }
    expectMessage([&] { log.SetNotes(400, 1); },
                  "Index: 400 out of range 0-399 in TDataLog.SetNotes");
}

TEST_F(DataLogTest, NotesAreWrittenThroughTheLogNotThroughACopy) {
    EXPECT_TRUE(log.Empty());
    EXPECT_TRUE(log.Frames(0).IsEmpty()); // no live frame yet: a cleared frame
    fillKnown();
    TPacket copy = log.Frames(1);
    copy.Notes = 3;
    copy.SetHeader(0x10);
    EXPECT_EQ(log.Frames(1).HexText(), numberedFrame(4, 1)->HexText());
    EXPECT_EQ(log.Notes(1), 0u);
    log.SetNotes(1, 0x80000003u);
    EXPECT_EQ(log.Notes(1), 0x80000003u);
    EXPECT_EQ(log.Frames(1).Notes, 0x80000003u);
    EXPECT_EQ(log.Frames(1).HexText(), numberedFrame(4, 1)->HexText());
    EXPECT_EQ(log.Notes(0), 0u);
    EXPECT_EQ(log.Notes(2), 0u);
}

TEST_F(DataLogTest, LiveSlotFollowsTheCapturedFramesWithoutGrowingTheCapture) {
    log.Add(makeFrame("$F4,$56,$01,$B5"), true);
    log.Add(makeFrame("$F4,$57,$01,$00,$B4"), false);
    EXPECT_EQ(log.Count(), 1);
    EXPECT_EQ(log.Frames(1).HexText(), "$F4,$57,$01,$00,$B4");
    log.Add(makeFrame("$F4,$57,$01,$01,$B3"), false); // replaces the live frame
    EXPECT_EQ(log.Count(), 1);
    EXPECT_EQ(log.Frames(1).HexText(), "$F4,$57,$01,$01,$B3");
    log.Add(makeFrame("$F4,$56,$02,$B4"), true); // a logged frame takes the live slot
    EXPECT_EQ(log.Count(), 2);
    EXPECT_EQ(log.Frames(1).HexText(), "$F4,$56,$02,$B4");
    EXPECT_TRUE(log.Frames(2).IsEmpty());
}

TEST_F(DataLogTest, LiveFramesAloneLeaveTheLogEmptyAndClearDropsThem) {
    log.Add(makeFrame("$F4,$56,$01,$B5"), false);
    EXPECT_TRUE(log.Empty());
    log.SaveToFile(path("live.alg"));
    EXPECT_FALSE(fs::exists(path("live.alg")));
    log.Clear();
    EXPECT_TRUE(log.Frames(0).IsEmpty());
}

// ---- Saving ----

TEST_F(DataLogTest, SavingAfterClearOrNewWritesNothing) {
    fillKnown();
    log.Clear();
    log.SaveToFile(path("cleared.alg"));
    fillKnown();
    log.New();
    log.SaveToFile(path("new.alg"));
    EXPECT_EQ(filesInDir(), 0u);
}

TEST_F(DataLogTest, BinaryRecordLayout) {
    log.Add(makeFrame("$F4,$57,$01,$00,$B4", clock(12, 34, 56, 789), 0x80000005u, 0x1234), true);
    log.Add(makeFrame("$F0,$55,$BB", clock(0, 0, 0, 1)), true); // no data: 17 bytes
    log.SaveToFile(path("layout.alg"));
    const std::string expected = std::string("123456789") + "\x05\x00\x00\x80"s +
                                 "\x34\xF4\x57\x01\x00\xB4"s + "000000001" +
                                 "\x00\x00\x00\x00\x00\xF0\x55\xBB"s;
    EXPECT_EQ(read("layout.alg"), expected);
    EXPECT_EQ(log.FileName(), path("layout.alg"));
}

TEST_F(DataLogTest, BinaryRoundTripKeepsEveryField) {
    struct Case {
        const char* text;
        double time;
        uint32_t notes;
        int messageNo;
    };
    const Case cases[] = {
        {"$F4,$57,$01,$00,$B4", clock(12, 34, 56, 789), 5, 3},
        {"$F4,$56,$01,$00", clock(23, 59, 59, 999), 0xFFFFFFFFu, 255}, // wrong checksum kept
        {"$F0,$55,$00", 0, 0, 0},
        {"$0A,$57,$FF,$FF,$12", clock(0, 0, 0, 0) + 0.25, 1u << 31, 17},
    };
    for (const Case& c : cases) {
        log.Add(makeFrame(c.text, c.time, c.notes, c.messageNo), true);
    }
    log.Add(numberedFrame(170, 9), true); // the longest frame
    log.SaveToFile(path("round.alg"));

    TDataLog loaded;
    loaded.LoadFromFile(path("round.alg"));
    ASSERT_EQ(loaded.Count(), log.Count());
    EXPECT_FALSE(loaded.Empty());
    for (int i = 0; i < log.Count(); ++i) {
        const TPacket& a = log.Frames(i);
        const TPacket& b = loaded.Frames(i);
        EXPECT_EQ(b.HexText(), a.HexText()) << i;
        EXPECT_EQ(msOf(b), msOf(a)) << i;
        EXPECT_EQ(b.Notes, a.Notes) << i;
        EXPECT_EQ(b.MessageNo, a.MessageNo) << i;
    }
    EXPECT_FALSE(loaded.Frames(1).ChecksumOK());
    EXPECT_FALSE(loaded.LastLoadTruncated());
}

TEST_F(DataLogTest, BinExtensionWritesTheRawDataStream) {
    log.Add(makeFrame("$F4,$58,$01,$10,$20,$00"), true);
    log.Add(makeFrame("$F4,$56,$01,$00"), true); // mode byte only: nothing
    log.Add(makeFrame("$F4,$57,$01,$30,$00"), true);
    for (const char* name : {"dump.BIN", "dump2.bin"}) {
        log.SaveToFile(path(name));
        EXPECT_EQ(read(name), "\x10\x20\x30") << name;
    }
}

TEST_F(DataLogTest, SaveReplacesAnEarlierFile) {
    write("old.alg", std::string(5000, 'x'));
    fillKnown();
    log.SaveToFile(path("old.alg"));
    TDataLog loaded;
    loaded.LoadFromFile(path("old.alg"));
    EXPECT_EQ(loaded.Count(), 3);
    EXPECT_EQ(filesInDir(), 1u);
}

TEST_F(DataLogTest, FailedSaveLeavesTheEarlierFileAndNoTemporaryFile) {
    struct Case {
        std::string target;
        std::string systemText;
    };
    fs::create_directory(dir / "folder.alg");
    const Case cases[] = {
        {path("folder.alg"), "Is a directory"},
        {path("missing/x.alg"), "No such file or directory"},
    };
    fillKnown();
    for (const Case& c : cases) {
        expectMessage([&] { log.SaveToFile(c.target); },
                      "Can't save file " + c.target + ". " + c.systemText);
    }
    EXPECT_EQ(filesInDir(), 1u);
    EXPECT_EQ(log.FileName(), "");
}

TEST_F(DataLogTest, SaveThatFailsWhileWritingKeepsTheOldFileWhole) {
    // A file size limit makes the write itself fail, for root as well.
    const std::string old = "the earlier log";
    write("kept.alg", old);
    for (int i = 0; i < 300; ++i) {
        log.Add(numberedFrame(20, i), true);
    }
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        log.SaveToFile(path("kept.alg"));
    } catch (const EQuorvinError& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(message, "Can't save file " + path("kept.alg") + ". File too large");
    EXPECT_EQ(read("kept.alg"), old);
    EXPECT_EQ(filesInDir(), 1u);
}

// ---- Loading ----

TEST_F(DataLogTest, NameWithoutExtensionGetsAlgAndOtherExtensionsAreKept) {
    fillKnown();
    log.SaveToFile(path("run1.alg"));
    log.SaveToFile(path("run1.txt"));
    fs::copy_file(path("run1.alg"), path("run1.log.alg"));

    struct Case {
        std::string requested;
        std::string loaded;
    };
    const Case cases[] = {
        {path("run1"), path("run1.alg")},
        {path("run1.txt"), path("run1.txt")},
        {path("run1.log"), path("run1.log")}, // has an extension: used unchanged, and missing
    };
    for (const Case& c : cases) {
        TDataLog other;
        if (c.requested == path("run1.log")) {
            expectMessage([&] { other.LoadFromFile(c.requested); },
                          "Can't open file " + c.loaded + ". No such file or directory");
            continue;
        }
        other.LoadFromFile(c.requested);
        EXPECT_EQ(other.FileName(), c.loaded);
        EXPECT_EQ(other.Count(), 3);
    }
}

TEST_F(DataLogTest, EmptyNameReloadsTheLastFile) {
    fillKnown();
    log.SaveToFile(path("again.alg"));
    log.Clear();
    log.LoadFromFile("");
    expectKnown();
}

TEST_F(DataLogTest, TextLogLines) {
    struct Case {
        const char* name;
        std::string file;
        int count;
        long long ms;     // of the last frame
        uint32_t notes;   // of the last frame
        int messageNo;    // of the last frame
        const char* text; // of the last frame
    };
    const long long t = 45296789; // 12:34:56.789
    const Case cases[] = {
        {"frame line", "12:34:56.789,T03,$F4,$57,$01,$00,$B4\r\n", 1, t, 0, 3,
         "$F4,$57,$01,$00,$B4"},
        {"note line first", "NOTE:5\r\n12:34:56.789,T00,$F4,$57,$01,$00,$B4\r\n", 1, t, 5, 0,
         "$F4,$57,$01,$00,$B4"},
        {"note line later, any case",
         "12:34:56.789,T01,$F4,$56,$01,$B5\r\nnote:-1\r\n12:34:56.789,T02,$F4,$56,$01,$B5\r\n", 2,
         t, 0xFFFFFFFFu, 2, "$F4,$56,$01,$B5"},
        {"unreadable note", "NOTE:five\r\n12:34:56.789,T00,$F4,$56,$01,$B5\r\n", 1, t, 0, 0,
         "$F4,$56,$01,$B5"},
        {"decimal items", "12:34:56.789,T07,244, 87,  1,  0,180\r\n", 1, t, 0, 7,
         "$F4,$57,$01,$00,$B4"},
        {"no T column, blank", "12:34:56.789, $F4,$56,$01,$B5\r\n", 1, t, 0, 0, "$F4,$56,$01,$B5"},
        {"no T column, decimal", "12:34:56.789,244, 86,  1,181\r\n", 1, t, 0, 0, "$F4,$56,$01,$B5"},
        {"checksum from the text", "12:34:56.789,T00,$F4,$56,$01,$00\r\n", 1, t, 0, 0,
         "$F4,$56,$01,$00"},
        {"unreadable time", "xx:34:56.789,T01,$F4,$56,$01,$B5\r\n", 1, 0, 0, 1, "$F4,$56,$01,$B5"},
        {"last line without line break",
         "12:34:56.789,T00,$F4,$56,$01,$B5\r\n"
         "12:34:56.789,T04,$F4,$56,$02,$B4",
         2, t, 0, 4, "$F4,$56,$02,$B4"},
        {"LF only", "12:34:56.789,T00,$F4,$56,$01,$B5\n12:34:56.789,T05,$F4,$56,$02,$B4\n", 2, t, 0,
         5, "$F4,$56,$02,$B4"},
        {"line without frame text is skipped",
         "12:34:56.789,T00,\r\n12:34:56.789,T06,$F4,$56,$02,$B4\r\n", 1, t, 0, 6,
         "$F4,$56,$02,$B4"},
        {"short line ends the load",
         "12:34:56.789,T06,$F4,$56,$02,$B4\r\nab\r\n12:34:56.789,T00,$F4,$56,$01,$B5\r\n", 1, t, 0,
         6, "$F4,$56,$02,$B4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("text.alg", c.file);
        TDataLog loaded;
        loaded.LoadFromFile(path("text.alg"));
        ASSERT_EQ(loaded.Count(), c.count);
        const TPacket& last = loaded.Frames(c.count - 1);
        EXPECT_EQ(msOf(last), c.ms);
        EXPECT_EQ(last.Notes, c.notes);
        EXPECT_EQ(last.MessageNo, c.messageNo);
        EXPECT_EQ(last.HexText(), c.text);
    }
}

// The loader reads plain items without a string each; every text must read as the frame text
// reader reads it.
TEST_F(DataLogTest, FrameTextsLoadAsTheFrameTextReaderReadsThem) {
    const char* texts[] = {
        "$F4,$56,$01,$B5",
        "$f4 $56  $01 , $b5",
        "244, 86,  1,181",
        "$F4,$56,$01,$B5,",
        "$F4,$57,$1,$0,$B4",
        "999,$56,$01,$B5",
        "$1F4,$56,$01,$B5",
        "\"$F4\",$56,$01,$B5",
        "$F4,,$56,$01,$B5",
        "$F4,$56,x1,$B5",
        "0xF4,$56,$01,$B5",
        "-12,$56,$01,$B5",
        "$F4",
        "$F4,$55",
        "$F4 ,, $57,$01,$00,$B4",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        write("items.alg", std::string("12:34:56.789,T00,") + text + "\r\n");
        TDataLog loaded;
        loaded.LoadFromFile(path("items.alg"));
        ASSERT_EQ(loaded.Count(), 1);
        TPacket expected;
        expected.FromFrameText(text);
        EXPECT_EQ(loaded.Frames(0).HexText(), expected.HexText());
        EXPECT_EQ(loaded.Frames(0).LengthByte(), expected.LengthByte());
    }
}

TEST_F(DataLogTest, BrokenFilesRaiseTheirMessageAndKeepTheLog) {
    auto tooMany = [] {
        std::string line = "12:34:56.789,T00,";
        for (int i = 0; i < 174; ++i) {
            line += "$01,";
        }
        line.pop_back();
        return line + "\r\n";
    };
    std::string shortLength = "123456789" + std::string(5, '\0') + "\xF4\x40"s + "\x00"s;
    fs::create_directory(dir / "folder.alg");
    struct Case {
        const char* name;
        std::string file; // written to broken.alg unless empty and the case names a path
        std::string target;
        std::string message;
    };
    const std::string broken = path("broken.alg");
    const Case cases[] = {
        {"empty file", "", broken, "File " + broken + " contains invalid ALDL data."},
        {"two bytes", "12", broken, "File " + broken + " contains invalid ALDL data."},
        {"length byte below $55", shortLength, broken,
         "File " + broken + " contains invalid ALDL data."},
        {"length byte $54", "123456789" + std::string(5, '\0') + "\xF4\x54\x00\x00"s, broken,
         "File " + broken + " contains invalid ALDL data."},
        {"too many items", tooMany(), broken, "File " + broken + " contains invalid ALDL data."},
        {"missing file", "", path("none.alg"),
         "Can't open file " + path("none.alg") + ". No such file or directory"},
        {"directory", "", path("folder.alg"),
         "Can't open file " + path("folder.alg") + ". It is a folder, not a file"},
    };
    fillKnown();
    log.SaveToFile(path("known.alg"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("broken.alg", c.file);
        expectMessage([&] { log.LoadFromFile(c.target); }, c.message);
        expectKnown();
        EXPECT_EQ(log.FileName(), path("known.alg"));
    }
}

TEST_F(DataLogTest, ANamedPipeIsRefusedAtOnceAndKeepsTheLog) {
    fillKnown();
    log.SaveToFile(path("known.alg"));
    NamedPipe pipe(path("pipe.alg"));
    ASSERT_TRUE(pipe.ReturnsWithin(std::chrono::seconds(10), [&] {
        expectMessage([&] { log.LoadFromFile(pipe.Path()); },
                      "Can't open file " + pipe.Path() + ". It is a named pipe, not a file");
    })) << "the load waited on the pipe";
    expectKnown();
    EXPECT_EQ(log.FileName(), path("known.alg"));
}

TEST_F(DataLogTest, RecordCutShortEndsTheLoadWithTheFramesBeforeIt) {
    fillKnown();
    log.SaveToFile(path("full.alg"));
    const std::string whole = read("full.alg");
    const size_t record = whole.size() / 3;
    for (size_t cut : {record * 2 + 5, record * 2 + 16, whole.size() - 1}) {
        write("cut.alg", whole.substr(0, cut));
        TDataLog loaded;
        loaded.LoadFromFile(path("cut.alg"));
        EXPECT_EQ(loaded.Count(), 2) << cut;
        EXPECT_TRUE(loaded.LastLoadTruncated());
        EXPECT_EQ(loaded.Frames(1).HexText(), numberedFrame(4, 1)->HexText());
    }
}

TEST_F(DataLogTest, FramesBeyondTheThreeHundredthAreLoadedToo) {
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += "12:00:00.000,T00,$F4,$56," + std::to_string(i % 256) + ",$00\r\n";
    }
    write("long.alg", text);
    log.LoadFromFile(path("long.alg"));
    EXPECT_EQ(log.Count(), 5000);
    EXPECT_EQ(log.Frames(4999).getData(0), 4999 % 256);
    int bad = 0;
    for (int i = 0; i < 5000; ++i) {
        bad += (0xF4 + 0x56 + i % 256) % 256 != 0; // checksum $00 fits one data byte
    }
    EXPECT_EQ(log.BadChecksums(), bad);
    EXPECT_EQ(log.LoadWarning(), "");
    log.Add(makeFrame("$F4,$56,$01,$B5"), true);
    EXPECT_EQ(log.Count(), 5001);
}

TEST_F(DataLogTest, ADamagedRecordKeepsEveryFrameBeforeItAndSaysSo) {
    std::string tooMany = "12:34:56.789,T00,";
    for (int i = 0; i < 174; ++i) {
        tooMany += "$01,";
    }
    tooMany += "$01\r\n";
    std::string good;
    for (int i = 0; i < 4; ++i) {
        good += "12:34:56.789,T00,$F4,$56,$01,$B5\r\n";
    }
    for (int i = 0; i < 7; ++i) {
        log.Add(numberedFrame(4, i), true);
    }
    log.SaveToFile(path("seven.alg"));
    std::string binary = read("seven.alg");
    const size_t record = binary.size() / 7;
    binary[record * 5 + 15] = '\x20'; // the sixth record's length byte
    struct Case {
        const char* name;
        std::string file;
        int count;
    };
    const Case cases[] = {
        {"binary length byte below $55", binary, 5},
        {"text line with too many items", good + tooMany + good, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("damaged.alg", c.file);
        TDataLog loaded;
        loaded.LoadFromFile(path("damaged.alg"));
        EXPECT_EQ(loaded.Count(), c.count);
        EXPECT_EQ(loaded.LoadWarning(), "File " + path("damaged.alg") + " is damaged after frame " +
                                            std::to_string(c.count) + "; " +
                                            std::to_string(c.count) + " frames loaded.");
        EXPECT_EQ(loaded.Frames(c.count - 1).HexText(),
                  c.count == 5 ? numberedFrame(4, 4)->HexText() : "$F4,$56,$01,$B5");
        // A later whole file clears the warning.
        loaded.LoadFromFile(path("seven.alg"));
        EXPECT_EQ(loaded.LoadWarning(), "");
        EXPECT_EQ(loaded.Count(), 7);
    }
}

TEST_F(DataLogTest, FramesWithABadChecksumAreLoadedAndCounted) {
    log.Add(makeFrame("$F4,$56,$01,$B5"), true);
    log.Add(makeFrame("$F4,$56,$01,$00"), true); // wrong
    log.Add(makeFrame("$F4,$57,$01,$00,$B4"), true);
    log.Add(makeFrame("$F4,$57,$01,$00,$B5"), true); // wrong
    log.SaveToFile(path("sums.alg"));
    TDataLog loaded;
    loaded.LoadFromFile(path("sums.alg"));
    EXPECT_EQ(loaded.Count(), 4);
    EXPECT_EQ(loaded.BadChecksums(), 2);
}

TEST_F(DataLogTest, ACancelledLoadLeavesTheLogAsItWas) {
    fillKnown();
    log.SaveToFile(path("known.alg"));
    TDataLog other;
    for (int i = 0; i < 1000; ++i) {
        other.Add(numberedFrame(30, i), true);
    }
    other.SaveToFile(path("long.alg"));
    int calls = 0;
    log.SetOnProgress([&](int) {
        if (++calls == 500) {
            throw ELoadCancelled();
        }
    });
    EXPECT_THROW(log.LoadFromFile(path("long.alg")), ELoadCancelled);
    expectKnown();
    EXPECT_EQ(log.FileName(), path("known.alg"));
}

TEST_F(DataLogTest, ProgressIsReportedBeforeEachFrameAndRises) {
    for (int i = 0; i < 50; ++i) {
        log.Add(numberedFrame(1 + i % 10, i), true);
    }
    log.SaveToFile(path("progress.alg"));
    std::vector<int> reported;
    TDataLog loaded;
    loaded.SetOnProgress([&](int percent) { reported.push_back(percent); });
    loaded.LoadFromFile(path("progress.alg"));
    ASSERT_EQ(reported.size(), 50u);
    EXPECT_EQ(reported.front(), 0);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
    EXPECT_GT(reported.back(), 90);
    EXPECT_LT(reported.back(), 100);
}

TEST_F(DataLogTest, MutatedFilesNeverCrashTheLoader) {
    fillKnown();
    log.Add(makeFrame("$F4,$57,$01,$00,$B4", clock(1, 2, 3, 4), 7, 2), true);
    log.SaveToFile(path("seed.alg"));
    const std::string binary = read("seed.alg");
    const std::string text = "NOTE:3\r\n12:34:56.789,T01,$F4,$57,$01,$00,$B4\r\n"
                             "12:34:56.790,T02,244, 86,  1,181\r\n";
    std::mt19937 random(12345);
    for (int round = 0; round < 600; ++round) {
        std::string file = round % 2 ? binary : text;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits && !file.empty(); ++e) {
            const size_t at = random() % file.size();
            switch (random() % 3) {
            case 0:
                file[at] = static_cast<char>(random());
                break;
            case 1:
                file.erase(at, 1 + random() % 20);
                break;
            default:
                file.insert(at, 1 + random() % 4, static_cast<char>(random()));
            }
        }
        write("mutated.alg", file);
        TDataLog loaded;
        try {
            loaded.LoadFromFile(path("mutated.alg"));
        } catch (const EQuorvinError& e) {
            EXPECT_NE(std::string(e.what()).find("contains invalid ALDL data."), std::string::npos);
        }
        for (int i = 0; i < loaded.Count(); ++i) {
            ASSERT_LE(loaded.Frames(i).DataLen(), 170);
        }
    }
}

} // namespace

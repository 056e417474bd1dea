// The capture's journal in the window: a run's frames reach the data folder as they are read,
// saving or discarding removes them, a journal left behind is offered at the next start, and a
// killed program loses at most the last second. Also the loads and saves around it: progress
// that can be cancelled, damaged files, names that never overwrite, and play back that gives
// Log data back.
#include "shell/Main.h"

#include "common/Common.h"
#include "definitions/XMLData.h"
#include "ecm-sim/EcmSim.h"
#include "engine/Cartridge.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "log/AppendFile.h"
#include "log/DataLog.h"
#include "log/LogJournal.h"
#include "shell/ConsoleView.h"
#include "support/TempDir.h"
#include "views/ViewMacros.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string SampleVehicle = std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml";

TPacket frameAt(int i) {
    TPacket frame;
    frame.FromFrameText("$F4,$57,$01,$00,$B4");
    frame.setData(1, i & 0xFF);
    frame.UpdateChecksum();
    frame.SetTime(0.5 + i * 0.1 / 86400);
    return frame;
}

// The journals in a folder, by name.
std::vector<std::string> journalsIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("Unsaved log ", 0) == 0) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

// A journal as a crash leaves it: frames on disk, nobody holding it.
std::string leaveJournal(const std::string& folder, int frames) {
    const std::string path = NewJournalPath(folder, LocalNow());
    TLogJournal journal(path);
    for (int i = 0; i < frames; ++i) {
        journal.Append(frameAt(i));
    }
    journal.Flush();
    return path;
}

// The simulated module as the sample vehicle expects it: chattering.
EcmSimOptions chattering() {
    EcmSimOptions options;
    options.chatter = true;
    return options;
}

double secondsOfDay(double dateTime) {
    return (dateTime - std::floor(dateTime)) * 86400.0;
}

class LogJournalTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        fs::create_directories(data());
        writeIni("");
    }
    void TearDown() override {
        window.reset();
        unsetenv("QUORVIN_INI");
    }

    std::string data() const { return dir.File("data"); }
    void writeIni(const std::string& text) {
        dir.Write("QuorvinV4.ini", text + "\r\n[Properties]\r\nDataDir=" + data() + "\r\n");
    }
    std::string simulatorIni(const std::string& device) const {
        return "[Devices]\r\nCom1=" + device + "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle +
               "\r\n";
    }

    // The window shown and active; questions go to the hook unless realBoxes.
    TfMain& open(bool realBoxes = false) {
        window = std::make_unique<TfMain>();
        if (!realBoxes) {
            window->MessageBoxHook = [this](QMessageBox::Icon, const QString& text,
                                            QMessageBox::StandardButtons) {
                questions.push_back(text);
                const auto answer = answers.empty() ? QMessageBox::Ok : answers.front();
                if (!answers.empty()) {
                    answers.erase(answers.begin());
                }
                return answer;
            };
        }
        window->FileDialogHook = [this](TFileDialog, const QString&, const QString&,
                                        const QString& start) {
            dialogStarts.push_back(start);
            return fileAnswer;
        };
        SetDataDir(data());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }

    QStringList texts() const {
        QStringList result;
        for (const QString& line : window->MacrosPage->console().Lines()) {
            const int at = line.indexOf(": ");
            result.append(at == 9 ? line.mid(11) : line);
        }
        return result;
    }
    void selectMacro(const QString& description) {
        QTreeWidget& tree = window->MacrosPage->tree();
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
            if (tree.topLevelItem(i)->text(0).startsWith(description)) {
                tree.setCurrentItem(tree.topLevelItem(i));
                return;
            }
        }
        FAIL() << "no macro " << description.toStdString();
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window.get(), static_cast<Qt::Key>(k), modifiers);
    }
    bool waitIdle(int ms = 10000) {
        return QTest::qWaitFor(
            [this] { return window->ActiveLoops() == 0 && !window->InRunState(rsBusy); }, ms);
    }
    // Clicks a button of the next modal message box once it shows; its text goes to shown.
    void clickInNextBox(QMessageBox::StandardButton which, QString& shown) {
        QTimer::singleShot(0, [which, &shown] {
            (void)QTest::qWaitFor([] {
                return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr;
            });
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                return;
            }
            shown = box->text();
            QTest::mouseClick(box->button(which), Qt::LeftButton);
        });
    }

    TempDir dir;
    std::unique_ptr<TfMain> window;
    std::vector<QString> questions;
    std::vector<QMessageBox::StandardButton> answers;
    std::vector<QString> dialogStarts;
    QString fileAnswer;
};

// ---- the journal of a run ----

TEST_F(LogJournalTest, ARunJournalsItsFramesAndSavingRemovesTheJournal) {
    EcmSim sim(chattering());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath()));
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    selectMacro("Engine data, repeating");
    key(Qt::Key_F3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Log->Count() >= 15; }, 20000));
    // On disk within a second of being read, while the run goes on.
    ASSERT_TRUE(QTest::qWaitFor([&] { return journalsIn(data()).size() == 1; }, 3000));
    const std::string journal = journalsIn(data())[0];
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            TDataLog onDisk;
            onDisk.LoadFromFile(journal);
            return onDisk.Count() >= 10;
        },
        3000));
    key(Qt::Key_F5);
    ASSERT_TRUE(waitIdle());
    TDataLog onDisk;
    onDisk.LoadFromFile(journal);
    EXPECT_EQ(onDisk.Count(), w.Log->Count()); // the last frames reached it at the stop
    EXPECT_EQ(onDisk.Frames(3).HexText(), w.Log->Frames(3).HexText());

    fileAnswer = QString::fromStdString(dir.File("kept.alg"));
    w.actFileSaveAs->trigger();
    EXPECT_TRUE(fs::exists(dir.File("kept.alg")));
    EXPECT_TRUE(journalsIn(data()).empty());
}

TEST_F(LogJournalTest, NewThatDiscardsTheFramesRemovesTheJournal) {
    EcmSim sim(chattering());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath()));
    TfMain& w = open();
    selectMacro("Engine data, repeating");
    key(Qt::Key_F3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return journalsIn(data()).size() == 1; }, 20000));
    key(Qt::Key_F5);
    ASSERT_TRUE(waitIdle());
    answers = {QMessageBox::Cancel};
    w.actFileNew->trigger(); // cancelled: the frames and their journal stay
    EXPECT_EQ(journalsIn(data()).size(), 1u);
    answers = {QMessageBox::No};
    w.actFileNew->trigger();
    EXPECT_EQ(w.Log->Count(), 0);
    EXPECT_TRUE(journalsIn(data()).empty());
}

// ---- recovery at start-up ----

TEST_F(LogJournalTest, AJournalLeftBehindIsOfferedAndOpened) {
    const std::string journal = leaveJournal(data(), 25);
    QString shown;
    clickInNextBox(QMessageBox::Yes, shown);
    TfMain& w = open(true);
    EXPECT_TRUE(shown.startsWith("A log of 25 frames recorded ")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(" was not saved. Open it?")) << shown.toStdString();
    ASSERT_EQ(w.Log->Count(), 25);
    EXPECT_EQ(w.Log->Frames(24).HexText(), frameAt(24).HexText());
    EXPECT_EQ(w.Log->FileName(), ""); // unsaved: Save asks for a name
    EXPECT_TRUE(w.InRunState(rsLogModified | rsLogHasData));
    EXPECT_TRUE(fs::exists(journal)); // until the frames are saved
    EXPECT_TRUE(texts().contains("Ready."));

    fileAnswer = QString::fromStdString(dir.File("recovered"));
    key(Qt::Key_S, Qt::ControlModifier);
    TDataLog saved;
    saved.LoadFromFile(dir.File("recovered.alg"));
    EXPECT_EQ(saved.Count(), 25);
    EXPECT_FALSE(fs::exists(journal));
}

TEST_F(LogJournalTest, NoKeepsTheJournalForLaterAndDiscardRemovesIt) {
    struct Case {
        QMessageBox::StandardButton answer;
        bool kept;
    };
    for (const Case c : {Case{QMessageBox::No, true}, Case{QMessageBox::Discard, false}}) {
        const std::string journal = leaveJournal(data(), 7);
        QString shown;
        clickInNextBox(c.answer, shown);
        TfMain& w = open(true);
        EXPECT_FALSE(shown.isEmpty());
        EXPECT_EQ(w.Log->Count(), 0);
        EXPECT_FALSE(w.InRunState(rsLogModified));
        EXPECT_EQ(fs::exists(journal), c.kept);
        window.reset();
        fs::remove(journal);
    }
}

TEST_F(LogJournalTest, AJournalAnotherProgramIsWritingIsNotOffered) {
    const std::string path = NewJournalPath(data(), LocalNow());
    TAppendFile held;
    held.Create(path, true); // as a running program holds its journal
    held.Append("123456789");
    held.Flush();
    open();
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(window->Log->Count(), 0);
    EXPECT_TRUE(fs::exists(path));
}

// A child run of this test program: the window logging from the simulator until it is killed.
TEST(LogJournalChild, RunsUntilKilled) {
    const char* folder = std::getenv("QUORVIN_JOURNAL_CHILD");
    if (!folder) {
        GTEST_SKIP() << "runs only as the child of KilledProgramLosesAtMostTheLastSecond";
    }
    const std::string base = folder;
    EcmSim sim(chattering());
    sim.Start();
    const std::string ini = base + "/QuorvinV4.ini";
    setenv("QUORVIN_INI", ini.c_str(), 1);
    std::ofstream(ini) << "[Devices]\r\nCom1=" << sim.SlavePath()
                       << "\r\n[fMain]\r\nmruVehicle=" << SampleVehicle
                       << "\r\n[Properties]\r\nDataDir=" << base << "/data\r\n";
    TfMain w;
    SetDataDir(base + "/data");
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTreeWidget& tree = w.MacrosPage->tree();
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
        if (tree.topLevelItem(i)->text(0).startsWith("Engine data, repeating")) {
            tree.setCurrentItem(tree.topLevelItem(i));
        }
    }
    QTest::keyClick(&w, Qt::Key_F3);
    QTest::qWait(60000); // the parent kills it long before
}

TEST_F(LogJournalTest, KilledProgramLosesAtMostTheLastSecond) {
    for (const int wait : {1700, 3300}) {
        TempDir child;
        fs::create_directories(child.File("data"));
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("QUORVIN_JOURNAL_CHILD", child.Path().c_str(), 1);
            execl("/proc/self/exe", "LogJournalTest", "--gtest_filter=LogJournalChild.*",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const auto found = journalsIn(child.File("data"));
                std::error_code error;
                return !found.empty() && fs::file_size(found[0], error) > 0;
            },
            30000));
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        const double killedAt = secondsOfDay(LocalNow());
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        const std::vector<std::string> left = journalsIn(child.File("data"));
        ASSERT_EQ(left.size(), 1u);
        TDataLog frames;
        frames.LoadFromFile(left[0]); // whatever reached the disk is a valid log
        ASSERT_GT(frames.Count(), 0);
        const double lastFrame = secondsOfDay(frames.Frames(frames.Count() - 1).Time);
        std::printf("killed %d ms after the journal began: %d frames in it, the last %.3f s "
                    "before the kill\n",
                    wait, frames.Count(), killedAt - lastFrame);
        EXPECT_LE(killedAt - lastFrame, 1.0);
        // And the next start offers it.
        EXPECT_EQ(LeftJournals(child.File("data")).size(), 1u);
    }
}

// ---- loading and saving ----

TEST_F(LogJournalTest, ACancelledLoadLeavesTheLogShownAsItWas) {
    std::string text;
    for (int i = 0; i < 150000; ++i) {
        text += "12:00:00.000,T00,$F4,$57,$01,$00,$B4\r\n";
    }
    const std::string big = dir.Write("big.alg", text);
    TfMain& w = open();
    for (int i = 0; i < 3; ++i) {
        w.Log->Add(frameAt(i), true);
    }
    w.SetRunState(w.RunState | rsLogHasData | rsMacroSelected);
    w.LoadDialogDelayMs = 0;
    fileAnswer = QString::fromStdString(big);
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        (void)QTest::qWaitFor([&] { return w.findChild<QProgressDialog*>() != nullptr; }, 5000);
        if (auto* progress = w.findChild<QProgressDialog*>()) {
            if (auto* cancel = progress->findChild<QPushButton*>()) {
                QTest::mouseClick(cancel, Qt::LeftButton);
                clicked = true;
            }
        }
    });
    key(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(w.Log->Count(), 3);
    EXPECT_EQ(w.Log->Frames(2).HexText(), frameAt(2).HexText());
    EXPECT_TRUE(texts().contains("Loading cancelled; the log shown is as it was."));
    EXPECT_EQ(dialogStarts.back().toStdString(), data()); // Open starts in the data folder
}

TEST_F(LogJournalTest, ADamagedFileLoadsItsGoodFramesAndSaysSo) {
    TDataLog log;
    for (int i = 0; i < 8; ++i) {
        log.Add(frameAt(i), true);
    }
    log.SaveToFile(dir.File("whole.alg")); // records of 19 bytes: two data bytes each
    std::string bytes = TempDir::Read(dir.File("whole.alg"));
    bytes[19 * 5 + 15] = 0x10;  // the sixth record's length byte
    bytes[19 * 2 + 18] ^= 0x01; // the third frame's checksum no longer fits
    const std::string damaged = dir.Write("damaged.alg", bytes);
    TfMain& w = open();
    w.SetRunState(w.RunState | rsMacroSelected);
    fileAnswer = QString::fromStdString(damaged);
    key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(w.Log->Count(), 5);
    const QString message =
        QString::fromStdString("File " + damaged + " is damaged after frame 5; 5 frames loaded.");
    ASSERT_FALSE(questions.empty());
    EXPECT_EQ(questions.back(), message);
    EXPECT_TRUE(texts().contains(message));
    EXPECT_TRUE(texts().contains("1 of 5 frames have a bad checksum."));
    EXPECT_TRUE(texts().contains("The damaged file is kept as it is: Save asks for a new name."));

    // Save keeps the frames after the damage on disk: it asks for a name, and cancelling it
    // writes nothing.
    const size_t asked = dialogStarts.size();
    fileAnswer.clear();
    key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(dialogStarts.size(), asked + 1);
    EXPECT_EQ(TempDir::Read(damaged), bytes);
    fileAnswer = QString::fromStdString(dir.File("rescued.alg"));
    key(Qt::Key_S, Qt::ControlModifier);
    TDataLog rescued;
    rescued.LoadFromFile(dir.File("rescued.alg"));
    EXPECT_EQ(rescued.Count(), 5);
    EXPECT_EQ(TempDir::Read(damaged), bytes);
}

TEST_F(LogJournalTest, SaveAsWithoutExtensionAsksBeforeReplacingTheLog) {
    const std::string existing = dir.Write("run.alg", "the earlier log");
    TfMain& w = open();
    w.Log->Add(frameAt(1), true);
    w.SetRunState(w.RunState | rsLogHasData | rsLogModified);
    fileAnswer = QString::fromStdString(dir.File("run"));
    answers = {QMessageBox::No};
    w.actFileSaveAs->trigger();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].toStdString(),
              existing + " already exists.\r\nDo you want to replace it?");
    EXPECT_EQ(TempDir::Read(existing), "the earlier log");
    EXPECT_TRUE(w.InRunState(rsLogModified));
    answers = {QMessageBox::Yes};
    w.actFileSaveAs->trigger();
    TDataLog saved;
    saved.LoadFromFile(existing);
    EXPECT_EQ(saved.Count(), 1);
    EXPECT_FALSE(w.InRunState(rsLogModified));
}

TEST_F(LogJournalTest, SaveVehicleAsWithoutExtensionAsksBeforeReplacingTheDefinition) {
    writeIni("[fMain]\r\nmruVehicle=" + SampleVehicle);
    const std::string existing = dir.Write("car.xml", "the earlier definition");
    TfMain& w = open();
    ASSERT_FALSE(w.Vehicle->FileName.empty());
    fileAnswer = QString::fromStdString(dir.File("car"));
    answers = {QMessageBox::No};
    w.actFileSaveVehicleAs->trigger();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].toStdString(),
              existing + " already exists.\r\nDo you want to replace it?");
    EXPECT_EQ(TempDir::Read(existing), "the earlier definition");
    answers = {QMessageBox::Yes};
    w.actFileSaveVehicleAs->trigger();
    EXPECT_NE(TempDir::Read(existing).find("<?xml"), std::string::npos);
    EXPECT_EQ(w.Vehicle->FileName, existing);
}

TEST_F(LogJournalTest, AutoSaveNeverOverwritesAnEarlierLog) {
    struct Case {
        bool shortNames;
    };
    for (const Case c : {Case{false}, Case{true}}) {
        SCOPED_TRACE(c.shortNames ? "8.3 names" : "long names");
        dir.Write("QuorvinV4.ini", "[Properties]\r\nSaveData=0\r\n8.3FileNames=" +
                                       std::string(c.shortNames ? "1" : "0") +
                                       "\r\nDataDir=" + data() + "\r\n");
        // Every name the next few seconds would give is taken; 8.3 names up to "~12" too.
        std::vector<std::string> taken;
        for (int s = 0; s < 4; ++s) {
            const double t = LocalNow() + s / 86400.0;
            if (c.shortNames) {
                for (int minute = 0; minute < 2; ++minute) {
                    const std::string stem = FormatDateTime("mmddhhnn", t + minute / 1440.0);
                    taken.push_back(stem + ".alg");
                    for (int n = 1; n <= 12; ++n) {
                        const std::string tail = "~" + std::to_string(n);
                        taken.push_back(stem.substr(0, 8 - tail.size()) + tail + ".alg");
                    }
                }
            } else {
                taken.push_back("Aldl " + FormatDateTime("yyyy-mm-dd hh.nn.ss", t) + ".alg");
            }
        }
        for (const std::string& name : taken) {
            dir.Write("data/" + name, "earlier");
        }
        TfMain& w = open();
        w.Log->Add(frameAt(1), true);
        w.SetRunState(w.RunState | rsLogHasData | rsLogModified);
        w.actFileNew->trigger();
        const std::string saved =
            texts().filter("Logged data saved to ").join("").mid(21).toStdString();
        ASSERT_FALSE(saved.empty()) << texts().join("\n").toStdString();
        EXPECT_NE(saved.find(c.shortNames ? "~13.alg" : "-2.alg"), std::string::npos)
            << saved << "\n"
            << texts().join("\n").toStdString();
        for (const std::string& name : taken) {
            EXPECT_EQ(TempDir::Read(data() + "/" + name), "earlier") << name;
        }
        window.reset();
        fs::remove_all(data());
        fs::create_directories(data());
    }
}

// ---- play back and Log data ----

TEST_F(LogJournalTest, PlayBackGivesLogDataBackAsTheUserLeftIt) {
    struct Case {
        bool logging;
        bool stopped; // by F5, else it plays to the end
    };
    for (const Case c : {Case{true, false}, Case{true, true}, Case{false, false}}) {
        SCOPED_TRACE(std::string(c.logging ? "logging" : "not logging") +
                     (c.stopped ? ", stopped" : ", to the end"));
        TfMain& w = window ? *window : open();
        w.Log->New();
        for (int i = 0; i < (c.stopped ? 200 : 5); ++i) {
            w.Log->Add(frameAt(i), true);
        }
        w.SetRunState(w.RunState | rsLogHasData);
        if (w.actAldlLog->isChecked() != c.logging) {
            key(Qt::Key_Space);
        }
        ASSERT_EQ(w.actAldlLog->isChecked(), c.logging);
        key(Qt::Key_B, Qt::ControlModifier);
        ASSERT_TRUE(w.InRunState(rsPlayBack));
        EXPECT_FALSE(w.actAldlLog->isChecked());
        if (c.stopped) {
            QTest::qWait(300);
            key(Qt::Key_F5);
        }
        ASSERT_TRUE(waitIdle(20000));
        QTest::qWait(50);
        EXPECT_EQ(w.actAldlLog->isChecked(), c.logging);
    }
}

// ---- the capture limit ----

TEST_F(LogJournalTest, TheCaptureLimitIsTypedInThePropertiesDialog) {
    TfMain& w = open();
    EXPECT_EQ(w.Options.CaptureLimit, 2000000);
    QTimer::singleShot(0, [&] {
        (void)QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; });
        QWidget* dialog = QApplication::activeModalWidget();
        auto* pages = dialog->findChild<QTabWidget*>();
        for (int i = 0; i < pages->count(); ++i) {
            if (pages->tabText(i) == "Speed") {
                pages->setCurrentIndex(i);
            }
        }
        QLineEdit* limit = w.fProperties->edCaptureLimit;
        limit->selectAll();
        QTest::keyClicks(limit, "1,500");
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == "Ok") {
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    });
    w.actEditProperties->trigger();
    EXPECT_EQ(w.Options.CaptureLimit, 1500);
    EXPECT_NE(TempDir::Read(dir.File("QuorvinV4.ini")).find("CaptureLimit=1500"),
              std::string::npos);
}

} // namespace

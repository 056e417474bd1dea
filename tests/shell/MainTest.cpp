// The main window with real widgets on the offscreen platform: start-up, run control against the
// simulated engine module on a pseudo-terminal, play back, the log and vehicle commands, closing
// and printing. Message boxes and file dialogs are answered by the test through the window's
// hooks; the bus runs on its worker while the test waits for what the window shows.
#include "shell/Main.h"

#include "common/Common.h"
#include "definitions/XMLData.h"
#include "ecm-sim/EcmSim.h"
#include "engine/Cartridge.h"
#include "link/PortHelp.h"
#include "link/RS232.h"
#include "log/DataLog.h"
#include "shell/CommandLine.h"
#include "shell/ConsoleView.h"
#include "shell/Printing.h"
#include "support/TempDir.h"
#include "views/ViewMacros.h"
#include "views/charts/ChartMon.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPdfWriter>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace {

const std::string SampleVehicle = std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml";

struct Question {
    QMessageBox::Icon icon;
    QString text;
};

class MainTest : public testing::Test {
protected:
    void SetUp() override {
        ini = dir.File("QuorvinV4.ini");
        setenv("QUORVIN_INI", ini.c_str(), 1);
        std::filesystem::create_directories(dir.File("data"));
    }
    void TearDown() override {
        if (HasFailure() && window) {
            std::string all = console().join("\n").toStdString();
            std::printf("Console:\n%s\n",
                        all.substr(all.size() > 3000 ? all.size() - 3000 : 0).c_str());
        }
        window.reset();
        unsetenv("QUORVIN_INI");
    }

    // The ini file: the given sections plus the data folder of this test.
    void writeIni(const std::string& text) {
        dir.Write("QuorvinV4.ini",
                  text + "\r\n[Properties]\r\nDataDir=" + dir.File("data") + "\r\n");
    }
    std::string simulatorIni(const std::string& device, const std::string& vehicle) {
        return "[Devices]\r\nCom1=" + device + "\r\n[fMain]\r\nmruVehicle=" + vehicle + "\r\n";
    }

    // deviceOverride: as given with --device.
    TfMain& open(const std::string& deviceOverride = "") {
        window = std::make_unique<TfMain>();
        window->DeviceOverride = deviceOverride;
        window->MessageBoxHook = [this](QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons) {
            questions.push_back({icon, text});
            QMessageBox::StandardButton answer =
                answers.empty() ? QMessageBox::Ok : answers.front();
            if (!answers.empty()) {
                answers.erase(answers.begin());
            }
            return answer;
        };
        window->FileDialogHook = [this](TFileDialog kind, const QString&, const QString&,
                                        const QString&) {
            dialogs.push_back(kind);
            return fileAnswer;
        };
        SetDataDir(dir.File("data"));
        window->show();
        SetDataDir(dir.File("data"));
        return *window;
    }

    QStringList console() const { return window->MacrosPage->console().Lines(); }
    // Console lines without their "nn:ss.zzz: " stamps.
    QStringList texts() const {
        QStringList result;
        for (const QString& line : console()) {
            int at = line.indexOf(": ");
            result.append(at == 9 ? line.mid(11) : line);
        }
        return result;
    }
    QString title() const { return QString::fromStdString(window->Engine->MacroTitle); }
    bool hasText(const QString& text) const { return texts().contains(text); }
    int countText(const QString& text) const { return texts().count(text); }

    // Selects the macro whose tree text starts with the given description, as a user would.
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

    // Lets window events run until done() holds; false when ms pass first.
    static bool waitFor(const std::function<bool()>& done, int ms = 10000) {
        return QTest::qWaitFor(done, ms);
    }
    // Waits until the activity has ended and the window has shown its end.
    bool waitIdle(int ms = 10000) {
        return waitFor([this] { return window->ActiveLoops() == 0 && !window->InRunState(rsBusy); },
                       ms) &&
               waitFor([this] { return texts().last().isEmpty(); }, 2000);
    }

    TempDir dir;
    std::string ini;
    std::unique_ptr<TfMain> window;
    std::vector<Question> questions;
    std::vector<QMessageBox::StandardButton> answers;
    std::vector<TFileDialog> dialogs;
    QString fileAnswer;
};

// A simulator that chatters like the sample vehicle, on its own pseudo-terminal.
EcmSimOptions chatteringModule() {
    EcmSimOptions options;
    options.chatter = true;
    return options;
}

int resumeRequests(const EcmSim& sim) {
    int n = 0;
    for (const EcmBytes& request : sim.Requests()) {
        n += request.size() >= 3 && request[0] == 0xF4 && request[2] == 0x09;
    }
    return n;
}

// An environment variable set for one scope, then put back as it was.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name(name) {
        const char* old = std::getenv(name);
        had = old != nullptr;
        before = old ? old : "";
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had) {
            setenv(name, before.c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name;
    bool had = false;
    std::string before;
};

std::unique_ptr<TPacket> frameAt(double seconds) {
    auto frame = std::make_unique<TPacket>();
    frame->FromFrameText("$F4,$57,$01,$00,$B4");
    frame->SetTime(0.5 + seconds / 86400);
    return frame;
}

} // namespace

TEST_F(MainTest, StartsWithDefaultsWithoutIniFile) {
    ASSERT_FALSE(std::filesystem::exists(ini));
    setenv("QUORVIN_INI", ini.c_str(), 1);
    // The default folders lie in a home of this test's own: an unsaved log left in the real
    // one would ask its question here.
    const ScopedEnv home("HOME", dir.File("home"));
    const ScopedEnv config("XDG_CONFIG_HOME", dir.File("home/.config"));
    TfMain& w = open();

    QStringList lines = texts();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.front(), "Initialising...");
    EXPECT_TRUE(lines[1].startsWith("Opening COM1 ")) << lines[1].toStdString();
    EXPECT_EQ(lines.last(), "Ready.");
    // The default device is missing here: its error keeps the system's whole text, and the
    // help for it follows.
    if (!w.Link->IsOpen()) {
        const auto error = std::find_if(lines.begin(), lines.end(), [](const QString& line) {
            return line.startsWith("Can't open Com1.");
        });
        ASSERT_NE(error, lines.end());
        EXPECT_TRUE(error->endsWith(QString::fromLocal8Bit(std::strerror(ENOENT))))
            << error->toStdString();
    }
    EXPECT_EQ(w.RunState, 0u);
    EXPECT_EQ(w.windowTitle(), "Quorvin V4");
    for (int page = 0; page < 6; ++page) {
        EXPECT_TRUE(w.ViewToggle(page)->isChecked()) << page;
    }
    EXPECT_TRUE(w.actViewToolbar->isChecked());
    EXPECT_FALSE(w.actViewIO->isChecked());
    EXPECT_FALSE(w.actViewMacroTest->isChecked());
    EXPECT_TRUE(w.actAldlLog->isChecked());
    EXPECT_EQ(w.MruMacro, 0);
    EXPECT_FALSE(w.FirstActivate);
    EXPECT_FALSE(w.actAldlStart->isEnabled());
    EXPECT_FALSE(w.actFileNew->isEnabled());
    EXPECT_TRUE(w.actFileOpenVehicle->isEnabled());
    EXPECT_EQ(w.PageControl->count(), 6);
    EXPECT_EQ(w.PageControl->tabText(3), "Charts (F9)");
    EXPECT_TRUE(questions.empty());

    // Closing writes the window's keys.
    w.actViewIO->trigger();
    EXPECT_TRUE(w.close());
    window.reset();
    const std::string saved = TempDir::Read(ini);
    EXPECT_NE(saved.find("ViewIO=1"), std::string::npos) << saved;
    EXPECT_NE(saved.find("ProcCharts=1"), std::string::npos) << saved;
    EXPECT_NE(saved.find("macroSplitter="), std::string::npos) << saved;
}

// The lines after the port's error line, up to the next of the start-up's own.
QStringList linesAfter(const QStringList& lines, const QString& first, int count) {
    const int at = int(lines.indexOf(first));
    return at < 0 ? QStringList() : lines.mid(at + 1, count);
}

QStringList qt(const std::vector<std::string>& lines) {
    QStringList result;
    for (const std::string& line : lines) {
        result.append(QString::fromStdString(line));
    }
    return result;
}

// Whether this computer has serial devices or not, the error line stays as it is and the help
// follows it: the missing device named, then the choices there are.
TEST_F(MainTest, AMissingDeviceIsFollowedByHelpOnWhatToDo) {
    const std::string device = dir.File("no-such-device");
    for (const bool option : {false, true}) {
        SCOPED_TRACE(option ? "--device" : "Properties");
        writeIni(option ? std::string() : "[Devices]\r\nCom1=" + device + "\r\n");
        open(option ? device : std::string());
        ASSERT_FALSE(window->Link->IsOpen());
        const std::vector<std::string> advice = PortAdvice(
            device, ENOENT, option ? TPortHelpFor::WindowDeviceOption : TPortHelpFor::Window);
        ASSERT_GE(advice.size(), 3u);
        EXPECT_EQ(advice.front(), "There is no serial device " + device + ".");
        const QString error =
            QString::fromStdString("Can't open Com1. " + device + ": " + std::strerror(ENOENT));
        EXPECT_EQ(linesAfter(texts(), error, int(advice.size())), qt(advice));
        // Where to choose another: the dialog, or the command line the window was started with.
        const std::string where = option ? "--device" : "Edit > Properties, tab Comms, Device";
        EXPECT_TRUE(std::any_of(advice.begin(), advice.end(), [&](const std::string& line) {
            return line.find(where) != std::string::npos;
        }));
        EXPECT_EQ(texts().last(), "Ready.");
        window.reset();
    }
}

TEST_F(MainTest, StartWithThePortClosedOnlyComplains) {
    writeIni("[Devices]\r\nCom1=" + dir.File("no-such-device") +
             "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle + "\r\nTest=1\r\n");
    TfMain& w = open();
    ASSERT_FALSE(w.Link->IsOpen());
    ASSERT_TRUE(w.InRunState(rsMacroSelected));
    const uint32_t before = w.RunState;
    w.actAldlStart->trigger();
    QStringList lines = texts();
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[lines.size() - 2], "COM1 port is not configured...");
    EXPECT_EQ(lines.last(), "From menu: Edit->Properties, select tab page: Comms.");
    EXPECT_EQ(w.RunState, before);
    EXPECT_TRUE(questions.empty()); // the test mode warning comes only with the port open
}

TEST_F(MainTest, RunAgainstTheSimulatorThroughPauseResumeAndStop) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle));
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen()) << texts().join("\n").toStdString();
    selectMacro("Engine data, repeating");
    ASSERT_TRUE(w.InRunState(rsMacroSelected));
    EXPECT_EQ(w.windowTitle(), "SIM-V8.xml - Quorvin V4");

    std::vector<uint32_t> words;
    w.actAldlStart->trigger(); // returns at once: the worker runs
    EXPECT_EQ(w.RunState & rsBusy, rsAldlRunning);
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 2; }));
    words.push_back(w.RunState);
    w.actAldlPause->trigger();
    words.push_back(w.RunState);
    EXPECT_EQ(words[0] & rsBusy, rsAldlRunning);
    EXPECT_EQ(words[1] & rsBusy, rsAldlRunning | rsPaused);
    ASSERT_TRUE(waitFor([&] { return resumeRequests(sim) == 1; })); // chatter resumed while paused
    QTest::qWait(100);
    const int loggedAtPause = w.Log->Count();
    EXPECT_EQ(w.RunState & rsBusy, rsAldlRunning | rsPaused);
    EXPECT_TRUE(w.actAldlPause->isChecked());
    EXPECT_TRUE(w.InRunState(rsLogModified | rsLogHasData));
    EXPECT_TRUE(w.actAldlStop->isEnabled());
    EXPECT_FALSE(w.actAldlStart->isEnabled());
    EXPECT_TRUE(hasText("Pause macro: " + title()));
    QTest::qWait(300);
    EXPECT_EQ(w.Log->Count(), loggedAtPause) << "nothing is read while paused";

    w.actAldlPause->trigger(); // resume: runs until Stop
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > loggedAtPause + 2; }));
    EXPECT_EQ(w.RunState & rsBusy, rsAldlRunning);
    w.actAldlStop->trigger();
    EXPECT_EQ(w.RunState & rsBusy, 0u); // at once
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(resumeRequests(sim), 2); // once for the pause, once for the stop after resuming
    EXPECT_TRUE(hasText("Resume macro: " + title()));
    EXPECT_TRUE(hasText("Stop macro: " + title()));
    EXPECT_TRUE(w.actFileNew->isEnabled());
    EXPECT_TRUE(w.actAldlPlay->isEnabled());
    EXPECT_EQ(w.windowTitle(), "SIM-V8.xml - *new log - Quorvin V4"); // logged, not yet saved
    // The chart stand-in holds every logged frame and shows the newest.
    EXPECT_EQ(w.ChartMonitor->FrameText(), std::to_string(w.Log->Count() - 1));
    EXPECT_EQ(w.StatusPanels[1]->text().toStdString(), "Frame: " + w.ChartMonitor->FrameText());
}

TEST_F(MainTest, PauseThenStopSendsTheResumeFrameOnce) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle));
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    selectMacro("Engine data, repeating");
    w.actAldlStart->trigger();
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 0; }));
    w.actAldlPause->trigger();
    ASSERT_TRUE(w.InRunState(rsPaused));
    ASSERT_TRUE(waitFor([&] { return resumeRequests(sim) == 1; }));
    w.actAldlStop->trigger();
    EXPECT_EQ(w.RunState & rsBusy, 0u);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(resumeRequests(sim), 1);
}

TEST_F(MainTest, StopCompletesWhenTheAdapterIsPulled) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle));
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    selectMacro("Engine data, repeating");
    w.actAldlStart->trigger();
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 0; }));
    sim.HangUp();
    w.actAldlStop->trigger();
    EXPECT_EQ(w.RunState & rsBusy, 0u);
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(hasText("Stop macro: " + title()));
    EXPECT_TRUE(w.actAldlStart->isEnabled());
}

TEST_F(MainTest, TestModeRunWarnsAndLogsWithoutTheBus) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle) + "Test=1\r\n");
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    selectMacro("Engine data, repeating");
    sim.ClearLog();
    w.actAldlStart->trigger();
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 0; }));
    w.actAldlStop->trigger();
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(questions[0].text.startsWith("\"Macro test mode\" is active."));
    EXPECT_GT(w.Log->Count(), 0);
    EXPECT_EQ(w.RunState & rsBusy, 0u);
    EXPECT_EQ(sim.Counters().requests, 0u);
}

TEST_F(MainTest, ThreeStepsWithoutAFrameStopTheRun) {
    EcmSimOptions options; // a module that never answers
    options.faults.noReply = 1;
    EcmSim sim(options);
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle));
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    selectMacro("Engine data, repeating");
    w.actAldlStart->trigger();
    EXPECT_TRUE(waitIdle(20000)); // it ends by itself
    EXPECT_EQ(w.RunState & rsBusy, 0u);
    EXPECT_EQ(w.Log->Count(), 0);
    EXPECT_TRUE(hasText("Stop macro: " + title()));
}

TEST_F(MainTest, ReachingTheCaptureLimitStopsTheRunAndSaysSoInTheStatusBar) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle) + "Test=1\r\n");
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    selectMacro("Engine data, repeating");
    w.Link->FrameCaptureRate = 0; // test mode without pacing: frames as fast as they come
    w.Options.CaptureLimit = 300;
    w.actAldlStart->trigger();
    ASSERT_TRUE(waitIdle(60000));
    EXPECT_EQ(w.Log->Count(), 300);
    QStringList lines = texts();
    ASSERT_GE(lines.size(), 3);
    // Said once, though frames read before the stop reached the worker find the buffer full too.
    EXPECT_EQ(countText("Frame capture buffer is full"), 1);
    EXPECT_EQ(w.statusBar()->currentMessage(), "Frame capture buffer is full");
    EXPECT_EQ(lines[lines.size() - 2], "Stop macro: " + title());
    EXPECT_EQ(lines.last(), "");
    EXPECT_EQ(w.RunState & rsBusy, 0u);
}

TEST_F(MainTest, PlayBackKeepsTheRecordedPaceDividedByTheSpeed) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n");
    TfMain& w = open();
    struct Case {
        double speed;
        std::vector<double> times; // seconds
        double expected;           // seconds of play back
    };
    const Case cases[] = {
        {1, {0, 0.5}, 0.5},        {2, {0, 0.5}, 0.25},
        {1, {0, 5, 10}, 0.02},     // gaps over a second play as 10 ms
        {0, {0, 0.005}, 0.5},      // speed 0 is kept at 0.01
        {-3, {0, 0.005}, 0.5},     // so is a negative one
        {1e9, {0, 0.5, 1}, 0.0},   // and an absurd one at 100
        {1, {0.2, 0.1, 0.3}, 0.2}, // a backward step waits nothing
    };
    for (const Case& c : cases) {
        w.Log->New();
        for (double t : c.times) {
            w.Log->Add(frameAt(t), true);
        }
        w.SetRunState(w.RunState | rsLogHasData);
        w.Options.PlayBackSpeed = c.speed;
        QElapsedTimer clock;
        clock.start();
        w.actAldlPlay->trigger();
        ASSERT_TRUE(waitFor([&] { return !w.InRunState(rsBusy); }));
        const double elapsed = clock.nsecsElapsed() / 1e9;
        ASSERT_TRUE(waitIdle());
        EXPECT_GE(elapsed, c.expected * 0.95) << c.speed;
        EXPECT_LT(elapsed, c.expected + 0.4) << c.speed;
        EXPECT_EQ(w.RunState & rsBusy, 0u);
        EXPECT_EQ(w.PlayIndex, static_cast<int>(c.times.size()));
        EXPECT_TRUE(w.actAldlLog->isChecked()); // back as it was before the play back
        EXPECT_EQ(texts().last(), "");
        EXPECT_EQ(texts()[texts().size() - 2], "Stop play back");
    }
}

TEST_F(MainTest, PlayBackPausesResumesAndStops) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n");
    TfMain& w = open();
    for (int i = 0; i < 20; ++i) {
        w.Log->Add(frameAt(i * 0.1), true);
    }
    w.SetRunState(w.RunState | rsLogHasData);
    w.Options.PlayBackSpeed = 1;
    w.actAldlPlay->trigger();
    ASSERT_TRUE(waitFor([&] { return w.PlayIndex > 2; }));
    w.actAldlPause->trigger();
    EXPECT_EQ(w.RunState & rsBusy, rsPlayBack | rsPaused);
    QTest::qWait(300);
    const int at = w.PlayIndex;
    EXPECT_LT(at, 20);
    QTest::qWait(300);
    EXPECT_EQ(w.PlayIndex, at) << "a paused play back stays put";
    w.actAldlPause->trigger();
    ASSERT_TRUE(waitFor([&] { return w.PlayIndex > at; }));
    w.actAldlStop->trigger();
    EXPECT_EQ(w.RunState & rsBusy, 0u);
    ASSERT_TRUE(waitIdle());
    EXPECT_LT(w.PlayIndex, 20);
    EXPECT_TRUE(hasText("Resume play back"));

    // An empty buffer stops at once.
    w.Log->New();
    w.actAldlPlay->trigger();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(texts()[texts().size() - 2], "Stop play back");
}

TEST_F(MainTest, NewOpenSaveAndTheTitle) {
    const std::string vehicle = dir.File("v.xml");
    std::filesystem::copy_file(SampleVehicle, vehicle);
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n[fMain]\r\nmruVehicle=" + vehicle +
             "\r\n");
    TfMain& w = open();
    ASSERT_TRUE(w.InRunState(rsMacroSelected));
    EXPECT_EQ(w.windowTitle(), "v.xml - Quorvin V4");
    for (int i = 0; i < 5; ++i) {
        w.Log->Add(frameAt(i * 0.1), true);
    }
    w.SetRunState(w.RunState | rsLogModified | rsLogHasData);
    ASSERT_TRUE(w.actFileSave->isEnabled());
    EXPECT_EQ(w.windowTitle(), "v.xml - *new log - Quorvin V4"); // unsaved, no name yet

    // Save without a name asks for one.
    fileAnswer = QString::fromStdString(dir.File("run"));
    w.actFileSave->trigger();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0], TFileDialog::SaveLog);
    EXPECT_TRUE(std::filesystem::exists(dir.File("run.alg")));
    EXPECT_FALSE(w.InRunState(rsLogModified));
    EXPECT_EQ(w.windowTitle(), "v.xml - run.alg - Quorvin V4");

    w.actFileNew->trigger();
    EXPECT_FALSE(w.InRunState(rsLogModified | rsLogHasData));
    EXPECT_EQ(w.Log->Count(), 0);
    EXPECT_EQ(w.windowTitle(), "v.xml - Quorvin V4");

    fileAnswer = QString::fromStdString(dir.File("run.alg"));
    w.actFileOpen->trigger();
    EXPECT_EQ(w.Log->Count(), 5);
    EXPECT_TRUE(w.InRunState(rsLogHasData));
    EXPECT_FALSE(w.InRunState(rsLogModified));
    EXPECT_EQ(w.windowTitle(), "v.xml - run.alg - Quorvin V4");
    EXPECT_EQ(w.ChartMonitor->FrameText(), "0"); // re-plotted, the cursor back on frame 0
    EXPECT_FALSE(w.ProgressBar->isVisible());
    // A change to the loaded log (a note added, say) marks it until it is saved.
    w.SetRunState(w.RunState | rsLogModified);
    EXPECT_EQ(w.windowTitle(), "v.xml - *run.alg - Quorvin V4");
    w.actFileSave->trigger();
    EXPECT_EQ(w.windowTitle(), "v.xml - run.alg - Quorvin V4");

    // A broken file: the error report, and the cursor and progress bar come back.
    std::ofstream(dir.File("broken.alg")) << "12";
    fileAnswer = QString::fromStdString(dir.File("broken.alg"));
    questions.clear();
    w.actFileOpen->trigger();
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(w.ProgressBar->isVisible());

    // A cancelled dialog changes nothing.
    fileAnswer.clear();
    const uint32_t before = w.RunState;
    w.actFileOpen->trigger();
    EXPECT_EQ(w.RunState, before);
}

TEST_F(MainTest, UnsavedLoggedFramesFollowTheSaveDataSetting) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n");
    TfMain& w = open();
    struct Case {
        int saveData;
        std::vector<QMessageBox::StandardButton> answers;
        bool cleared;
        int asked;
    };
    const Case cases[] = {
        {2, {}, true, 0},
        {1, {QMessageBox::Cancel}, false, 1},
        {1, {QMessageBox::No}, true, 1},
        {0, {}, true, 0},
    };
    for (const Case& c : cases) {
        w.New();
        for (int i = 0; i < 3; ++i) {
            w.Log->Add(frameAt(i), true);
        }
        w.SetRunState(w.RunState | rsLogModified | rsLogHasData);
        w.Options.SaveData = c.saveData;
        answers = c.answers;
        questions.clear();
        w.actFileNew->trigger();
        EXPECT_EQ(static_cast<int>(questions.size()), c.asked) << c.saveData;
        EXPECT_EQ(w.Log->Count() == 0, c.cleared) << c.saveData;
        EXPECT_EQ(w.InRunState(rsLogModified), !c.cleared) << c.saveData;
    }
    // Auto save wrote the frames into the data folder.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.File("data"))) {
        files += entry.path().extension() == ".alg";
    }
    EXPECT_EQ(files, 1);
}

TEST_F(MainTest, EightThreeFileNames) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n");
    TfMain& w = open();
    w.Options.FileNames83 = true;
    const std::string folder = dir.File("data");
    EXPECT_EQ(w.LogFileName(folder + "/Saturday drive.alg"), folder + "/Saturday.alg");
    EXPECT_EQ(w.LogFileName(folder + "/ab.alg"), folder + "/ab.alg");
    std::ofstream(folder + "/Saturday.alg") << "x";
    EXPECT_EQ(w.LogFileName(folder + "/Saturday drive.alg"), folder + "/Saturd~1.alg");
    EXPECT_EQ(w.LogFileName(folder + "/Saturday.alg"), folder + "/Saturday.alg");
    w.Options.FileNames83 = false;
    EXPECT_EQ(w.LogFileName(folder + "/Saturday drive.alg"), folder + "/Saturday drive.alg");
}

TEST_F(MainTest, ClosingWithAnUnsavedVehicle) {
    struct Case {
        int saveVehicle;
        std::vector<QMessageBox::StandardButton> answers;
        bool closes, saved;
        int asked;
    };
    const Case cases[] = {
        {2, {}, true, false, 0},
        {0, {}, true, true, 0},
        {1, {QMessageBox::Cancel}, false, false, 1},
        {1, {QMessageBox::No}, true, false, 1},
        {1, {QMessageBox::Yes}, true, true, 1},
    };
    for (const Case& c : cases) {
        const std::string vehicle = dir.File("v.xml");
        std::filesystem::remove(vehicle);
        std::filesystem::copy_file(SampleVehicle, vehicle);
        writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n[fMain]\r\nmruVehicle=" + vehicle +
                 "\r\n");
        questions.clear();
        TfMain& w = open();
        w.Options.SaveVehicle = c.saveVehicle;
        TTable& vehicles = *w.Vehicle->Vehicles;
        vehicles.Edit();
        vehicles.SetAsString("VDesc", "Edited by the test");
        vehicles.Post();
        ASSERT_TRUE(w.Vehicle->Dirty);
        EXPECT_TRUE(w.actFileSaveVehicle->isEnabled());
        answers = c.answers;
        EXPECT_EQ(w.close(), c.closes) << c.saveVehicle;
        EXPECT_EQ(w.isVisible(), !c.closes);
        EXPECT_EQ(static_cast<int>(questions.size()), c.asked);
        if (c.asked) {
            EXPECT_EQ(questions[0].text.toStdString(),
                      "Do you want to save vehicle definition\r\n" + vehicle + "?");
        }
        EXPECT_EQ(TempDir::Read(vehicle).find("Edited by the test") != std::string::npos, c.saved)
            << c.saveVehicle;
        window.reset();
    }
}

TEST_F(MainTest, ClosingDuringARunStopsItFirst) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle));
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    selectMacro("Engine data, repeating");
    w.Options.SaveData = 2;
    w.actAldlStart->trigger();
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 0; }));
    EXPECT_TRUE(w.close()); // the worker stops and ends first
    EXPECT_EQ(w.RunState & rsBusy, 0u);
    EXPECT_EQ(w.ActiveLoops(), 0);
    EXPECT_TRUE(hasText("Stop macro: " + title()));
    EXPECT_EQ(resumeRequests(sim), 1);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainTest, PrintsTheMacrosPageToPdf) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") +
             "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle + "\r\n");
    TfMain& w = open();
    const std::string pdf = dir.File("macros.pdf");
    w.PrintDialogHook = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    };
    w.PageControl->setCurrentIndex(0);
    w.actFilePrint->trigger();
    EXPECT_TRUE(questions.empty());
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_EQ(TempDir::Read(pdf).substr(0, 4), "%PDF");
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u);

    // A page without a printed form has Print off, and it prints nothing.
    std::filesystem::remove(pdf);
    w.PageControl->setCurrentIndex(2);
    EXPECT_EQ(w.actFilePrint->isEnabled(), w.PageCanPrint(2));
    if (!w.PageCanPrint(2)) {
        w.actFilePrint->trigger();
        EXPECT_TRUE(questions.empty());
        EXPECT_FALSE(std::filesystem::exists(pdf));
    }
}

TEST_F(MainTest, CommandErrorsGoToTheErrorReport) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n");
    TfMain& w = open();
    w.Log->Add(frameAt(0), true);
    w.SetRunState(w.RunState | rsLogModified | rsLogHasData);
    fileAnswer = QString::fromStdString(dir.File("no-such-folder/run.alg"));
    w.actFileSaveAs->trigger(); // the log cannot be written there
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(w.InRunState(rsLogModified));
}

TEST_F(MainTest, ListeningToChatterPausesResumesAndStopsAndEndsWithTheWindow) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle));
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    ASSERT_TRUE(w.actAldlChatter->isEnabled());
    w.actAldlChatter->trigger(); // returns at once: the worker listens
    EXPECT_EQ(w.RunState & rsBusy, rsChatter);
    ASSERT_TRUE(waitFor([&] { return console().filter("$08,$55,$A3").size() > 0; }))
        << "the heartbeat is heard";
    w.actAldlPause->trigger();
    EXPECT_EQ(w.RunState & rsBusy, rsChatter | rsPaused);
    EXPECT_TRUE(hasText("Scan for chatter..."));
    EXPECT_TRUE(hasText("Pause scanning for chatter"));
    EXPECT_EQ(countText("Resume scanning for chatter"), 0);

    // Resumed, then the window is closed while it listens: the worker ends first.
    w.actAldlPause->trigger();
    QTest::qWait(300);
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(hasText("Resume scanning for chatter"));
    EXPECT_TRUE(hasText("Stop scanning for chatter"));
    EXPECT_EQ(w.RunState & rsBusy, 0u);
    EXPECT_EQ(w.ActiveLoops(), 0);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(MainTest, AnEditThatChangesNothingRestoresTheRunState) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") +
             "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle + "\r\n");
    TfMain& w = open();
    w.Log->Add(frameAt(0), true);
    w.SetRunState(w.RunState | rsLogHasData);
    const uint32_t before = w.RunState;
    uint32_t during = 0;
    w.VehicleEditor = [&] { during = w.RunState; };
    w.actEditVehicle->trigger();
    EXPECT_EQ(during, before & ~rsMacroSelected);
    EXPECT_EQ(w.RunState, before);
}

TEST_F(MainTest, SelectVehicleWithAnUnsavedVehicle) {
    const std::string vehicle = dir.File("v.xml");
    std::filesystem::copy_file(SampleVehicle, vehicle);
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n[fMain]\r\nmruVehicle=" + vehicle +
             "\r\n");
    TfMain& w = open();
    TTable& vehicles = *w.Vehicle->Vehicles;
    vehicles.Edit();
    vehicles.SetAsString("VDesc", "Edited by the test");
    vehicles.Post();
    w.Options.SaveVehicle = 1;

    answers = {QMessageBox::Cancel};
    w.actFileOpenVehicle->trigger();
    EXPECT_TRUE(dialogs.empty());
    EXPECT_TRUE(w.Vehicle->Dirty);

    answers = {QMessageBox::No};
    fileAnswer = QString::fromStdString(SampleVehicle);
    w.actFileOpenVehicle->trigger();
    EXPECT_EQ(dialogs.size(), 1u);
    EXPECT_FALSE(w.Vehicle->Dirty);
    EXPECT_EQ(w.Vehicle->FileName, SampleVehicle);
    EXPECT_EQ(w.MruVehicle, SampleVehicle);
    EXPECT_EQ(w.windowTitle(), "SIM-V8.xml - Quorvin V4");
    EXPECT_TRUE(w.InRunState(rsMacroSelected));
    EXPECT_EQ(TempDir::Read(vehicle).find("Edited by the test"), std::string::npos);
}

TEST_F(MainTest, HelpWithoutItsPageWarnsWithTheFolder) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n");
    TfMain& w = open();
    SetHelpDir(dir.File("data"));
    w.actHelp->trigger();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text.toStdString(),
              "Cannot find the Quorvin V4 help file: \"" + dir.File("data") +
                  "/index.htm\"\r\nUse the Properties editor to specify the directory that "
                  "contians index.htm");
}

TEST_F(MainTest, APortFailureDuringARunGoesToTheConsoleAndStopsIt) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle));
    TfMain& w = open();
    ASSERT_TRUE(w.Link->IsOpen());
    selectMacro("Engine data, repeating");
    w.actAldlStart->trigger();
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 0; }));
    sim.HangUp();
    EXPECT_TRUE(waitIdle(15000)); // it stops by itself
    EXPECT_EQ(w.RunState & rsBusy, 0u);
    EXPECT_TRUE(questions.empty()); // the console reports it, no message box
    EXPECT_TRUE(console().filter("Input/output error").size() > 0 ||
                console().filter("Can't").size() > 0)
        << texts().join("\n").toStdString();
    EXPECT_TRUE(hasText("Stop macro: " + title()));
}

namespace {

// Every file below a folder with its size and time of last change.
std::map<std::string, std::pair<uintmax_t, std::filesystem::file_time_type>>
filesBelow(const std::filesystem::path& folder) {
    std::map<std::string, std::pair<uintmax_t, std::filesystem::file_time_type>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        files[entry.path().string()] = {entry.is_regular_file() ? entry.file_size() : 0,
                                        entry.last_write_time()};
    }
    return files;
}

// The window as a user of an installed copy starts it: the program in prefix/bin with the
// bundled data in prefix/share/quorvin, no settings yet, a home folder of its own.
class InstalledMainTest : public testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        const fs::path share = dir.Path() / "usr/share/quorvin";
        fs::create_directories(dir.Path() / "usr/bin");
        fs::create_directories(share / "vehicles");
        fs::copy_file(SampleVehicle, share / "vehicles/SIM-V8.xml");
        fs::copy_file(std::string(QUORVIN_SOURCE_DIR) + "/data/Scales.xml", share / "Scales.xml");
        fs::copy(std::string(QUORVIN_SOURCE_DIR) + "/data/doc", share / "doc");
        setenv("HOME", home().c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home() + "/.config").c_str(), 1);
        unsetenv("QUORVIN_INI");
        SetProgramDir(dir.File("usr/bin"));
        installed = filesBelow(dir.Path() / "usr");
    }
    void TearDown() override {
        window.reset();
        SetProgramDir("");
    }
    std::string home() const { return dir.File("home"); }
    std::string userVehicle() const {
        return home() + "/Quorvin/V4/Vehicle data streams/SIM-V8.xml";
    }
    TfMain& open() {
        window = std::make_unique<TfMain>();
        window->MessageBoxHook = [](QMessageBox::Icon, const QString&,
                                    QMessageBox::StandardButtons) { return QMessageBox::Ok; };
        window->show();
        return *window;
    }

    TempDir dir;
    std::map<std::string, std::pair<uintmax_t, std::filesystem::file_time_type>> installed;
    std::unique_ptr<TfMain> window;
};

} // namespace

TEST_F(InstalledMainTest, FirstStartOpensTheUsersCopyOfTheSampleAndWritesNothingIntoTheInstall) {
    TfMain& w = open();
    ASSERT_TRUE(IsInstalledLayout());
    // Asserted: the save below must only ever reach the user's copy.
    ASSERT_EQ(w.Vehicle->FileName, userVehicle());
    EXPECT_EQ(w.windowTitle(), "SIM-V8.xml - Quorvin V4");

    // Save vehicle works on the user's copy.
    TTable& vehicles = *w.Vehicle->Vehicles;
    vehicles.Edit();
    vehicles.SetAsString("VDesc", "My own V8");
    vehicles.Post();
    w.actFileSaveVehicle->trigger();
    EXPECT_FALSE(w.Vehicle->Dirty);
    EXPECT_NE(TempDir::Read(userVehicle()).find("My own V8"), std::string::npos);

    // The chart picture, which a build tree keeps beside the program, goes to the user too.
    {
        QPdfWriter writer(QString::fromStdString(dir.File("chart.pdf")));
        TPrintJob job(writer);
        w.ChartMonitor->PrintChart(job);
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(home() + "/Quorvin/V4/chart.bmp"));

    w.Options.SaveData = 2;
    EXPECT_TRUE(w.close());
    window.reset();
    const std::string settings = TempDir::Read(home() + "/.config/Quorvin/QuorvinV4.ini");
    EXPECT_NE(settings.find("mruVehicle=" + userVehicle()), std::string::npos) << settings;
    EXPECT_TRUE(std::filesystem::exists(home() + "/.config/Quorvin/Scales.xml"));
    EXPECT_EQ(filesBelow(dir.Path() / "usr"), installed);
}

TEST_F(InstalledMainTest, ALaterStartKeepsTheVehicleChoiceTheUserLeft) {
    dir.Write("home/.config/Quorvin/QuorvinV4.ini", "[fMain]\r\nmruVehicle=\r\n");
    TfMain& w = open();
    EXPECT_EQ(w.Vehicle->FileName, "");
    EXPECT_EQ(w.windowTitle(), "Quorvin V4");
}

// ---- commands a user can trust: real windows, real mouse and key events ----

namespace {

// Runs answer on the message box that comes up, once it is shown; gives up after about ten
// seconds (closing any modal window left) so that nothing waits for a later test.
void whenMessageBox(std::function<void(QMessageBox&)> answer, int tries = 2000) {
    QTimer::singleShot(5, [answer, tries] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            answer(*box);
        } else if (tries > 0) {
            whenMessageBox(answer, tries - 1);
        } else {
            ADD_FAILURE() << "no message box came up";
        }
    });
}

void clickButton(QMessageBox& box, QMessageBox::StandardButton which) {
    QAbstractButton* button = box.button(which);
    if (!button) {
        ADD_FAILURE() << "no such button on: " << box.text().toStdString();
        box.done(QMessageBox::Cancel); // nothing is left waiting
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

bool sentClearCodes(const EcmSim& sim) {
    for (const EcmBytes& request : sim.Requests()) {
        if (request.size() >= 3 && request[2] == 0x0A) {
            return true;
        }
    }
    return false;
}

// The sample vehicle with some of its text replaced.
std::string sampleWith(const std::vector<std::pair<std::string, std::string>>& changes) {
    std::string text = TempDir::Read(SampleVehicle);
    for (const auto& [from, to] : changes) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) {
            text.replace(at, from.size(), to);
        }
    }
    return text;
}

class MainWindowInputTest : public MainTest {
protected:
    // The window shown and active, with the message boxes of the program (no test hook).
    TfMain& openActive(const std::string& deviceOverride = "") {
        TfMain& w = open(deviceOverride);
        w.MessageBoxHook = nullptr;
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }
    // A key pressed in the window, once it is active again. The offscreen platform has no
    // window manager to give the activation back after a message box: that is done here.
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        if (QApplication::activeWindow() != window.get()) {
            window->activateWindow();
        }
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), k, modifiers);
    }
    // Clicks the macro whose tree text starts with description.
    void clickMacro(const QString& description) {
        QTreeWidget& tree = window->MacrosPage->tree();
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = tree.topLevelItem(i);
            if (item->text(0).startsWith(description)) {
                tree.scrollToItem(item);
                QApplication::processEvents();
                // On the text near its start: a long node is wider than the tree shows.
                const QRect rect = tree.visualItemRect(item);
                const int x = std::min(rect.left() + 30, tree.viewport()->width() - 2);
                QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                                  QPoint(x, rect.center().y()));
                return;
            }
        }
        FAIL() << "no macro " << description.toStdString();
    }
    // The text of the selected macro's node.
    QString selectedMacro() const {
        const QTreeWidgetItem* item = window->MacrosPage->tree().currentItem();
        if (!item) {
            return {};
        }
        return (item->parent() ? item->parent() : item)->text(0);
    }
    void clickTab(int page) {
        QTabBar* bar = window->PageControl->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    }
    // Select vehicle with its keys, the file dialog answered with file.
    void selectVehicleByKeys(const std::string& file) {
        fileAnswer = QString::fromStdString(file);
        key(Qt::Key_O, Qt::ControlModifier | Qt::AltModifier);
    }
    int openingLines() const {
        int n = 0;
        for (const QString& line : texts()) {
            n += line.startsWith("Opening COM");
        }
        return n;
    }
};

} // namespace

TEST_F(MainWindowInputTest, AMacroThatClearsTheCodesAsksBeforeItIsSentAndNoKeepsThem) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), ""));
    TfMain& w = openActive();
    ASSERT_TRUE(w.Link->IsOpen());
    selectVehicleByKeys(SampleVehicle);
    ASSERT_EQ(w.Vehicle->FileName, SampleVehicle);
    // The first macro of the sample clears the codes: the first one that does not is chosen.
    EXPECT_TRUE(selectedMacro().startsWith("Engine data, repeating"))
        << selectedMacro().toStdString();
    EXPECT_FALSE(w.MacroClearsCodes());

    clickMacro("Clear trouble codes");
    ASSERT_TRUE(w.MacroClearsCodes());
    QString asked;
    bool noIsDefault = false;
    whenMessageBox([&](QMessageBox& box) {
        asked = box.text();
        noIsDefault = box.defaultButton() == box.button(QMessageBox::No);
        clickButton(box, QMessageBox::No);
    });
    key(Qt::Key_F3);
    EXPECT_EQ(asked, "This macro clears the trouble codes stored in the module. Send it?");
    EXPECT_TRUE(noIsDefault); // Enter keeps the codes
    QTest::qWait(300);
    EXPECT_FALSE(w.InRunState(rsBusy));
    EXPECT_FALSE(hasText("Start macro: " + title()));
    EXPECT_FALSE(sentClearCodes(sim));

    // Yes sends it.
    whenMessageBox([](QMessageBox& box) { clickButton(box, QMessageBox::Yes); });
    key(Qt::Key_F3);
    ASSERT_TRUE(waitFor([&] { return sentClearCodes(sim); }));
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(hasText("Start macro: " + title()));

    // A macro that sends no clear-codes request starts without a question.
    clickMacro("Engine data, repeating");
    w.MessageBoxHook = [this](QMessageBox::Icon, const QString& text,
                              QMessageBox::StandardButtons) {
        questions.push_back({QMessageBox::Warning, text});
        return QMessageBox::No;
    };
    sim.ClearLog();
    w.Options.SaveData = 2;
    key(Qt::Key_F3);
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 0; }));
    key(Qt::Key_F5);
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(questions.empty());
    EXPECT_FALSE(sentClearCodes(sim));
}

// On a first start the macro tree is as wide as its longest name, with no scroll bar below it;
// a width the settings hold is kept, and it is what closing stores.
TEST_F(MainWindowInputTest, TheMacroTreeFitsItsNamesUntilAWidthIsSet) {
    struct Case {
        const char* what;
        std::string ini;
        int width; // 0: fits the names
    };
    const Case cases[] = {{"first start", "", 0},
                          {"a width in the settings", "macroSplitter=150\r\n", 150}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeIni(simulatorIni(dir.File("no-such-device"), SampleVehicle) + c.ini);
        TfMain& w = openActive();
        ASSERT_EQ(w.PageControl->currentIndex(), 0);
        QTreeWidget& tree = w.MacrosPage->tree();
        ASSERT_GT(tree.topLevelItemCount(), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return tree.width() > 0 && tree.isVisible(); }));
        QApplication::processEvents();
        if (c.width == 0) {
            const QFontMetrics metrics(tree.font());
            for (int i = 0; i < tree.topLevelItemCount(); ++i) {
                const QRect shown = tree.visualItemRect(tree.topLevelItem(i));
                EXPECT_GE(tree.viewport()->width(),
                          shown.left() + tree.iconSize().width() +
                              metrics.horizontalAdvance(tree.topLevelItem(i)->text(0)))
                    << tree.topLevelItem(i)->text(0).toStdString();
            }
            EXPECT_FALSE(tree.horizontalScrollBar()->isVisible());
        } else {
            EXPECT_EQ(tree.width(), c.width);
        }
        const int width = tree.width();
        EXPECT_TRUE(w.close());
        window.reset();
        EXPECT_NE(TempDir::Read(ini).find("macroSplitter=" + std::to_string(width)),
                  std::string::npos);
    }
}

TEST_F(MainWindowInputTest, SelectVehicleComesBackToTheMacroLastUsedWithTheVehicle) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n[fMain]\r\nmruVehicle=\r\n");
    const std::string other = dir.File("other.xml");
    std::filesystem::copy_file(SampleVehicle, other);
    openActive();
    selectVehicleByKeys(SampleVehicle);
    clickMacro("Engine data, five frames");
    ASSERT_TRUE(selectedMacro().startsWith("Engine data, five frames"));
    selectVehicleByKeys(other);
    ASSERT_EQ(window->Vehicle->FileName, other);
    EXPECT_TRUE(selectedMacro().startsWith("Engine data, repeating"));
    selectVehicleByKeys(SampleVehicle);
    EXPECT_TRUE(selectedMacro().startsWith("Engine data, five frames"))
        << selectedMacro().toStdString();
    // Also the one remembered for the first vehicle, across a restart.
    window.reset();
    openActive();
    selectVehicleByKeys(other);
    EXPECT_TRUE(selectedMacro().startsWith("Engine data, repeating"));
    selectVehicleByKeys(SampleVehicle);
    EXPECT_TRUE(selectedMacro().startsWith("Engine data, five frames"));
}

TEST_F(MainTest, TheMacroSelectVehicleChoosesSendsNoClearCodesRequest) {
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n[fMain]\r\nmruVehicle=\r\n");
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> changes;
        QString chosen; // the start of the chosen macro's text
    };
    const Case cases[] = {
        {"as bundled", {}, "Engine data, repeating"},
        {"no mode byte, $0A as the first parameter",
         {{"ModeByte=\"$0A\"", "ModeByte=\"\""},
          {"RCode=\"CLEAR\" RDesc=\"Clear trouble codes\"",
           "RCode=\"CLEAR\" RDesc=\"Clear trouble codes\" Parameters=\"$0A\""}},
         "Engine data, repeating"},
        {"decimal 10 as the mode byte",
         {{"ModeByte=\"$0A\"", "ModeByte=\"10\""}},
         "Engine data, repeating"},
        {"the first macro clears nothing",
         {{"ModeByte=\"$0A\"", "ModeByte=\"$01\""}},
         "Clear trouble codes"},
        {"every macro clears", {{"ModeByte=\"$01\"", "ModeByte=\"$0A\""}}, "Clear trouble codes"},
    };
    TfMain& w = open();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file =
            dir.Write("v" + std::to_string(n++) + ".xml", sampleWith(c.changes));
        w.SelectVehicle(file);
        ASSERT_EQ(w.Vehicle->FileName, file);
        const QTreeWidgetItem* item = w.MacrosPage->tree().currentItem();
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->text(0).startsWith(c.chosen)) << item->text(0).toStdString();
        EXPECT_TRUE(w.InRunState(rsMacroSelected));
    }
}

TEST_F(MainWindowInputTest, CancellingTheUnsavedLogQuestionOfSelectVehicleChangesNothing) {
    const std::string other = dir.File("other.xml");
    std::filesystem::copy_file(SampleVehicle, other);
    writeIni("[Devices]\r\nCom1=" + dir.File("none") +
             "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle + "\r\n");
    TfMain& w = openActive();
    clickMacro("Engine data, repeating");
    for (int i = 0; i < 3; ++i) {
        w.Log->Add(frameAt(i), true);
    }
    w.SetRunState(w.RunState | rsLogModified | rsLogHasData);
    const uint32_t state = w.RunState;
    const int mru = w.MruMacro, opened = openingLines();
    w.Options.SaveData = 1;

    QString asked;
    whenMessageBox([&](QMessageBox& box) {
        asked = box.text();
        clickButton(box, QMessageBox::Cancel);
    });
    selectVehicleByKeys(other);
    EXPECT_TRUE(asked.startsWith("The logged data have not been saved.")) << asked.toStdString();
    EXPECT_EQ(w.Vehicle->FileName, SampleVehicle);
    EXPECT_EQ(w.MruMacro, mru);
    EXPECT_TRUE(selectedMacro().startsWith("Engine data, repeating"));
    EXPECT_EQ(w.RunState, state);
    EXPECT_EQ(w.Log->Count(), 3);
    EXPECT_EQ(openingLines(), opened) << "the port is left alone";

    // A vehicle file that cannot be read keeps the vehicle and its macro selected.
    const std::string broken = dir.Write("broken.xml", "<DATAPACKET");
    std::vector<QString> boxes;
    whenMessageBox([&](QMessageBox& box) {
        boxes.push_back(box.text());
        clickButton(box, QMessageBox::No); // the log goes
        whenMessageBox([&](QMessageBox& error) {
            boxes.push_back(error.text());
            clickButton(error, QMessageBox::Ok);
        });
    });
    selectVehicleByKeys(broken);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(w.Vehicle->FileName, SampleVehicle);
    EXPECT_TRUE(w.InRunState(rsMacroSelected));
    EXPECT_TRUE(w.actAldlStart->isEnabled());
    EXPECT_EQ(openingLines(), opened);
    // The log on show stays too, no longer marked unsaved: the user let it go for a vehicle
    // that never came.
    EXPECT_EQ(w.Log->Count(), 3);
    EXPECT_TRUE(w.InRunState(rsLogHasData));
    EXPECT_TRUE(w.actFileSave->isEnabled());
}

TEST_F(MainWindowInputTest, AnAdapterPluggedInAfterTheStartIsOpenedByStartOrByPropertiesOk) {
    for (const bool byStart : {true, false}) {
        SCOPED_TRACE(byStart ? "Start" : "Properties Ok");
        EcmSim sim(chatteringModule());
        sim.Start();
        const std::string adapter = dir.File("adapter");
        std::filesystem::remove(adapter);
        writeIni("[Devices]\r\nCom1=" + adapter + "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle +
                 "\r\nmruMacro=3\r\n");
        TfMain& w = openActive();
        ASSERT_FALSE(w.Link->IsOpen());
        ASSERT_TRUE(selectedMacro().startsWith("Engine data, repeating"));
        // The adapter comes: its device appears under the name the settings give.
        std::filesystem::create_symlink(sim.SlavePath(), adapter);
        if (byStart) {
            w.Options.SaveData = 2;
            key(Qt::Key_F3);
            ASSERT_TRUE(w.Link->IsOpen());
            ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 1; }));
            key(Qt::Key_F5);
            ASSERT_TRUE(waitIdle());
        } else {
            bool accepted = false;
            QTimer::singleShot(0, [&] {
                ASSERT_TRUE(QTest::qWaitFor([&] { return w.fProperties->isVisible(); }));
                for (QPushButton* b : w.fProperties->findChildren<QPushButton*>()) {
                    if (b->text() == "Ok") {
                        QTest::mouseClick(b, Qt::LeftButton);
                        accepted = true;
                    }
                }
            });
            key(Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
            EXPECT_TRUE(accepted);
            EXPECT_FALSE(w.fProperties->CommsChanged());
            EXPECT_TRUE(w.Link->IsOpen());
        }
        window.reset();
    }
}

// The adapter goes away during a run (its device hangs up) and comes back under the same name
// as another device: the next Start opens it afresh and logs from it.
TEST_F(MainWindowInputTest, AnAdapterThatWentAwayDuringARunIsOpenedAfreshByTheNextStart) {
    auto first = std::make_unique<EcmSim>(chatteringModule());
    first->Start();
    const std::string adapter = dir.File("adapter");
    std::filesystem::create_symlink(first->SlavePath(), adapter);
    writeIni("[Devices]\r\nCom1=" + adapter + "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle +
             "\r\nmruMacro=3\r\n");
    TfMain& w = openActive();
    ASSERT_TRUE(w.Link->IsOpen());
    w.Options.SaveData = 2;
    key(Qt::Key_F3);
    ASSERT_TRUE(waitFor([&] { return w.Log->Count() > 1; }));
    first->HangUp();
    ASSERT_TRUE(waitIdle(20000));
    EXPECT_TRUE(w.statusBar()->currentMessage().endsWith(
        QString::fromStdString(adapter + ": " + std::strerror(EIO))))
        << w.statusBar()->currentMessage().toStdString();

    EcmSim second(chatteringModule());
    second.Start();
    std::filesystem::remove(adapter);
    std::filesystem::create_symlink(second.SlavePath(), adapter);
    whenMessageBox([](QMessageBox& box) { clickButton(box, QMessageBox::No); }); // the log goes
    key(Qt::Key_F3);
    ASSERT_TRUE(waitFor([&] { return second.Counters().requests > 2 && w.Log->Count() > 1; }))
        << w.statusBar()->currentMessage().toStdString();
    key(Qt::Key_F5);
    ASSERT_TRUE(waitIdle());
    window.reset();
}

TEST_F(MainWindowInputTest, APortTheListDoesNotOfferIsNotConfiguredAndNoOtherStandsIn) {
    EcmSim sim(chatteringModule());
    sim.Start();
    // Com1 is the simulator: it must not be used for Com9.
    writeIni(simulatorIni(sim.SlavePath(), SampleVehicle) + "[Comm]\r\nPort=Com9\r\n");
    TfMain& w = openActive();
    EXPECT_FALSE(w.Link->IsOpen());
    EXPECT_TRUE(hasText("COM9 port is not configured..."));
    EXPECT_FALSE(hasText("COM1 port is not configured..."));
    EXPECT_EQ(openingLines(), 0);
    key(Qt::Key_F3);
    EXPECT_FALSE(w.InRunState(rsBusy));
    EXPECT_EQ(texts().mid(texts().size() - 2),
              QStringList({"COM9 port is not configured...",
                           "From menu: Edit->Properties, select tab page: Comms."}));
    EXPECT_EQ(w.statusBar()->currentMessage(), "COM9 port is not configured...");
    QTest::qWait(200);
    EXPECT_EQ(sim.Counters().bytesReceived, 0u);
}

TEST_F(MainWindowInputTest, ListeningToChatterNeedsALoadedVehicle) {
    EcmSim sim(chatteringModule());
    sim.Start();
    writeIni(simulatorIni(sim.SlavePath(), ""));
    TfMain& w = openActive();
    ASSERT_TRUE(w.Link->IsOpen());
    EXPECT_FALSE(w.actAldlChatter->isEnabled());
    key(Qt::Key_L, Qt::ControlModifier);
    QTest::qWait(100);
    EXPECT_FALSE(w.InRunState(rsChatter));
    EXPECT_FALSE(hasText("Scan for chatter..."));

    selectVehicleByKeys(SampleVehicle);
    ASSERT_TRUE(w.actAldlChatter->isEnabled());
    key(Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(w.InRunState(rsChatter));
    key(Qt::Key_F5);
    ASSERT_TRUE(waitIdle());
}

TEST_F(MainWindowInputTest, WhyARunDidNotStartOrStoppedShowsInTheStatusBarOnAnyPage) {
    struct Case {
        const char* what;
        bool device; // the simulator is there (it answers nothing)
        int page;
    };
    const Case cases[] = {{"the device is missing", false, 3}, {"no replies", true, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EcmSimOptions options;
        options.faults.noReply = 1;
        EcmSim sim(options);
        sim.Start();
        const std::string device = c.device ? sim.SlavePath() : dir.File("no-such-device");
        writeIni(simulatorIni(device, SampleVehicle) + "mruMacro=3\r\n");
        TfMain& w = openActive();
        clickTab(c.page);
        ASSERT_EQ(w.PageControl->currentIndex(), c.page);
        w.Options.SaveData = 2;
        key(Qt::Key_F3);
        QString expected;
        if (c.device) {
            ASSERT_TRUE(waitIdle(20000));
            // The last error line of the run, as the console has it.
            ASSERT_TRUE(w.statusBar()->currentMessage().size() > 0);
            EXPECT_TRUE(texts().contains(w.statusBar()->currentMessage()))
                << w.statusBar()->currentMessage().toStdString();
        } else {
            EXPECT_EQ(w.statusBar()->currentMessage().toStdString(),
                      "Can't open Com1. " + device + ": " + std::strerror(ENOENT));
        }
        expected = w.statusBar()->currentMessage();
        EXPECT_EQ(w.PageControl->currentIndex(), c.page);

        // A hint shown over it gives way to it again.
        QWidget* button = w.ToolBar->widgetForAction(w.actFileOpenVehicle);
        ASSERT_NE(button, nullptr);
        QTest::mouseMove(button);
        ASSERT_TRUE(waitFor(
            [&] { return w.statusBar()->currentMessage() == w.actFileOpenVehicle->statusTip(); },
            2000));
        QTest::mouseMove(w.PageControl->currentWidget());
        EXPECT_TRUE(waitFor([&] { return w.statusBar()->currentMessage() == expected; }, 2000))
            << w.statusBar()->currentMessage().toStdString();
        window.reset();
    }
}

TEST_F(MainTest, FilesNamedOnTheCommandLineAreSelectedAndOpened) {
    const std::string vehicle = dir.File("v.xml");
    std::filesystem::copy_file(SampleVehicle, vehicle);
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n[fMain]\r\nmruVehicle=\r\n");
    // A log to open, saved by the program itself.
    {
        TfMain& w = open();
        w.SelectVehicle(vehicle);
        for (int i = 0; i < 4; ++i) {
            w.Log->Add(frameAt(i * 0.1), true);
        }
        w.SetRunState(w.RunState | rsLogModified | rsLogHasData);
        fileAnswer = QString::fromStdString(dir.File("run.alg"));
        w.actFileSave->trigger();
        window.reset();
    }
    writeIni("[Devices]\r\nCom1=" + dir.File("none") + "\r\n[fMain]\r\nmruVehicle=\r\n");
    TfMain& w = open();
    ASSERT_EQ(w.Vehicle->FileName, "");
    // In any order: the vehicle first, so the log shows in its macro.
    w.OpenFiles({dir.File("run.alg"), vehicle});
    EXPECT_EQ(w.Vehicle->FileName, vehicle);
    EXPECT_TRUE(w.InRunState(rsMacroSelected));
    EXPECT_EQ(w.Log->Count(), 4);
    EXPECT_EQ(w.windowTitle(), "v.xml - run.alg - Quorvin V4");

    // A log that cannot be read goes to the error report and keeps what is shown.
    const std::string broken = dir.Write("broken.alg", "12");
    questions.clear();
    w.OpenFiles({broken});
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].icon, QMessageBox::Critical);
    EXPECT_EQ(w.Log->Count(), 4);
}

TEST(CommandLineTest, FilesAndOptions) {
    TempDir dir;
    const std::string log = dir.Write("run.alg", "x"), vehicle = dir.Write("Car.XML", "x");
    const std::string text = dir.Write("notes.txt", "x");
    std::filesystem::create_directories(dir.File("folder.alg"));
    struct Case {
        QStringList args;
        std::vector<std::string> files;
        QString error;
    };
    const QString q = QString::fromStdString(dir.Path().string());
    const Case cases[] = {
        {{}, {}, ""},
        {{q + "/run.alg"}, {log}, ""},
        {{q + "/Car.XML", "--device", "/dev/ttyUSB3", q + "/run.alg"}, {vehicle, log}, ""},
        {{q + "/notes.txt"}, {}, q + "/notes.txt: not a log (.alg) or a vehicle definition (.xml)"},
        {{q + "/gone.alg"}, {}, q + "/gone.alg: No such file or directory"},
        {{q + "/folder.alg"}, {}, q + "/folder.alg: not a file"},
        {{"--device"}, {}, "--device needs a path"},
        {{"--verbose"}, {}, "unknown argument --verbose"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(" ").toStdString());
        const TCommandLine line = ParseCommandLine(QStringList({"quorvin"}) + c.args);
        EXPECT_EQ(line.Error, c.error);
        if (c.error.isEmpty()) {
            EXPECT_EQ(line.Files, c.files);
        }
    }
    // A relative name is taken from the current folder.
    const QString before = QDir::currentPath();
    QDir::setCurrent(q);
    const TCommandLine line = ParseCommandLine({"quorvin", "run.alg", "--demo"});
    QDir::setCurrent(before);
    EXPECT_EQ(line.Files, std::vector<std::string>{log});
    EXPECT_TRUE(line.Demo);
    (void)text;
}

TEST_F(MainTest, AFirstStartChoosesAMacroThatClearsNoCodesAndALaterOneKeepsTheUsersChoice) {
    struct Case {
        const char* mruMacro; // nullptr: none stored yet
        QString chosen;
    };
    const Case cases[] = {{nullptr, "Engine data, repeating"},
                          {"0", "Clear trouble codes"},
                          {"5", "Engine data, five frames"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mruMacro ? c.mruMacro : "none");
        writeIni("[Devices]\r\nCom1=" + dir.File("none") +
                 "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle + "\r\n" +
                 (c.mruMacro ? std::string("mruMacro=") + c.mruMacro + "\r\n" : std::string()));
        TfMain& w = open();
        const QTreeWidgetItem* item = w.MacrosPage->tree().currentItem();
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->text(0).startsWith(c.chosen)) << item->text(0).toStdString();
        EXPECT_EQ(QString::fromStdString(w.Engine->MacroTitle).startsWith(c.chosen), true);
        window.reset();
    }
}

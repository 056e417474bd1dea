// Run control: the run-state word and command enabling, the port, the run commands and their
// loops (macro run, play back, chatter), re-plotting and the routing of the cursor frame.
#include "shell/Main.h"

#include "common/Common.h"
#include "common/Format.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "engine/Detect.h"
#include "link/PortHelp.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "shell/ConsoleView.h"
#include "views/ViewMacros.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>

#include <cmath>
#include <filesystem>

namespace {

// Counts the loop for the window's lifetime rules; a close that came meanwhile is carried out
// once the loop has returned.
class TLoopScope {
public:
    TLoopScope(int& depth, std::function<void()> atEnd) : depth(depth), atEnd(std::move(atEnd)) {
        ++depth;
    }
    ~TLoopScope() {
        if (--depth == 0) {
            atEnd();
        }
    }
    TLoopScope(const TLoopScope&) = delete;
    TLoopScope& operator=(const TLoopScope&) = delete;

private:
    int& depth;
    std::function<void()> atEnd;
};

} // namespace

void TfMain::SetRunState(uint32_t word) {
    RunState = word;
    UpdateActions();
}

void TfMain::UpdateActions() {
    const bool idle = !InRunState(rsActive);
    const bool notBusy = !InRunState(rsBusy);
    const bool macro = InRunState(rsMacroSelected);
    const bool hasData = InRunState(rsLogHasData);
    actFileNew->setEnabled(hasData && idle);
    actFileOpen->setEnabled(macro && idle);
    actFileSave->setEnabled(hasData && idle);
    actFileSaveAs->setEnabled(hasData && idle);
    actFileExport->setEnabled(hasData && idle);
    for (QAction* a : {actFileOpenVehicle, actFileSaveVehicleAs, actEditProperties, actEditScale,
                       actEditVehicle}) {
        a->setEnabled(idle);
    }
    actFileSaveVehicle->setEnabled(Vehicle->Dirty && idle);
    actAldlStart->setEnabled(macro && notBusy);
    actAldlInspect->setEnabled(macro && notBusy);
    actAldlPlay->setEnabled(hasData && notBusy);
    // Whenever an activity is in progress, so that one started without a macro can be ended.
    actAldlPause->setEnabled(!notBusy);
    actAldlStop->setEnabled(!notBusy);
    actAldlLog->setEnabled(!InRunState(rsPlayBack));
    actAldlChatter->setEnabled(vehicleAldl() == "8192" && notBusy);
    actAldlDetectChatter->setEnabled(notBusy);
    actAldlRePlot->setEnabled(macro && idle);
    update();
}

QString TfMain::GetCaption() const {
    std::string v = std::filesystem::path(Vehicle->FileName).filename().string();
    std::string l = std::filesystem::path(Log->FileName()).filename().string();
    std::string title;
    for (const std::string& part : {v, l}) {
        if (!part.empty()) {
            title += part + " - ";
        }
    }
    return QString::fromStdString(title + "Quorvin V4");
}

void TfMain::OpenPort() {
    Link->Close();
    bool opening = false; // the failure, if any, is the device's own
    try {
        fProperties->ApplySettings();
        if (!DeviceOverride.empty()) {
            Link->SetDevice(DeviceOverride);
        }
        int shownBaud = Link->Baud() == 8228 ? 8228 : 160;
        Console->Add(Format("Opening COM%d %d,%d,%s,%d", Link->Port(), shownBaud, Link->DataBits(),
                            Link->Parity().c_str(), Link->StopBits()),
                     clInfo);
        opening = true;
        Link->Open();
    } catch (const std::exception& e) {
        // Only a trailing line break or full stop goes; the rest is the system's own text.
        std::string text = e.what();
        while (!text.empty() &&
               (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
            text.pop_back();
        }
        Console->Add(text, clError);
        if (opening && Link->LastOpenError() != 0) {
            const TPortHelpFor reader =
                DeviceOverride.empty() ? TPortHelpFor::Window : TPortHelpFor::WindowDeviceOption;
            for (const std::string& line :
                 PortAdvice(Link->DevicePath(), Link->LastOpenError(), reader)) {
                Console->Add(line, clInfo);
            }
        }
    }
    Console->Flush();
}

void TfMain::SelectMacro() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        MacrosPage->SetMruMacro(MruMacro);
        MacrosPage->FillMacroTree(MruMacro);
        MruMacro = MacrosPage->MruMacro();
        if (MruMacro >= 0 && MruMacro < MacrosPage->NodeCount()) {
            Engine->LoadMacro(MacrosPage->MacroOfNode(MruMacro));
        }
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

void TfMain::PopulateViews() {
    ValueList->Populate();
    Dashboard->Populate();
    DTCList->Populate();
    FlagList->Populate();
    ChartMonitor->PopulateMonitor();
    MonitorDetailChanged(ChartMonitor->Cursor());
}

void TfMain::New() {
    if (InRunState(rsLogModified) && !ResolveUnsavedLog()) {
        return; // the frames stay; Start, Open and LoadVehicle give up
    }
    SetRunState(RunState & ~(rsLogModified | rsLogHasData));
    ChartMonitor->ClearCharts();
    ValueList->Clear();
    DTCList->Clear();
    FlagList->Clear();
    Log->New();
    setWindowTitle(GetCaption());
}

void TfMain::portNotConfigured() {
    Console->Add(Format("COM%d port is not configured...", Link->Port()), clError);
    Console->Add("From menu: Edit->Properties, select tab page: Comms.", clError);
    Console->Flush();
}

void TfMain::focusConsole() {
    if (PageControl->currentIndex() == 0) {
        MacrosPage->console().setFocus();
    }
}

void TfMain::resumeChatterSafely() {
    // A pulled adapter makes the resume frame fail; the run must still come to a stop.
    try {
        Engine->ResumeChatter();
    } catch (const std::exception& e) {
        Console->Add(e.what(), clError);
    }
}

void TfMain::endLoop() {
    if (closePending) {
        closePending = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void TfMain::actAldlStartExecute() {
    if (!Link->IsOpen()) {
        portNotConfigured();
        return;
    }
    if (actViewMacroTest->isChecked()) {
        Ask(QMessageBox::Warning,
            "\"Macro test mode\" is active. Random ALDL data will be generated for testing "
            "purposes. To turn off \"Macro Test Mode\" uncheck the [View->Macro test mode] menu "
            "item.",
            QMessageBox::Ok);
    }
    New();
    if (InRunState(rsLogModified)) {
        return;
    }
    focusConsole();
    SetRunState(RunState | rsAldlRunning);
    ChartMonitor->SetRunning(true);
    Console->Add(Format("Start macro: %s", Engine->MacroTitle.c_str()), clInfo);
    Engine->ResetValues();
    Console->SetBuffered(!actViewMacroTest->isChecked());
    doAldl();
}

bool TfMain::stepFrame(std::unique_ptr<TPacket> frame) {
    try {
        if (actAldlLog->isChecked()) {
            Log->Add(std::move(frame), true);
            TPacket& logged = Log->Frames(Log->Count() - 1);
            Engine->DecodeFrame(logged, true);
            ChartMonitor->PlotFrame(logged);
            SetRunState(RunState | rsLogModified | rsLogHasData);
        } else {
            Log->Add(std::move(frame), false);
            Engine->DecodeFrame(Log->Frames(Log->Count()), true);
            MonitorDetailChanged(Log->Count());
        }
        return true;
    } catch (const std::exception& e) {
        Console->Add(e.what(), clInfo);
        Console->Flush();
        actAldlStopExecute();
        return false;
    }
}

void TfMain::doAldl() {
    TLoopScope scope(loopDepth, [this] { endLoop(); });
    try {
        Engine->BeginRun();
        ChartMonitor->SetPaintEnabled(actViewCharts->isChecked());
        bool leave = false;
        while (!leave && InRunState(rsAldlRunning) && !InRunState(rsPaused)) {
            for (int tries = 0;;) {
                std::unique_ptr<TPacket> frame =
                    Engine->ExecuteStep(actViewMacros->isChecked(), actViewMacroTest->isChecked(),
                                        Options.PreciseTiming);
                const bool got = frame != nullptr;
                if (got && frame->Header() != 0 && !stepFrame(std::move(frame))) {
                    leave = true;
                    break;
                }
                Console->Flush();
                QCoreApplication::processEvents();
                if (got) {
                    break;
                }
                // Pause or Stop pressed meanwhile end the retries too.
                if (++tries >= 3 || !InRunState(rsAldlRunning) || InRunState(rsPaused)) {
                    if (tries >= 3) {
                        actAldlStopExecute();
                    }
                    break;
                }
            }
        }
    } catch (const std::exception& e) {
        Console->Add(e.what(), clError);
        Console->Flush();
        if (InRunState(rsAldlRunning)) {
            actAldlStopExecute();
        }
    }
    if (!ChartMonitor->PaintEnabled()) {
        try {
            MonitorRePlot();
        } catch (const std::exception& e) {
            Console->Add(e.what(), clError);
            Console->Flush();
        }
    }
}

void TfMain::actAldlLogExecute() {
    // The action flips its own check; the run loop reads it for every frame.
}

void TfMain::actAldlPauseExecute() {
    if (InRunState(rsPaused)) {
        actAldlPause->setChecked(false);
        SetRunState(RunState & ~rsPaused);
        // A pause and its resume within one pass of a loop: that loop is still running and
        // carries on at its next test; a second loop must not start inside it.
        const bool loopRunning = loopDepth > 0;
        if (InRunState(rsChatter)) {
            Console->Add("Resume scanning for chatter", clInfo);
            if (loopRunning) {
                Detect->SetListening(true);
            } else {
                listenToChatter();
            }
        } else if (InRunState(rsPlayBack)) {
            Console->Add("Resume play back", clInfo);
            Console->Flush();
            Timer->Sample();
            PlayDue = Timer->Count();
            if (!loopRunning) {
                doPlayBack();
            }
        } else {
            Console->Add(Format("Resume macro: %s", Engine->MacroTitle.c_str()), clInfo);
            ChartMonitor->SetRunning(true);
            if (!loopRunning) {
                doAldl();
            }
        }
        return;
    }
    actAldlPause->setChecked(true);
    SetRunState(RunState | rsPaused);
    if (InRunState(rsChatter)) {
        Console->Add("Pause scanning for chatter", clInfo);
        Detect->SetListening(false);
    } else if (InRunState(rsPlayBack)) {
        Console->Add("Pause play back", clInfo);
        Console->Flush();
    } else {
        Console->Add(Format("Pause macro: %s", Engine->MacroTitle.c_str()), clInfo);
        resumeChatterSafely();
        ChartMonitor->SetRunning(false);
    }
    Console->Flush();
}

void TfMain::actAldlStopExecute() {
    if (InRunState(rsChatter)) {
        Detect->SetListening(false);
        SetRunState(RunState & ~(rsChatter | rsPaused));
        Console->Add("Stop scanning for chatter", clInfo);
    } else if (InRunState(rsPlayBack)) {
        SetRunState(RunState & ~(rsPlayBack | rsPaused));
        Console->Add("Stop play back", clInfo);
    } else {
        if (!InRunState(rsPaused)) {
            resumeChatterSafely();
        }
        SetRunState(RunState & ~(rsAldlRunning | rsPaused));
        ChartMonitor->SetRunning(false);
        Console->Add(Format("Stop macro: %s", Engine->MacroTitle.c_str()), clInfo);
    }
    actAldlPause->setChecked(false);
    Console->Add("", clInfo);
    Console->Flush();
}

double TfMain::PlayBackSpeed() const {
    double speed = Options.PlayBackSpeed;
    if (!std::isfinite(speed)) {
        return 1;
    }
    return Clamp(speed, 0.01, 100.0);
}

void TfMain::actAldlPlayExecute() {
    ChartMonitor->ClearCharts();
    Engine->ResetValues();
    SetRunState(RunState | rsPlayBack);
    actAldlLog->setChecked(false);
    PlayIndex = 0;
    Timer->Reset();
    Timer->Sample();
    PlayDue = Timer->Count();
    Console->Add("Start play back", clInfo);
    Console->Flush();
    doPlayBack();
}

void TfMain::doPlayBack() {
    TLoopScope scope(loopDepth, [this] { endLoop(); });
    if (Log->Count() == 0) {
        actAldlStopExecute();
        return;
    }
    ChartMonitor->SetRunning(true);
    const auto playing = [this] { return InRunState(rsPlayBack) && !InRunState(rsPaused); };
    try {
        while (playing()) {
            if (PlayIndex >= Log->Count()) {
                actAldlStopExecute();
                break;
            }
            TPacket& frame = Log->Frames(PlayIndex);
            Engine->DecodeFrame(frame, true);
            if (!ChartMonitor->PlotFrame(frame)) {
                actAldlStopExecute();
                break;
            }
            ++PlayIndex;
            if (PlayIndex < Log->Count() && playing()) {
                double dt =
                    Log->Frames(PlayIndex).Time * 86400 - Log->Frames(PlayIndex - 1).Time * 86400;
                if (dt > 1.0) {
                    dt = 0.01;
                }
                // Passing midnight gives a negative spacing: no wait, and the frames after it
                // keep their spacing instead of all playing at once.
                dt = std::max(dt, 0.0);
                const double ticksPerSecond = Timer->Frequency ? double(Timer->Frequency) : 1000.0;
                PlayDue += std::llround(ticksPerSecond * dt / PlayBackSpeed());
                waitUntil(PlayDue);
            }
        }
    } catch (const std::exception& e) {
        Console->Add(e.what(), clError);
        Console->Flush();
        if (InRunState(rsPlayBack)) {
            actAldlStopExecute();
        }
    }
    ChartMonitor->SetRunning(false);
}

void TfMain::waitUntil(int64_t due) {
    // Polls the counter; a long wait (slow play-back speeds) lets window events run now and
    // then so that Pause and Stop are not held up for seconds. The due count is absolute, so
    // this costs no accuracy.
    const double ticksPerMs = Timer->Frequency ? double(Timer->Frequency) / 1000.0 : 1.0;
    const auto longWait = static_cast<int64_t>(50 * ticksPerMs);
    int64_t lastEvents = Timer->ReadCounter();
    for (;;) {
        Timer->Sample();
        const int64_t now = Timer->Count();
        if (now >= due) {
            return;
        }
        if (due - now > longWait && now - lastEvents > longWait) {
            QCoreApplication::processEvents();
            lastEvents = Timer->ReadCounter();
            if (!InRunState(rsPlayBack) || InRunState(rsPaused)) {
                return;
            }
        }
    }
}

void TfMain::actAldlChatterExecute() {
    focusConsole();
    if (!Link->IsOpen()) {
        portNotConfigured();
        return;
    }
    SetRunState(RunState | rsChatter);
    Console->Add("Scan for chatter...", clInfo);
    listenToChatter();
}

void TfMain::listenToChatter() {
    TLoopScope scope(loopDepth, [this] { endLoop(); });
    try {
        Detect->ListenToChatter(actViewIO->isChecked(), [this] {
            Console->Flush();
            QCoreApplication::processEvents();
        });
    } catch (const std::exception& e) {
        Console->Add(e.what(), clError);
        Console->Flush();
        if (InRunState(rsChatter)) {
            actAldlStopExecute();
        }
    }
    Console->Flush();
}

void TfMain::actAldlDetectChatterExecute() {
    focusConsole();
    if (!Link->IsOpen()) {
        portNotConfigured();
        return;
    }
    if (actViewIO->isChecked()) {
        Ask(QMessageBox::Warning,
            "View serial I/O is selected.\r\nAutomatic detection of chatter will probably "
            "produce incorrect results.\r\n\r\nPlease turn off View Serial I/O, then perform "
            "this option again.",
            QMessageBox::Ok);
    }
    Console->Add("Check vehicle interface...", clInfo);
    Console->Flush();
    SetRunState(RunState | rsChatter);
    {
        TLoopScope scope(loopDepth, [this] { endLoop(); });
        try {
            const bool chatter =
                !Vehicle->Vehicles->IsEmpty() && Vehicle->Vehicles->AsBool("Chatter");
            TVehicleLinkCheck check =
                Detect->CheckVehicleLink(actViewIO->isChecked(), vehicleAldl(), chatter);
            MacrosPage->SetVerdicts(check.Interface, check.Chatter);
        } catch (const std::exception& e) {
            Console->Add(e.what(), clError);
        }
        Console->Flush();
        SetRunState(RunState & ~(rsChatter | rsPaused));
    }
}

void TfMain::actAldlInspectExecute() {
    ChartMonitor->KeyDown(Qt::Key_F2, Qt::NoModifier);
}

void TfMain::MonitorRePlot() {
    showProgress("Plotting data...");
    RePlotting = true;
    try {
        ChartMonitor->SetPaintEnabled(false);
        ChartMonitor->ClearCharts();
        Engine->ResetValues();
        const int count = Log->Count();
        for (int i = 0; i < count; ++i) {
            Progress(i * 100 / count);
            TPacket& frame = Log->Frames(i);
            Engine->DecodeFrame(frame, true);
            if (!ChartMonitor->PlotFrame(frame)) {
                break;
            }
        }
    } catch (...) {
        ChartMonitor->SetPaintEnabled(true);
        RePlotting = false;
        ChartMonitor->SetDetail(0);
        hideProgress();
        throw;
    }
    // Painting comes back in every case, so a refused frame cannot leave the charts blank.
    ChartMonitor->SetPaintEnabled(true);
    RePlotting = false;
    ChartMonitor->SetDetail(0);
    hideProgress();
}

void TfMain::MonitorDetailChanged(int frame) {
    if (RePlotting) {
        return;
    }
    const std::string frameText = ChartMonitor->FrameText();
    const std::string timeText = ChartMonitor->TimeText();
    StatusPanels[1]->setText(QString::fromStdString("Frame: " + frameText));
    StatusPanels[2]->setText(QString::fromStdString("Time: " + timeText));
    StatusPanels[3]->setText(QString::fromStdString("Note: " + ChartMonitor->NoteText()));
    if (frame < 0 || frame >= TDataLog::Capacity || Log->Frames(frame).IsEmpty()) {
        return;
    }
    const bool running = ChartMonitor->Running();
    if (!running) {
        Engine->DecodeFrame(Log->Frames(frame), false);
    }
    switch (PageControl->currentIndex()) {
    case 1:
        if (actViewAldl->isChecked()) {
            ValueList->ShowValues(running);
        }
        break;
    case 2:
        if (actViewVirtualDash->isChecked()) {
            for (int i = 0; i < Dashboard->GaugeCount(); ++i) {
                TGauge& gauge = Dashboard->Gauge(i);
                float v = Engine->GetAttrValue(gauge.Item(), gauge.Attr(),
                                               gauge.IsLight() ? gauge.Bit() : -1);
                if (v != MissingValue) {
                    gauge.SetPosition(v);
                }
            }
        }
        break;
    case 4:
        if (actViewDTCs->isChecked()) {
            DTCList->ShowValues(running, frameText, timeText);
            setTabIcons(); // the tab shows whether a code is set
        }
        break;
    case 5:
        if (actViewBits->isChecked()) {
            FlagList->ShowValues(running, frameText, timeText);
        }
        break;
    default:
        break;
    }
}

void TfMain::Progress(int percent) {
    ProgressBar->setValue(percent);
}

void TfMain::SetPopupRows() {
    ChartMonitor->SetPopupRows(Options.PopupRows);
    for (int i = 0; i < Dashboard->GaugeCount(); ++i) {
        Dashboard->Gauge(i).SetPopupRows(Options.PopupRows);
    }
}

// Run control: the run-state word and command enabling, the port, the run commands and their
// loops (macro run, play back, chatter), re-plotting and the routing of the cursor frame.
#include "shell/Main.h"

#include "common/Common.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "engine/Detect.h"
#include "engine/RunWorker.h"
#include "link/LinkCheck.h"
#include "link/PortHelp.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "shell/ConsoleView.h"
#include "views/ViewMacros.h"
#include "views/charts/PlayBar.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

void TfMain::SetRunState(uint32_t word) {
    const bool marked = ((RunState ^ word) & rsLogModified) != 0;
    RunState = word;
    UpdateActions();
    if (marked) {
        setWindowTitle(GetCaption()); // the "*" of an unsaved log comes or goes
    }
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
    // The vehicle says whether its bus chatters at 8192 baud; without one there is nothing to hear.
    actAldlChatter->setEnabled(!Vehicle->Vehicles->IsEmpty() && vehicleAldl() == "8192" && notBusy);
    actAldlDetectChatter->setEnabled(notBusy);
    actAldlRePlot->setEnabled(macro && idle);
    update();
}

QString TfMain::GetCaption() const {
    std::string v = std::filesystem::path(Vehicle->FileName).filename().string();
    std::string l = std::filesystem::path(Log->FileName()).filename().string();
    if (InRunState(rsLogModified)) {
        l = "*" + (l.empty() ? std::string("new log") : l);
    }
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
    portError.clear();
    if (DeviceOverride.empty() && !fProperties->PortConfigured()) {
        // A port the settings name but the program does not offer: no other port stands in.
        fProperties->ApplySettings();
        portNotConfigured();
        return;
    }
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
        // Other programs on the device and a slow USB adapter are said at once, with the fix.
        for (const std::string& line : OpenedPortAdvice(Link->DevicePath())) {
            Console->Add(line, clInfo);
        }
    } catch (const std::exception& e) {
        // Only a trailing line break or full stop goes; the rest is the system's own text.
        std::string text = e.what();
        while (!text.empty() &&
               (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
            text.pop_back();
        }
        Console->Add(text, clError);
        portError = text;
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
        // A first start has no macro remembered: it gets the one Select vehicle would choose,
        // never a first macro that clears the trouble codes.
        if (FirstActivate && !TIniFile(IniPath()).ValueExists("fMain", "mruMacro")) {
            MruMacro = DefaultMacroNode();
        }
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

namespace {

// The port as the settings name it: "COM3", "COM9" for a port the program does not offer.
std::string portCaption(const std::string& stored) {
    std::string caption = stored;
    for (char& c : caption) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return caption.empty() ? std::string("The") : caption;
}

// Sending a clear-codes request cannot be undone: it is asked first, and Enter keeps the codes.
bool confirmClearCodes(TfMain& window) {
    const QString text = "This macro clears the trouble codes stored in the module. Send it?";
    const auto buttons = QMessageBox::Yes | QMessageBox::No;
    if (window.MessageBoxHook) {
        return window.MessageBoxHook(QMessageBox::Warning, text, buttons) == QMessageBox::Yes;
    }
    QMessageBox box(QMessageBox::Warning, "Warning", text, buttons, &window);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void TfMain::portNotConfigured() {
    const std::string port = DeviceOverride.empty() && !fProperties->PortConfigured()
                                 ? portCaption(fProperties->StoredPort())
                                 : Format("COM%d", Link->Port());
    Console->Add(port + " port is not configured...", clError);
    Console->Add("From menu: Edit->Properties, select tab page: Comms.", clError);
    Console->Flush();
    if (portError.empty()) {
        portError = port + " port is not configured...";
    }
}

bool TfMain::portOpenOrReopened() {
    // The adapter may have been plugged in since the port was last tried.
    if (!Link->IsOpen() && (!DeviceOverride.empty() || fProperties->PortConfigured())) {
        OpenPort();
    }
    if (Link->IsOpen()) {
        return true;
    }
    portNotConfigured();
    ShowStatusError(QString::fromStdString(portError));
    return false;
}

void TfMain::ShowStatusError(const QString& text) {
    statusError = text;
    if (!statusErrorHooked) {
        statusErrorHooked = true;
        // A hint shown over it (a menu entry or toolbar button under the mouse) gives way to it
        // again when it goes.
        connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& message) {
            if (message.isEmpty() && !statusError.isEmpty()) {
                statusBar()->showMessage(statusError);
            }
        });
    }
    if (text.isEmpty()) {
        statusBar()->clearMessage();
    } else {
        statusBar()->showMessage(text);
    }
}

void TfMain::focusConsole() {
    if (PageControl->currentIndex() == 0) {
        MacrosPage->console().setFocus();
    }
}

void TfMain::startActivity(TActivity kind, uint32_t state) {
    // The events of an earlier activity come first, so its end is shown before this start.
    Worker->Join();
    drainRunEvents();
    activity = kind;
    runError.clear();
    ShowStatusError({}); // the error of an earlier activity goes
    SetRunState(RunState | state);
}

void TfMain::actAldlStartExecute() {
    if (!portOpenOrReopened()) {
        return;
    }
    if (actViewMacroTest->isChecked()) {
        Ask(QMessageBox::Warning,
            "\"Macro test mode\" is active. Random ALDL data will be generated for testing "
            "purposes. To turn off \"Macro Test Mode\" uncheck the [View->Macro test mode] menu "
            "item.",
            QMessageBox::Ok);
    } else if (MacroClearsCodes() && !confirmClearCodes(*this)) {
        return; // test mode sends nothing, so only a real run asks
    }
    New();
    if (InRunState(rsLogModified)) {
        return;
    }
    Log->SetLimit(Options.CaptureLimit);
    focusConsole();
    startActivity(TActivity::Macro, rsAldlRunning);
    ChartMonitor->SetRunning(true);
    ChartMonitor->SetPaintEnabled(actViewCharts->isChecked());
    Console->Add(Format("Start macro: %s", Engine->MacroTitle.c_str()), clInfo);
    LinkPanel->clear();
    Engine->ResetValues();
    Console->SetBuffered(!actViewMacroTest->isChecked());
    Console->Flush();
    TRunSettings settings;
    settings.ShowFrames = actViewMacros->isChecked();
    settings.TestMode = actViewMacroTest->isChecked();
    settings.PreciseTiming = Options.PreciseTiming;
    settings.Logging = actAldlLog->isChecked();
    settings.Detail = actViewIO->isChecked();
    settings.Journal = newJournal();
    Worker->StartRun(*Engine, settings);
}

void TfMain::captureFrame(std::unique_ptr<TPacket> frame, bool logged) {
    try {
        if (logged) {
            Log->Add(*frame, true);
            Engine->DecodeFrame(*frame, true);
            ChartMonitor->PlotFrame(*frame); // a note typed meanwhile goes into the frame
            Log->SetNotes(Log->Count() - 1, frame->Notes);
            SetRunState(RunState | rsLogModified | rsLogHasData);
        } else {
            Log->Add(*frame, false);
            Engine->DecodeFrame(*frame, true);
            MonitorDetailChanged(Log->Count());
        }
    } catch (const std::exception& e) {
        // Said once: the frames still queued behind the one refused find the buffer full too.
        if (InRunState(rsAldlRunning)) {
            Console->Add(e.what(), clInfo);
            ShowStatusError(QString::fromStdString(e.what())); // until the next start
            actAldlStopExecute();
        }
    }
}

void TfMain::playFrame(int index) {
    if (!InRunState(rsPlayBack) || index >= Log->Count()) {
        return; // stopped meanwhile: frames still queued are not shown
    }
    TPacket frame = Log->Frames(index);
    Engine->DecodeFrame(frame, true);
    PlayIndex = index + 1;
    const bool plotted = ChartMonitor->PlotFrame(frame);
    Log->SetNotes(index, frame.Notes);
    if (!plotted) {
        actAldlStopExecute();
    }
}

void TfMain::scheduleDrain() {
    // Frames that arrive faster than the screen refreshes are taken together.
    if (drainTimer->isActive()) {
        return;
    }
    const qint64 since = lastDrain.isValid() ? lastDrain.elapsed() : DrainIntervalMs;
    drainTimer->start(static_cast<int>(std::max<qint64>(0, DrainIntervalMs - since)));
}

void TfMain::drainRunEvents() {
    if (draining) {
        return; // a dialog opened while taking events runs its own loop; it comes back here
    }
    draining = true;
    lastDrain.start();
    std::vector<TRunEvent> events;
    RunEvents->TakeAll(events);
    for (TRunEvent& e : events) {
        try {
            takeRunEvent(e);
        } catch (const std::exception& error) {
            Console->Add(error.what(), clError);
        }
    }
    Console->Flush();
    draining = false;
}

void TfMain::takeRunEvent(TRunEvent& e) {
    switch (e.Kind) {
    case TRunEvent::TKind::Line:
        Console->AddStamped(e.Text, e.Level, e.Stamp);
        if (e.Level == clError || e.Level == clTimeout) {
            runError = e.Text; // said in the status bar if the activity ends by itself
        }
        break;
    case TRunEvent::TKind::Frame:
        captureFrame(std::move(e.Frame), e.Logged);
        break;
    case TRunEvent::TKind::Played:
        playFrame(e.Index);
        break;
    case TRunEvent::TKind::Paused:
        workerPaused = InRunState(rsPaused);
        break;
    case TRunEvent::TKind::Ended:
        activityEnded(e.End);
        break;
    case TRunEvent::TKind::Stats:
        // The panel keeps to what fits beside the frame, time and note; its tip has every figure.
        LinkPanel->setText(QString::fromStdString(e.Stats.ShortText()));
        LinkPanel->setToolTip(QString::fromStdString("Link quality of the run: " + e.Stats.Text()));
        break;
    }
}

void TfMain::activityEnded(TRunEnd why) {
    const TActivity ended = activity;
    activity = TActivity::None;
    workerPaused = false;
    MacrosPage->RunEnded();
    if (why != TRunEnd::Stopped && InRunState(rsBusy)) {
        clearActivityState(); // it ended by itself; the user did not press Stop
    }
    // Why it stopped by itself shows on any page, not only in the Macros page's console.
    if ((why == TRunEnd::NoFrames || why == TRunEnd::Failed) && ended != TActivity::None) {
        std::string text = runError;
        if (text.empty()) {
            text = why == TRunEnd::NoFrames ? "No reply from the module three times in a row."
                                            : "The activity stopped after an error.";
        }
        ShowStatusError(QString::fromStdString(text));
    }
    if (why == TRunEnd::Failed && (ended == TActivity::Macro || ended == TActivity::Chatter)) {
        // The adapter may be gone (unplugged, or its device since replaced): the next Start
        // opens the port afresh instead of failing on a handle that can only fail.
        Link->Close();
    }
    switch (ended) {
    case TActivity::Chatter:
        Console->Add("Stop scanning for chatter", clInfo);
        break;
    case TActivity::PlayBack:
        actAldlLog->setChecked(logBeforePlayBack); // the next run logs as the user chose
        Worker->SetLogging(logBeforePlayBack);
        Console->Add("Stop play back", clInfo);
        break;
    case TActivity::Macro:
        Console->Add(Format("Stop macro: %s", Engine->MacroTitle.c_str()), clInfo);
        break;
    case TActivity::None:
        return;
    }
    Console->Add("", clInfo);
    Console->Flush();
    ChartMonitor->SetRunning(false);
    if (ended == TActivity::Macro && !ChartMonitor->PaintEnabled()) {
        MonitorRePlot();
    }
}

void TfMain::clearActivityState() {
    SetRunState(RunState & ~(rsAldlRunning | rsPlayBack | rsChatter | rsPaused));
    actAldlPause->setChecked(false);
    ChartMonitor->SetRunning(false);
}

void TfMain::actAldlLogExecute() {
    // The action flips its own check; the worker marks each frame with it as it reads it.
    Worker->SetLogging(actAldlLog->isChecked());
}

void TfMain::actAldlPauseExecute() {
    if (InRunState(rsPaused)) {
        actAldlPause->setChecked(false);
        SetRunState(RunState & ~rsPaused);
        if (InRunState(rsChatter)) {
            Console->Add("Resume scanning for chatter", clInfo);
        } else if (InRunState(rsPlayBack)) {
            Console->Add("Resume play back", clInfo);
            resumePlayBack();
        } else {
            Console->Add(Format("Resume macro: %s", Engine->MacroTitle.c_str()), clInfo);
            ChartMonitor->SetRunning(true);
        }
        Console->Flush();
        workerPaused = false;
        Worker->Resume();
        return;
    }
    actAldlPause->setChecked(true);
    SetRunState(RunState | rsPaused);
    if (InRunState(rsChatter)) {
        Console->Add("Pause scanning for chatter", clInfo);
    } else if (InRunState(rsPlayBack)) {
        Console->Add("Pause play back", clInfo);
        ChartMonitor->SetRunning(false); // the cursor may inspect the frames played so far
    } else {
        Console->Add(Format("Pause macro: %s", Engine->MacroTitle.c_str()), clInfo);
        ChartMonitor->SetRunning(false);
    }
    Console->Flush();
    Worker->Pause();
}

void TfMain::actAldlStopExecute() {
    // The state changes at once; the worker's last lines and its end follow through the queue.
    Worker->Stop();
    clearActivityState();
}

void TfMain::resumePlayBack() {
    // Frames shown while paused were decoded into the image: the last one played is decoded
    // again, so that the next one fires only the notes of its own changes.
    if (PlayIndex > 0 && PlayIndex <= Log->Count()) {
        TPacket last = Log->Frames(PlayIndex - 1);
        Engine->DecodeFrame(last, false);
    }
    ChartMonitor->SetRunning(true);
}

double TfMain::PlayBackSpeed() const {
    // The play-back bar's choice, else the properties' speed.
    double speed = PlayBar && PlayBar->Speed() > 0 ? PlayBar->Speed() : Options.PlayBackSpeed;
    if (!std::isfinite(speed)) {
        return 1;
    }
    return Clamp(speed, 0.01, 100.0);
}

void TfMain::actAldlPlayExecute() {
    ChartMonitor->ClearCharts();
    Engine->ResetValues();
    startActivity(TActivity::PlayBack, rsPlayBack);
    logBeforePlayBack = actAldlLog->isChecked();
    actAldlLog->setChecked(false);
    Worker->SetLogging(false);
    PlayIndex = 0;
    Console->Add("Start play back", clInfo);
    Console->Flush();
    ChartMonitor->SetRunning(true);
    std::vector<double> times(static_cast<size_t>(Log->Count()));
    for (int i = 0; i < Log->Count(); ++i) {
        times[static_cast<size_t>(i)] = Log->FrameTime(i);
    }
    Worker->StartPlayBack(std::move(times), 0, PlayBackSpeed());
}

void TfMain::actAldlChatterExecute() {
    focusConsole();
    if (!portOpenOrReopened()) {
        return;
    }
    startActivity(TActivity::Chatter, rsChatter);
    Console->Add("Scan for chatter...", clInfo);
    Console->Flush();
    Worker->StartListen(*Link, *Timer, actViewIO->isChecked());
}

void TfMain::actAldlDetectChatterExecute() {
    focusConsole();
    if (!portOpenOrReopened()) {
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
    detecting = true;
    {
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
    detecting = false;
    if (closePending) { // a close that came during the check is carried out now
        closePending = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
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
        Engine->ResetValues();
        // The charts decode their own attributes of every frame; the notes are the frames' own.
        ChartMonitor->RePlotLog([this](int percent) { Progress(percent); });
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
    if (frame < 0 || frame > Log->Count() || Log->Frames(frame).IsEmpty()) {
        return;
    }
    const bool running = ChartMonitor->Running();
    if (!running) {
        TPacket shown = Log->Frames(frame);
        Engine->DecodeFrame(shown, false);
    }
    const int page = PageControl->currentIndex();
    // The trouble codes and flags follow every frame of a run or play back even while another
    // page is shown: the DTC tab's alert icon is how a code that sets is seen from there, and the
    // stamps name the frame of each change whichever page was on show.
    if (actViewDTCs->isChecked() && (page == 4 || running)) {
        DTCList->ShowValues(running, frameText, timeText); // the page sets the tab's icon
    }
    if (actViewBits->isChecked() && (page == 5 || running)) {
        FlagList->ShowValues(running, frameText, timeText);
    }
    switch (page) {
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

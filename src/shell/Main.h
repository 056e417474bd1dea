#pragma once
// The main window: owner of the program's long-lived objects (timer, console buffer, capture
// buffer, vehicle, link, engine), keeper of the run-state word, and home of the run loops, which
// let pending window events run between frames so that Pause and Stop execute nested inside
// them and only change the run-state word.
//
// The code is split by concern: MainWindow.cpp (creation, layout, start-up, closing),
// MainRun.cpp (run state and the loops), MainFile.cpp (log and vehicle commands),
// MainView.cpp (printing, views, defaults, help).
#include "common/ConsoleBuffer.h"
#include "engine/RunQueue.h"
#include "shell/Properties.h"
#include "shell/ViewInterfaces.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QMainWindow>
#include <QMessageBox>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QPrinter;
class QProgressBar;
class QTabWidget;
class QToolBar;
class TCartridge;
class TPacket;
class TDataLog;
class TDetect;
class TFrameJournal;
class TLogJournal;
class TRS232;
class TRtime;
class TRunWorker;
class QTimer;
class TVehicle;
class TfAbout;
class TfEditScale;
class TfEditVehicle;
class TfExport;
class TfHelp;
class TframeViewMacros;
class TPlayBar;
class TPrintJob;

// Run-state flags.
constexpr uint32_t rsMacroSelected = 0x01;
constexpr uint32_t rsLogModified = 0x02;
constexpr uint32_t rsLogHasData = 0x04;
constexpr uint32_t rsAldlRunning = 0x08;
constexpr uint32_t rsPaused = 0x10;
constexpr uint32_t rsChatter = 0x20;
constexpr uint32_t rsPlayBack = 0x40;
constexpr uint32_t rsBusy = 0x78;   // running, paused, chatter, play back
constexpr uint32_t rsActive = 0x68; // running, chatter, play back (not idle)

// The toolbar and menu image of a command, and the tab image of a page (on: the view animates;
// codeSet: the DTC view reports a set code). MainIcons.cpp.
QIcon MainIcon(const char* name);
QIcon TabIcon(int page, bool on, bool codeSet);

// The file dialogs of the window, for the hook that tests answer.
enum class TFileDialog { OpenLog, SaveLog, OpenVehicle, SaveVehicle };

class TfMain : public QMainWindow {
    Q_OBJECT
public:
    // Message boxes of the window go through this; tests replace it and answer.
    using TMessageBox = std::function<QMessageBox::StandardButton(
        QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)>;
    // File dialogs: the chosen file, empty when cancelled.
    using TFileDialogHook = std::function<QString(TFileDialog kind, const QString& title,
                                                  const QString& filter, const QString& start)>;
    // The print dialog: true to print on the printer as set up.
    using TPrintDialogHook = std::function<bool(QPrinter& printer)>;

    explicit TfMain(QWidget* parent = nullptr); // FormCreate, then the other windows
    ~TfMain() override;                         // FormDestroy

    // ---- the run-state word ----
    uint32_t RunState = 0;
    void SetRunState(uint32_t word);
    bool InRunState(uint32_t mask) const { return (RunState & mask) != 0; }
    void UpdateActions();

    // ---- members the other windows set or read ----
    std::string MruVehicle;
    int MruMacro = 0;
    int PlayIndex = 0; // the next frame play back shows
    bool RePlotting = false;
    bool FirstActivate = true;
    TMainOptions Options; // SaveData, SaveVehicle, 8.3 names, PopupRows, speed, precise timing
    // A device the port talks through whatever the settings say (the --device option).
    std::string DeviceOverride;
    // A log load lasting longer than this shows a progress dialog that can cancel it.
    int LoadDialogDelayMs = 1000;

    // ---- operations ----
    QString GetCaption() const;
    void FormActivate();
    void OpenPort();
    bool LoadVehicle(const std::string& fileName); // false when it did not load
    void SelectMacro();
    void PopulateViews();
    void New();
    void Progress(int percent);
    void SetPopupRows();
    void setTabIcons();
    // Whether Print has something to print on the page (MainView.cpp).
    bool PageCanPrint(int page) const;
    // The report of the page on the job: header, the page's body, footer (MainView.cpp).
    void PrintPage(TPrintJob& job, int page);
    void MonitorRePlot();
    void MonitorDetailChanged(int frame);
    // The play-back speed in force: the setting kept within 0.01 to 100.
    double PlayBackSpeed() const;
    // Asks what to do with unsaved logged frames ("SaveData"); false when they are still unsaved.
    bool ResolveUnsavedLog();
    // The name a log gets under the "8.3FileNames" setting (unchanged when it is off).
    std::string LogFileName(const std::string& chosen) const;
    // Select vehicle and Open once a file is chosen (also for files named on the command line).
    void SelectVehicle(const std::string& fileName);
    bool OpenLog(const std::string& fileName);             // false when it did not load
    void OpenFiles(const std::vector<std::string>& files); // vehicles (.xml), then logs (.alg)
    // The macro node Select vehicle picks: the one last used with the vehicle, else the first
    // macro that sends no clear-codes request.
    int DefaultMacroNode() const;
    bool MacroClearsCodes() const; // the loaded macro sends a clear-codes request (mode $0A)
    // A line that stays in the status bar until the next start (hints come and go over it).
    void ShowStatusError(const QString& text);
    QString StatusError() const { return statusError; }

    // ---- the command handlers ----
    void actFileNewExecute();
    void actFileOpenExecute();
    void actFileSaveExecute();
    void actFileSaveAsExecute();
    void actFileExportExecute();
    void actFileOpenVehicleExecute();
    void actFileSaveVehicleExecute();
    void actFileSaveVehicleAsExecute();
    void actFilePrintExecute();
    void actFileExitExecute();
    void actEditVehicleExecute();
    void actEditScaleExecute();
    void actEditPropertiesExecute();
    void actViewToggleExecute(QAction* toggle);
    void actViewToolbarExecute();
    void actViewIOExecute();
    void actViewChartSaveDefaultExecute();
    void actViewChartLoadDefaultExecute();
    void actViewChartLoadFactoryExecute();
    void actViewDashSaveDefaultExecute();
    void actViewDashLoadDefaultsExecute();
    void actViewDashLoadFactoryExecute();
    void actAldlInspectExecute();
    void actAldlStartExecute();
    void actAldlPauseExecute();
    void actAldlStopExecute();
    void actAldlLogExecute();
    void actAldlPlayExecute();
    void actAldlChatterExecute();
    void actAldlDetectChatterExecute();
    void actAldlCheckLinkExecute(); // MainCheck.cpp
    void actAldlResetDashExecute();
    void actHelpExecute();
    void actHelpAboutExecute();

    // The message box of the window; the hook answers it when set.
    QMessageBox::StandardButton Ask(QMessageBox::Icon icon, const QString& text,
                                    QMessageBox::StandardButtons buttons);
    // The window's error report: a message box with the exception's message.
    void ShowError(const std::string& message);
    TMessageBox MessageBoxHook;
    TFileDialogHook FileDialogHook;
    TPrintDialogHook PrintDialogHook;
    // The modal windows of later parts (export dialog, vehicle editor, scale editor): each
    // command shows its window through these once it exists.
    std::function<void()> ExportDialog, VehicleEditor, ScaleEditor;

    // ---- the owned objects (created in this order, freed in reverse) ----
    std::unique_ptr<TRtime> Timer;
    std::unique_ptr<TConsoleBuffer> Console;
    std::unique_ptr<TDataLog> Log;
    std::unique_ptr<TVehicle> Vehicle;
    std::unique_ptr<TRS232> Link;
    std::unique_ptr<TCartridge> Engine;
    std::unique_ptr<TDetect> Detect;

    // ---- pages and windows ----
    TframeViewMacros* MacrosPage = nullptr;
    std::unique_ptr<TValueListView> ValueList;
    std::unique_ptr<TDashboardView> Dashboard;
    std::unique_ptr<TChartMonitorView> ChartMonitor;
    std::unique_ptr<TDTCListView> DTCList;
    std::unique_ptr<TFlagListView> FlagList;
    std::unique_ptr<TfProperties> fProperties;
    std::unique_ptr<TfAbout> fAbout;
    std::unique_ptr<TfEditVehicle> fEditVehicle;
    std::unique_ptr<TfEditScale> fEditScale;
    std::unique_ptr<TfExport> fExport;
    std::unique_ptr<TfHelp> fHelp; // made when help is first asked for

    QToolBar* ToolBar = nullptr;
    TPlayBar* PlayBar = nullptr; // play-back speed, position slider and frame steps
    QTabWidget* PageControl = nullptr;
    QLabel* StatusPanels[4] = {};
    QLabel* LinkPanel = nullptr; // link quality during and after a run
    QProgressBar* ProgressBar = nullptr;

    QAction *actFileNew, *actFileOpen, *actFileSave, *actFileSaveAs, *actFileExport;
    QAction *actFileOpenVehicle, *actFileSaveVehicle, *actFileSaveVehicleAs, *actFilePrint;
    QAction *actFileExit, *actEditVehicle, *actEditScale, *actEditProperties;
    QAction *actViewMacros, *actViewAldl, *actViewVirtualDash, *actViewCharts, *actViewDTCs;
    QAction *actViewBits, *actViewToolbar, *actViewIO, *actViewMacroTest;
    QAction* actViewShow[6];
    QAction *actViewChartSaveDefault, *actViewChartLoadDefault, *actViewChartLoadFactory;
    QAction *actViewDashSaveDefault, *actViewDashLoadDefaults, *actViewDashLoadFactory;
    QAction *actAldlInspect, *actAldlStart, *actAldlPause, *actAldlStop, *actAldlLog;
    QAction *actAldlPlay, *actAldlRePlot, *actAldlChatter, *actAldlDetectChatter;
    QAction *actAldlResetDash, *actHelp, *actHelpAbout;
    QAction* actAldlCheckLink = nullptr;

    // The view toggles in page order (Macros .. Bit flags).
    QAction* ViewToggle(int page) const;
    // How many bus activities are going now (0 or 1): a run, play back or listening to chatter.
    int ActiveLoops() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override; // FormCloseQuery
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override; // FormKeyDown

private:
    // MainWindow.cpp
    void createObjects();
    void createActions();
    void createMenus();
    void createToolBar();
    void createPages();
    void createStatusBar();
    void createOtherWindows();
    void readMainKeys();
    void writeMainKeys();
    void placeProgressBar();
    QSize firstStartSize(); // every tab and toolbar button in view, within the screen
    bool FormCloseQuery();
    void PageControlChange(int index);
    void VehicleDirtyChanged();
    // Runs a command handler; an exception goes to the error report instead of into Qt.
    void guarded(void (TfMain::*handler)());
    std::string vehicleField(const std::string& name) const; // of the loaded vehicle; "" if none
    std::string vehicleAldl() const;                         // "8192" when no vehicle is loaded
    QAction* action(const char* caption, const char* category, const QKeySequence& shortcut,
                    const char* hint, void (TfMain::*handler)(), const char* icon = nullptr);

    // MainRun.cpp
    enum class TActivity { None, Macro, PlayBack, Chatter };
    void startActivity(TActivity kind, uint32_t state);
    void clearActivityState();
    void activityEnded(TRunEnd why);
    void scheduleDrain();
    void drainRunEvents();
    void takeRunEvent(TRunEvent& e);
    void captureFrame(std::unique_ptr<TPacket> frame, bool logged);
    void playFrame(int index);
    void resumePlayBack();
    void portNotConfigured();
    bool portOpenOrReopened(); // tries to open a closed port (an adapter plugged in meanwhile)
    void focusConsole();

    // MainFile.cpp
    bool askSaveVehicle(); // false when the command must end
    void saveLog(const std::string& fileName);
    QString fileDialog(TFileDialog kind, const QString& title, const QString& filter,
                       const QString& start);
    std::string autoSaveName() const;
    bool loadLog(const std::string& fileName);        // false when cancelled
    bool openSettledLog(const std::string& fileName); // Open once unsaved frames are settled
    void reportLoad();                                // what the load met: cut short, bad checksums
    QString dataFolder() const;                       // made when first needed
    // True when target may be written: the dialog asked about chosen, or the user agrees.
    bool mayReplace(const std::string& chosen, const std::string& target);
    void rememberVehicleMacro(); // the macro in use with the vehicle, for its next selection

    // MainRecover.cpp: the journal on disk of the capture's logged frames
    TFrameJournal* newJournal(); // for a run that starts a new capture
    void dropJournal();          // the capture was saved or discarded
    void offerRecovery();        // at start-up: a journal left behind by a crash
    std::unique_ptr<TLogJournal> Journal;

    // MainView.cpp
    bool printDialog(QPrinter& printer);
    void printPage(QPrinter& printer, int page);
    void showProgress(const QString& text);
    void hideProgress();

    // The bus worker and what it hands over; the worker goes first when the window does.
    std::unique_ptr<TRunQueue> RunEvents;
    std::unique_ptr<TRunWorker> Worker;
    static constexpr int DrainIntervalMs = 16; // about one screen refresh
    QTimer* drainTimer = nullptr;
    QElapsedTimer lastDrain;
    bool draining = false;
    bool logBeforePlayBack = true; // Log data as the user left it; play back turns it off
    bool workerPaused = false;     // the worker has said it waits (it then leaves the engine alone)
    TActivity activity = TActivity::None;
    bool detecting = false;
    bool closePending = false; // a close came during the interface check; done when it returns
    bool closing = false;
    std::string runError;  // the last error line of the activity going on
    std::string portError; // the last failure of OpenPort; empty when it opened
    QString statusError;
    bool statusErrorHooked = false; // the status bar brings it back after a hint
};

// The main window: creation of its objects, actions, menus, toolbar, pages and status bar; the
// first activation, key preview, closing and destruction.
#include "shell/Main.h"

#include "common/Common.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "editor/EditScale.h"
#include "editor/EditVehicle.h"
#include "engine/Cartridge.h"
#include "engine/Detect.h"
#include "engine/RunWorker.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "log/LogJournal.h"
#include "shell/About.h"
#include "shell/HelpWindow.h"
#include "shell/MenuHelpers.h"
#include "shell/WindowState.h"
#include "views/Export.h"
#include "views/ViewAldl.h"
#include "views/ViewBitFlags.h"
#include "views/ViewDTCs.h"
#include "views/ViewDashBoard.h"
#include "views/ViewMacros.h"
#include "views/ViewMonitor.h"
#include "views/charts/ChartMon.h"
#include "views/charts/PlayBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace {

const char* const PageCaptions[6] = {"Macros (F6)", "Aldl (F7)", "Dashboard (F8)",
                                     "Charts (F9)", "DTC (F10)", "Status flags (F11)"};
const char* const ToggleKeys[6] = {"ProcMacros", "ProcAldl", "ProcVirtualDash",
                                   "ProcCharts", "ProcDTCs", "ProcBitFlags"};

// "0" is off, any other number on; text that is not a number counts as on.
bool ToggleFromText(const std::string& text) {
    int v = 1;
    return !TryReadInt(text, v) || v != 0;
}

int IntOr(const std::string& text, int def) {
    int v = def;
    return TryReadInt(text, v) ? v : def;
}

} // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("fMain");
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    InitFolders();
    createObjects();
    createActions();
    createMenus();
    createToolBar();
    createPages();
    createStatusBar();

    // The wiring of the objects to the window and to each other.
    Vehicle->SetOnDirtyChanged([this] { VehicleDirtyChanged(); });
    Vehicle->SetErrorReporter([this](const std::string& message) {
        Ask(QMessageBox::Critical, QString::fromStdString(message), QMessageBox::Ok);
    });
    Engine->SetOnLoaded([this] { PopulateViews(); });
    Engine->SetConsoleWriter(Console->Writer());
    Engine->ConsoleDetail = actViewIO->isChecked();
    ChartMonitor->OnDetailChanged = [this](int frame) { MonitorDetailChanged(frame); };
    ChartMonitor->OnRePlotNeeded = [this] { MonitorRePlot(); };

    setMinimumSize(564, 423);
    resize(firstStartSize());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    qApp->installEventFilter(this);

    SetRunState(0);
    FirstActivate = true;
    RePlotting = false;
    setWindowTitle(GetCaption());
    createOtherWindows();
}

TfMain::~TfMain() {
    // The worker may be using the engine, the link and the timer: it ends before they go.
    Worker.reset();
    qApp->removeEventFilter(this);
    // Taking the pages out of the page control must not run page-change handling any more.
    disconnect(PageControl, nullptr, this, nullptr);
    try {
        writeMainKeys();
    } catch (const std::exception& e) {
        // The window is going; a settings file that cannot be written loses only view choices.
        Console->Add(e.what(), clError);
    }
    try {
        SaveWindowState(*this, "fMain");
    } catch (const std::exception&) {
    }
    // The pages first (they refer to the objects below), then the objects in reverse order.
    // The editors watch the vehicle's tables and save their layouts as they go.
    fHelp.reset();
    fExport.reset();
    fEditScale.reset();
    fEditVehicle.reset();
    fAbout.reset();
    fProperties.reset();
    ValueList.reset();
    Dashboard.reset();
    ChartMonitor.reset();
    DTCList.reset();
    FlagList.reset();
    Console->SetTarget(nullptr);
    delete MacrosPage;
    MacrosPage = nullptr;
    Detect.reset();
    Engine.reset();
    if (Link) {
        Link->Close();
    }
    Link.reset();
    Vehicle.reset();
    Log.reset();
    Console.reset();
    Timer.reset();
}

void TfMain::createObjects() {
    Timer = std::make_unique<TRtime>();
    // Stamps come from a timer of the console's own: the shared one belongs to the bus worker
    // while it runs.
    Console = std::make_unique<TConsoleBuffer>([stamps = TRtime()]() mutable {
        stamps.Sample();
        return stamps.Now();
    });
    Log = std::make_unique<TDataLog>();
    Vehicle = std::make_unique<TVehicle>(this);
    Link = std::make_unique<TRS232>(*Timer);
    Engine = std::make_unique<TCartridge>(*Vehicle, *Link, *Timer);
    Detect = std::make_unique<TDetect>(*Link, *Timer, Console->Writer(), [this] {
        // The detection cannot be interrupted, but the window keeps painting and a close
        // request is noted (and carried out when the detection has returned).
        Console->Flush();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    RunEvents = std::make_unique<TRunQueue>();
    Worker = std::make_unique<TRunWorker>(*RunEvents);
    drainTimer = new QTimer(this);
    drainTimer->setSingleShot(true);
    connect(drainTimer, &QTimer::timeout, this, &TfMain::drainRunEvents);
    RunEvents->SetNotify(
        [this] { QMetaObject::invokeMethod(this, &TfMain::scheduleDrain, Qt::QueuedConnection); });
}

QAction* TfMain::action(const char* caption, const char* category, const QKeySequence& shortcut,
                        const char* hint, void (TfMain::*handler)(), const char* icon) {
    auto* a = new QAction(QString::fromUtf8(caption), this);
    a->setProperty("category", category);
    a->setShortcut(shortcut);
    if (hint && *hint) {
        a->setStatusTip(QString::fromUtf8(hint));
        a->setToolTip(QString::fromUtf8(hint));
    }
    if (icon) {
        a->setIcon(MainIcon(icon));
    }
    if (handler) {
        connect(a, &QAction::triggered, this, [this, handler] { guarded(handler); });
    }
    addAction(a); // shortcuts work while the menu bar is hidden or the toolbar is off
    return a;
}

void TfMain::createActions() {
    using K = QKeySequence;
    actFileNew =
        action("&New", "File", K::New, "Clear logged data", &TfMain::actFileNewExecute, "new");
    actFileOpen = action("&Open...", "File", K(Qt::CTRL | Qt::Key_O),
                         "Load and display logged data", &TfMain::actFileOpenExecute, "open");
    actFileSave = action("&Save", "File", K(Qt::CTRL | Qt::Key_S), "Save logged data",
                         &TfMain::actFileSaveExecute, "save");
    actFileSaveAs = action("Save as...", "File", {}, "Save logged data with a new name",
                           &TfMain::actFileSaveAsExecute);
    actFileExport = action("Export...", "File", {}, "Export logged data to text file",
                           &TfMain::actFileExportExecute);
    actFileOpenVehicle = action("Select &vehicle", "File", K(Qt::CTRL | Qt::ALT | Qt::Key_O),
                                "Select vehicle and load definition from XML",
                                &TfMain::actFileOpenVehicleExecute, "select_vehicle");
    actFileSaveVehicle = action("Save Ve&hicle", "File", K(Qt::CTRL | Qt::ALT | Qt::Key_S),
                                "Save vehicle definition to XML",
                                &TfMain::actFileSaveVehicleExecute, "save_vehicle");
    actFileSaveVehicleAs =
        action("Save vehicle as...", "File", {}, "Save vehicle definition to a different XML file",
               &TfMain::actFileSaveVehicleAsExecute);
    actFilePrint = action("&Print...", "File", K(Qt::CTRL | Qt::Key_P), "",
                          &TfMain::actFilePrintExecute, "print");
    actFileExit =
        action("E&xit", "File", K(Qt::CTRL | Qt::Key_F4), "", &TfMain::actFileExitExecute);
    // The desktop's own key for leaving a program as well.
    actFileExit->setShortcuts({K(Qt::CTRL | Qt::Key_F4), K(Qt::CTRL | Qt::Key_Q)});
    actEditVehicle = action("&Vehicle", "File", K(Qt::CTRL | Qt::ALT | Qt::Key_V),
                            "Edit all vehicle data", &TfMain::actEditVehicleExecute, "vehicle");
    actEditScale = action("&Scale codes", "Edit", K(Qt::CTRL | Qt::ALT | Qt::Key_F),
                          "Edit scaling formulas", &TfMain::actEditScaleExecute, "scale_codes");
    actEditProperties =
        action("&Properties", "Edit", K(Qt::CTRL | Qt::ALT | Qt::Key_P), "Edit Quorvin properties",
               &TfMain::actEditPropertiesExecute, "properties");

    struct Toggle {
        QAction** target;
        const char *caption, *hint;
        int key;
    };
    const Toggle toggles[6] = {
        {&actViewMacros, "&Macros and raw data", "Toggle macrodisplay on/off", Qt::Key_F6},
        {&actViewAldl, "&Aldl", "Toggle aldl display on/off", Qt::Key_F7},
        {&actViewVirtualDash, "&Virtual dashboard", "Toggle virtual dashboard display on/off",
         Qt::Key_F8},
        {&actViewCharts, "&Charts", "Toggle chart display on/off", Qt::Key_F9},
        {&actViewDTCs, "&Diagnostic trouble codes", "Toggle diagnostic trouble code on/off",
         Qt::Key_F10},
        {&actViewBits, "&Bit flags", "Toggle bit flags display on/off", Qt::Key_F11},
    };
    for (int i = 0; i < 6; ++i) {
        QAction* a = action(toggles[i].caption, "View", K(Qt::SHIFT | toggles[i].key),
                            toggles[i].hint, nullptr);
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::triggered, this, [this, a] {
            try {
                actViewToggleExecute(a);
            } catch (const std::exception& e) {
                ShowError(e.what());
            }
        });
        *toggles[i].target = a;
    }
    actViewToolbar = action("&Toolbar", "View", K(Qt::CTRL | Qt::Key_T), "Hide/Show toolbar",
                            &TfMain::actViewToolbarExecute);
    actViewToolbar->setCheckable(true);
    actViewToolbar->setChecked(true);
    actViewIO = action("&Serial I/O", "View", K(Qt::CTRL | Qt::Key_I),
                       "Hide/Show serial I/O processing", &TfMain::actViewIOExecute);
    actViewIO->setCheckable(true);
    actViewMacroTest =
        action("Macro test mode", "View", {}, "Execute maco but send no requests to ALDL", nullptr);
    actViewMacroTest->setCheckable(true);
    for (int i = 0; i < 6; ++i) {
        actViewShow[i] = action(PageCaptions[i], "View", K(Qt::Key_F6 + i), "", nullptr);
        connect(actViewShow[i], &QAction::triggered, this,
                [this, i] { PageControl->setCurrentIndex(i); });
    }
    actViewChartSaveDefault =
        action("&Save user defaults for all charts", "View", {}, "Save all charts' settings",
               &TfMain::actViewChartSaveDefaultExecute);
    actViewChartLoadDefault =
        action("&Load user defaults for all charts", "View", {}, "Load all charts' settings",
               &TfMain::actViewChartLoadDefaultExecute);
    actViewChartLoadFactory =
        action("Restore &factory defaults for all charts", "View", {},
               "Reset all charts to factory settings", &TfMain::actViewChartLoadFactoryExecute);
    actViewDashSaveDefault =
        action("&Save user defaults for all gauges", "View", {},
               "Save all dashboard gauges' settings", &TfMain::actViewDashSaveDefaultExecute);
    actViewDashLoadDefaults =
        action("&Load user defaults for all gauges", "View", {},
               "Load all dashboard gauges' settings", &TfMain::actViewDashLoadDefaultsExecute);
    actViewDashLoadFactory = action("Restore &factory defaults for all gauges", "View", {},
                                    "Reset all dashboard gauges to factory settings",
                                    &TfMain::actViewDashLoadFactoryExecute);
    actAldlInspect =
        action("&Inspect chart data", "Aldl", K(Qt::Key_F2), "Toggle chart inspect mode on/off",
               &TfMain::actAldlInspectExecute, "examine");
    actAldlStart = action("&Start", "Aldl", K(Qt::Key_F3), "Start aldl",
                          &TfMain::actAldlStartExecute, "start");
    actAldlPause = action("&Pause", "Aldl", K(Qt::Key_F4), "Pause aldl",
                          &TfMain::actAldlPauseExecute, "pause");
    actAldlPause->setCheckable(true); // its handler sets the check from the run state
    actAldlStop =
        action("St&op", "Aldl", K(Qt::Key_F5), "Stop aldl", &TfMain::actAldlStopExecute, "stop");
    actAldlLog = action("Log data", "Aldl", K(Qt::Key_Space), "Toggle logging on/off (space)",
                        &TfMain::actAldlLogExecute, "log_data");
    actAldlLog->setCheckable(true);
    actAldlLog->setChecked(true);
    actAldlPlay =
        action("Play back", "Aldl", K(Qt::CTRL | Qt::Key_B), "Playback logged data in real time",
               &TfMain::actAldlPlayExecute, "play_back");
    actAldlRePlot = action("&Re-plot charts", "Aldl", K(Qt::CTRL | Qt::Key_R), "Redraw charts",
                           &TfMain::MonitorRePlot, "replot");
    actAldlChatter = action("&Listen to chatter", "Aldl", K(Qt::CTRL | Qt::Key_L),
                            "Display Aldl chatter", &TfMain::actAldlChatterExecute, "listen");
    actAldlDetectChatter =
        action("&Auto detect chatter", "Aldl", K(Qt::CTRL | Qt::Key_A),
               "Automatically detect chatter", &TfMain::actAldlDetectChatterExecute, "auto_detect");
    actAldlResetDash = action("&Reset all dashboard gauges", "Aldl", K(Qt::CTRL | Qt::Key_M),
                              "Resets all dashboard gauges' min/max to current value",
                              &TfMain::actAldlResetDashExecute);
    actHelp =
        action("&Help", "Help", K(Qt::Key_F1), "Help contents", &TfMain::actHelpExecute, "help");
    actHelpAbout = action("&About", "Help", {}, "Display product and version information",
                          &TfMain::actHelpAboutExecute);
}

void TfMain::createMenus() {
    QMenuBar* bar = menuBar();
    QMenu* file = bar->addMenu("&File");
    file->addActions({actFileNew, actFileOpen, actFileSave, actFileSaveAs, actFileExport});
    file->addSeparator();
    file->addActions({actFileOpenVehicle, actFileSaveVehicle, actFileSaveVehicleAs});
    file->addSeparator();
    file->addAction(actFilePrint);
    file->addSeparator();
    file->addAction(actFileExit);

    QMenu* edit = bar->addMenu("&Edit");
    edit->addActions({actEditVehicle, actEditScale, actEditProperties});

    QMenu* view = bar->addMenu("&View");
    view->addActions(
        {actViewMacros, actViewAldl, actViewVirtualDash, actViewCharts, actViewDTCs, actViewBits});
    view->addSeparator();
    view->addActions({actViewToolbar, actViewIO, actViewMacroTest});
    // The page actions F6 to F11 stay off the menus (every tab names its key) but visible: Qt
    // switches off the shortcut of a hidden action. They are the window's own actions.
    view->addSeparator();
    QMenu* charts = view->addMenu("Load and save chart");
    charts->addActions({actViewChartSaveDefault, actViewChartLoadDefault});
    charts->addSeparator();
    charts->addAction(actViewChartLoadFactory);
    QMenu* dash = view->addMenu("Load and save dashboard");
    dash->addActions({actViewDashSaveDefault, actViewDashLoadDefaults});
    dash->addSeparator();
    dash->addAction(actViewDashLoadFactory);

    QMenu* aldl = bar->addMenu("&Aldl");
    aldl->addAction(actAldlInspect);
    aldl->addSeparator();
    aldl->addActions({actAldlStart, actAldlLog, actAldlPlay, actAldlPause, actAldlStop});
    aldl->addSeparator();
    aldl->addActions({actAldlRePlot, actAldlChatter, actAldlDetectChatter, actAldlResetDash});
    actAldlCheckLink = action("Chec&k link", "Aldl", {},
                              "Test the serial link: device, line, interface and latency",
                              &TfMain::actAldlCheckLinkExecute);
    aldl->insertAction(actAldlResetDash, actAldlCheckLink);

    QMenu* help = bar->addMenu("&Help");
    help->addAction(actHelp);
    help->addSeparator();
    help->addAction(actHelpAbout);
}

QSize TfMain::firstStartSize() {
    // A window manager's border and title bar, and a little room to spare.
    constexpr int FrameWidth = 16, FrameHeight = 56;
    constexpr int PreferredWidth = 1100, PreferredHeight = 720;
    QRect area(0, 0, 1280, 800);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    const int most = std::max(minimumWidth(), area.width() - FrameWidth);
    // Both toolbars in one row when the screen has room for it, else the play-back bar below.
    const int layoutMargins = 12;
    int toolbars = ToolBar->sizeHint().width() + PlayBar->sizeHint().width() + layoutMargins;
    if (toolbars > most) {
        insertToolBarBreak(PlayBar);
        toolbars =
            std::max(ToolBar->sizeHint().width(), PlayBar->sizeHint().width()) + layoutMargins;
    }
    const int tabs = PageControl->tabBar()->sizeHint().width() + layoutMargins;
    const int width = std::clamp(std::max({PreferredWidth, toolbars, tabs}), minimumWidth(), most);
    const int height = std::clamp(PreferredHeight, minimumHeight(),
                                  std::max(minimumHeight(), area.height() - FrameHeight));
    return {width, height};
}

void TfMain::createToolBar() {
    ToolBar = addToolBar("Toolbar");
    ToolBar->setObjectName("ToolBar");
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setIconSize(QSize(22, 22));
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar->addActions({actFileNew, actFileOpen, actFileSave, actFilePrint});
    ToolBar->addSeparator();
    ToolBar->addActions({actFileOpenVehicle, actEditVehicle, actFileSaveVehicle});
    ToolBar->addSeparator();
    ToolBar->addActions({actEditScale, actEditProperties});
    ToolBar->addSeparator();
    ToolBar->addActions({actAldlStart, actAldlPlay, actAldlLog, actAldlPause, actAldlStop});
    ToolBar->addSeparator();
    ToolBar->addActions({actAldlRePlot, actAldlInspect, actAldlChatter, actAldlDetectChatter});
    ToolBar->addSeparator();
    ToolBar->addAction(actHelp);
}

void TfMain::createPages() {
    PageControl = new QTabWidget(this);
    PageControl->setDocumentMode(true);
    PageControl->setIconSize(QSize(16, 16));

    MacrosPage = new TframeViewMacros();
    MacrosPage->SetVehicle(Vehicle.get());
    MacrosPage->SetEngine(Engine.get());
    MacrosPage->SetRunHooks(
        [this] { return Worker->Running() && !workerPaused; },
        [this](int item, const std::string& text) { Worker->SetOverride(item, text); });
    MacrosPage->SetConsoleBuffer(Console.get());
    connect(MacrosPage, &TframeViewMacros::MacroSelected, this, [this](int mru) {
        MruMacro = mru;
        SetRunState(RunState | rsMacroSelected);
    });

    ValueList = std::make_unique<TframeViewAldl>(*Engine);
    auto dashboard = std::make_unique<TframeViewDashBoard>();
    dashboard->SetEngine(Engine.get());
    dashboard->Confirm = [this](const QString& question) {
        return Ask(QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    dashboard->Running = [this] { return ChartMonitor && ChartMonitor->Running(); };
    Dashboard = std::move(dashboard);
    auto monitor = std::make_unique<TframeViewMonitor>(*Engine, *Log);
    monitor->OnLogModified = [this] { SetRunState(RunState | rsLogModified); };
    PlayBar = new TPlayBar(monitor->Monitor(), this);
    addToolBar(PlayBar);
    PlayBar->OnSpeedChanged = [this] { Worker->SetSpeed(PlayBackSpeed()); };
    ChartMonitor = std::move(monitor);
    auto dtcs = std::make_unique<TframeViewDTCs>(*Engine);
    dtcs->OnCodeSetChanged = [this] { setTabIcons(); };
    DTCList = std::move(dtcs);
    FlagList = std::make_unique<TframeViewBitFlags>(*Engine);

    QWidget* pages[6] = {MacrosPage,          ValueList->Widget(),
                         Dashboard->Widget(), ChartMonitor->Widget(),
                         DTCList->Widget(),   FlagList->Widget()};
    for (int i = 0; i < 6; ++i) {
        PageControl->addTab(pages[i], PageCaptions[i]);
    }
    setCentralWidget(PageControl);
    actFilePrint->setEnabled(PageCanPrint(PageControl->currentIndex()));
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int index) {
        try {
            PageControlChange(index);
        } catch (const std::exception& e) {
            ShowError(e.what());
        }
    });
    setTabIcons();

    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    ProgressBar->hide();
}

void TfMain::createStatusBar() {
    LinkPanel = new QLabel(this);
    LinkPanel->setObjectName(QStringLiteral("linkPanel"));
    LinkPanel->setToolTip(QStringLiteral("Link quality of the run: frames per second, replies "
                                         "against requests, time-outs, checksum errors, frames "
                                         "of other modules skipped, median round trip"));
    statusBar()->addPermanentWidget(LinkPanel);
    static const int widths[4] = {240, 100, 120, 100};
    static const char* const texts[4] = {"", "Frame: ", "Time: ", "Note: "};
    for (int i = 0; i < 4; ++i) {
        StatusPanels[i] = new QLabel(texts[i], this);
        StatusPanels[i]->setMinimumWidth(widths[i]);
        StatusPanels[i]->setFrameShape(QFrame::NoFrame);
        if (i == 0) {
            statusBar()->addWidget(StatusPanels[i], 1);
        } else {
            statusBar()->addPermanentWidget(StatusPanels[i]);
        }
    }
}

void TfMain::createOtherWindows() {
    // Created once, in the program's fixed order, and kept until the end. Creating the
    // properties dialog loads the settings and applies them to the link and the options.
    fProperties = std::make_unique<TfProperties>(
        Link.get(), &Options, [this] { return vehicleAldl(); }, this);
    fAbout = std::make_unique<TfAbout>(this);
    fEditVehicle = std::make_unique<TfEditVehicle>(*Vehicle, this);
    VehicleEditor = [this] { fEditVehicle->exec(); };
    fEditScale = std::make_unique<TfEditScale>(*Vehicle, this);
    ScaleEditor = [this] { fEditScale->exec(); };
    fExport = std::make_unique<TfExport>(*Engine, *Log, this);
    fExport->MessageHook = [this](QMessageBox::Icon icon, const QString& text) {
        Ask(icon, text, QMessageBox::Ok);
    };
    fExport->OnExported = [this] { MonitorDetailChanged(ChartMonitor->Cursor()); };
    // The dialog offers the charts' visible range and the cursor's frame to the end.
    if (auto* charts = dynamic_cast<TframeViewMonitor*>(ChartMonitor.get())) {
        TChartMon& monitor = charts->Monitor();
        fExport->ChartRange = [&monitor] {
            const int count = monitor.Count();
            return TExportChartRange{monitor.View().FirstVisibleFrame(count),
                                     monitor.View().EndVisibleFrame(count), monitor.Cursor()};
        };
    }
    ExportDialog = [this] { fExport->Execute(); };
}

std::string TfMain::vehicleField(const std::string& name) const {
    TTable& vehicles = *Vehicle->Vehicles;
    if (vehicles.IsEmpty() || vehicles.Eof() || vehicles.Def().FieldIndex(name) < 0) {
        return {};
    }
    return vehicles.AsString(name);
}

std::string TfMain::vehicleAldl() const {
    std::string aldl = vehicleField("ALDL");
    return aldl.empty() ? "8192" : aldl;
}

void TfMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FirstActivate) {
        guarded(&TfMain::FormActivate);
        FirstActivate = false;
    }
}

void TfMain::FormActivate() {
    if (!FirstActivate) {
        return;
    }
    LoadWindowState(*this, "fMain");
    readMainKeys();
    Dashboard->Layout();
    Console->Add("Initialising...", clInfo);
    Console->Flush();
    if (!MruVehicle.empty()) {
        try {
            LoadVehicle(MruVehicle);
            SelectMacro();
        } catch (const std::exception& e) {
            ShowError(e.what());
        }
    }
    OpenPort();
    actViewChartLoadDefaultExecute();
    actViewDashLoadDefaultsExecute();
    SetPopupRows();
    offerRecovery();
    Console->Add("Ready.", clInfo);
    Console->Flush();
    FirstActivate = false;
}

void TfMain::readMainKeys() {
    TIniFile ini(IniPath());
    ValueList->SetViewStyle(
        ViewStyleText(ViewStyleFromText(ini.ReadString("fMain", "Aldl_ViewStyle", "Detail"))));
    DTCList->SetViewStyle(
        ViewStyleText(ViewStyleFromText(ini.ReadString("fMain", "DTC_ViewStyle", "Detail"))));
    FlagList->SetViewStyle(
        ViewStyleText(ViewStyleFromText(ini.ReadString("fMain", "Flag_ViewStyle", "Detail"))));
    for (int i = 0; i < 6; ++i) {
        ViewToggle(i)->setChecked(ToggleFromText(ini.ReadString("fMain", ToggleKeys[i], "1")));
    }
    setTabIcons();
    MruVehicle = ini.ReadString("fMain", "mruVehicle", FirstStartVehicle());
    MruMacro = IntOr(ini.ReadString("fMain", "mruMacro", "0"), 0);
    if (ini.ValueExists("fMain", "macroSplitter")) { // else the tree fits its macros' names
        MacrosPage->SetSplitterWidth(IntOr(ini.ReadString("fMain", "macroSplitter", "200"), 200));
    }
    actViewMacroTest->setChecked(ini.ReadString("fMain", "Test", "0") == "1");
    actViewToolbar->setChecked(ini.ReadString("fMain", "ViewToolbar", "1") == "1");
    ToolBar->setVisible(actViewToolbar->isChecked());
    actViewIO->setChecked(ini.ReadString("fMain", "ViewIO", "0") == "1");
    Engine->ConsoleDetail = actViewIO->isChecked();
}

void TfMain::writeMainKeys() {
    TIniFile ini(IniPath());
    ini.WriteString("fMain", "Aldl_ViewStyle", ValueList->ViewStyle());
    ini.WriteString("fMain", "DTC_ViewStyle", DTCList->ViewStyle());
    ini.WriteString("fMain", "Flag_ViewStyle", FlagList->ViewStyle());
    for (int i = 0; i < 6; ++i) {
        ini.WriteBool("fMain", ToggleKeys[i], ViewToggle(i)->isChecked());
    }
    ini.WriteString("fMain", "mruVehicle", MruVehicle);
    ini.WriteInteger("fMain", "mruMacro", MruMacro);
    ini.WriteInteger("fMain", "macroSplitter", MacrosPage->SplitterWidth());
    ini.WriteBool("fMain", "Test", actViewMacroTest->isChecked());
    ini.WriteBool("fMain", "ViewIO", actViewIO->isChecked());
    ini.WriteBool("fMain", "ViewToolbar", actViewToolbar->isChecked());
    ini.UpdateFile();
}

QAction* TfMain::ViewToggle(int page) const {
    QAction* const toggles[6] = {actViewMacros, actViewAldl, actViewVirtualDash,
                                 actViewCharts, actViewDTCs, actViewBits};
    return page >= 0 && page < 6 ? toggles[page] : nullptr;
}

void TfMain::setTabIcons() {
    for (int i = 0; i < 6; ++i) {
        bool on = ViewToggle(i)->isChecked();
        bool codeSet = i == 4 && on && DTCList->CodeSet();
        PageControl->setTabIcon(i, TabIcon(i, on, codeSet));
    }
}

void TfMain::PageControlChange(int index) {
    actFilePrint->setEnabled(PageCanPrint(index));
    if (index == 0) {
        focusConsole();
    }
    MonitorDetailChanged(ChartMonitor->Cursor());
}

void TfMain::VehicleDirtyChanged() {
    UpdateActions();
}

void TfMain::placeProgressBar() {
    QWidget* client = centralWidget();
    QRect area = client ? client->geometry() : rect();
    ProgressBar->setGeometry(area.left() + 16, area.bottom() + 1 - 62, area.width() - 32,
                             ProgressBar->sizeHint().height());
}

void TfMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeProgressBar();
}

bool TfMain::eventFilter(QObject* watched, QEvent* event) {
    // Space presses the button or opens the list that has the keyboard focus, as everywhere;
    // taken by Log data there, it would switch logging off unseen.
    if (event->type() == QEvent::ShortcutOverride &&
        (qobject_cast<QAbstractButton*>(watched) || qobject_cast<QComboBox*>(watched))) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier &&
            static_cast<QWidget*>(watched)->window() == this) {
            event->accept();
            return false;
        }
    }
    // Key preview: the chart monitor sees every key press of this window first (once: the
    // press reaches the filter again for every parent it propagates to).
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        if (widget->window() == this && (widget == focus || (!focus && widget == this))) {
            auto* key = static_cast<QKeyEvent*>(event);
            try {
                if (ChartMonitor->KeyDown(key->key(), key->modifiers())) {
                    return true; // a key the charts used goes no further
                }
            } catch (const std::exception& e) {
                ShowError(e.what());
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfMain::closeEvent(QCloseEvent* event) {
    if (closing) {
        event->accept();
        return;
    }
    bool ok = false;
    try {
        ok = FormCloseQuery();
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    if (ok) {
        closing = true;
        event->accept();
    } else {
        event->ignore();
    }
}

int TfMain::ActiveLoops() const {
    return Worker->Running() ? 1 : 0;
}

bool TfMain::FormCloseQuery() {
    // Every activity stops; the worker ends (and its last frames are taken) before the window
    // asks about the log.
    if (detecting) {
        closePending = true;
        return false;
    }
    if (InRunState(rsBusy) || Worker->Running()) {
        actAldlStopExecute();
    }
    Worker->Join();
    drainRunEvents();
    if (InRunState(rsLogModified) && !ResolveUnsavedLog()) {
        return false;
    }
    return askSaveVehicle();
}

void TfMain::guarded(void (TfMain::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

QMessageBox::StandardButton TfMain::Ask(QMessageBox::Icon icon, const QString& text,
                                        QMessageBox::StandardButtons buttons) {
    if (MessageBoxHook) {
        return MessageBoxHook(icon, text, buttons);
    }
    static const char* const titles[] = {"Quorvin V4", "Information", "Warning", "Error",
                                         "Confirm"};
    QString shown = text;
    shown.replace("\r\n", "\n");
    QMessageBox box(icon, titles[static_cast<int>(icon)], shown, buttons, this);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void TfMain::ShowError(const std::string& message) {
    Ask(QMessageBox::Critical, QString::fromStdString(message), QMessageBox::Ok);
}

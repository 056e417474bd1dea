// Printing the page shown, the view toggles, the chart and gauge defaults, help and About, and
// the progress display.
#include "shell/Main.h"

#include "common/Common.h"
#include "common/Format.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "engine/RunWorker.h"
#include "log/DataLog.h"
#include "shell/About.h"
#include "shell/ConsoleView.h"
#include "shell/HelpWindow.h"
#include "shell/MenuHelpers.h"
#include "shell/Printing.h"
#include "views/ViewMacros.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QTabWidget>
#include <QToolBar>

#include <filesystem>

bool TfMain::printDialog(QPrinter& printer) {
    if (PrintDialogHook) {
        return PrintDialogHook(printer);
    }
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
}

bool TfMain::PageCanPrint(int page) const {
    return page >= 0 && page < 6;
}

void TfMain::actFilePrintExecute() {
    const int page = PageControl->currentIndex();
    if (!PageCanPrint(page)) {
        Ask(QMessageBox::Information, "Printing not supported for Dashboard display",
            QMessageBox::Ok);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!printDialog(printer)) {
        return;
    }
    printPage(printer, page);
}

void TfMain::printPage(QPrinter& printer, int page) {
    TPrintJob job(printer);
    if (!job.IsActive()) {
        throw std::runtime_error("The printer could not be started.");
    }
    try {
        PrintPage(job, page);
    } catch (...) {
        printer.abort();
        throw;
    }
    job.End();
}

void TfMain::PrintPage(TPrintJob& job, int page) {
    const QString line1 = QString::fromStdString("Vehicle type:        " + vehicleField("VCode"));
    // The log's whole file name: a reader may hold several files of one drive (.alg, .csv).
    const QString line2 = QString::fromStdString(
        "Customer's file:    " + std::filesystem::path(Log->FileName()).filename().string());
    const QString line3 = QString::fromStdString(
        "Current frame:      " + ChartMonitor->FrameText() + ", at : " + ChartMonitor->TimeText() +
        ", Note(s): " + ChartMonitor->NoteText());
    static const char* const titles[6] = {
        "Macros and Raw Data",      "ALDL Data",          "Dashboard", "Charts",
        "Diagnostic Trouble Codes", "Engine Status Flags"};
    job.PrintHeader(page >= 0 && page < 6 ? titles[page] : "", line1, line2, line3);
    const QTreeWidget* list = nullptr;
    std::vector<int> columns;
    switch (page) {
    case 0:
        MacrosPage->PrintConsole(job);
        break;
    case 1:
        list = ValueList->PrintList();
        columns = {1, 4, 5, 6, 7, 8, 9, 10};
        break;
    case 2: // the gauges laid out again at the body's shape
        Dashboard->Paint(job.Painter(), QRect(0, TPrintJob::BodyTop, job.PageWidth(),
                                              job.PageHeight() - TPrintJob::BodyBottomMargin -
                                                  TPrintJob::BodyTop));
        break;
    case 3:
        ChartMonitor->PrintChart(job);
        break;
    case 4:
        list = DTCList->PrintList();
        columns = {0, 3, 4, 7, 8};
        break;
    case 5:
        list = FlagList->PrintList();
        columns = {0, 3, 5, 6};
        break;
    default:
        break;
    }
    if (list) {
        job.PrintListView(*list, columns);
    }
    job.PrintFooter();
}

void TfMain::actViewToggleExecute(QAction*) {
    // The toggle has flipped its own check.
    setTabIcons();
    Worker->SetShowFrames(actViewMacros->isChecked());
}

void TfMain::actViewToolbarExecute() {
    ToolBar->setVisible(actViewToolbar->isChecked());
}

void TfMain::actViewIOExecute() {
    if (Worker->Running()) {
        Worker->SetDetail(actViewIO->isChecked()); // the engine is the worker's while it runs
    } else {
        Engine->ConsoleDetail = actViewIO->isChecked();
    }
}

void TfMain::actViewChartSaveDefaultExecute() {
    if (Ask(QMessageBox::Question, "Save ALL charts' settings as user defaults",
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    ChartMonitor->SaveCommonDefaults();
    for (int i = 0; i < TChartMonitorView::Charts; ++i) {
        ChartMonitor->SaveChartDefaults(i);
    }
}

void TfMain::actViewChartLoadDefaultExecute() {
    if (!FirstActivate && Ask(QMessageBox::Question, "Load user defaults for ALL charts",
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    ChartMonitor->LoadCommonDefaults();
    for (int i = 0; i < TChartMonitorView::Charts; ++i) {
        ChartMonitor->LoadChartDefaults(i);
    }
}

void TfMain::actViewChartLoadFactoryExecute() {
    if (Ask(QMessageBox::Question, "Load factory defaults for ALL charts",
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    ChartMonitor->RestoreCommonFactory();
    for (int i = 0; i < TChartMonitorView::Charts; ++i) {
        ChartMonitor->RestoreChartFactory(i);
    }
}

void TfMain::actViewDashSaveDefaultExecute() {
    if (Ask(QMessageBox::Question, "Save ALL dashboard gauges' settings as user defaults",
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    for (int i = 0; i < Dashboard->GaugeCount(); ++i) {
        Dashboard->Gauge(i).SaveSettings();
    }
}

void TfMain::actViewDashLoadDefaultsExecute() {
    if (!FirstActivate && Ask(QMessageBox::Question, "Load user defaults for ALL dashboard gauges",
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    for (int i = 0; i < Dashboard->GaugeCount(); ++i) {
        Dashboard->Gauge(i).LoadSettings();
    }
}

void TfMain::actViewDashLoadFactoryExecute() {
    if (Ask(QMessageBox::Question, "Load factory defaults for ALL dashboard gauges",
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    for (int i = 0; i < Dashboard->GaugeCount(); ++i) {
        Dashboard->Gauge(i).RestoreFactory();
    }
}

void TfMain::actAldlResetDashExecute() {
    for (int i = 0; i < Dashboard->GaugeCount(); ++i) {
        Dashboard->Gauge(i).ResetMinMax();
    }
}

void TfMain::actHelpExecute() {
    const QString index = QString::fromStdString(HelpDir() + "/index.htm");
    if (!QFileInfo(index).isFile()) {
        Ask(QMessageBox::Warning,
            QString::fromStdString(
                Format("Cannot find the Quorvin V4 help file: \"%s/index.htm\"\r\n"
                       "Use the Properties editor to specify the directory "
                       "that contians index.htm",
                       HelpDir().c_str())),
            QMessageBox::Ok);
        return;
    }
    // The section of the page shown, so that F1 answers the question at hand.
    static const char* const sections[6] = {"macros", "lists", "dashboard",
                                            "charts", "lists", "lists"};
    const int page = PageControl->currentIndex();
    if (!fHelp) {
        fHelp = std::make_unique<TfHelp>(this);
    }
    fHelp->ShowPage(index, page >= 0 && page < 6 ? sections[page] : "");
}

void TfMain::actHelpAboutExecute() {
    fAbout->exec();
}

void TfMain::showProgress(const QString& text) {
    placeProgressBar();
    ProgressBar->setValue(0);
    ProgressBar->show();
    ProgressBar->raise();
    StatusPanels[0]->setText(text);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TfMain::hideProgress() {
    ProgressBar->hide();
    StatusPanels[0]->clear();
    QApplication::restoreOverrideCursor();
}

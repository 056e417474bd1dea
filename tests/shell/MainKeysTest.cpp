// The main window as a user meets it on a 1280 x 800 screen, shown and active and driven with
// real key presses and mouse clicks: F6 to F11 switch pages wherever the focus is, Ctrl+Q
// leaves through the close request, F1 opens the program's own help window at the page's
// section, Print is enabled only where the page prints, the Macros page prints its console
// under its own title, and the first window shows every tab and toolbar button.
#include "shell/Main.h"

#include "common/Common.h"
#include "link/Packet.h"
#include "log/DataLog.h"
#include "shell/ConsoleView.h"
#include "shell/HelpWindow.h"
#include "shell/Printing.h"
#include "support/TempDir.h"
#include "support/gui/PrintRecorder.h"
#include "views/ViewMacros.h"
#include "views/charts/PlayBar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

std::unique_ptr<TPacket> aFrame() {
    auto frame = std::make_unique<TPacket>();
    frame->FromFrameText("$F4,$57,$01,$00,$B4");
    frame->SetTime(0.5);
    return frame;
}

// This program's screen is 1280 x 800, the smallest the window is made for. The offscreen
// platform reads its screens from a file named before the application starts.
const bool ScreenSet = [] {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && std::string(platform) != "offscreen") {
        return false; // a real display: its own screen
    }
    const std::string file = "/tmp/quorvin-test-screen-" + std::to_string(getpid()) + ".json";
    std::ofstream(file) << R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1280,)"
                        << R"( "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96}]})";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + file).c_str(), 1);
    static const std::string made = file;
    std::atexit([] { std::remove(made.c_str()); });
    return true;
}();

const std::string SampleVehicle = std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml";

class MainKeysTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        dir.Write("QuorvinV4.ini", "[Devices]\r\nCom1=" + dir.File("no-device") +
                                       "\r\n[fMain]\r\nmruVehicle=" + SampleVehicle +
                                       "\r\n[Properties]\r\nDataDir=" + dir.File("") + "\r\n");
    }
    void TearDown() override {
        if (window) {
            window->Options.SaveData = 2; // leave without asking
            window->close();
        }
        window.reset();
        unsetenv("QUORVIN_INI");
    }

    TfMain& open() {
        window = std::make_unique<TfMain>();
        window->MessageBoxHook = [this](QMessageBox::Icon, const QString& text,
                                        QMessageBox::StandardButtons) {
            questions << text;
            return answer;
        };
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }

    // Clicks the tab of the page with the mouse.
    void clickTab(int page) {
        QTabBar* bar = window->PageControl->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    }
    static void press(QKeyCombination key) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, key.key(), key.keyboardModifiers());
    }

    TempDir dir;
    std::unique_ptr<TfMain> window;
    QStringList questions;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
};

TEST_F(MainKeysTest, FunctionKeysSixToElevenShowTheirPagesWhereverTheFocusIs) {
    TfMain& w = open();
    ASSERT_TRUE(w.InRunState(rsMacroSelected));
    // Each key from a page other than its own, so that every page's widgets hold the focus
    // for some press: the macro tree, the console, the lists, the charts, the dashboard.
    const int route[] = {5, 0, 2, 1, 4, 3, 0, 5, 2, 3, 1, 0, 4, 2, 5, 1, 3, 0};
    for (int page : route) {
        const QWidget* focus = QApplication::focusWidget();
        press(QKeyCombination(Qt::Key(Qt::Key_F6 + page)));
        EXPECT_EQ(w.PageControl->currentIndex(), page)
            << "F" << 6 + page << " pressed on " << (focus ? focus->metaObject()->className() : "");
        EXPECT_TRUE(w.PageControl->tabText(page).contains(QStringLiteral("(F%1)").arg(6 + page)));
    }
    // With the focus in the macro tree as well.
    press(QKeyCombination(Qt::Key_F6));
    w.MacrosPage->tree().setFocus();
    press(QKeyCombination(Qt::Key_F10));
    EXPECT_EQ(w.PageControl->currentIndex(), 4);
    // A modifier makes it the view toggle of the page, not a page change.
    const bool charts = w.actViewCharts->isChecked();
    press(QKeyCombination(Qt::SHIFT | Qt::Key_F9));
    EXPECT_EQ(w.PageControl->currentIndex(), 4);
    EXPECT_NE(w.actViewCharts->isChecked(), charts);
}

// Space presses the button that has the keyboard focus, as everywhere; with the focus
// elsewhere it switches Log data.
TEST_F(MainKeysTest, SpacePressesAFocusedButtonAndElsewhereSwitchesLogData) {
    TfMain& w = open();
    TConsoleView& console = w.MacrosPage->console();
    w.Console->Add("a line to clear", clInfo);
    w.Console->Flush();
    ASSERT_TRUE(console.toPlainText().contains("a line to clear"));
    QPushButton& clear = w.MacrosPage->clearButton();
    clear.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clear.hasFocus(); }));
    ASSERT_TRUE(w.actAldlLog->isChecked());
    press(QKeyCombination(Qt::Key_Space));
    EXPECT_FALSE(console.toPlainText().contains("a line to clear"));
    EXPECT_TRUE(w.actAldlLog->isChecked());

    console.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return console.hasFocus(); }));
    press(QKeyCombination(Qt::Key_Space));
    EXPECT_FALSE(w.actAldlLog->isChecked());
    press(QKeyCombination(Qt::Key_Space));
    EXPECT_TRUE(w.actAldlLog->isChecked());
}

TEST_F(MainKeysTest, CtrlQLeavesThroughTheCloseRequest) {
    TfMain& w = open();
    w.Log->Add(aFrame(), true);
    w.SetRunState(w.RunState | rsLogModified | rsLogHasData);
    w.Options.SaveData = 1; // ask about unsaved logged frames
    answer = QMessageBox::Cancel;
    press(QKeyCombination(Qt::CTRL | Qt::Key_Q));
    ASSERT_EQ(questions.size(), 1) << "the close request asks about the unsaved log";
    EXPECT_TRUE(w.isVisible()) << "Cancel keeps the window";

    w.SetRunState(w.RunState & ~rsLogModified);
    press(QKeyCombination(Qt::CTRL | Qt::Key_Q));
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.actFileExit->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4)));
}

TEST_F(MainKeysTest, PrintIsEnabledOnlyOnPagesThatPrint) {
    TfMain& w = open();
    QWidget* button = w.ToolBar->widgetForAction(w.actFilePrint);
    ASSERT_NE(button, nullptr);
    for (int page : {1, 2, 3, 2, 4, 5, 0}) {
        clickTab(page);
        ASSERT_EQ(w.PageControl->currentIndex(), page);
        EXPECT_EQ(w.actFilePrint->isEnabled(), w.PageCanPrint(page)) << "page " << page;
        EXPECT_EQ(button->isEnabled(), w.PageCanPrint(page)) << "page " << page;
    }
    for (int page : {0, 1, 3, 4, 5}) {
        EXPECT_TRUE(w.PageCanPrint(page)) << page;
    }
    // Ctrl+P on a page that does not print does nothing at all.
    if (!w.PageCanPrint(2)) {
        clickTab(2);
        int dialogs = 0;
        w.PrintDialogHook = [&](QPrinter&) { return ++dialogs, false; };
        press(QKeyCombination(Qt::CTRL | Qt::Key_P));
        EXPECT_EQ(dialogs, 0);
        EXPECT_TRUE(questions.isEmpty());
    }
}

TEST_F(MainKeysTest, TheMacrosPagePrintsItsWholeConsoleUnderItsOwnTitle) {
    TfMain& w = open();
    for (int i = 0; i < 150; ++i) {
        w.Console->Add(i % 10 == 0 ? std::string("Frame received: ") + std::string(300, 'F')
                                   : "Line " + std::to_string(i),
                       clInfo);
    }
    w.Console->Flush();
    w.Log->Add(aFrame(), true);
    w.Log->SaveToFile(dir.File("drive.alg"));
    clickTab(0);
    TRecordingPages pages;
    {
        TPrintJob job(pages, [&] { return pages.NextPage(); });
        w.PrintPage(job, 0);
    }
    const TRecordingEngine& e = pages.engine;
    ASSERT_GE(e.Page, 2);
    int titles = 0, files = 0, lines = 0;
    for (const auto& t : e.Texts) {
        titles += t.Text == "Macros and Raw Data";
        files += t.Text == "Customer's file:    drive.alg";
        EXPECT_NE(t.Text, "ALDL Data");
        lines += t.Text.contains(QRegularExpression("Line \\d+$"));
    }
    EXPECT_EQ(titles, e.Page) << "the title heads every page";
    EXPECT_EQ(files, e.Page) << "the log file is named with its extension";
    EXPECT_EQ(lines, 135);

    // The same pages as a PDF file for a person to look at (QUORVIN_SHOTS=folder).
    if (const char* shots = std::getenv("QUORVIN_SHOTS")) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(QString(shots) + "/print-macros.pdf");
        TPrintJob job(printer);
        w.PrintPage(job, 0);
    }
}

TEST_F(MainKeysTest, FOneOpensTheProgramsOwnHelpAtThePagesSection) {
    TfMain& w = open();
    clickTab(3);
    press(QKeyCombination(Qt::Key_F1));
    ASSERT_NE(w.fHelp, nullptr);
    TfHelp& help = *w.fHelp;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(help.browser().source().fileName(), "index.htm");
    EXPECT_EQ(help.browser().source().fragment(), "charts");
    ASSERT_NE(help.contents().currentItem(), nullptr);
    EXPECT_EQ(help.contents().currentItem()->text(0), "Charts");
    EXPECT_GT(help.browser().verticalScrollBar()->value(), 0) << "scrolled to the section";
    // Over the main window and on the screen.
    EXPECT_TRUE(w.frameGeometry().contains(help.geometry().center()));
    EXPECT_TRUE(w.screen()->availableGeometry().contains(help.geometry()));

    // F1 again from another page reuses the window.
    help.close();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    clickTab(0);
    press(QKeyCombination(Qt::Key_F1));
    EXPECT_EQ(w.fHelp.get(), &help);
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.browser().source().fragment(), "macros");
}

TEST_F(MainKeysTest, TheFirstWindowShowsEveryTabAndToolbarButtonOnALaptopScreen) {
    if (!ScreenSet) {
        GTEST_SKIP() << "a real display sets its own screen";
    }
    TfMain& w = open();
    const QRect area = w.screen()->availableGeometry();
    ASSERT_EQ(area.size(), QSize(1280, 800));
    EXPECT_TRUE(area.contains(w.frameGeometry()))
        << w.frameGeometry().width() << " x " << w.frameGeometry().height();
    for (QToolBar* bar : {w.ToolBar, static_cast<QToolBar*>(w.PlayBar)}) {
        ASSERT_TRUE(bar->isVisible());
        for (QAction* a : bar->actions()) {
            if (a->isSeparator()) {
                continue;
            }
            QWidget* shown = bar->widgetForAction(a);
            ASSERT_NE(shown, nullptr) << a->text().toStdString();
            EXPECT_TRUE(shown->isVisible()) << a->text().toStdString();
            EXPECT_TRUE(bar->rect().contains(shown->geometry()))
                << a->text().toStdString() << " lies outside its toolbar";
        }
        // The extension button appears only when buttons do not fit.
        for (QAbstractButton* b : bar->findChildren<QAbstractButton*>(
                 QStringLiteral("qt_toolbar_ext_button"), Qt::FindDirectChildrenOnly)) {
            EXPECT_FALSE(b->isVisible()) << "toolbar buttons hidden behind the extension";
        }
        EXPECT_TRUE(w.rect().contains(QRect(bar->mapTo(&w, QPoint()), bar->size())));
    }
    QTabBar* tabs = w.PageControl->tabBar();
    for (int i = 0; i < tabs->count(); ++i) {
        EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << i;
    }
    for (QAbstractButton* scroll : tabs->findChildren<QAbstractButton*>()) {
        EXPECT_FALSE(scroll->isVisible()) << "tabs scroll";
    }
}

} // namespace

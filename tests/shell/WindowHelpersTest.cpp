// The window helpers with real widgets: placement through the ini file, menu columns, list-view
// style names, extra information, opening documents, printing to PDF and the About box.
#include "common/Common.h"
#include "common/IniFile.h"
#include "shell/About.h"
#include "shell/MenuHelpers.h"
#include "shell/Printing.h"
#include "shell/WindowState.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPageSize>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

class IniEnvironment : public testing::Environment {
public:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        InitFolders();
    }
    TempDir dir;
};
IniEnvironment* const environment =
    static_cast<IniEnvironment*>(testing::AddGlobalTestEnvironment(new IniEnvironment));

// ---- window placement ----

TEST(WindowState, NormalWindowRoundTripsThroughTheIniFile) {
    ASSERT_EQ(IniPath(), environment->dir.File("QuorvinV4.ini"));
    QWidget saved;
    saved.move(40, 50);
    saved.resize(420, 310);
    SaveWindowState(saved, "fTest");
    TIniFile ini(IniPath());
    EXPECT_EQ(ini.ReadString("fTest", "State", ""), "Normal");
    EXPECT_EQ(ini.ReadInteger("fTest", "Left", -1), 40);
    EXPECT_EQ(ini.ReadInteger("fTest", "Height", -1), 310);

    QWidget restored;
    restored.resize(100, 100);
    LoadWindowState(restored, "fTest");
    EXPECT_EQ(restored.pos(), QPoint(40, 50));
    EXPECT_EQ(restored.size(), QSize(420, 310));
}

TEST(WindowState, MaximisedWindowKeepsItsLastNormalBounds) {
    TempDir dir;
    TIniFile ini(dir.File("w.ini"));
    QWidget window;
    window.move(10, 20);
    window.resize(300, 200);
    SaveWindowState(window, "fMain", ini);
    window.setWindowState(Qt::WindowMaximized);
    SaveWindowState(window, "fMain", ini);
    EXPECT_EQ(ini.ReadString("fMain", "State", ""), "Maximized");
    EXPECT_EQ(ini.ReadInteger("fMain", "Width", -1), 300);
    window.setWindowState(Qt::WindowMinimized);
    SaveWindowState(window, "fMain", ini);
    EXPECT_EQ(ini.ReadString("fMain", "State", ""), "Minimized");

    QWidget restored;
    LoadWindowState(restored, "fMain", ini);
    EXPECT_FALSE(restored.windowState() & Qt::WindowMaximized); // "Minimized" restores normal
    ini.WriteString("fMain", "State", "Maximized");
    LoadWindowState(restored, "fMain", ini);
    EXPECT_TRUE(restored.windowState() & Qt::WindowMaximized);
}

TEST(WindowState, UnreadableOrMissingKeysKeepTheCurrentBounds) {
    TempDir dir;
    TIniFile ini(dir.File("w.ini"));
    ini.WriteString("fOdd", "Left", "left");
    ini.WriteString("fOdd", "Top", "77");
    QWidget window;
    window.move(5, 6);
    window.resize(250, 150);
    LoadWindowState(window, "fOdd", ini);
    EXPECT_EQ(window.pos(), QPoint(5, 77));
    EXPECT_EQ(window.size(), QSize(250, 150));
}

// Stored bounds off every screen or larger than it come back within the screen's free area.
TEST(WindowState, AWindowIsAlwaysPlacedWhereItCanBeReached) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* what;
        QRect stored;
        QRect expected;
    };
    const Case cases[] = {
        {"on the screen",
         {area.left() + 40, area.top() + 50, 420, 310},
         {area.left() + 40, area.top() + 50, 420, 310}},
        {"far up and left", {-99999, -99999, 420, 310}, {area.left(), area.top(), 420, 310}},
        {"past the right and bottom",
         {area.right() + 500, area.bottom() + 500, 420, 310},
         {area.right() + 1 - 420, area.bottom() + 1 - 310, 420, 310}},
        {"taller than the screen",
         {area.left(), area.top(), 0, 100000},
         {area.left(), area.top(), 300, area.height()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        TIniFile ini(dir.File("w.ini"));
        ini.WriteInteger("fMain", "Left", c.stored.left());
        ini.WriteInteger("fMain", "Top", c.stored.top());
        ini.WriteInteger("fMain", "Width", c.stored.width());
        ini.WriteInteger("fMain", "Height", c.stored.height());
        QWidget window;
        window.setMinimumSize(300, 200);
        LoadWindowState(window, "fMain", ini);
        EXPECT_EQ(QRect(window.pos(), window.size()), c.expected);
    }
}

TEST(WindowState, FixedSizeWindowStoresNoSize) {
    TempDir dir;
    TIniFile ini(dir.File("w.ini"));
    QWidget window;
    window.setFixedSize(200, 100);
    SaveWindowState(window, "fFixed", ini);
    EXPECT_TRUE(ini.ValueExists("fFixed", "Left"));
    EXPECT_FALSE(ini.ValueExists("fFixed", "Width"));
    ini.WriteInteger("fFixed", "Width", 900);
    LoadWindowState(window, "fFixed", ini);
    EXPECT_EQ(window.width(), 200);
}

// ---- menus and styles ----

std::vector<QString> columnHeads(QMenu& menu) {
    std::vector<QString> heads;
    for (QMenu* column = &menu; column;) {
        QList<QAction*> actions = column->actions();
        heads.push_back(actions.isEmpty() ? QString() : actions.front()->text());
        QMenu* next = nullptr;
        if (!actions.isEmpty() && actions.back()->menu() && actions.back()->text() == "More...") {
            next = actions.back()->menu();
        }
        column = next;
    }
    return heads;
}

TEST(MenuColumns, LongMenuBreaksEveryRowsItems) {
    QMenu menu;
    for (int i = 0; i < 25; ++i) {
        menu.addAction(QString::number(i));
    }
    SetMenuColumns(menu, 10);
    EXPECT_EQ(columnHeads(menu), (std::vector<QString>{"0", "10", "20"}));
    EXPECT_EQ(menu.actions().size(), 11); // ten items and "More..."
    EXPECT_EQ(MenuItemCount(menu), 25);
    EXPECT_EQ(MenuColumnStarts(25, 10), (std::vector<int>{0, 10, 20}));

    SetMenuColumns(menu, 30); // undoes the earlier break
    EXPECT_EQ(columnHeads(menu), std::vector<QString>{"0"});
    EXPECT_EQ(menu.actions().size(), 25);
    SetMenuColumns(menu, 0); // as many as fit on the screen
    EXPECT_EQ(MenuItemCount(menu), 25);
}

TEST(MenuColumns, ItemsKeepWorkingAfterTheBreak) {
    QMenu menu;
    int fired = -1;
    for (int i = 0; i < 7; ++i) {
        menu.addAction(QString::number(i), [&fired, i] { fired = i; });
    }
    SetMenuColumns(menu, 3);
    QMenu* second = menu.actions().back()->menu();
    ASSERT_NE(second, nullptr);
    second->actions()[1]->trigger();
    EXPECT_EQ(fired, 4);
}

TEST(ViewStyles, NamesReadWithoutRegardToCase) {
    struct Case {
        const char* text;
        TViewStyle style;
    };
    for (Case c :
         {Case{"LargeIcons", vsIcon}, Case{"smallicons", vsSmallIcon}, Case{"LIST", vsList},
          Case{"Report", vsReport}, Case{"Detail", vsReport}, Case{"", vsReport}}) {
        EXPECT_EQ(ViewStyleFromText(c.text), c.style) << c.text;
    }
    for (TViewStyle s : {vsIcon, vsSmallIcon, vsList, vsReport}) {
        EXPECT_EQ(ViewStyleFromText(ViewStyleText(s)), s);
    }
    EXPECT_EQ(ViewStyleText(vsIcon), "LargeIcons");
    EXPECT_EQ(ViewStyleText(vsReport), "Report");
}

// ---- extra information ----

TEST(ExtraInfo, EmptyCommentsExplainHowToAddSome) {
    QPlainTextEdit memo;
    ShowExtraInfo(memo, "");
    QStringList lines = memo.toPlainText().split('\n');
    EXPECT_EQ(lines[0], "No extra information is available.");
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines.back().startsWith("To display extra information from a data file, enter: "
                                        "File=xxx.txt"));
}

TEST(ExtraInfo, CommentsShowAsTheyAre) {
    QPlainTextEdit memo;
    ShowExtraInfo(memo, "Coolant temperature.\r\nSensor on the head.");
    EXPECT_EQ(memo.toPlainText(), "Coolant temperature.\nSensor on the head.");
}

TEST(ExtraInfo, FileNamedInTheCommentsIsShownAfterItsName) {
    TempDir dir;
    dir.Write("notes.txt", "first line\r\nsecond line\n");
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    QPlainTextEdit memo;
    ShowExtraInfo(memo, "file=notes.txt\r\n");
    std::filesystem::current_path(old);
    EXPECT_EQ(memo.toPlainText(),
              "The following information was loaded from file: \"notes.txt\"\n\n"
              "first line\nsecond line");
}

TEST(ExtraInfo, MissingFileShowsTheSystemsErrorText) {
    QPlainTextEdit memo;
    ShowExtraInfo(memo, "FILE=/nonexistent/notes.txt");
    QStringList lines = memo.toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0],
              "The following information was loaded from file: \"/nonexistent/notes.txt\"");
    EXPECT_EQ(lines[2], QString::fromLocal8Bit(std::strerror(ENOENT)));
}

// ---- documents ----

TEST(RunDocument, MissingFileIsReportedWithoutStartingAnything) {
    EXPECT_EQ(RunDocument("/nonexistent/index.htm"), 2);
    EXPECT_EQ(RunDocument(""), 2);
}

TEST(RunDocument, ExistingFileIsHandedToTheDesktopOpener) {
    TempDir dir;
    std::string page = dir.Write("index.htm", "<html><body>Help</body></html>");
    QTextBrowser opener; // stands in for the desktop's program for the file
    QDesktopServices::setUrlHandler("file", &opener, "setSource");
    int result = RunDocument(page);
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_GT(result, 32);
    EXPECT_EQ(opener.source(), QUrl::fromLocalFile(QString::fromStdString(page)));
}

// ---- printing ----

int pdfPages(const QString& file) {
    QFile pdf(file);
    EXPECT_TRUE(pdf.open(QIODevice::ReadOnly));
    QByteArray data = pdf.readAll();
    return static_cast<int>(
        QString::fromLatin1(data).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

struct PdfPrinter {
    TempDir dir;
    QString file = QString::fromStdString(dir.File("out.pdf"));
    QPrinter printer{QPrinter::HighResolution};
    PdfPrinter() {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
    }
};

TEST(Printing, LinesGoOnFullPagesOfThePdf) {
    // An A4 page's body holds about 75 console lines; a line too long for the page wraps.
    struct Case {
        int lines, longLines, fewestPages, mostPages;
    };
    for (Case c : {Case{1, 0, 1, 1}, Case{60, 0, 1, 1}, Case{60, 20, 2, 2}, Case{300, 0, 4, 5}}) {
        PdfPrinter pdf;
        pdf.printer.setPageSize(QPageSize(QPageSize::A4));
        {
            TPrintJob job(pdf.printer);
            ASSERT_TRUE(job.IsActive());
            job.PrintHeader("Console", "Vehicle: SIM-V8", "Macro: Data stream", "");
            QStringList lines;
            for (int i = 0; i < c.lines; ++i) {
                lines << QStringLiteral("07:03.%1: Ready.").arg(i, 3, 10, QLatin1Char('0'));
            }
            for (int i = 0; i < c.longLines; ++i) {
                lines[i] += QString(400, QLatin1Char('x')); // three printed lines each
            }
            job.PrintLines(lines);
            job.PrintFooter();
            EXPECT_GE(job.PageNumber(), c.fewestPages) << c.lines << " lines";
            EXPECT_LE(job.PageNumber(), c.mostPages) << c.lines << " lines";
            const int pages = job.PageNumber();
            job.End();
            EXPECT_EQ(pdfPages(pdf.file), pages) << c.lines << " lines";
        }
    }
}

TEST(Printing, ListRowsGoOnFullPagesOfThePdf) {
    // An A4 page's body holds about 75 rows.
    struct Case {
        int rows, pages;
    };
    for (Case c : {Case{40, 1}, Case{200, 3}}) {
        QTreeWidget list;
        list.setHeaderLabels({"Name", "Value", "Units"});
        list.headerItem()->setTextAlignment(1, Qt::AlignRight);
        for (int i = 0; i < c.rows; ++i) {
            auto* row = new QTreeWidgetItem(
                &list, {QStringLiteral("Value %1").arg(i), QString::number(i * 1.5), "rpm"});
            row->setIcon(0, QIcon(":/icons/atype_scaled.png"));
        }
        PdfPrinter pdf;
        pdf.printer.setPageSize(QPageSize(QPageSize::A4));
        {
            TPrintJob job(pdf.printer);
            job.PrintHeader("Aldl", "one", "two", "three");
            job.PrintListView(list, {0, 1, 2});
            job.PrintFooter();
            EXPECT_EQ(job.PageNumber(), c.pages) << c.rows << " rows";
            EXPECT_GT(job.PageWidth(), 4000); // 1/600 inch on any printer: A4 or Letter
            EXPECT_LT(job.PageWidth(), 5500);
        }
        EXPECT_EQ(pdfPages(pdf.file), c.pages) << c.rows << " rows";
    }
}

// ---- About ----

TEST(About, NamesTheProductAndTheVersionOfTheBuild) {
    TfAbout about;
    EXPECT_EQ(TfAbout::ProductName(), "Quorvin V4");
    EXPECT_EQ(TfAbout::VersionText(), QStringLiteral("Version ") + QUORVIN_VERSION);
    EXPECT_TRUE(TfAbout::BuildText().startsWith("Build: "));
    auto* credits = about.findChild<QPushButton*>("btnCredits");
    ASSERT_NE(credits, nullptr);
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    credits->click();
    EXPECT_TRUE(shown.startsWith("Quorvin V4"));
    if (const char* shots = std::getenv("QUORVIN_SHOTS")) {
        about.show();
        about.grab().save(QString(shots) + "/about.png");
    }
}

} // namespace

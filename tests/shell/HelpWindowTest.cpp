// The help window shown and active, driven with real clicks on its links, toolbar and contents
// and with its keys: pages of the help folder open in it, anything else goes to the desktop;
// Back and Forward retrace the places visited; the contents list the page's headings.
#include "shell/HelpWindow.h"

#include "common/Common.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

std::string filler(int paragraphs) {
    std::string text;
    for (int i = 0; i < paragraphs; ++i) {
        text += "<p>Filler paragraph " + std::to_string(i) +
                " with enough words to take a line of the window.</p>\n";
    }
    return text;
}

class HelpWindowTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        index = dir.Write(
            "help/index.htm",
            "<html><head><title>Guide</title></head><body><h1>Guide</h1>\n"
            "<p><a href=\"#second\">Second</a> <a href=\"other.htm#far\">Other page</a> "
            "<a href=\"https://example.org/x\">Web page</a> <a href=\"mailto:a@b.c\">Mail</a> "
            "<a href=\"missing.htm\">Missing page</a> <a href=\"notes.txt\">Notes</a> "
            "<a href=\"../outside.htm\">Outside</a></p>\n"
            "<h2 id=\"first\">First</h2>\n" +
                filler(40) + "<h2 id=\"second\">Second part</h2>\n" + filler(30) +
                "<h3>Details</h3>\n" + filler(40) + "</body></html>\n");
        dir.Write("help/other.htm", "<html><body><h1>Other</h1>" + filler(60) +
                                        "<h2 id=\"far\">Far</h2><p><a href=\"index.htm\">Back "
                                        "home</a></p>" +
                                        filler(60) + "</body></html>");
        dir.Write("help/notes.txt", "notes");
        dir.Write("outside.htm", "<html><body>outside</body></html>");
        help.OpenExternal = [this](const QUrl& url) {
            external << url;
            return true;
        };
        help.Warn = [this](const QString& text) { warnings << text; };
        ASSERT_TRUE(help.ShowPage(QString::fromStdString(index)));
        ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    }
    void TearDown() override { unsetenv("QUORVIN_INI"); }

    // Clicks the link whose text this is, as a user does: scrolled into view, then the mouse.
    void clickLink(const QString& text) {
        QTextBrowser& b = help.browser();
        QTextCursor found = b.document()->find(text);
        ASSERT_FALSE(found.isNull()) << text.toStdString();
        QTextCursor middle(b.document());
        middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
        b.setTextCursor(middle);
        b.ensureCursorVisible();
        const QPoint at = b.cursorRect(middle).center();
        QTest::mouseClick(b.viewport(), Qt::LeftButton, {}, at);
    }
    void clickTool(QAction& action) {
        auto* bar = help.findChild<QToolBar*>();
        ASSERT_NE(bar, nullptr);
        QWidget* button = bar->widgetForAction(&action);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QString shown() const {
        const QUrl source = help.browser().source();
        return source.fileName() + (source.hasFragment() ? "#" + source.fragment() : QString());
    }
    QTreeWidgetItem* contentsItem(const QString& text) const {
        const auto items = help.contents().findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.front();
    }

    TempDir dir;
    std::string index;
    TfHelp help;
    QList<QUrl> external;
    QStringList warnings;
};

TEST_F(HelpWindowTest, HelpPagesOpenHereAndEverythingElseOnTheDesktop) {
    struct Case {
        const char* link;
        QString shown;    // the place the window shows afterwards
        QString external; // the address handed to the desktop, if any
        QString warning;  // the start of a warning, if any
    };
    const QString helpFolder = QString::fromStdString(dir.File("help"));
    const Case cases[] = {
        {"Second", "index.htm#second", "", ""},
        {"Other page", "other.htm#far", "", ""},
        {"Web page", "index.htm", "https://example.org/x", ""},
        {"Mail", "index.htm", "mailto:a@b.c", ""},
        {"Notes", "index.htm", QUrl::fromLocalFile(helpFolder + "/notes.txt").toString(), ""},
        {"Outside", "index.htm",
         QUrl::fromLocalFile(QString::fromStdString(dir.File("outside.htm"))).toString(), ""},
        {"Missing page", "index.htm", "",
         "Cannot find the help page \"" + helpFolder + "/missing.htm\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        external.clear();
        warnings.clear();
        help.ShowPage(QString::fromStdString(index));
        ASSERT_EQ(shown(), "index.htm");
        const int scrolled = help.browser().verticalScrollBar()->value();
        clickLink(c.link);
        EXPECT_EQ(shown(), c.shown);
        if (c.shown.contains('#')) {
            EXPECT_NE(help.browser().verticalScrollBar()->value(), scrolled) << "at the anchor";
        }
        if (c.external.isEmpty()) {
            EXPECT_TRUE(external.isEmpty());
        } else {
            ASSERT_EQ(external.size(), 1);
            EXPECT_EQ(external.front().toString(), c.external);
        }
        if (c.warning.isEmpty()) {
            EXPECT_TRUE(warnings.isEmpty()) << warnings.join("|").toStdString();
        } else {
            ASSERT_EQ(warnings.size(), 1);
            EXPECT_TRUE(warnings.front().startsWith(c.warning)) << warnings.front().toStdString();
        }
    }
}

TEST_F(HelpWindowTest, BackAndForwardRetraceThePlacesVisited) {
    EXPECT_FALSE(help.backAction().isEnabled());
    EXPECT_FALSE(help.forwardAction().isEnabled());
    clickLink("Second");
    clickLink("Other page");
    ASSERT_EQ(shown(), "other.htm#far");
    ASSERT_TRUE(help.backAction().isEnabled());

    clickTool(help.backAction());
    EXPECT_EQ(shown(), "index.htm#second");
    EXPECT_TRUE(help.forwardAction().isEnabled());
    // The keys of a browser: Alt+Left and Alt+Right.
    QTest::keyClick(help.browser().viewport(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(shown(), "index.htm");
    EXPECT_FALSE(help.backAction().isEnabled());
    QTest::keyClick(help.browser().viewport(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(shown(), "index.htm#second");
    clickTool(help.forwardAction());
    EXPECT_EQ(shown(), "other.htm#far");
    EXPECT_FALSE(help.forwardAction().isEnabled());

    clickTool(help.homeAction());
    EXPECT_EQ(shown(), "index.htm");
    EXPECT_EQ(help.browser().verticalScrollBar()->value(), 0);
}

TEST_F(HelpWindowTest, TheContentsListThePagesHeadingsAndGoToThem) {
    QTreeWidget& contents = help.contents();
    ASSERT_EQ(contents.topLevelItemCount(), 1);
    QTreeWidgetItem* top = contents.topLevelItem(0);
    EXPECT_EQ(top->text(0), "Guide");
    ASSERT_EQ(top->childCount(), 2);
    EXPECT_EQ(top->child(0)->text(0), "First");
    EXPECT_EQ(top->child(1)->text(0), "Second part");
    ASSERT_EQ(top->child(1)->childCount(), 1);
    EXPECT_EQ(top->child(1)->child(0)->text(0), "Details");

    QTreeWidgetItem* second = contentsItem("Second part");
    QTest::mouseClick(contents.viewport(), Qt::LeftButton, {},
                      contents.visualItemRect(second).center());
    EXPECT_EQ(shown(), "index.htm#second");
    const int atSecond = help.browser().verticalScrollBar()->value();
    EXPECT_GT(atSecond, 0);
    EXPECT_TRUE(help.backAction().isEnabled()) << "a heading visited is a place in the history";

    // A heading without an anchor is scrolled to all the same.
    QTreeWidgetItem* details = contentsItem("Details");
    QTest::mouseClick(contents.viewport(), Qt::LeftButton, {},
                      contents.visualItemRect(details).center());
    EXPECT_GT(help.browser().verticalScrollBar()->value(), atSecond);

    // Another page brings its own headings; the place shown is marked.
    clickLink("Second");
    clickLink("Other page");
    ASSERT_EQ(contents.topLevelItemCount(), 1);
    EXPECT_EQ(contents.topLevelItem(0)->text(0), "Other");
    ASSERT_NE(contents.currentItem(), nullptr);
    EXPECT_EQ(contents.currentItem()->text(0), "Far");
}

TEST_F(HelpWindowTest, EscapeClosesItAndAMissingPageIsNotShown) {
    QTest::keyClick(help.browser().viewport(), Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
    EXPECT_FALSE(help.ShowPage(QString::fromStdString(dir.File("help/none.htm"))));
    EXPECT_FALSE(help.isVisible());
    EXPECT_TRUE(help.ShowPage(QString::fromStdString(index), "first"));
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(shown(), "index.htm#first");
}

} // namespace

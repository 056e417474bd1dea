// The macros page with real widgets: the tree from the bundled sample vehicle, selection and the
// image, deleted items, the override prompt, the verdicts, the console and the two dialogs.
#include "views/ViewMacros.h"
#include "common/Common.h"
#include "common/ConsoleBuffer.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "shell/ConsoleView.h"
#include "support/TempDir.h"
#include "views/InfoMacro.h"
#include "views/InfoMacroItem.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

// Readable failure messages for Qt texts.
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

TValue S(const char* text) {
    return TValue(std::string(text));
}

// Per-window placement of the dialogs goes to a private ini file.
class IniEnvironment : public testing::Environment {
public:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        InitFolders();
    }
    TempDir dir;
};
const auto* const iniEnvironment = testing::AddGlobalTestEnvironment(new IniEnvironment);

// Closes the next modal dialog once the event loop runs it, remembering its title and the
// text of its first label so the test can check what it showed.
struct ModalCloser {
    QString title, label;
    // Owned, so a closer that found nothing to close cannot fire into a later test.
    std::unique_ptr<QTimer> timer;
    void arm(std::function<void(QDialog&)> act = {}) {
        timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        QObject::connect(timer.get(), &QTimer::timeout, [this, act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                return;
            }
            title = dialog->windowTitle();
            if (auto* first = dialog->findChild<QLabel*>(QStringLiteral("lblTitle"))) {
                label = first->text();
            }
            if (act) {
                act(*dialog);
            } else {
                dialog->accept();
            }
        });
        timer->start(0);
    }
};

class ViewMacrosTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(vehicle.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml"));
        engine.SetOnLoaded([this] { ++loads; });
        page.SetVehicle(&vehicle);
        page.SetEngine(&engine);
        page.SetConsoleBuffer(&buffer);
        QObject::connect(&page, &TframeViewMacros::MacroSelected,
                         [this](int mru) { selected.push_back(mru); });
    }
    QTreeWidgetItem* node(int index) {
        QTreeWidgetItemIterator it(&page.tree());
        for (int i = 0; *it; ++it, ++i) {
            if (i == index) {
                return *it;
            }
        }
        return nullptr;
    }
    // Adds an item to the macro with this MacID (posted; the definition only).
    void addItem(int macID, const char* mcode, const char* rcode, int seq) {
        ASSERT_TRUE(vehicle.Macros->Locate("MacID", TValue(int32_t(macID))));
        vehicle.Items->Insert();
        vehicle.Items->SetValue("Seq", TValue(int32_t(seq)));
        vehicle.Items->SetValue("MCode", S(mcode));
        vehicle.Items->SetValue("RCode", S(rcode));
        vehicle.Items->SetValue("Iters", TValue(int32_t(1)));
        vehicle.Items->Post();
    }
    // A mode $04 module with one request that asks for an override, in a macro of its own.
    void addOverrideMacro(const char* prompt) {
        vehicle.Modules->Insert();
        vehicle.Modules->SetValue("MCode", S("ECM-MEM"));
        vehicle.Modules->SetValue("ModeByte", S("$04"));
        vehicle.Modules->SetValue("ModuleID", S("$F4"));
        vehicle.Modules->Post();
        vehicle.Requests->Insert();
        vehicle.Requests->SetValue("RCode", S("PEEK"));
        vehicle.Requests->SetValue("Parameters", S(":XX"));
        vehicle.Requests->SetValue("Prompt", S(prompt));
        vehicle.Requests->SetValue("Override", S("$10"));
        vehicle.Requests->Post();
        vehicle.Macros->Insert();
        vehicle.Macros->SetValue("MacCode", S("Zz memory"));
        vehicle.Macros->SetValue("MacDesc", S("Read memory"));
        vehicle.Macros->Post();
        vehicle.Items->Insert();
        vehicle.Items->SetValue("Seq", TValue(int32_t(1)));
        vehicle.Items->SetValue("MCode", S("ECM-MEM"));
        vehicle.Items->SetValue("RCode", S("PEEK"));
        vehicle.Items->SetValue("Iters", TValue(int32_t(1)));
        vehicle.Items->Post();
    }

    TempDir dir;
    TVehicle vehicle{nullptr, dir.File("Scales.xml"), dir.File("test.ini")};
    TRtime timer;
    TRS232 link{timer};
    TCartridge engine{vehicle, link, timer};
    TConsoleBuffer buffer;
    TframeViewMacros page;
    int loads = 0;
    std::vector<int> selected;
};

TEST_F(ViewMacrosTest, TreeListsMacrosWithTheirItemsInTableOrder) {
    page.FillMacroTree(0);
    QTreeWidget& tree = page.tree();
    ASSERT_EQ(tree.topLevelItemCount(), 3);
    EXPECT_EQ(tree.topLevelItem(0)->text(0),
              "Clear trouble codes, then one data frame (Clear codes)");
    EXPECT_EQ(tree.topLevelItem(1)->text(0), "Engine data, repeating (Data stream)");
    EXPECT_EQ(tree.topLevelItem(2)->text(0), "Engine data, five frames (Snapshot)");
    ASSERT_EQ(tree.topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(tree.topLevelItem(0)->child(0)->text(0), "CLEAR");
    EXPECT_EQ(tree.topLevelItem(0)->child(1)->text(0), "ALDL-0");
    EXPECT_EQ(page.NodeCount(), 7);
    // Node numbers count every node in display order; items belong to their macro.
    struct Case {
        int node, macID;
    };
    for (Case c : {Case{0, 3}, Case{2, 3}, Case{3, 1}, Case{4, 1}, Case{5, 2}, Case{6, 2},
                   Case{7, -1}, Case{-1, -1}}) {
        EXPECT_EQ(page.MacroOfNode(c.node), c.macID) << "node " << c.node;
    }
}

TEST_F(ViewMacrosTest, FillingSelectsTheNodeAndLoadsItsMacro) {
    page.FillMacroTree(3);
    EXPECT_EQ(page.MruMacro(), 3);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(engine.ItemCount, 1);
    EXPECT_TRUE(engine.Restart);
    EXPECT_EQ(selected, std::vector<int>{3});
    EXPECT_EQ(page.tree().currentItem(), node(3));
}

TEST_F(ViewMacrosTest, IndexBeyondTheTreeSelectsTheFirstNode) {
    page.FillMacroTree(99);
    EXPECT_EQ(page.MruMacro(), 0);
    EXPECT_EQ(engine.ItemCount, 2);
    EXPECT_EQ(selected, std::vector<int>{0});
}

TEST_F(ViewMacrosTest, NegativeIndexSelectsNothing) {
    page.FillMacroTree(-1);
    EXPECT_EQ(page.tree().currentItem(), nullptr);
    EXPECT_EQ(loads, 0);
    EXPECT_TRUE(selected.empty());
}

TEST_F(ViewMacrosTest, RefillingWithTheRememberedMacroDoesNotReloadIt) {
    page.SetMruMacro(5);
    page.FillMacroTree(5);
    EXPECT_EQ(loads, 0); // the main window loads node MruMacro itself after filling
    EXPECT_EQ(selected, std::vector<int>{5});
}

TEST_F(ViewMacrosTest, ItemOfTheLoadedMacroKeepsTheImageAnotherMacroRebuildsIt) {
    page.FillMacroTree(0);
    ASSERT_EQ(loads, 1);
    page.tree().setCurrentItem(node(2)); // ALDL-0 of "Clear codes"
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(page.MruMacro(), 0);
    page.tree().setCurrentItem(node(6)); // the item of "Snapshot"
    EXPECT_EQ(loads, 2);
    EXPECT_EQ(page.MruMacro(), 5);
    EXPECT_EQ(engine.Items[0].Iters, 5);
    EXPECT_EQ(selected, (std::vector<int>{0, 0, 5}));
}

TEST_F(ViewMacrosTest, DeletedRequestShowsAsDeletedAndDialogsFollowTheItemID) {
    addItem(3, "ECM", "GONE", 0); // before CLEAR: shifts every later position in the tree
    page.FillMacroTree(0);
    QTreeWidgetItem* macro = page.tree().topLevelItem(0);
    ASSERT_EQ(macro->childCount(), 3);
    EXPECT_EQ(macro->child(0)->text(0), "GONE <DELETED>");
    EXPECT_EQ(engine.ItemCount, 2);

    ModalCloser closer;
    page.tree().setCurrentItem(macro->child(2)); // ALDL-0: image item 1, tree position 2
    closer.arm();
    page.ShowMoreInfo();
    EXPECT_EQ(closer.title, "Macro Item...");
    EXPECT_EQ(closer.label, "ALDL-0");
    EXPECT_EQ(engine.ItemIndex, 1);

    ModalCloser second;
    page.tree().setCurrentItem(macro->child(0)); // the deleted one: nothing to show
    second.arm();
    page.ShowMoreInfo();
    QApplication::processEvents();
    EXPECT_TRUE(second.title.isEmpty());
}

TEST_F(ViewMacrosTest, MoreInfoOnTheMacroNodeShowsTheMacroDialog) {
    page.FillMacroTree(3);
    ModalCloser closer;
    closer.arm();
    page.ShowMoreInfo();
    EXPECT_EQ(closer.title, "Macro...");
    EXPECT_EQ(closer.label.toStdString(), engine.MacroTitle);
    EXPECT_FALSE(closer.label.isEmpty());
}

TEST_F(ViewMacrosTest, MoreInfoIsEnabledOnlyWithASelectedNode) {
    page.FillMacroTree(-1);
    std::unique_ptr<QMenu> menu(page.CreateTreePopupMenu());
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "More info...");
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    page.tree().setCurrentItem(node(0));
    menu.reset(page.CreateTreePopupMenu());
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
}

TEST_F(ViewMacrosTest, OverrideOfAModeFourRequestGoesIntoTheImageOnly) {
    addOverrideMacro("Address to read:");
    page.FillMacroTree(0);
    int macroNode = page.NodeCount() - 2; // "Zz memory" sorts last
    page.tree().setCurrentItem(node(macroNode));
    ASSERT_EQ(engine.ItemCount, 1);
    std::string askedLabel, askedText;
    page.SetOverridePrompt([&](QWidget*, const std::string& label, std::string& text) {
        askedLabel = label;
        askedText = text;
        text = "$2A";
        return true;
    });
    page.EditOverride(node(macroNode + 1));
    EXPECT_EQ(askedLabel, "Address to read:");
    EXPECT_EQ(askedText, "$10");
    EXPECT_EQ(engine.Items[0].Request.Override, "$2A");
    ASSERT_TRUE(vehicle.Requests->Locate("RCode", "PEEK"));
    EXPECT_EQ(vehicle.Requests->AsString("Override"), "$10");
}

TEST_F(ViewMacrosTest, CancelledOverrideChangesNothing) {
    addOverrideMacro("Address to read:");
    page.FillMacroTree(page.NodeCount());
    int macroNode = 7;
    page.tree().setCurrentItem(node(macroNode));
    // The real prompt, answered from here.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Override parameter...");
        EXPECT_EQ(dialog->labelText(), "Address to read:");
        EXPECT_EQ(dialog->textValue(), "$10");
        dialog->setTextValue("$99");
        dialog->reject();
    });
    page.EditOverride(node(macroNode + 1));
    EXPECT_EQ(engine.Items[0].Request.Override, "$10");
}

// 12.5 with Factor 2 is $19, whether the user types a point or the comma of a comma locale.
TEST_F(ViewMacrosTest, TypedOverrideSendsTheScaledValueInEveryLocale) {
    addOverrideMacro("Idle speed:");
    ASSERT_TRUE(vehicle.Requests->Locate("RCode", "PEEK"));
    vehicle.RScale->Insert();
    vehicle.RScale->SetAsFloat("Factor", 2);
    vehicle.RScale->Post();
    page.FillMacroTree(page.NodeCount());
    const int macroNode = 7;
    for (const char* typed : {"12.5", "12,5"}) {
        SCOPED_TRACE(typed);
        page.tree().setCurrentItem(node(macroNode));
        ASSERT_EQ(engine.ItemCount, 1);
        QTimer::singleShot(0, [typed] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
            auto* edit = dialog->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            edit->selectAll();
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        page.EditOverride(node(macroNode + 1));
        EXPECT_EQ(engine.Items[0].Request.Override, typed);
        engine.ItemIndex = 0;
        engine.IterCount = 0;
        engine.BuildRequest();
        EXPECT_EQ(engine.RequestFrame.HexText(), "$F4,$57,$04,$19,$98");
    }
}

TEST_F(ViewMacrosTest, DoubleClickAsksNothingForModeOneOrAnEmptyPrompt) {
    int asked = 0;
    page.SetOverridePrompt(
        [&](QWidget*, const std::string&, std::string&) { return ++asked, true; });
    page.FillMacroTree(3);
    page.EditOverride(node(4)); // mode $01
    addOverrideMacro("");
    page.FillMacroTree(7);
    page.EditOverride(node(8)); // mode $04 without a prompt
    EXPECT_EQ(asked, 0);
}

TEST_F(ViewMacrosTest, VerdictsShowGreenOrRedAndResetToSilver) {
    auto colour = [](QLabel& label) { return label.palette().color(QPalette::WindowText); };
    EXPECT_EQ(page.interfaceLabel().text(), "Max232 interface...");
    EXPECT_EQ(page.chatterLabel().text(), "Chatter...");
    EXPECT_EQ(colour(page.chatterLabel()), QColor(192, 192, 192));
    page.SetVerdicts({true, "Max232 interface found"}, {false, "No chatter found"});
    EXPECT_EQ(page.interfaceLabel().text(), "Max232 interface found");
    EXPECT_EQ(colour(page.interfaceLabel()), QColor(0, 255, 0));
    EXPECT_EQ(page.chatterLabel().text(), "No chatter found");
    EXPECT_EQ(colour(page.chatterLabel()), QColor(255, 0, 0));
    page.ResetVerdicts();
    EXPECT_EQ(page.interfaceLabel().text(), "Max232 interface...");
    EXPECT_EQ(colour(page.interfaceLabel()), QColor(192, 192, 192));
}

TEST_F(ViewMacrosTest, SplitterWidthIsKeptBeforeAndAfterShowing) {
    page.SetSplitterWidth(150);
    EXPECT_EQ(page.SplitterWidth(), 150);
    page.resize(700, 400);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_EQ(page.SplitterWidth(), 150);
    page.resize(900, 400);
    QApplication::processEvents();
    EXPECT_EQ(page.SplitterWidth(), 150); // the console takes the extra room
}

// ---- console ----

class ConsoleTest : public ViewMacrosTest {
protected:
    QColor colourOfLine(int line) {
        QTextBlock block = page.console().document()->findBlockByNumber(line);
        return block.begin().fragment().charFormat().foreground().color();
    }
};

TEST_F(ConsoleTest, LinesArriveInOrderInTheirLevelsColours) {
    buffer.SetBuffered(true);
    buffer.Add("sent", clSent);
    buffer.Add("received", clReceived);
    buffer.Add("info", clInfo);
    EXPECT_EQ(page.console().LineCount(), 0); // still pending
    buffer.Add("error", clError);             // writes itself and everything before it
    ASSERT_EQ(page.console().LineCount(), 4);
    QStringList lines = page.console().Lines();
    EXPECT_TRUE(lines[0].endsWith(": sent"));
    EXPECT_TRUE(lines[3].endsWith(": error"));
    EXPECT_EQ(colourOfLine(0), QColor(255, 255, 255));
    EXPECT_EQ(colourOfLine(1), QColor(0, 255, 0));
    EXPECT_EQ(colourOfLine(2), QColor(0, 255, 255));
    EXPECT_EQ(colourOfLine(3), QColor(255, 0, 0));
    buffer.SetBuffered(false);
    buffer.Add("", clInfo);
    EXPECT_EQ(page.console().Lines().back(), ""); // an empty line, no stamp
}

TEST_F(ConsoleTest, ConsoleIsBlackWithYellowTextAndDoesNotWrap) {
    TConsoleView& console = page.console();
    EXPECT_EQ(console.palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(console.palette().color(QPalette::Text), QColor(Qt::yellow));
    EXPECT_EQ(console.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_TRUE(console.isReadOnly());
}

TEST_F(ConsoleTest, FullConsoleIsEmptiedBeforeTheFlushThatWouldReachTheLimit) {
    TConsoleView& console = page.console();
    for (int i = 0; i < 65500; ++i) {
        console.AppendLine("old", 0x00FFFFFF);
    }
    console.Repaint();
    buffer.SetBuffered(true);
    for (int i = 0; i < 40; ++i) {
        buffer.Add("new " + std::to_string(i), clInfo);
    }
    buffer.Flush();
    ASSERT_EQ(console.LineCount(), 40);
    EXPECT_EQ(console.document()->blockCount(), 40);
    EXPECT_TRUE(console.Lines().front().endsWith("new 0"));
}

TEST_F(ConsoleTest, ClearButtonEmptiesTheConsoleAndKeepsPendingLines) {
    buffer.SetBuffered(false);
    buffer.Add("one", clInfo);
    buffer.SetBuffered(true);
    buffer.Add("pending", clInfo);
    page.clearButton().click();
    EXPECT_EQ(page.console().LineCount(), 0);
    EXPECT_EQ(page.clearButton().toolTip(), "Clear text display");
    buffer.Flush();
    ASSERT_EQ(page.console().LineCount(), 1);
    EXPECT_TRUE(page.console().Lines()[0].endsWith("pending"));
}

TEST_F(ConsoleTest, PopupMenuCopiesOnlyWithASelectionAndClears) {
    buffer.SetBuffered(false);
    buffer.Add("alpha", clInfo);
    buffer.Add("beta", clInfo);
    std::unique_ptr<QMenu> menu(page.console().CreatePopupMenu());
    QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), "Copy");
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_EQ(actions[1]->text(), "Copy All");
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), "Clear");

    actions[1]->trigger();
    QString all = QApplication::clipboard()->text();
    EXPECT_TRUE(all.contains("alpha") && all.contains("beta") && all.contains('\n'));

    page.console().selectAll();
    menu.reset(page.console().CreatePopupMenu());
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
    menu->actions()[3]->trigger();
    EXPECT_EQ(page.console().LineCount(), 0);
}

// ---- dialogs ----

TEST_F(ViewMacrosTest, MacroDialogListsItemsAndComments) {
    page.FillMacroTree(3);
    TfInfoMacro dialog;
    dialog.Fill(engine);
    EXPECT_EQ(dialog.windowTitle(), "Macro...");
    EXPECT_EQ(dialog.title().text().toStdString(), engine.MacroTitle);
    EXPECT_EQ(dialog.repeating().text(), "Yes");
    EXPECT_EQ(dialog.repeating().toolTip(), "Macro repeats until stopped");
    EXPECT_EQ(dialog.memo().toPlainText(), "Item ALDL-0(x1 iterations). Module: ECM. Mode $01\n\n"
                                           "Requests mode 1 message 0 over and over.");
    page.FillMacroTree(0);
    dialog.Fill(engine);
    EXPECT_EQ(dialog.repeating().text(), "No");
}

TEST_F(ViewMacrosTest, ItemDialogShowsTheFrameOfTheFirstIteration) {
    page.FillMacroTree(0);
    engine.IterCount = 3;
    TfInfoMacroItem dialog;
    ASSERT_TRUE(dialog.Fill(engine, 1));
    EXPECT_EQ(engine.ItemIndex, 1);
    EXPECT_EQ(engine.IterCount, 0);
    EXPECT_EQ(dialog.windowTitle(), "Macro Item...");
    EXPECT_EQ(dialog.title().text(), "ALDL-0");
    EXPECT_EQ(dialog.module().text(), "ECM");
    EXPECT_EQ(dialog.mode().text(), "$01");
    EXPECT_FALSE(dialog.mode().isHidden());
    EXPECT_EQ(dialog.frame().text().toStdString(), engine.RequestFrame.HexText());
    EXPECT_TRUE(dialog.frame().text().startsWith("$F4"));
    EXPECT_EQ(dialog.iters().text(), "1");
    EXPECT_EQ(dialog.reply().text(), "Yes");
    EXPECT_EQ(dialog.process().text(), "Yes");
    EXPECT_TRUE(dialog.overrideText().isHidden()); // mode $01
    EXPECT_EQ(dialog.memo().toPlainText(), "Answered with 60 message bytes, data[1] to data[60].");
    EXPECT_FALSE(dialog.Fill(engine, 2));
    EXPECT_FALSE(dialog.Fill(engine, -1));
}

TEST_F(ViewMacrosTest, ItemDialogShowsTheOverrideOfAModeFourItem) {
    addOverrideMacro("Address to read:");
    page.FillMacroTree(7);
    TfInfoMacroItem dialog;
    ASSERT_TRUE(dialog.Fill(engine, 0));
    EXPECT_FALSE(dialog.overrideText().isHidden());
    EXPECT_EQ(dialog.overrideText().text(), "$10");
    EXPECT_EQ(dialog.process().text(), "No");
}

// Pictures of the page and its dialogs for a person to look at (QUORVIN_SHOTS=folder).
TEST_F(ViewMacrosTest, RendersThePageAndDialogs) {
    const char* shots = std::getenv("QUORVIN_SHOTS");
    if (!shots) {
        GTEST_SKIP() << "set QUORVIN_SHOTS to a folder to write the pictures";
    }
    QDir().mkpath(shots);
    addItem(3, "ECM", "GONE", 0);
    page.FillMacroTree(3);
    buffer.SetBuffered(false);
    buffer.Add("Initialising...", clInfo);
    buffer.Add("Opening COM1...", clInfo);
    buffer.Add("$F4,$57,$01,$00,$B4", clSent);
    buffer.Add("$F4,$92,$01,$00,$1A,$2B,$3C,$4D,$5E,$6F,$70,$81,$92,$A3,$B4,$C5,$D6", clReceived);
    buffer.Add("Com timeout: Expecting frame header byte", clTimeout);
    buffer.Add("Ready.", clInfo);
    page.SetVerdicts({true, "Max232 interface found"}, {false, "No chatter detected"});
    page.resize(760, 420);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    page.grab().save(QString(shots) + "/macros-page.png");
    page.infoMacro().Fill(engine);
    page.infoMacro().show();
    page.infoMacro().grab().save(QString(shots) + "/macro-dialog.png");
    page.infoMacro().hide();
    page.infoMacroItem().Fill(engine, 0);
    page.infoMacroItem().show();
    page.infoMacroItem().grab().save(QString(shots) + "/macro-item-dialog.png");
    page.infoMacroItem().hide();
}

} // namespace

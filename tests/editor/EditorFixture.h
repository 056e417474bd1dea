#pragma once
// Shared set-up of the editor tests: the sample vehicle copied into a temp folder and loaded into
// a TVehicle whose scale codes and ini file live there too, and answering message boxes.
#include "common/Common.h"
#include "definitions/XMLData.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

inline std::string SampleVehicleFile() {
    return std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml";
}

struct TSampleVehicle {
    TempDir Dir;
    std::string File = Dir.File("SIM-V8.xml");
    std::unique_ptr<TVehicle> Vehicle;
    std::string Ini = Dir.File("QuorvinV4.ini");

    explicit TSampleVehicle(bool load = true) {
        std::filesystem::copy_file(SampleVehicleFile(), File);
        Vehicle =
            std::make_unique<TVehicle>(nullptr, Dir.File("Scales.xml"), Ini, Dir.File("none.xml"));
        Vehicle->SetErrorReporter([](const std::string& m) { ADD_FAILURE() << m; });
        if (load) {
            EXPECT_TRUE(Vehicle->LoadFromFile(File));
        }
    }
    TVehicle& V() { return *Vehicle; }
};

// Clicks a button of the next message box that appears (while the answerer lives) and keeps its
// text, so that no modal box is left waiting.
class TBoxAnswerer {
public:
    explicit TBoxAnswerer(QMessageBox::StandardButton button) : button_(button) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    int Count = 0;

private:
    void answer() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            Text = box->text();
            Icon = box->icon();
            ++Count;
            QAbstractButton* b = box->button(button_);
            if (!b)
                b = box->button(QMessageBox::Ok);
            if (!b)
                b = box->defaultButton();
            if (b) {
                b->click();
            } else {
                box->reject();
            }
            return;
        }
    }
    QMessageBox::StandardButton button_;
    QTimer timer_;
};

// Shows the window and waits until it is the active window, as a user's window is: only then
// does a cell editor or a field take the keyboard focus.
inline bool ShowActive(QWidget& window) {
    window.show();
    window.activateWindow();
    window.raise();
    return QTest::qWaitForWindowActive(&window);
}

// A window manager gives the activation back to the window under a message box that closed; the
// offscreen platform has none, so the tests do that part.
inline bool BackToWindow(QWidget& window) {
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// The text a grid shows in a cell.
inline QString CellText(QAbstractItemView* view, int row, int column) {
    return view->model()->index(row, column).data(Qt::DisplayRole).toString();
}

// Clicks a grid's cell where the user sees it (scrolled into view first, as a user would).
inline void ClickCell(QAbstractItemView* view, int row, int column) {
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    QApplication::processEvents();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// The widget that has the keyboard focus (a cell editor while a cell is being edited).
inline QWidget* Focused() {
    return QApplication::focusWidget();
}

// True while the keyboard focus is in the view or in one of its cell editors.
inline bool HasFocusIn(QAbstractItemView* view) {
    QWidget* f = QApplication::focusWidget();
    return f && (f == view || view->isAncestorOf(f));
}

// Sends a key press (and release) to the widget with the focus, as the keyboard does.
inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* f = QApplication::focusWidget();
    ASSERT_NE(f, nullptr) << "no widget has the focus";
    QTest::keyClick(f, key, modifiers);
}

// Types text into the widget with the focus.
inline void TypeText(const QString& text) {
    QWidget* f = QApplication::focusWidget();
    ASSERT_NE(f, nullptr) << "no widget has the focus";
    QTest::keyClicks(f, text);
}

// Clicks a tree node where the user sees it, opening its parents first.
inline void ClickNode(QTreeWidget* tree, QTreeWidgetItem* node) {
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    tree->scrollToItem(node);
    QApplication::processEvents(); // lays the opened branches out
    // On the text near its start: a long node is wider than the tree shows.
    const QRect rect = tree->visualItemRect(node);
    const int x = std::min(rect.left() + 30, tree->viewport()->width() - 2);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(x, rect.center().y()));
}

// The first node whose text contains text (any level).
inline QTreeWidgetItem* NodeWith(QTreeWidget* tree, const QString& text) {
    auto items = tree->findItems(text, Qt::MatchContains | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.front();
}

// Replaces the text of the focused line editor (a field or a cell editor) by typing.
inline void Retype(const QString& text) {
    Press(Qt::Key_End);
    Press(Qt::Key_Home, Qt::ShiftModifier);
    if (text.isEmpty())
        Press(Qt::Key_Delete);
    else
        TypeText(text);
}

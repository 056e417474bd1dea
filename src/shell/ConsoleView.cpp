#include "shell/ConsoleView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

TConsoleView::TConsoleView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("console"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setWordWrapMode(QTextOption::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, Qt::yellow);
    colours.setColor(QPalette::Highlight, QColor(0x30, 0x50, 0x90));
    colours.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colours);
    setBackgroundVisible(false);
}

void TConsoleView::Clear() {
    clear();
    lines = 0;
    following = true;
}

void TConsoleView::AppendLine(const std::string& line, uint32_t colour) {
    if (!batchOpen) {
        // Follow new lines only while the user has not scrolled back to read older ones.
        const QScrollBar* bar = verticalScrollBar();
        following = lines == 0 || bar->value() >= bar->maximum();
        batchOpen = true;
    }
    QTextCharFormat format;
    format.setForeground(ColourOf(colour));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (lines > 0) {
        cursor.insertBlock();
    }
    cursor.insertText(QString::fromStdString(line), format);
    ++lines;
}

void TConsoleView::Repaint() {
    batchOpen = false;
    if (following) {
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    viewport()->update();
}

QMenu* TConsoleView::CreatePopupMenu() {
    auto* menu = new QMenu(this);
    QAction* copy = menu->addAction(QStringLiteral("Copy"), this, &QPlainTextEdit::copy);
    copy->setObjectName(QStringLiteral("Copy"));
    copy->setEnabled(textCursor().hasSelection());
    QAction* copyAll = menu->addAction(QStringLiteral("Copy All"), this, &TConsoleView::CopyAll);
    copyAll->setObjectName(QStringLiteral("CopyAll"));
    menu->addSeparator();
    QAction* clearLines =
        menu->addAction(QStringLiteral("Clear"), this, &TConsoleView::ClearRequested);
    clearLines->setObjectName(QStringLiteral("Clear"));
    return menu;
}

QStringList TConsoleView::Lines() const {
    QStringList result;
    if (lines == 0) {
        return result;
    }
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        result.append(block.text());
    }
    return result;
}

void TConsoleView::CopyAll() {
    QApplication::clipboard()->setText(Lines().join(QLatin1Char('\n')));
}

QColor TConsoleView::ColourOf(uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void TConsoleView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreatePopupMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

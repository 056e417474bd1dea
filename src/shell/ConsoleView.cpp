#include "shell/ConsoleView.h"

#include <QMenu>

TConsoleView::TConsoleView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
}
void TConsoleView::Clear() {
    clear();
    lines = 0;
}
void TConsoleView::AppendLine(const std::string& line, uint32_t) {
    appendPlainText(QString::fromStdString(line));
    ++lines;
}
void TConsoleView::Repaint() {
    viewport()->update();
}
QMenu* TConsoleView::CreatePopupMenu() {
    return new QMenu(this);
}
QStringList TConsoleView::Lines() const {
    return toPlainText().split('\n');
}
void TConsoleView::CopyAll() {}
QColor TConsoleView::ColourOf(uint32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}
void TConsoleView::contextMenuEvent(QContextMenuEvent* event) {
    QPlainTextEdit::contextMenuEvent(event);
}

#include "editor/BitEdit.h"

TBitEdit::TBitEdit(QWidget* parent) : QWidget(parent) {}
void TBitEdit::SetSelection(int, double) {}
int TBitEdit::Position() const {
    return 0;
}
void TBitEdit::SetPosition(int) {}
void TBitEdit::SelectCells(int, int) {}
void TBitEdit::showSelection() {}
void TBitEdit::takeSelection() {}
void TBitEdit::updateCaptions() {}
void TBitEdit::fire() {}
bool TBitEdit::eventFilter(QObject* watched, QEvent* event) {
    return QWidget::eventFilter(watched, event);
}

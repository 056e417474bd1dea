#include "views/InfoMacroItem.h"

#include "engine/Cartridge.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

TfInfoMacroItem::TfInfoMacroItem(QWidget* parent) : QDialog(parent) {
    Title = new QLabel(this);
    Module = new QLineEdit(this);
    ModeLabel = new QLabel(this);
    Mode = new QLineEdit(this);
    Frame = new QLineEdit(this);
    Iters = new QLineEdit(this);
    Reply = new QLineEdit(this);
    Process = new QLineEdit(this);
    OverrideLabel = new QLabel(this);
    Override = new QLineEdit(this);
    Memo = new QPlainTextEdit(this);
}
TfInfoMacroItem::~TfInfoMacroItem() = default;
bool TfInfoMacroItem::Fill(TCartridge&, int) {
    return false;
}
void TfInfoMacroItem::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
}

#include "views/InfoMacro.h"

#include "engine/Cartridge.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

TfInfoMacro::TfInfoMacro(QWidget* parent) : QDialog(parent) {
    Title = new QLabel(this);
    Repeating = new QLineEdit(this);
    Memo = new QPlainTextEdit(this);
}
TfInfoMacro::~TfInfoMacro() = default;
void TfInfoMacro::Fill(const TCartridge&) {}
std::vector<std::string> TfInfoMacro::MemoLines(const TCartridge&) {
    return {};
}
void TfInfoMacro::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
}

#include "editor/EditorPage.h"

#include <QMessageBox>

TEditorPage::TEditorPage(TVehicle& vehicle, QWidget* parent) : QWidget(parent), Vehicle(vehicle) {}

struct TFieldBinder::TLink {};

TFieldBinder::TFieldBinder(QWidget* owner) : owner_(owner) {}
TFieldBinder::~TFieldBinder() {}
void TFieldBinder::Bind(QLineEdit*, TTable&, const std::string&) {}
void TFieldBinder::Bind(QPlainTextEdit*, TTable&, const std::string&) {}
void TFieldBinder::Bind(QCheckBox*, TTable&, const std::string&) {}
void TFieldBinder::Bind(QComboBox*, TTable&, const std::string&) {}
void TFieldBinder::Bind(QComboBox*, TTable&, const std::string&, TChoices) {}
void TFieldBinder::SetChoices(QComboBox*, TChoices) {}
void TFieldBinder::Refresh() {}
bool TFieldBinder::Commit() {
    return true;
}
bool TFieldBinder::HasRefusedText() const {
    return false;
}
void TFieldBinder::store(TLink&) {}
TFieldBinder::TLink* TFieldBinder::find(QWidget*) {
    return nullptr;
}

void ShowEditError(QWidget* parent, const std::string& message) {
    QMessageBox::warning(parent, QStringLiteral("Quorvin"), QString::fromStdString(message));
}

#include "editor/edM.h"

#include "definitions/XMLData.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

// The mode byte list as shown text and stored value, in its own order.
TFieldBinder::TChoices modeChoices(const TTable& modes) {
    TFieldBinder::TChoices choices;
    int byteField = modes.FieldIndex("ModeByte");
    int descField = modes.FieldIndex("ModeDesc");
    for (int i = 0; i < modes.RecordCount(); ++i) {
        const TRecord* r = modes.RecordAt(i);
        choices.emplace_back(TTable::ValueText(r->Values[descField], TFieldType::ftString),
                             TTable::ValueText(r->Values[byteField], TFieldType::ftString));
    }
    return choices;
}

} // namespace

TframeEdM::TframeEdM(TVehicle& vehicle, QWidget* parent)
    : TEditorPage(vehicle, parent), binder_(this) {
    edMCode = new QLineEdit(this);
    edMCode->setToolTip(QStringLiteral("Short description of module (eg ECM)"));
    cbMode = new QComboBox(this);
    cbMode->setToolTip(QStringLiteral("Command mode"));
    edMDesc = new QLineEdit(this);
    edMDesc->setToolTip(QStringLiteral("Long description of module-mode"));
    edModuleID = new QLineEdit(this);
    edModuleID->setToolTip(QStringLiteral("Module ID byte (eg $F1)"));
    edModuleID->setMaximumWidth(80);
    cbListen = new QCheckBox(this);
    cbListen->setToolTip(QStringLiteral(
        "Listen/ignore this module-mode when displaying chatter (not used in V4.1.1)"));
    mmComments = new QPlainTextEdit(this);
    mmComments->setToolTip(QStringLiteral("Comments about this module-mode"));
    mmComments->setTabChangesFocus(true);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(QStringLiteral("Code:"), edMCode);
    form->addRow(QStringLiteral("Mode:"), cbMode);
    form->addRow(QStringLiteral("Description:"), edMDesc);
    form->addRow(QStringLiteral("ID:"), edModuleID);
    form->addRow(QStringLiteral("Listen:"), cbListen);
    form->addRow(QStringLiteral("Comments:"), mmComments);
    auto* box = new QVBoxLayout(this);
    box->addWidget(EditorPageHeader(this, EditorNodeIcon(1), QStringLiteral("Module")));
    box->addLayout(form, 1);

    TTable& modules = Vehicle.Modules;
    binder_.Bind(edMCode, modules, "MCode");
    binder_.Bind(cbMode, modules, "ModeByte", modeChoices(Vehicle.ModeBytes));
    binder_.Bind(edMDesc, modules, "MDesc");
    binder_.Bind(edModuleID, modules, "ModuleID");
    binder_.Bind(cbListen, modules, "Listen");
    binder_.Bind(mmComments, modules, "Comments");
    binder_.OnUserChange = [this](QWidget* control, const std::string&) {
        if (control == edMCode || control == cbMode)
            NodeTextChanged();
    };
}

TframeEdM::~TframeEdM() = default;

void TframeEdM::Refresh() {
    binder_.Refresh();
}

bool TframeEdM::CommitEdits() {
    return binder_.Commit();
}

void TframeEdM::FocusCode() {
    edMCode->setFocus();
    edMCode->selectAll();
}

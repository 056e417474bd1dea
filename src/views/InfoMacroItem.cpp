#include "views/InfoMacroItem.h"

#include "engine/Cartridge.h"
#include "link/Packet.h"
#include "shell/WindowState.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const Section = "fInfoMacroItem";

QLineEdit* field(QWidget* parent, const char* name, const char* hint) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    if (hint) {
        edit->setToolTip(QString::fromUtf8(hint));
    }
    return edit;
}

QString yesNo(bool on) {
    return on ? QStringLiteral("Yes") : QStringLiteral("No");
}

} // namespace

TfInfoMacroItem::TfInfoMacroItem(QWidget* parent) : QDialog(parent) {
    setObjectName(QLatin1String(Section));
    setWindowTitle(QStringLiteral("Macro Item..."));
    setMinimumSize(360, 360);
    resize(440, 420);
    auto* layout = new QVBoxLayout(this);
    Title = new QLabel(this);
    Title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = Title->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    Title->setFont(big);
    layout->addWidget(Title);

    auto* form = new QFormLayout();
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    Module = field(this, "edModule", "Request is sent to this module");
    Mode = field(this, "edMode", "Request mode");
    Frame = field(this, "edFrame", "Actual frame to be sent to module");
    Iters = field(this, "edIters", "Number of times this macro item is repeated");
    Reply = field(this, "edReply", nullptr);
    Process = field(this, "edProcess", nullptr);
    Override = field(this, "edOverride", "Mode $04 override value");
    ModeLabel = new QLabel(QStringLiteral("Mode:"), this);
    OverrideLabel = new QLabel(QStringLiteral("Override:"), this);
    form->addRow(QStringLiteral("Module:"), Module);
    form->addRow(ModeLabel, Mode);
    form->addRow(QStringLiteral("Frame:"), Frame);
    form->addRow(QStringLiteral("Iters:"), Iters);
    form->addRow(QStringLiteral("Reply:"), Reply);
    form->addRow(QStringLiteral("Process:"), Process);
    form->addRow(OverrideLabel, Override);
    layout->addLayout(form);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("memo"));
    Memo->setReadOnly(true);
    Memo->setToolTip(QStringLiteral("Description of macro item"));
    layout->addWidget(Memo, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    LoadWindowState(*this, Section);
}

TfInfoMacroItem::~TfInfoMacroItem() = default;

bool TfInfoMacroItem::Fill(TCartridge& engine, int k, bool moveEngine) {
    if (k < 0 || k >= engine.ItemCount || k >= static_cast<int>(engine.Items.size())) {
        return false;
    }
    const TMacroItem& item = engine.Items[k];
    TPacket shown;
    if (moveEngine) {
        // The frame shown is the one the item's first iteration sends; a paused run continues
        // with this item.
        engine.ItemIndex = k;
        engine.IterCount = 0;
        engine.BuildRequest();
        shown = engine.RequestFrame;
    } else {
        shown.SetHeader(item.ModuleID);
        const std::string& params = item.Request.Parameters;
        shown.SetDataText(item.ModeByte.empty() ? params : item.ModeByte + "," + params);
        shown.UpdateChecksum();
    }
    Title->setText(QString::fromStdString(item.RCode));
    Module->setText(QString::fromStdString(item.MCode));
    bool hasMode = !item.ModeByte.empty();
    Mode->setText(QString::fromStdString(item.ModeByte));
    ModeLabel->setVisible(hasMode);
    Mode->setVisible(hasMode);
    Frame->setText(QString::fromStdString(shown.HexText()));
    Frame->setCursorPosition(0);
    Iters->setText(QString::number(item.Iters));
    Reply->setText(yesNo(item.Request.Reply));
    Process->setText(yesNo(item.Request.ProcReply));
    bool overridable = item.ModeValue == 4;
    Override->setText(QString::fromStdString(item.Request.Override));
    OverrideLabel->setVisible(overridable);
    Override->setVisible(overridable);
    Memo->setPlainText(QString::fromStdString(item.Request.Comments));
    return true;
}

void TfInfoMacroItem::hideEvent(QHideEvent* event) {
    SaveWindowState(*this, Section);
    QDialog::hideEvent(event);
}

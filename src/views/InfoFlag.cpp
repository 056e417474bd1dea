#include "views/InfoFlag.h"

#include "engine/Cartridge.h"
#include "shell/MenuHelpers.h"
#include "shell/WindowState.h"
#include "views/ListPageCommon.h"
#include "views/ViewBitFlags.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {
const char* const Section = "fInfoFlag";
}

TfInfoFlag::TfInfoFlag(TCartridge& engine, QWidget* parent) : QDialog(parent), Engine(engine) {
    setObjectName(QLatin1String(Section));
    setWindowTitle(QStringLiteral("Bit flag..."));
    setMinimumSize(350, 316);
    resize(350, 410);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout();
    auto* icon = new QLabel(this);
    icon->setPixmap(FlagIcon(true).pixmap(32, 32));
    icon->setFixedSize(36, 36);
    top->addWidget(icon, 0, Qt::AlignTop);
    Description = InfoTitleLabel(this);
    top->addWidget(Description, 1);
    layout->addLayout(top);

    auto* form = new QFormLayout();
    Flag = InfoField(this, "edFlag", "Attribute that contains this bit flag");
    form->addRow(QStringLiteral("Bit flag:"), Flag);
    Bit = InfoField(this, "edBit", "Bit number");
    Bit->setMaximumWidth(60);
    form->addRow(QStringLiteral("Bit:"), Bit);
    B0 = InfoField(this, "edB0", "Bit 0 value");
    form->addRow(QStringLiteral("Value when bit=0:"), B0);
    B1 = InfoField(this, "edB1", "Bit 1 value");
    form->addRow(QStringLiteral("Value when bit=1:"), B1);
    layout->addLayout(form);

    layout->addWidget(new QLabel(QStringLiteral("Comments:"), this));
    Memo = InfoMemo(this, "Description of bit flag");
    layout->addWidget(Memo, 1);
    AddOkButton(*this, *layout);
    CentreOnScreen(*this);
    LoadWindowState(*this, Section);
}

TfInfoFlag::~TfInfoFlag() = default;

void TfInfoFlag::FormActivate() {
    const std::vector<TRowRef> rows = FlagRows(Engine);
    if (RowIndex < 0 || RowIndex >= static_cast<int>(rows.size())) {
        return;
    }
    const TAttr& attr = *AttrOfRow(Engine, rows[RowIndex]);
    const TFlags& flag = attr.Flags[rows[RowIndex].Entry];
    Memo->clear();
    Description->setText(QString::fromStdString(flag.Desc));
    Flag->setText(QString::fromStdString(attr.ACode));
    Bit->setText(QString::number(flag.Bit));
    B0->setText(QString::fromStdString(flag.B0));
    B1->setText(QString::fromStdString(flag.B1));
    ShowExtraInfo(*Memo, flag.Comments);
}

void TfInfoFlag::showEvent(QShowEvent* event) {
    FormActivate();
    QDialog::showEvent(event);
}

void TfInfoFlag::hideEvent(QHideEvent* event) {
    SaveWindowState(*this, Section);
    QDialog::hideEvent(event);
}

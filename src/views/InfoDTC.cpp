#include "views/InfoDTC.h"

#include "engine/Cartridge.h"
#include "shell/MenuHelpers.h"
#include "shell/WindowState.h"
#include "views/ListPageCommon.h"
#include "views/ViewDTCs.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

const char* const Section = "fInfoDTC";

// The amber engine symbol of the check engine light.
QPixmap engineLightPixmap() {
    QPixmap pixmap(28, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath engine;
    engine.moveTo(3, 8);
    engine.lineTo(6, 8);
    engine.lineTo(6, 5);
    engine.lineTo(10, 5);
    engine.lineTo(10, 3);
    engine.lineTo(17, 3);
    engine.lineTo(17, 5);
    engine.lineTo(21, 5);
    engine.lineTo(23, 8);
    engine.lineTo(26, 7);
    engine.lineTo(26, 15);
    engine.lineTo(23, 14);
    engine.lineTo(20, 17);
    engine.lineTo(9, 17);
    engine.lineTo(6, 14);
    engine.lineTo(3, 14);
    engine.closeSubpath();
    p.setPen(QPen(QColor(0xA9, 0x6B, 0x0A), 1.2));
    p.setBrush(QColor(0xF0, 0xA0, 0x20));
    p.drawPath(engine);
    return pixmap;
}

} // namespace

TfInfoDTC::TfInfoDTC(TCartridge& engine, QWidget* parent) : QDialog(parent), Engine(engine) {
    setObjectName(QLatin1String(Section));
    setWindowTitle(QStringLiteral("Diagnostic trouble code..."));
    setMinimumSize(380, 340);
    resize(380, 410);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout();
    StateIcon = new QLabel(this);
    StateIcon->setObjectName(QStringLiteral("StateIcon"));
    StateIcon->setFixedSize(36, 36);
    top->addWidget(StateIcon, 0, Qt::AlignTop);
    Description = InfoTitleLabel(this);
    top->addWidget(Description, 1);
    layout->addLayout(top);

    auto* form = new QFormLayout();
    DTC = InfoField(this, "edDTC", "Diagnostic trouble code");
    form->addRow(QStringLiteral("Diagnostic trouble code:"), DTC);
    CEL = InfoField(this, "edCEL", "Does this DTC illuminate the CEL");
    CEL->setMaximumWidth(60);
    EngineLight = new QLabel(this);
    EngineLight->setObjectName(QStringLiteral("EngineLight"));
    EngineLight->setPixmap(engineLightPixmap());
    auto* celRow = new QHBoxLayout();
    celRow->addWidget(CEL);
    celRow->addWidget(EngineLight);
    celRow->addStretch(1);
    form->addRow(QStringLiteral("Check engine light (MIL):"), celRow);
    Reference = InfoField(this, "edReference", "DTC workshop reference");
    form->addRow(QStringLiteral("Workshop reference:"), Reference);
    Attribute = InfoField(this, "edAttribute", "Attribute that contains this DTC");
    form->addRow(QStringLiteral("Attribute:"), Attribute);
    Bit = InfoField(this, "edBit", "Bit number");
    Bit->setMaximumWidth(60);
    form->addRow(QStringLiteral("Bit:"), Bit);
    layout->addLayout(form);

    layout->addWidget(new QLabel(QStringLiteral("Comments:"), this));
    Memo = InfoMemo(this, "Description of DTC");
    layout->addWidget(Memo, 1);
    AddOkButton(*this, *layout);
    CentreOnScreen(*this);
    LoadWindowState(*this, Section);
}

TfInfoDTC::~TfInfoDTC() = default;

bool TfInfoDTC::ShowsEngineLight() const {
    return !EngineLight->isHidden();
}

void TfInfoDTC::FormActivate() {
    const std::vector<TRowRef> rows = DTCRows(Engine);
    if (RowIndex < 0 || RowIndex >= static_cast<int>(rows.size())) {
        return;
    }
    const TAttr& attr = *AttrOfRow(Engine, rows[RowIndex]);
    const TDTCs& dtc = attr.DTCs[rows[RowIndex].Entry];
    Memo->clear();
    shownSet = IsSet;
    StateIcon->setPixmap(DTCIcon(IsSet).pixmap(32, 32));
    Description->setText(QString::fromStdString(dtc.Desc));
    Attribute->setText(QString::fromStdString(attr.ACode));
    Bit->setText(QString::number(dtc.Bit));
    DTC->setText(QString::fromStdString(dtc.DTC));
    EngineLight->setVisible(dtc.CEL);
    CEL->setText(dtc.CEL ? QStringLiteral("Yes") : QStringLiteral("No"));
    Reference->setText(QString::fromStdString(dtc.Reference));
    ShowExtraInfo(*Memo, dtc.Comments);
}

void TfInfoDTC::showEvent(QShowEvent* event) {
    FormActivate();
    QDialog::showEvent(event);
}

void TfInfoDTC::hideEvent(QHideEvent* event) {
    SaveWindowState(*this, Section);
    QDialog::hideEvent(event);
}

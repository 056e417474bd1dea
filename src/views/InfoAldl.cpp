#include "views/InfoAldl.h"

#include "engine/Cartridge.h"
#include "shell/MenuHelpers.h"
#include "shell/WindowState.h"
#include "views/ListPageCommon.h"
#include "views/ViewAldl.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
const char* const Section = "fInfoAldl";
}

TfInfoAldl::TfInfoAldl(TCartridge& engine, QWidget* parent) : QDialog(parent), Engine(engine) {
    setObjectName(QLatin1String(Section));
    setWindowTitle(QStringLiteral("Attribute..."));
    setMinimumSize(350, 310);
    resize(412, 310);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout();
    // The six type icons lie on top of each other; only the attribute's own is shown.
    TypeIcons = new QStackedWidget(this);
    TypeIcons->setObjectName(QStringLiteral("TypeIcons"));
    for (int type = 0; type < 6; ++type) {
        auto* icon = new QLabel(TypeIcons);
        icon->setPixmap(AttrTypeIcon(type).pixmap(32, 32));
        TypeIcons->addWidget(icon);
    }
    TypeIcons->setFixedSize(36, 36);
    top->addWidget(TypeIcons, 0, Qt::AlignTop);
    Description = InfoTitleLabel(this);
    top->addWidget(Description, 1);
    layout->addLayout(top);

    Memo = InfoMemo(this, "Description of Aldl attribute");
    layout->addWidget(Memo, 1);
    AddOkButton(*this, *layout);
    CentreOnScreen(*this);
    LoadWindowState(*this, Section);
}

TfInfoAldl::~TfInfoAldl() = default;

int TfInfoAldl::ShownIcon() const {
    return TypeIcons->currentIndex();
}

void TfInfoAldl::FormActivate() {
    const std::vector<TRowRef> rows = AldlRows(Engine);
    if (RowIndex < 0 || RowIndex >= static_cast<int>(rows.size())) {
        return;
    }
    const TAttr& attr = *AttrOfRow(Engine, rows[RowIndex]);
    Memo->clear();
    if (attr.AType >= 0 && attr.AType < 6) {
        TypeIcons->setCurrentIndex(attr.AType);
    }
    Description->setText(QString::fromStdString(attr.ADesc));
    ShowExtraInfo(*Memo, attr.Comments);
    Memo->moveCursor(QTextCursor::Start);
}

void TfInfoAldl::showEvent(QShowEvent* event) {
    FormActivate();
    QDialog::showEvent(event);
}

void TfInfoAldl::hideEvent(QHideEvent* event) {
    SaveWindowState(*this, Section);
    QDialog::hideEvent(event);
}

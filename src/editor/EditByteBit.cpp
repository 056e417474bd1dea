#include "editor/EditByteBit.h"

#include "common/Format.h"
#include "editor/BitEdit.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfEditByteBit::TfEditByteBit(QWidget* parent)
    : QDialog(parent, Qt::Tool), bitEdit_(new TBitEdit(this)), line_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Select Start Byte and Number of Bits..."));
    line_->setReadOnly(true);
    line_->setFocusPolicy(Qt::NoFocus);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    ok->setDefault(true);
    ok->setEnabled(false); // a selection gives OK something to store
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addWidget(bitEdit_);
    box->addWidget(line_);
    box->addWidget(buttons);
    box->setSizeConstraint(QLayout::SetFixedSize);
    bitEdit_->OnSelectionChanged = [this, ok](TBitEdit& edit, int byte, int bit, int count) {
        line_->setText(QString::fromStdString(Format("Start: %d.%d - Bits: %d", byte, bit, count)));
        ok->setEnabled(edit.HighEnd() >= 0 && count > 0);
    };
}

void TfEditByteBit::SetSelection(int bits, double start) {
    bitEdit_->SetSelection(bits, start);
}
int TfEditByteBit::StartByte() const {
    return bitEdit_->StartByte();
}
int TfEditByteBit::StartBit() const {
    return bitEdit_->StartBit();
}
int TfEditByteBit::Count() const {
    return bitEdit_->Count();
}

#include "editor/EditByteBit.h"

#include "editor/BitEdit.h"

TfEditByteBit::TfEditByteBit(QWidget* parent) : QDialog(parent), bitEdit_(new TBitEdit(this)) {}
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

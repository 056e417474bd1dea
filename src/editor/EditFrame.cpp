#include "editor/EditFrame.h"

TfEditFrame::TfEditFrame(QWidget* parent) : QDialog(parent) {}
TfEditFrame::~TfEditFrame() {}
void TfEditFrame::SetFrame(const std::string&) {}
std::string TfEditFrame::Result() {
    return {};
}
std::string TfEditFrame::ComposedText() const {
    return {};
}
void TfEditFrame::recalculate() {}

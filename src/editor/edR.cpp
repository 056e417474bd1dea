#include "editor/edR.h"

TframeEdR::TframeEdR(TVehicle& vehicle, QWidget* parent) : TEditorPage(vehicle, parent) {}
TframeEdR::~TframeEdR() {}
void TframeEdR::Refresh() {}
bool TframeEdR::CommitEdits() {
    return true;
}
void TframeEdR::FocusCode() {}

#include "editor/edM.h"

TframeEdM::TframeEdM(TVehicle& vehicle, QWidget* parent) : TEditorPage(vehicle, parent) {}
TframeEdM::~TframeEdM() {}
void TframeEdM::Refresh() {}
bool TframeEdM::CommitEdits() {
    return true;
}
void TframeEdM::FocusCode() {}

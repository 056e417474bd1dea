#include "editor/edA.h"

TframeEdA::TframeEdA(TVehicle& vehicle, QWidget* parent) : TEditorPage(vehicle, parent) {}
TframeEdA::~TframeEdA() {}
void TframeEdA::Refresh() {}
bool TframeEdA::CommitEdits() {
    return true;
}
void TframeEdA::FocusCode() {}

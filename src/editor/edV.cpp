#include "editor/edV.h"

TframeEdV::TframeEdV(TVehicle& vehicle, QWidget* parent) : TEditorPage(vehicle, parent) {}
TframeEdV::~TframeEdV() {}
void TframeEdV::Refresh() {}
bool TframeEdV::CommitEdits() {
    return true;
}
void TframeEdV::FocusCode() {}

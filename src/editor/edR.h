#pragma once
// The request page of the vehicle editor.
#include "editor/EditorPage.h"

class TframeEdR : public TEditorPage {
public:
    TframeEdR(TVehicle& vehicle, QWidget* parent);
    ~TframeEdR() override;
    void Refresh() override;
    bool CommitEdits() override;
    void FocusCode() override;
};

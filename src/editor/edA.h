#pragma once
// The attribute page of the vehicle editor.
#include "editor/EditorPage.h"

class TframeEdA : public TEditorPage {
public:
    TframeEdA(TVehicle& vehicle, QWidget* parent);
    ~TframeEdA() override;
    void Refresh() override;
    bool CommitEdits() override;
    void FocusCode() override;
};

#pragma once
// The module page: code, mode byte (from the mode byte list), description, ID, listen, comments.
#include "editor/EditorPage.h"

class TframeEdM : public TEditorPage {
public:
    TframeEdM(TVehicle& vehicle, QWidget* parent);
    ~TframeEdM() override;
    void Refresh() override;
    bool CommitEdits() override;
    void FocusCode() override;
};

#pragma once
// The vehicle page: the vehicle record's fields on five tabs (application, chatter frames,
// timings with their help texts, macros with their items, author).
#include "editor/EditorPage.h"

class TframeEdV : public TEditorPage {
public:
    TframeEdV(TVehicle& vehicle, QWidget* parent);
    ~TframeEdV() override;
    void Refresh() override;
    bool CommitEdits() override;
    void FocusCode() override;
};

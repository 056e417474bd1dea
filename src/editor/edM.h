#pragma once
// The module page: code, mode byte (from the mode byte list), description, ID, listen, comments.
#include "editor/EditorPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

class TframeEdM : public TEditorPage {
public:
    TframeEdM(TVehicle& vehicle, QWidget* parent);
    ~TframeEdM() override;
    void Refresh() override;
    bool CommitEdits() override;
    void FocusCode() override;

    QLineEdit* edMCode = nullptr;
    QComboBox* cbMode = nullptr;
    QLineEdit* edMDesc = nullptr;
    QLineEdit* edModuleID = nullptr;
    QCheckBox* cbListen = nullptr;
    QPlainTextEdit* mmComments = nullptr;

private:
    TFieldBinder binder_;
};

#pragma once
// The request page of the vehicle editor: the request's fields, its input scale and the request
// frame they give. Ctrl+B in the code field pastes attributes from the clipboard.
#include "editor/EditorPage.h"

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TRtime;
class TRS232;
class TCartridge;

class TframeEdR : public TEditorPage {
public:
    TframeEdR(TVehicle& vehicle, QWidget* parent);
    ~TframeEdR() override;
    void Refresh() override;
    bool CommitEdits() override;
    void FocusCode() override;

    // Recomputes the "Frame:" box from the module and the texts shown.
    void RefreshFrame();
    // "..." beside the scale: picks a scale code and copies it into the request's Scale.
    void SelectScale();
    // Ctrl+B in the code field: asks, then pastes attributes from the clipboard.
    void PasteAttributes();

    // Questions (Yes/No) and messages; replaceable for tests. Defaults: message boxes.
    std::function<bool(const std::string& question)> Ask;
    std::function<void(const std::string& message)> Warn;  // a warning box
    std::function<void(const std::string& message)> Error; // an error box
    // Runs the scale editor as a picker; true when it closed with OK. Default: modal TfEditScale.
    std::function<bool()> PickScale;

    QLineEdit* edRCode = nullptr;
    QLineEdit* edRDesc = nullptr;
    QLineEdit* edParameters = nullptr;
    QLineEdit* edPrompt = nullptr;
    QLineEdit* edOverride = nullptr;
    QLineEdit* edFrame = nullptr;
    QLineEdit* edUnits = nullptr;
    QLineEdit* edFactor = nullptr;
    QLineEdit* edOffset = nullptr;
    QPushButton* btnScale = nullptr;
    QLineEdit* edLengthByte = nullptr;
    QCheckBox* cbReply = nullptr;
    QCheckBox* cbProcReply = nullptr;
    QPlainTextEdit* mmComments = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TFieldBinder binder_;
    // The engine builds the frame, so the preview is what a run sends.
    std::unique_ptr<TRtime> timer_;
    std::unique_ptr<TRS232> link_;
    std::unique_ptr<TCartridge> engine_;
};

#pragma once
// "Scaling formulas": the editor of the scale codes catalogue, also the picker of the request and
// attribute pages (closed with OK, the caller copies the current scale). Edits go straight into
// the catalogue, whichever button closes the window.
#include "editor/EditorPage.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class TDBIniGrid;
class TDBNavigator;
class TfDisplayScale;
class TVehicle;

class TfEditScale : public QDialog {
public:
    // iniFile empty: the system's settings file (placement and "ScaleSplit").
    explicit TfEditScale(TVehicle& vehicle, QWidget* parent = nullptr, std::string iniFile = {});
    ~TfEditScale() override;

    // The range buttons: bits 8 or 16, prefix "Alarm" or "Display".
    void CalculateRange(int bits, const std::string& prefix);
    void ShowAsOutput();
    void ShowAsInput();
    // Posts what is typed; false (after a message) when refused.
    bool CommitEdits();
    TfDisplayScale& DisplayScale() const { return *display_; }
    // Shows the conversion window; default: modally.
    std::function<void(TfDisplayScale&)> ShowDisplay;

    TDBIniGrid* dbgScales = nullptr;
    QSplitter* splitter = nullptr;
    QLineEdit* edSCode = nullptr;
    QLineEdit* edSDesc = nullptr;
    QLineEdit* edUnits = nullptr;
    QLineEdit* edFactor = nullptr;
    QLineEdit* edOffset = nullptr;
    QLineEdit* edAlarmMin = nullptr;
    QLineEdit* edAlarmMax = nullptr;
    QLineEdit* edDisplayMin = nullptr;
    QLineEdit* edDisplayMax = nullptr;
    QPushButton* btnAlarm8 = nullptr;
    QPushButton* btnAlarm16 = nullptr;
    QPushButton* btnDisplay8 = nullptr;
    QPushButton* btnDisplay16 = nullptr;
    QCheckBox* cbReverse = nullptr;
    QCheckBox* cbInvert = nullptr;
    QCheckBox* cbSigned = nullptr;
    QCheckBox* cbHex = nullptr;
    QPlainTextEdit* mmComments = nullptr;
    TDBNavigator* navScales = nullptr;
    QPushButton* btnInput = nullptr;
    QPushButton* btnOutput = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void refresh();
    TVehicle& vehicle_;
    std::string iniFile_;
    TFieldBinder binder_;
    TfDisplayScale* display_ = nullptr;
};

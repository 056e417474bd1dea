#pragma once
// The vehicle page: the vehicle record's fields on five tabs (application, chatter frames,
// timings with their help texts, macros with their items, author).
#include "editor/EditorPage.h"

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class TDBIniGrid;
class TDBNavigator;
class TfEditFrame;

class TframeEdV : public TEditorPage {
public:
    TframeEdV(TVehicle& vehicle, QWidget* parent);
    ~TframeEdV() override;
    void Refresh() override;
    bool CommitEdits() override;
    void FocusCode() override; // first tab, vehicle code
    void LoadSettings(const TIniFile& ini, const std::string& section) override;
    void SaveSettings(TIniFile& ini, const std::string& section) override;

    // The Chatter tab is shown exactly while "8192" is chosen.
    void RefreshBaud();
    // Frame edits and their buttons follow the Chatter box; the Reply boxes stay enabled.
    void RefreshChatter();
    // Loads <vehicle folder>/<code>.bmp into the picture panel.
    void RefreshPicture();
    // Opens the frame editor for HeartBeat, Suspend or Resume.
    void EditFrame(const std::string& field);
    void ShowHelp(int t); // 1..6
    void HideHelp();
    // Help text of the "more info..." button of T1 .. T6.
    static std::string HelpText(int t);
    // Default frame given to the frame editor for an empty field.
    static std::string DefaultFrame(const std::string& field);
    // Lists for a macro item's Module and Request boxes.
    std::vector<std::string> ModuleCodes() const;
    std::vector<std::string> RequestCodes();

    // Shows the frame editor; true when closed with OK. Tests replace it.
    std::function<bool(TfEditFrame&)> RunFrameEditor;

    QTabWidget* pcVehicle = nullptr;
    QLineEdit* edVCode = nullptr;
    QLineEdit* edVDesc = nullptr;
    QComboBox* cbALDL = nullptr;
    QLabel* imgVehicle = nullptr;
    QCheckBox* cbChatter = nullptr;
    QLineEdit* edHeartBeat = nullptr;
    QLineEdit* edSuspend = nullptr;
    QLineEdit* edResume = nullptr;
    QPushButton* btnHeartBeat = nullptr;
    QPushButton* btnSuspend = nullptr;
    QPushButton* btnResume = nullptr;
    QCheckBox* cbSuspendReply = nullptr;
    QCheckBox* cbResumeReply = nullptr;
    QPlainTextEdit* mmChatterNote = nullptr;
    QLineEdit* edT[6] = {};
    QPushButton* btnInfo[6] = {};
    QStackedWidget* timingStack = nullptr;
    QPlainTextEdit* mmHelp = nullptr;
    QPushButton* btnBack = nullptr;
    QSplitter* macroSplit = nullptr;
    TDBIniGrid* dbgMacros = nullptr;
    TDBNavigator* navMacros = nullptr;
    QLineEdit* edMacCode = nullptr;
    TDBIniGrid* dbgItems = nullptr;
    TDBNavigator* navItems = nullptr;
    QDateEdit* dtDate = nullptr;
    QLineEdit* edDate = nullptr; // hidden, bound to Date

private:
    QWidget* applicationTab();
    QWidget* chatterTab();
    QWidget* timingTab();
    QWidget* macrosTab();
    QWidget* authorTab();
    void refreshDate();
    void refreshMacro();
    TFieldBinder binder_;
    TFieldBinder macroBinder_;
    QWidget* chatterTab_ = nullptr;
    QList<QWidget*> chatterControls_;
    bool settingDate_ = false;
    int macroWidth_ = 100;
};

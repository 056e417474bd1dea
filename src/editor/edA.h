#pragma once
// The attribute page of the vehicle editor: a header with the attribute's position, type and
// display assignments above one tab per attribute type (the tab index is the AType): scaled
// value, lookup table, raw, DTC, bit flag and enumeration.
#include "editor/EditorPage.h"

#include <QKeyCombination>

#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class TDBIniGrid;
class TDBNavigator;
class TfEditByteBit;

class TframeEdA : public TEditorPage {
public:
    TframeEdA(TVehicle& vehicle, QWidget* parent);
    ~TframeEdA() override;
    void Refresh() override;
    bool CommitEdits() override;
    void FocusCode() override;
    void LoadSettings(const TIniFile& ini, const std::string& section) override;
    void SaveSettings(TIniFile& ini, const std::string& section) override;

    // "..." in the header: the bit selector; on OK stores Start and Bits.
    void SelectBits();
    // "..." on the scaled tab: picks a scale code and copies it into the attribute's Scale.
    void SelectScale();
    // "<-" buttons: tab 0 scaled, 1 lookup, 2 raw; prefix "Alarm" or "Display".
    void CalculateRange(int tab, const std::string& prefix);
    // Ctrl+A (reverse) and Ctrl+B in the DTC, flag and enumeration grids.
    void PasteIntoGrid(TDBIniGrid* grid, bool reverse);
    void ImportTable();
    void ExportTable();
    void ClearTable();

    // Questions (Yes/No), messages and file names; replaceable for tests.
    std::function<bool(const std::string& question)> Ask;
    std::function<void(const std::string& message)> Warn;  // a warning box
    std::function<void(const std::string& message)> Error; // an error box
    std::function<std::string(const std::string& title, const std::string& filter)> OpenFileName;
    std::function<std::string(const std::string& title, const std::string& filter)> SaveFileName;
    std::function<bool()> PickScale;              // default: modal TfEditScale
    std::function<bool(TfEditByteBit&)> PickBits; // default: modal

    QLabel* lbHeader = nullptr;
    QLabel* imHeader = nullptr;
    QLineEdit* edACode = nullptr;
    QLineEdit* edADesc = nullptr;
    QLineEdit* edStart = nullptr;
    QLineEdit* edBits = nullptr;
    QPushButton* btnBits = nullptr;
    QLineEdit* edAType = nullptr; // hidden
    QCheckBox* cbVisible = nullptr;
    QComboBox* cbChart = nullptr;
    QComboBox* cbSeries = nullptr;
    QComboBox* cbDash = nullptr;
    QComboBox* cbDashFmt = nullptr;
    QTabWidget* pcTypes = nullptr;

    // One set per value tab (0 scaled, 1 lookup, 2 raw); the scaled-only ones on tab 0.
    struct TValueTab {
        QLineEdit* Units = nullptr;
        QLineEdit* AlarmMin = nullptr;
        QLineEdit* AlarmMax = nullptr;
        QPushButton* AlarmCalc = nullptr;
        QLineEdit* DisplayMin = nullptr;
        QLineEdit* DisplayMax = nullptr;
        QPushButton* DisplayCalc = nullptr;
        QLineEdit* DescMin = nullptr;
        QLineEdit* DescOk = nullptr;
        QLineEdit* DescMax = nullptr;
        QPlainTextEdit* Comments = nullptr;
    } Tabs[3];
    QLineEdit* edFactor = nullptr;
    QLineEdit* edOffset = nullptr;
    QPushButton* btnScale = nullptr;
    QCheckBox* cbReverse = nullptr;
    QCheckBox* cbInvert = nullptr;
    QCheckBox* cbSigned = nullptr;
    QCheckBox* cbHex = nullptr;

    TDBIniGrid* dbgTable = nullptr;
    QPushButton* btnImport = nullptr;
    QPushButton* btnExport = nullptr;
    QPushButton* btnClear = nullptr;

    TDBIniGrid* dbgDTCs = nullptr;
    TDBIniGrid* dbgFlags = nullptr;
    TDBIniGrid* dbgEnums = nullptr;
    TDBNavigator* navDTCs = nullptr;
    TDBNavigator* navFlags = nullptr;
    TDBNavigator* navEnums = nullptr;
    QPlainTextEdit* mmDTCComments = nullptr;
    QPlainTextEdit* mmFlagComments = nullptr;
    QPlainTextEdit* mmEnumComments = nullptr;
    QSplitter* splDTCs = nullptr;
    QSplitter* splFlags = nullptr;
    QSplitter* splEnums = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildValueTab(int tab);
    QWidget* buildLookupTab();
    QWidget* buildListTab(int atype);
    void tabChosen(int index);
    void showType();
    void showRanges();
    void refreshValueTabs();
    void refreshList(TDBIniGrid* grid);
    void gridCommand(TDBIniGrid* grid, QKeyCombination key); // Ctrl+A, Ctrl+B, Ctrl+D, Ctrl+Del
    // The comments panels under the DTC, flag and enumeration grids (0, 1, 2).
    QSplitter* panelSplitter(int i) const;
    void placePanel(int i);
    void watchPanel(int i);
    int panelHeights_[3] = {60, 60, 60};

    TFieldBinder header_;
    TFieldBinder values_[3];
    TFieldBinder dtcComments_;
    TFieldBinder flagComments_;
    TFieldBinder enumComments_;
    bool refreshing_ = false;
};

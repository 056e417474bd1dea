#pragma once
// The chart properties dialog: edits the look of a chart monitor on a preview monitor (Sample,
// showing sample waves) so that every change shows at once. "Ok" copies the preview's settings
// to the edited monitor; "Cancel" drops them. Nothing is written to the settings file here.
#include <QDialog>

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTabWidget;
class TChartMon;
class TColorPicker;

class TfChartProperties : public QDialog {
public:
    explicit TfChartProperties(QWidget* parent = nullptr);

    // Fills the dialog from the monitor, shows it modally and applies it on "Ok".
    int Execute(TChartMon& monitor);
    // The steps of opening and of "Ok", for callers that drive the dialog themselves.
    void Open(TChartMon& monitor);
    void Apply();
    void PlotSampleData();

    TChartMon* Sample = nullptr; // the preview, owned by the dialog
    // The system colour dialog of "Custom": true and the colour when one was chosen.
    std::function<bool(uint32_t& colour)> PickCustomColor;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCommonPage();
    QWidget* buildChartPage();
    QSpinBox* spin(const char* name, int min, int max, int step, const char* hint);
    void commonColourChosen(uint32_t colour);
    void chartColourChosen(uint32_t colour);
    uint32_t commonColour(int entry) const;
    uint32_t chartColour(int entry) const;
    void showCommonColour();
    void showChartColour();
    void loadChartPage();
    void overrideChanged(bool minimum);
    void rangeEdited(bool minimum);
    void rulerChanged();
    int chart() const;

    TChartMon* edited = nullptr;
    bool initialising = false;
    QTabWidget* tabs = nullptr;
    QListWidget *lstCommon = nullptr, *lstChart = nullptr;
    TColorPicker *pickCommon = nullptr, *pickChart = nullptr;
    QSpinBox *spnSpeed = nullptr, *spnLineWeight = nullptr, *spnF2Delta = nullptr;
    QSpinBox *spnF2DeltaCtrl = nullptr, *spnLarge = nullptr, *spnSmall = nullptr;
    QSpinBox *spnLabel = nullptr, *spnGrid = nullptr;
    QComboBox *cbFormat = nullptr, *cbChart = nullptr;
    QLineEdit *edMin = nullptr, *edMax = nullptr;
    QLabel *lblMin = nullptr, *lblMax = nullptr;
    QCheckBox *chkMinOverride = nullptr, *chkMaxOverride = nullptr;
};

#pragma once
// The gauge properties dialog: a sample gauge of the edited gauge's type shows every change at
// once; "Ok" copies the sample's appearance back onto the edited gauge, "Cancel" drops it.
#include "views/dashboard/GlimmDash.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QScrollBar;
class QSpinBox;
class QStackedWidget;
class TDashColorGrid;

class TfDashProp : public QDialog {
    Q_OBJECT
public:
    explicit TfDashProp(QWidget* parent = nullptr);
    ~TfDashProp() override;

    // Shows the dialog modally for the gauge; true when it was closed with "Ok".
    bool Execute(TGlimmDash& gauge);
    // Fills the dialog from the gauge without showing it (Execute does this first).
    void Open(TGlimmDash& gauge);
    // What "Ok" does: the sample's appearance onto the edited gauge.
    void Apply();
    TGlimmDash& Sample() { return *samples[sampleIndex]; }

    // The system dialogs, replaceable by tests. Font: true and the chosen font on OK. Colour:
    // true and the chosen colour. Picture: the chosen file, empty when cancelled.
    std::function<bool(TFont& font)> FontDialog;
    std::function<bool(uint32_t& colour)> ColorDialog;
    std::function<QString(const QString& start)> PictureDialog;

    // Element list entries ("Background" ... "MinMax") and the format list ("None" ... "x10").
    static const char* const Elements[11];
    static const char* const Formats[11];
    static TGlimmPrecision FormatPrecision(int index);
    static int FormatIndex(TGlimmPrecision precision);

    // Controls, for tests.
    QScrollBar* TestBar = nullptr;
    QLabel* TestValue = nullptr;
    QListWidget* ElementList = nullptr;
    TDashColorGrid* ColorGrid = nullptr;
    QComboBox *ScaleFormat = nullptr, *ValueFormat = nullptr, *Alignment = nullptr;
    std::array<QCheckBox*, 5> AutoBoxes{};    // Caption, Value, Scale, Units, Min/max
    std::array<QCheckBox*, 3> PictureBoxes{}; // Min, Ok, Max
    QSpinBox *NeedleWidthSpin = nullptr, *NeedleLengthSpin = nullptr, *VMarginSpin = nullptr,
             *HMarginSpin = nullptr, *BorderSpin = nullptr;
    std::array<QLineEdit*, 9> Fields{}; // caption, units, display min/max, alarm min/max, texts

protected:
    void done(int result) override;

private:
    QWidget* buildSample();
    QWidget* buildFields();
    QWidget* buildFonts();
    QWidget* buildColours();
    QWidget* buildFormats();
    QWidget* buildPictures();
    QWidget* buildSizes();
    void showControls(); // the controls from the sample
    uint32_t elementColour(int element) const;
    void setElementColour(int element, uint32_t colour);
    void chooseFont(int which);
    void choosePicture(int band);
    void pictureBoxClicked(int band, bool on);
    void restorePlacement();
    void savePlacement();

    std::array<TGlimmDash*, 3> samples{}; // dial, bar, light
    int sampleIndex = 0;
    TGlimmDash* edited = nullptr;
    QStackedWidget* sampleStack = nullptr;
    QMenu* sampleMenu = nullptr;
    bool filling = false; // controls being set from the sample: their signals change nothing
};

#include "views/charts/ChartProperties.h"

#include "common/Common.h"
#include "link/Packet.h"
#include "link/Rtime.h"
#include "views/charts/ChartColumns.h"
#include "views/charts/ChartMon.h"
#include "views/charts/ColorPicker.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Charts;

namespace {

constexpr int SampleFrames = 1531; // frames of sample data the preview plots

// The common colour list: ruler, ticks, labels, notes, then the 32 notes.
constexpr int CommonRuler = 0, CommonTicks = 1, CommonLabels = 2, CommonNotes = 3, FirstNote = 4;
// The chart colour list: background, grid lines, y-axis, then the 4 series.
constexpr int ChartBackground = 0, ChartGrid = 1, ChartYaxis = 2, FirstSeries = 3;

QPushButton* customButton(QWidget* parent) {
    auto* button = new QPushButton(QStringLiteral("Custom"), parent);
    button->setObjectName(QStringLiteral("btnCustom"));
    return button;
}

} // namespace

TfChartProperties::TfChartProperties(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fChartProperties"));
    setWindowTitle(QStringLiteral("Chart properties"));
    PickCustomColor = [this](uint32_t& colour) {
        const QColor chosen = QColorDialog::getColor(ChartColour(colour), this);
        if (!chosen.isValid()) {
            return false;
        }
        colour = static_cast<uint32_t>(chosen.red() | chosen.green() << 8 | chosen.blue() << 16);
        return true;
    };

    Sample = new TChartMon(this);
    Sample->setObjectName(QStringLiteral("Sample"));
    Sample->Properties = false;
    Sample->setMinimumSize(480, 260);

    tabs = new QTabWidget(this);
    tabs->addTab(buildCommonPage(), QStringLiteral("Common"));
    tabs->addTab(buildChartPage(), QStringLiteral("Chart"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOk"));
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Sample, 1);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    resize(640, 600);

    // Every key pressed in the dialog also goes to the preview, to try the cursor keys on it.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    installEventFilter(this);
}

QSpinBox* TfChartProperties::spin(const char* name, int min, int max, int step, const char* hint) {
    auto* box = new QSpinBox(this);
    box->setObjectName(QLatin1String(name));
    box->setRange(min, max);
    box->setSingleStep(step);
    box->setToolTip(QLatin1String(hint));
    return box;
}

QWidget* TfChartProperties::buildCommonPage() {
    auto* page = new QWidget(this);
    lstCommon = new QListWidget(page);
    lstCommon->setObjectName(QStringLiteral("lstCommon"));
    lstCommon->setToolTip(QStringLiteral("Chart element to color"));
    lstCommon->addItems({"Ruler", "Ruler ticks", "Ruler labels", "Notes"});
    for (int n = 1; n <= NoteSlots; ++n) {
        lstCommon->addItem(QStringLiteral("Note %1").arg(n));
    }
    lstCommon->setFixedWidth(120);
    pickCommon = new TColorPicker(page);
    pickCommon->setObjectName(QStringLiteral("pickCommon"));
    pickCommon->setFixedSize(100, 100);
    pickCommon->OnColorChanged = [this](uint32_t c) { commonColourChosen(c); };
    QPushButton* custom = customButton(page);
    connect(custom, &QPushButton::clicked, this, [this] {
        uint32_t c = pickCommon->Color();
        if (PickCustomColor && PickCustomColor(c)) {
            pickCommon->SetColor(c);
            commonColourChosen(c);
        }
    });
    connect(lstCommon, &QListWidget::currentRowChanged, this, [this](int) { showCommonColour(); });

    spnSpeed = spin("spnSpeed", 1, 10, 1, "Number of frames to plot before scrolling");
    spnLineWeight = spin("spnLineWeight", 1, 4, 1, "Width of series lines");
    spnF2Delta = spin("spnF2Delta", 1, 300, 1, "Chart inspector arrow key moves this many frames");
    spnF2DeltaCtrl =
        spin("spnF2DeltaCtrl", 1, 300, 1, "Chart inspector ctrl-arrow key moves this many frames");
    connect(spnSpeed, &QSpinBox::valueChanged, this, [this](int v) { Sample->SetSpeed(v); });
    connect(spnLineWeight, &QSpinBox::valueChanged, this,
            [this](int v) { Sample->SetLineWeight(v); });
    connect(spnF2Delta, &QSpinBox::valueChanged, this, [this](int v) { Sample->F2Delta = v; });
    connect(spnF2DeltaCtrl, &QSpinBox::valueChanged, this,
            [this](int v) { Sample->F2DeltaCtrl = v; });
    auto* misc = new QGroupBox(QStringLiteral("Miscellaneous:"), page);
    auto* miscForm = new QFormLayout(misc);
    miscForm->addRow(QStringLiteral("Scroll interval:"), spnSpeed);
    miscForm->addRow(QStringLiteral("Line weight:"), spnLineWeight);
    miscForm->addRow(QStringLiteral("F2 Delta:"), spnF2Delta);
    miscForm->addRow(QStringLiteral("F2 Delta Ctrl:"), spnF2DeltaCtrl);

    spnLarge = spin("spnLarge", 100, 30000, 100, "Large tick mark spacing in milliseconds");
    spnSmall = spin("spnSmall", 100, 10000, 100, "Small tick mark spacing in milliseconds");
    spnLabel = spin("spnLabel", 1000, 30000, 1000, "Label spacing in milliseconds");
    cbFormat = new QComboBox(page);
    cbFormat->setObjectName(QStringLiteral("cbFormat"));
    cbFormat->setToolTip(QStringLiteral("Label format"));
    cbFormat->addItems({"hh:nn:ss", "nn:ss", "ss", "ss.zzz"});
    for (QSpinBox* box : {spnLarge, spnSmall, spnLabel}) {
        connect(box, &QSpinBox::valueChanged, this, [this](int) { rulerChanged(); });
    }
    connect(cbFormat, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        Sample->Ruler.Format = text.toStdString();
        Sample->RepaintAll();
    });
    auto* spacing = new QGroupBox(QStringLiteral("Ruler spacing:"), page);
    auto* spacingForm = new QFormLayout(spacing);
    spacingForm->addRow(QStringLiteral("Large:"), spnLarge);
    spacingForm->addRow(QStringLiteral("Small:"), spnSmall);
    spacingForm->addRow(QStringLiteral("Label:"), spnLabel);
    spacingForm->addRow(QStringLiteral("Format:"), cbFormat);

    auto* colours = new QVBoxLayout;
    colours->addWidget(pickCommon);
    colours->addWidget(custom);
    colours->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(lstCommon);
    layout->addLayout(colours);
    layout->addWidget(misc);
    layout->addWidget(spacing);
    return page;
}

QWidget* TfChartProperties::buildChartPage() {
    auto* page = new QWidget(this);
    cbChart = new QComboBox(page);
    cbChart->setObjectName(QStringLiteral("cbChart"));
    cbChart->addItems({"Chart 1", "Chart 2", "Chart 3", "Chart 4"});
    connect(cbChart, &QComboBox::currentIndexChanged, this, [this](int) { loadChartPage(); });
    lstChart = new QListWidget(page);
    lstChart->setObjectName(QStringLiteral("lstChart"));
    lstChart->setToolTip(QStringLiteral("Chart elements to color"));
    lstChart->addItems(
        {"Background", "Gridlines", "Y-axis", "Series 1", "Series 2", "Series 3", "Series 4"});
    lstChart->setFixedWidth(120);
    connect(lstChart, &QListWidget::currentRowChanged, this, [this](int) { showChartColour(); });
    pickChart = new TColorPicker(page);
    pickChart->setObjectName(QStringLiteral("pickChart"));
    pickChart->setFixedSize(100, 100);
    pickChart->OnColorChanged = [this](uint32_t c) { chartColourChosen(c); };
    QPushButton* custom = customButton(page);
    connect(custom, &QPushButton::clicked, this, [this] {
        uint32_t c = pickChart->Color();
        if (PickCustomColor && PickCustomColor(c)) {
            pickChart->SetColor(c);
            chartColourChosen(c);
        }
    });

    spnGrid = spin("spnGrid", 1, 10, 1, "Number of grid lines");
    connect(spnGrid, &QSpinBox::valueChanged, this, [this](int v) {
        Sample->Rows[static_cast<size_t>(chart())].GridCount = v;
        Sample->LayoutCharts();
    });
    edMin = new QLineEdit(page);
    edMin->setObjectName(QStringLiteral("edMin"));
    edMax = new QLineEdit(page);
    edMax->setObjectName(QStringLiteral("edMax"));
    chkMinOverride = new QCheckBox(QStringLiteral("Override"), page);
    chkMinOverride->setObjectName(QStringLiteral("chkMinOverride"));
    chkMaxOverride = new QCheckBox(QStringLiteral("Override"), page);
    chkMaxOverride->setObjectName(QStringLiteral("chkMaxOverride"));
    lblMin = new QLabel(QStringLiteral("Minimum:"), page);
    lblMax = new QLabel(QStringLiteral("Maximum:"), page);
    connect(chkMinOverride, &QCheckBox::toggled, this, [this](bool) { overrideChanged(true); });
    connect(chkMaxOverride, &QCheckBox::toggled, this, [this](bool) { overrideChanged(false); });
    connect(edMin, &QLineEdit::textEdited, this, [this](const QString&) { rangeEdited(true); });
    connect(edMax, &QLineEdit::textEdited, this, [this](const QString&) { rangeEdited(false); });

    auto* axis = new QGroupBox(QStringLiteral("Y-axis:"), page);
    auto* grid = new QGridLayout(axis);
    grid->addWidget(new QLabel(QStringLiteral("Grid lines:"), axis), 0, 0);
    grid->addWidget(spnGrid, 0, 1);
    grid->addWidget(lblMax, 1, 0);
    grid->addWidget(edMax, 1, 1);
    grid->addWidget(chkMaxOverride, 1, 2);
    grid->addWidget(lblMin, 2, 0);
    grid->addWidget(edMin, 2, 1);
    grid->addWidget(chkMinOverride, 2, 2);
    grid->setRowStretch(3, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(cbChart);
    left->addWidget(lstChart);
    auto* colours = new QVBoxLayout;
    colours->addWidget(pickChart);
    colours->addWidget(custom);
    colours->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(left);
    layout->addLayout(colours);
    layout->addWidget(axis, 1);
    return page;
}

int TfChartProperties::chart() const {
    return std::max(0, cbChart->currentIndex());
}

int TfChartProperties::Execute(TChartMon& monitor) {
    Open(monitor);
    const int result = exec();
    if (result == QDialog::Accepted) {
        Apply();
    }
    return result;
}

void TfChartProperties::Open(TChartMon& monitor) {
    edited = &monitor;
    initialising = true;
    Sample->Image = monitor.Image;
    Sample->AssignSeries();
    spnF2Delta->setValue(monitor.F2Delta);
    spnF2DeltaCtrl->setValue(monitor.F2DeltaCtrl);
    spnSpeed->setValue(monitor.Speed());
    spnLineWeight->setValue(monitor.LineWeight());
    spnLarge->setValue(monitor.Ruler.TickInterval);
    spnSmall->setValue(monitor.Ruler.SubTickInterval);
    spnLabel->setValue(monitor.Ruler.LabelInterval);
    cbFormat->setCurrentText(QString::fromStdString(monitor.Ruler.Format));
    // The boxes apply their values while they are filled; the ones that did not change too.
    Sample->F2Delta = monitor.F2Delta;
    Sample->F2DeltaCtrl = monitor.F2DeltaCtrl;
    Sample->SetSpeed(monitor.Speed());
    Sample->SetLineWeight(monitor.LineWeight());
    Sample->Ruler.TickInterval = monitor.Ruler.TickInterval;
    Sample->Ruler.SubTickInterval = monitor.Ruler.SubTickInterval;
    Sample->Ruler.LabelInterval = monitor.Ruler.LabelInterval;
    Sample->Ruler.Format = monitor.Ruler.Format;
    Sample->Ruler.TimeOfDay = monitor.Ruler.TimeOfDay;

    Sample->RulerColor = monitor.RulerColor;
    Sample->RulerTickColor = monitor.RulerTickColor;
    Sample->RulerFontColor = monitor.RulerFontColor;
    Sample->NotesColor = monitor.NotesColor;
    for (int n = 0; n < NoteSlots; ++n) {
        Sample->Notes.SetColor(n, monitor.Notes.Color(n));
    }
    for (int k = 0; k < ChartCount; ++k) {
        const TChartRow& from = monitor.Rows[static_cast<size_t>(k)];
        TChartRow& to = Sample->Rows[static_cast<size_t>(k)];
        to.Color = from.Color;
        to.GridCount = from.GridCount;
        to.GridColor = from.GridColor;
        to.YaxisFontColor = from.YaxisFontColor;
        to.DisplayMin = from.EffectiveMin();
        to.DisplayMax = from.EffectiveMax();
        to.DisplayMinOverride = from.DisplayMinOverride;
        to.DisplayMaxOverride = from.DisplayMaxOverride;
        for (int r = 0; r < SeriesSlots; ++r) {
            to.Series[static_cast<size_t>(r)].SetName(from.Series[static_cast<size_t>(r)].Name);
            to.Series[static_cast<size_t>(r)].Color = from.Series[static_cast<size_t>(r)].Color;
        }
    }
    // Visibility last: it lays the preview out once for all of the above.
    Sample->SetRulerVisible(monitor.RulerVisible());
    Sample->SetNotesVisible(monitor.NotesVisible());

    lstCommon->setCurrentRow(CommonRuler);
    lstChart->setCurrentRow(ChartBackground);
    cbChart->setCurrentIndex(0);
    loadChartPage();
    showCommonColour();
    initialising = false;
    PlotSampleData();
}

void TfChartProperties::Apply() {
    if (!edited) {
        return;
    }
    TChartMon& m = *edited;
    m.F2Delta = Sample->F2Delta;
    m.F2DeltaCtrl = Sample->F2DeltaCtrl;
    m.SetSpeed(Sample->Speed());
    m.SetLineWeight(Sample->LineWeight());
    m.Ruler.TickInterval = Sample->Ruler.TickInterval;
    m.Ruler.SubTickInterval = Sample->Ruler.SubTickInterval;
    m.Ruler.LabelInterval = Sample->Ruler.LabelInterval;
    m.Ruler.Format = Sample->Ruler.Format;
    m.Ruler.TimeOfDay = Sample->Ruler.TimeOfDay;
    m.RulerColor = Sample->RulerColor;
    m.RulerTickColor = Sample->RulerTickColor;
    m.RulerFontColor = Sample->RulerFontColor;
    m.NotesColor = Sample->NotesColor;
    for (int n = 0; n < NoteSlots; ++n) {
        m.Notes.SetColor(n, Sample->Notes.Color(n));
    }
    for (int k = 0; k < ChartCount; ++k) {
        const TChartRow& from = Sample->Rows[static_cast<size_t>(k)];
        TChartRow& to = m.Rows[static_cast<size_t>(k)];
        to.Color = from.Color;
        to.GridCount = from.GridCount;
        to.GridColor = from.GridColor;
        to.YaxisFontColor = from.YaxisFontColor;
        to.DisplayMin = from.EffectiveMin();
        to.DisplayMax = from.EffectiveMax();
        to.DisplayMinOverride = from.DisplayMinOverride;
        to.DisplayMaxOverride = from.DisplayMaxOverride;
        for (int r = 0; r < SeriesSlots; ++r) {
            to.Series[static_cast<size_t>(r)].SetName(from.Series[static_cast<size_t>(r)].Name);
            to.Series[static_cast<size_t>(r)].Color = from.Series[static_cast<size_t>(r)].Color;
        }
    }
    m.SetRulerVisible(Sample->RulerVisible());
    m.SetNotesVisible(Sample->NotesVisible());
    m.LayoutCharts();
}

void TfChartProperties::PlotSampleData() {
    if (initialising || !Sample->Image) {
        return;
    }
    // Sample frames are plotted without decoding: the preview draws sample waves, and the
    // shared image keeps the values of the real frame the other pages show.
    Sample->SetPaintEnabled(false);
    Sample->ClearCharts();
    const double now = LocalNow();
    for (int i = 0; i < SampleFrames; ++i) {
        TPacket frame;
        frame.SetHeader(0xF0);
        frame.UpdateChecksum();
        frame.SetTime(now + i * 100.0 / 86400000.0);
        frame.Notes = i % 48 == 0 ? 1u << (i / 48) : 0;
        if (!Sample->PlotFrame(frame)) {
            break;
        }
    }
    Sample->SetPaintEnabled(true);
}

void TfChartProperties::rulerChanged() {
    // The ruler places its ticks as it paints: the preview shows the new spacing at once.
    Sample->SetRulerIntervals(spnLarge->value(), spnSmall->value(), spnLabel->value());
}

uint32_t TfChartProperties::commonColour(int entry) const {
    switch (entry) {
    case CommonRuler:
        return Sample->RulerColor;
    case CommonTicks:
        return Sample->RulerTickColor;
    case CommonLabels:
        return Sample->RulerFontColor;
    case CommonNotes:
        return Sample->NotesColor;
    default:
        return Sample->Notes.Color(entry - FirstNote);
    }
}

void TfChartProperties::showCommonColour() {
    pickCommon->SetColor(commonColour(std::max(0, lstCommon->currentRow())));
}

void TfChartProperties::commonColourChosen(uint32_t colour) {
    const int entry = std::max(0, lstCommon->currentRow());
    switch (entry) {
    case CommonRuler:
        Sample->RulerColor = colour;
        break;
    case CommonTicks:
        Sample->RulerTickColor = colour;
        break;
    case CommonLabels:
        Sample->RulerFontColor = colour;
        break;
    case CommonNotes:
        Sample->NotesColor = colour;
        break;
    default:
        Sample->Notes.SetColor(entry - FirstNote, colour);
        break;
    }
    Sample->RepaintAll();
}

uint32_t TfChartProperties::chartColour(int entry) const {
    const TChartRow& row = Sample->Rows[static_cast<size_t>(chart())];
    switch (entry) {
    case ChartBackground:
        return row.Color;
    case ChartGrid:
        return row.GridColor;
    case ChartYaxis:
        return row.YaxisFontColor;
    default:
        return row.Series[static_cast<size_t>(std::clamp(entry - FirstSeries, 0, 3))].Color;
    }
}

void TfChartProperties::showChartColour() {
    pickChart->SetColor(chartColour(std::max(0, lstChart->currentRow())));
}

void TfChartProperties::chartColourChosen(uint32_t colour) {
    TChartRow& row = Sample->Rows[static_cast<size_t>(chart())];
    const int entry = std::max(0, lstChart->currentRow());
    switch (entry) {
    case ChartBackground:
        row.Color = colour;
        break;
    case ChartGrid:
        row.GridColor = colour;
        break;
    case ChartYaxis:
        row.YaxisFontColor = colour;
        break;
    default:
        row.Series[static_cast<size_t>(std::clamp(entry - FirstSeries, 0, 3))].Color = colour;
        break;
    }
    Sample->RepaintAll();
}

void TfChartProperties::loadChartPage() {
    const TChartRow& row = Sample->Rows[static_cast<size_t>(chart())];
    const bool was = initialising;
    initialising = true;
    spnGrid->setValue(std::clamp(row.GridCount, 1, 10));
    edMin->setText(QString::fromStdString(NumberText(row.EffectiveMin())));
    edMax->setText(QString::fromStdString(NumberText(row.EffectiveMax())));
    chkMinOverride->setChecked(row.DisplayMinOverride);
    chkMaxOverride->setChecked(row.DisplayMaxOverride);
    for (QWidget* w : {static_cast<QWidget*>(lblMin), static_cast<QWidget*>(edMin)}) {
        w->setEnabled(row.DisplayMinOverride);
    }
    for (QWidget* w : {static_cast<QWidget*>(lblMax), static_cast<QWidget*>(edMax)}) {
        w->setEnabled(row.DisplayMaxOverride);
    }
    showChartColour();
    initialising = was;
}

void TfChartProperties::overrideChanged(bool minimum) {
    if (initialising) {
        return;
    }
    TChartRow& row = Sample->Rows[static_cast<size_t>(chart())];
    QCheckBox* box = minimum ? chkMinOverride : chkMaxOverride;
    QLineEdit* edit = minimum ? edMin : edMax;
    (minimum ? lblMin : lblMax)->setEnabled(box->isChecked());
    edit->setEnabled(box->isChecked());
    const float effective = minimum ? row.EffectiveMin() : row.EffectiveMax();
    if (minimum) {
        row.DisplayMinOverride = box->isChecked();
        row.DisplayMin = effective;
    } else {
        row.DisplayMaxOverride = box->isChecked();
        row.DisplayMax = effective;
    }
    edit->setText(QString::fromStdString(NumberText(effective)));
    Sample->LayoutCharts();
}

void TfChartProperties::rangeEdited(bool minimum) {
    TChartRow& row = Sample->Rows[static_cast<size_t>(chart())];
    const std::string text = (minimum ? edMin : edMax)->text().toStdString();
    if (minimum) {
        row.DisplayMin = static_cast<float>(ReadNumber(text, row.EffectiveMin()));
    } else {
        row.DisplayMax = static_cast<float>(ReadNumber(text, row.EffectiveMax()));
    }
    Sample->LayoutCharts();
}

bool TfChartProperties::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        QWidget* focus = QApplication::focusWidget();
        auto* key = static_cast<QKeyEvent*>(event);
        if ((watched == focus || (!focus && watched == this)) &&
            !KeyTypedIntoFocus(focus, key->key())) {
            if (Sample->KeyDown(key->key(), key->modifiers())) {
                return true; // a key the preview used goes no further
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

#include "views/dashboard/DashProperties.h"

#include "common/Common.h"
#include "shell/GlimmCommon.h"
#include "views/dashboard/DashColorGrid.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

const char* const TfDashProp::Elements[11] = {"Background", "Face",  "Border",  "Caption",
                                              "Scale",      "Value", "Minimum", "Normal",
                                              "Maximum",    "Units", "MinMax"};
const char* const TfDashProp::Formats[11] = {"None", "1000's", "100's", "10's", "1's", "#.9",
                                             "#.99", "#.999",  "x1000", "x100", "x10"};

namespace {

constexpr TGlimmPrecision FormatOrder[11] = {spNone, spr1000, spr100,  spr10,  spr0, spf1,
                                             spf2,   spf3,    spx1000, spx100, spx10};
const char* const Section = "Windows";
const char* const Name = "fDashProp";

uint32_t colourOf(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
           static_cast<uint32_t>(c.blue()) << 16;
}

QColor qcolour(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                  static_cast<int>(c >> 16 & 0xFF));
}

QToolButton* dotsButton(QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(QStringLiteral("..."));
    return b;
}

// The sample's own popup menu acts on the sample as the page's menu acts on a gauge.
class TSampleMenu : public QMenu {
public:
    TSampleMenu(std::function<TGlimmDash*()> sample, QWidget* parent)
        : QMenu(parent), current(std::move(sample)) {
        connect(addAction(QStringLiteral("Reset")), &QAction::triggered, this,
                [this] { current()->ResetMinMax(); });
        addSeparator();
        toggle("Show Caption", &TGlimmDash::ShowCaption, &TGlimmDash::SetShowCaption);
        toggle("Show Value", &TGlimmDash::ShowPosition, &TGlimmDash::SetShowPosition);
        toggle("Show Units", &TGlimmDash::ShowUnits, &TGlimmDash::SetShowUnits);
        toggle("Show Min/Max", &TGlimmDash::ShowMinMax, &TGlimmDash::SetShowMinMax);
        connect(this, &QMenu::aboutToShow, this, [this] {
            for (auto& [action, get] : checks) {
                action->setChecked((current()->*get)());
            }
        });
    }

private:
    using Getter = bool (TGlimmDash::*)() const;
    void toggle(const char* text, Getter get, void (TGlimmDash::*set)(bool)) {
        QAction* a = addAction(QString::fromLatin1(text));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, set](bool on) { (current()->*set)(on); });
        checks.emplace_back(a, get);
    }
    std::function<TGlimmDash*()> current;
    std::vector<std::pair<QAction*, Getter>> checks;
};

} // namespace

TGlimmPrecision TfDashProp::FormatPrecision(int index) {
    return index >= 0 && index < 11 ? FormatOrder[index] : spNone;
}

int TfDashProp::FormatIndex(TGlimmPrecision precision) {
    for (int i = 0; i < 11; ++i) {
        if (FormatOrder[i] == precision) {
            return i;
        }
    }
    return 0;
}

TfDashProp::TfDashProp(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::fromLatin1(Name));
    setWindowTitle(QStringLiteral("Dashboard gauge properties"));
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildSample(), 1);
    left->addWidget(buildFields());
    top->addLayout(left, 1);
    auto* right = new QGridLayout;
    right->addWidget(buildFonts(), 0, 0);
    right->addWidget(buildColours(), 0, 1, 2, 1);
    right->addWidget(buildFormats(), 1, 0);
    right->addWidget(buildPictures(), 2, 0);
    right->addWidget(buildSizes(), 2, 1);
    top->addLayout(right);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(buttons);
    setSizeGripEnabled(false);
    adjustSize();
    setFixedSize(sizeHint());
    restorePlacement();
}

TfDashProp::~TfDashProp() = default;

QWidget* TfDashProp::buildSample() {
    auto* box = new QWidget(this);
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    sampleStack = new QStackedWidget(box);
    sampleStack->setObjectName(QStringLiteral("SamplePanel"));
    sampleStack->setMinimumSize(240, 240);
    samples = {new TGlimmDial(sampleStack), new TGlimmBar(sampleStack),
               new TGlimmLight(sampleStack)};
    sampleMenu = new TSampleMenu([this] { return &Sample(); }, this);
    for (TGlimmDash* s : samples) {
        s->setObjectName(QStringLiteral("Sample"));
        s->AllowProps = false;
        s->OnPopup = [this](TGlimmDash&, const QPoint& at) { sampleMenu->exec(at); };
        sampleStack->addWidget(s);
    }
    v->addWidget(sampleStack, 1);
    auto* row = new QHBoxLayout;
    TestBar = new QScrollBar(Qt::Horizontal, box);
    TestValue = new QLabel(QStringLiteral("0"), box);
    TestValue->setMinimumWidth(48);
    connect(TestBar, &QScrollBar::valueChanged, this, [this](int value) {
        Sample().SetPosition(static_cast<float>(value));
        TestValue->setText(QString::number(value));
    });
    row->addWidget(TestBar, 1);
    row->addWidget(TestValue);
    v->addLayout(row);
    return box;
}

QWidget* TfDashProp::buildFields() {
    auto* box = new QWidget(this);
    auto* form = new QGridLayout(box);
    form->setContentsMargins(0, 0, 0, 0);
    for (auto& field : Fields) {
        field = new QLineEdit(box);
    }
    auto label = [&](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromLatin1(text), box);
        l->setBuddy(buddy);
        return l;
    };
    form->addWidget(label("&Caption:", Fields[0]), 0, 0);
    form->addWidget(Fields[0], 0, 1, 1, 3);
    form->addWidget(label("&Units:", Fields[1]), 1, 0);
    form->addWidget(Fields[1], 1, 1, 1, 3);
    form->addWidget(label("Display:", Fields[2]), 2, 0);
    form->addWidget(Fields[2], 2, 1);
    form->addWidget(Fields[3], 2, 2);
    form->addWidget(label("Alarm:", Fields[4]), 3, 0);
    form->addWidget(Fields[4], 3, 1);
    form->addWidget(Fields[5], 3, 2);
    form->addWidget(label("Text:", Fields[6]), 4, 0);
    form->addWidget(Fields[6], 4, 1);
    form->addWidget(Fields[7], 4, 2);
    form->addWidget(Fields[8], 4, 3);
    return box;
}

QWidget* TfDashProp::buildFonts() {
    auto* group = new QGroupBox(QStringLiteral("Fonts (tick for auto size):"), this);
    auto* grid = new QGridLayout(group);
    const char* const names[5] = {"Caption:", "Value:", "Scale:", "Units:", "Min/max:"};
    void (TGlimmDash::*const sets[5])(bool) = {
        &TGlimmDash::SetAutoCaption, &TGlimmDash::SetAutoPosition, &TGlimmDash::SetAutoScale,
        &TGlimmDash::SetAutoUnit, &TGlimmDash::SetAutoMinMax};
    for (int i = 0; i < 5; ++i) {
        AutoBoxes[i] = new QCheckBox(QString::fromLatin1(names[i]), group);
        auto set = sets[i];
        connect(AutoBoxes[i], &QCheckBox::toggled, this, [this, set](bool on) {
            if (!filling) {
                (Sample().*set)(on);
            }
        });
        QToolButton* b = dotsButton(group);
        connect(b, &QToolButton::clicked, this, [this, i] { chooseFont(i); });
        grid->addWidget(AutoBoxes[i], i, 0);
        grid->addWidget(b, i, 1);
    }
    return group;
}

QWidget* TfDashProp::buildColours() {
    auto* group = new QGroupBox(QStringLiteral("Select colors:"), this);
    auto* v = new QVBoxLayout(group);
    ElementList = new QListWidget(group);
    for (const char* e : Elements) {
        ElementList->addItem(QString::fromLatin1(e));
    }
    ElementList->setFixedWidth(110);
    ColorGrid = new TDashColorGrid(group);
    ColorGrid->setFixedSize(100, 100);
    auto* custom = new QPushButton(QStringLiteral("Custom"), group);
    connect(ElementList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            ColorGrid->SetColor(elementColour(row));
        }
    });
    ColorGrid->OnColorChanged = [this](uint32_t c) {
        setElementColour(ElementList->currentRow(), c);
    };
    connect(custom, &QPushButton::clicked, this, [this] {
        uint32_t c = ColorGrid->Color();
        bool chosen = false;
        if (ColorDialog) {
            chosen = ColorDialog(c);
        } else {
            const QColor q = QColorDialog::getColor(qcolour(c), this);
            chosen = q.isValid();
            c = colourOf(q);
        }
        if (chosen) {
            ColorGrid->SetColor(c);
            setElementColour(ElementList->currentRow(), c);
        }
    });
    v->addWidget(ElementList, 1);
    v->addWidget(ColorGrid, 0, Qt::AlignHCenter);
    v->addWidget(custom);
    return group;
}

QWidget* TfDashProp::buildFormats() {
    auto* group = new QGroupBox(QStringLiteral("Formatting:"), this);
    auto* form = new QFormLayout(group);
    ScaleFormat = new QComboBox(group);
    ValueFormat = new QComboBox(group);
    for (const char* f : Formats) {
        ScaleFormat->addItem(QString::fromLatin1(f));
        ValueFormat->addItem(QString::fromLatin1(f));
    }
    Alignment = new QComboBox(group);
    Alignment->addItems(
        {QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right")});
    connect(ScaleFormat, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!filling) {
            Sample().SetScalePrecision(FormatPrecision(i));
        }
    });
    connect(ValueFormat, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!filling) {
            Sample().SetPrecision(FormatPrecision(i));
        }
    });
    connect(Alignment, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!filling) {
            static constexpr TGlimmHAlign order[3] = {ahLeft, ahCenter, ahRight};
            Sample().SetHAlignment(order[Clamp(i, 0, 2)]);
        }
    });
    form->addRow(QStringLiteral("Scale fmt:"), ScaleFormat);
    form->addRow(QStringLiteral("Value fmt:"), ValueFormat);
    form->addRow(QStringLiteral("Alignment:"), Alignment);
    return group;
}

QWidget* TfDashProp::buildPictures() {
    auto* group = new QGroupBox(QStringLiteral("Background image:"), this);
    auto* grid = new QGridLayout(group);
    const char* const names[3] = {"Min:", "Ok:", "Max:"};
    const char* const hints[3] = {"Select background image for minimum values",
                                  "Select background image for ok values",
                                  "Select background image for maximum values"};
    for (int b = 0; b < 3; ++b) {
        PictureBoxes[b] = new QCheckBox(QString::fromLatin1(names[b]), group);
        connect(PictureBoxes[b], &QCheckBox::clicked, this,
                [this, b](bool on) { pictureBoxClicked(b, on); });
        QToolButton* dots = dotsButton(group);
        dots->setToolTip(QString::fromLatin1(hints[b]));
        connect(dots, &QToolButton::clicked, this, [this, b] { choosePicture(b); });
        grid->addWidget(PictureBoxes[b], b, 0);
        grid->addWidget(dots, b, 1);
    }
    return group;
}

QWidget* TfDashProp::buildSizes() {
    auto* group = new QGroupBox(QStringLiteral("Sizing:"), this);
    auto* form = new QFormLayout(group);
    auto spin = [&](int lo, int hi, void (TGlimmDash::*set)(int)) {
        auto* s = new QSpinBox(group);
        s->setRange(lo, hi);
        connect(s, &QSpinBox::valueChanged, this, [this, set](int v) {
            if (!filling) {
                (Sample().*set)(v);
            }
        });
        return s;
    };
    NeedleWidthSpin = spin(2, 10, &TGlimmDash::SetNeedleWidth);
    NeedleLengthSpin = spin(10, 100, &TGlimmDash::SetNeedleLength);
    VMarginSpin = spin(0, 100, &TGlimmDash::SetVBorder);
    HMarginSpin = spin(0, 100, &TGlimmDash::SetHBorder);
    BorderSpin = spin(1, 10, &TGlimmDash::SetBorder);
    form->addRow(QStringLiteral("Needle width:"), NeedleWidthSpin);
    form->addRow(QStringLiteral("Needle length:"), NeedleLengthSpin);
    form->addRow(QStringLiteral("V margin:"), VMarginSpin);
    form->addRow(QStringLiteral("H margin:"), HMarginSpin);
    form->addRow(QStringLiteral("Border:"), BorderSpin);
    return group;
}

void TfDashProp::Open(TGlimmDash& gauge) {
    edited = &gauge;
    sampleIndex = gauge.Kind() == gkDial ? 0 : gauge.Kind() == gkBar ? 1 : 2;
    sampleStack->setCurrentIndex(sampleIndex);
    TGlimmDash& s = Sample();
    s.CopyAppearance(gauge);
    s.SetPosition(0);
    filling = true;
    TestBar->setRange(s.Scale().Min, s.Scale().Max);
    TestBar->setValue(0);
    TestValue->setText(QString::number(TestBar->value()));
    const std::string texts[9] = {gauge.Caption(),
                                  gauge.Units(),
                                  NumberText(gauge.DisplayMin()),
                                  NumberText(gauge.DisplayMax()),
                                  NumberText(gauge.AlarmMin()),
                                  NumberText(gauge.AlarmMax()),
                                  gauge.Text()[0],
                                  gauge.Text()[1],
                                  gauge.Text()[2]};
    for (int i = 0; i < 9; ++i) {
        Fields[i]->setText(QString::fromStdString(texts[i]));
    }
    filling = false;
    showControls();
    ElementList->setCurrentRow(0);
    ColorGrid->SetColor(elementColour(0));
}

void TfDashProp::showControls() {
    TGlimmDash& s = Sample();
    filling = true;
    const bool autos[5] = {s.AutoCaption(), s.AutoPosition(), s.AutoScale(), s.AutoUnit(),
                           s.AutoMinMax()};
    for (int i = 0; i < 5; ++i) {
        AutoBoxes[i]->setChecked(autos[i]);
    }
    for (int b = 0; b < 3; ++b) {
        PictureBoxes[b]->setChecked(s.ShowBackground(b));
    }
    ScaleFormat->setCurrentIndex(FormatIndex(s.ScalePrecision()));
    ValueFormat->setCurrentIndex(FormatIndex(s.Precision()));
    Alignment->setCurrentIndex(s.HAlignment() == ahLeft ? 0 : s.HAlignment() == ahCenter ? 1 : 2);
    NeedleWidthSpin->setValue(s.NeedleWidth());
    NeedleLengthSpin->setValue(s.NeedleLength());
    VMarginSpin->setValue(s.VBorder());
    HMarginSpin->setValue(s.HBorder());
    BorderSpin->setValue(s.Border());
    filling = false;
}

uint32_t TfDashProp::elementColour(int element) const {
    const TGlimmDash& s = *samples[sampleIndex];
    switch (element) {
    case 0:
        return s.Color();
    case 1:
        return s.ColorFace();
    case 2:
        return s.ColorLine();
    case 3:
        return s.CaptionFont().Color;
    case 4:
        return s.ScaleFont().Color;
    case 5:
        return s.PositionFont().Color;
    case 6:
        return s.ColorMin();
    case 7:
        return s.ColorOk();
    case 8:
        return s.ColorMax();
    case 9:
        return s.UnitFont().Color;
    case 10:
        return s.MinMaxFont().Color;
    default:
        return 0;
    }
}

void TfDashProp::setElementColour(int element, uint32_t c) {
    TGlimmDash& s = Sample();
    auto recolour = [c](TFont f) {
        f.Color = c;
        return f;
    };
    switch (element) {
    case 0:
        s.SetColor(c);
        break;
    case 1:
        s.SetColorFace(c);
        break;
    case 2:
        s.SetColorLine(c);
        break;
    case 3:
        s.SetCaptionFont(recolour(s.CaptionFont()));
        break;
    case 4:
        s.SetScaleFont(recolour(s.ScaleFont()));
        break;
    case 5:
        s.SetPositionFont(recolour(s.PositionFont()));
        break;
    case 6:
        s.SetColorMin(c);
        break;
    case 7:
        s.SetColorOk(c);
        break;
    case 8:
        s.SetColorMax(c);
        break;
    case 9:
        s.SetUnitFont(recolour(s.UnitFont()));
        break;
    case 10:
        s.SetMinMaxFont(recolour(s.MinMaxFont()));
        break;
    default:
        break;
    }
}

// which: 0 caption, 1 value, 2 scale, 3 units, 4 min/max (the order of the check boxes).
void TfDashProp::chooseFont(int which) {
    if (which < 0 || which > 4) {
        return;
    }
    TGlimmDash& s = Sample();
    const TFont* fonts[5] = {&s.CaptionFont(), &s.PositionFont(), &s.ScaleFont(), &s.UnitFont(),
                             &s.MinMaxFont()};
    TFont font = *fonts[which];
    bool chosen = false;
    if (FontDialog) {
        chosen = FontDialog(font);
    } else {
        const QFont q = QFontDialog::getFont(&chosen, QFontOf(font), this);
        if (chosen) {
            font = FontOf(q, font.Color);
        }
    }
    if (!chosen) {
        return;
    }
    switch (which) {
    case 0:
        s.SetCaptionFont(font);
        break;
    case 1:
        s.SetPositionFont(font);
        break;
    case 2:
        s.SetScaleFont(font);
        break;
    case 3:
        s.SetUnitFont(font);
        break;
    default:
        s.SetMinMaxFont(font);
        break;
    }
}

void TfDashProp::choosePicture(int band) {
    TGlimmDash& s = Sample();
    const QString start = QString::fromStdString(s.BackgroundFile(band));
    const QString file =
        PictureDialog
            ? PictureDialog(start)
            : QFileDialog::getOpenFileName(this, QString(), start,
                                           QStringLiteral("Bitmap files (*.bmp);;All files (*.*)"));
    if (file.isEmpty()) {
        return;
    }
    s.SetBackgroundFile(band, file.toStdString());
    PictureBoxes[band]->setChecked(s.ShowBackground(band));
}

void TfDashProp::pictureBoxClicked(int band, bool on) {
    TGlimmDash& s = Sample();
    if (on) {
        s.SetBackgroundFile(band, s.BackgroundFile(band)); // reload; stays off when unreadable
    } else {
        s.SetShowBackground(band, false);
    }
    PictureBoxes[band]->setChecked(s.ShowBackground(band));
}

bool TfDashProp::Execute(TGlimmDash& gauge) {
    Open(gauge);
    return exec() == QDialog::Accepted;
}

void TfDashProp::Apply() {
    if (edited) {
        edited->CopyAppearance(Sample());
    }
}

void TfDashProp::done(int result) {
    if (result == QDialog::Accepted) {
        Apply();
    }
    savePlacement();
    QDialog::done(result);
}

void TfDashProp::restorePlacement() {
    TProperties& s = SettingsStore();
    const std::string state = s.ReadString(Section, std::string(Name) + ".State", "X");
    if (state == "X") {
        return; // nothing stored: the designed position
    }
    if (state == "Maximized") {
        setWindowState(Qt::WindowMaximized);
        return;
    }
    move(s.ReadInteger(Section, std::string(Name) + ".Left", x()),
         s.ReadInteger(Section, std::string(Name) + ".Top", y()));
}

void TfDashProp::savePlacement() {
    TProperties& s = SettingsStore();
    const std::string state = isMaximized() ? "Maximized" : isMinimized() ? "Minimized" : "Normal";
    if (state == "Normal") {
        s.WriteInteger(Section, std::string(Name) + ".Left", x());
        s.WriteInteger(Section, std::string(Name) + ".Top", y());
    }
    s.WriteString(Section, std::string(Name) + ".State", state);
}

#include "views/dashboard/GlimmDash.h"

#include "common/Common.h"
#include "common/Format.h"

#include <QContextMenuEvent>

#include <algorithm>

namespace {

TFont arial(int size, uint32_t colour = 0) {
    TFont f;
    f.Name = "Arial";
    f.Size = size;
    f.Style = 0;
    f.Color = colour;
    return f;
}

const char* const DashSection = "Dash";

} // namespace

TGlimmDash::TGlimmDash(TGlimmKind kind_, QWidget* parent) : QWidget(parent), kind(kind_) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    switch (kind) {
    case gkDial:
        resize(100, 100);
        break;
    case gkBar:
        resize(50, 100);
        break;
    case gkLight:
        resize(50, 50);
        break;
    }
    RestoreFactory();
    ClearValues();
    relayout();
}

TGlimmDial::TGlimmDial(QWidget* parent) : TGlimmDash(gkDial, parent) {}
TGlimmBar::TGlimmBar(QWidget* parent) : TGlimmDash(gkBar, parent) {}
TGlimmLight::TGlimmLight(QWidget* parent) : TGlimmDash(gkLight, parent) {}

// ---- texts, fonts and switches: each change is a full repaint ----

void TGlimmDash::SetCaption(const std::string& text) {
    caption = text;
    invalidate();
}

void TGlimmDash::SetUnits(const std::string& text) {
    units = text;
    invalidate();
}

void TGlimmDash::SetText(const std::vector<std::string>& lines) {
    for (size_t i = 0; i < bandTexts.size(); ++i) {
        bandTexts[i] = i < lines.size() ? lines[i] : std::string();
    }
    invalidate();
}

#define GLIMM_SETTER(Name, Type, member)                                                           \
    void TGlimmDash::Set##Name(Type v) {                                                           \
        member = v;                                                                                \
        invalidate();                                                                              \
    }

GLIMM_SETTER(CaptionFont, const TFont&, captionFont)
GLIMM_SETTER(PositionFont, const TFont&, positionFont)
GLIMM_SETTER(UnitFont, const TFont&, unitFont)
GLIMM_SETTER(ScaleFont, const TFont&, scaleFont)
GLIMM_SETTER(MinMaxFont, const TFont&, minMaxFont)
GLIMM_SETTER(ShowCaption, bool, showCaption)
GLIMM_SETTER(ShowPosition, bool, showPosition)
GLIMM_SETTER(ShowUnits, bool, showUnits)
GLIMM_SETTER(ShowMinMax, bool, showMinMax)
GLIMM_SETTER(AutoCaption, bool, autoCaption)
GLIMM_SETTER(AutoPosition, bool, autoPosition)
GLIMM_SETTER(AutoUnit, bool, autoUnit)
GLIMM_SETTER(AutoScale, bool, autoScale)
GLIMM_SETTER(AutoMinMax, bool, autoMinMax)
GLIMM_SETTER(VAlignment, TGlimmVAlign, vAlignment)
GLIMM_SETTER(HAlignment, TGlimmHAlign, hAlignment)
GLIMM_SETTER(Precision, TGlimmPrecision, precision)
GLIMM_SETTER(ScalePrecision, TGlimmPrecision, scalePrecision)
GLIMM_SETTER(ColorMin, uint32_t, colorMin)
GLIMM_SETTER(ColorOk, uint32_t, colorOk)
GLIMM_SETTER(ColorMax, uint32_t, colorMax)
GLIMM_SETTER(Color, uint32_t, color)
GLIMM_SETTER(ColorFace, uint32_t, colorFace)
GLIMM_SETTER(ColorLine, uint32_t, colorLine)
#undef GLIMM_SETTER

// ---- sizes ----

void TGlimmDash::SetNeedleWidth(int w) {
    needleWidth = Clamp(w, 1, 10);
    invalidate();
}

void TGlimmDash::SetNeedleLength(int l) {
    needleLength = Clamp(l, 1, 100);
    invalidate();
}

void TGlimmDash::SetBorder(int b) {
    border = Clamp(b, 1, 10);
    invalidate();
}

int TGlimmDash::VBorder() const {
    return Clamp(vBorder, 0, height() / 2);
}

int TGlimmDash::HBorder() const {
    return Clamp(hBorder, 0, width() / 2);
}

void TGlimmDash::SetVBorder(int b) {
    vBorder = std::max(b, 0);
    relayout();
}

void TGlimmDash::SetHBorder(int b) {
    hBorder = std::max(b, 0);
    relayout();
}

// ---- value and ranges ----

void TGlimmDash::SetPosition(float x) {
    if (x == position && valueShown) {
        return;
    }
    position = Clamp(x, static_cast<float>(scale.Min), static_cast<float>(scale.Max));
    if (!valueShown) {
        // The first value since the gauge was cleared or given another value to show: the
        // lowest and highest seen start with it, and the whole gauge is drawn again.
        valueShown = true;
        posMin = posMax = position;
        band = BandOf(position, alarmMin, alarmMax);
        invalidate();
        return;
    }
    if (position < posMin) {
        posMin = position;
    }
    if (position > posMax) {
        posMax = position;
    }
    band = BandOf(position, alarmMin, alarmMax);
    if (band != paintedBand || staticDirty) {
        invalidate(); // a picture, the lamp or a band-coloured caption may change
        return;
    }
    renderDynamic();
}

void TGlimmDash::SetPosMin(float v) {
    posMin = Clamp(v, static_cast<float>(scale.Min), static_cast<float>(scale.Max));
    invalidate();
}

void TGlimmDash::SetPosMax(float v) {
    posMax = Clamp(v, static_cast<float>(scale.Min), static_cast<float>(scale.Max));
    invalidate();
}

void TGlimmDash::SetDisplayMin(float v) {
    displayMin = v;
    if (displayMin > displayMax) {
        displayMax = displayMin;
    }
    computeScale();
    invalidate();
}

void TGlimmDash::SetDisplayMax(float v) {
    displayMax = v;
    if (displayMax < displayMin) {
        displayMin = displayMax;
    }
    computeScale();
    invalidate();
}

void TGlimmDash::SetAlarmMin(float v) {
    alarmMin = v;
    if (alarmMin > alarmMax) {
        alarmMax = alarmMin;
    }
    invalidate();
}

void TGlimmDash::SetAlarmMax(float v) {
    alarmMax = v;
    if (alarmMax < alarmMin) {
        alarmMin = alarmMax;
    }
    invalidate();
}

uint32_t TGlimmDash::BandColor(double v) const {
    switch (BandOf(v, alarmMin, alarmMax)) {
    case 1:
        return colorMin;
    case 3:
        return colorMax;
    default:
        return colorOk;
    }
}

// ---- pictures ----

void TGlimmDash::SetBackground(int b, const QImage& picture) {
    if (b < 0 || b > 2) {
        return;
    }
    pictures[b] = picture.convertToFormat(QImage::Format_RGB32);
    showPicture[b] = picture.width() > 0 && picture.height() > 0;
    invalidate();
}

void TGlimmDash::SetBackgroundFile(int b, const std::string& file) {
    if (b < 0 || b > 2) {
        return;
    }
    pictureFiles[b] = file;
    QImage picture;
    if (!file.empty()) {
        picture.load(QString::fromStdString(file)); // a file that cannot be read: no picture
    }
    SetBackground(b, picture);
}

void TGlimmDash::SetShowBackground(int b, bool on) {
    if (b < 0 || b > 2) {
        return;
    }
    showPicture[b] = on;
    invalidate();
}

// ---- operations ----

void TGlimmDash::ClearValues() {
    caption.clear();
    units.clear();
    bandTexts = {};
    Key.clear();
    displayMin = 0;
    displayMax = 255;
    alarmMin = 0;
    alarmMax = 255;
    position = posMin = posMax = 0;
    band = 2;
    valueShown = false;
    precision = scalePrecision = spNone;
    showPosition = showUnits = showCaption = true;
    computeScale();
    invalidate();
}

void TGlimmDash::AssignAttribute(const std::string& caption_, const std::string& units_,
                                 const std::string& descMax, const std::string& descOk,
                                 const std::string& descMin, int bit_, int sub_, int attr_,
                                 int item_, TGlimmPrecision scalePrecision_,
                                 TGlimmPrecision precision_, int alarmMax_, int alarmMin_,
                                 int displayMax_, int displayMin_) {
    // Another value, or none: what the gauge showed is no longer its value.
    if (item_ < 0 || attr_ < 0 || item_ != item || attr_ != attr || sub_ != sub || bit_ != bit ||
        caption_ != caption) {
        valueShown = false;
    }
    caption = caption_;
    units = units_;
    bandTexts = {descMin, descOk, descMax};
    bit = bit_;
    sub = sub_;
    attr = attr_;
    item = item_;
    scalePrecision = scalePrecision_;
    precision = precision_;
    alarmMax = static_cast<float>(alarmMax_);
    alarmMin = static_cast<float>(alarmMin_);
    displayMax = static_cast<float>(displayMax_);
    displayMin = static_cast<float>(displayMin_);
    computeScale();
    invalidate();
}

void TGlimmDash::CopyAppearance(const TGlimmDash& o) {
    pictures = o.pictures;
    pictureFiles = o.pictureFiles;
    showPicture = o.showPicture;
    caption = o.caption;
    captionFont = o.captionFont;
    showCaption = o.showCaption;
    bandTexts = o.bandTexts;
    showPosition = o.showPosition;
    positionFont = o.positionFont;
    vAlignment = o.vAlignment;
    hAlignment = o.hAlignment;
    unitFont = o.unitFont;
    precision = o.precision;
    needleWidth = o.needleWidth;
    needleLength = o.needleLength;
    units = o.units;
    showUnits = o.showUnits;
    vBorder = o.vBorder;
    hBorder = o.hBorder;
    border = o.border;
    scaleFont = o.scaleFont;
    scalePrecision = o.scalePrecision;
    showMinMax = o.showMinMax;
    minMaxFont = o.minMaxFont;
    displayMin = o.displayMin;
    displayMax = o.displayMax;
    alarmMin = o.alarmMin;
    alarmMax = o.alarmMax;
    colorMin = o.colorMin;
    colorOk = o.colorOk;
    colorMax = o.colorMax;
    color = o.color;
    colorFace = o.colorFace;
    colorLine = o.colorLine;
    autoCaption = o.autoCaption;
    autoPosition = o.autoPosition;
    autoUnit = o.autoUnit;
    autoScale = o.autoScale;
    autoMinMax = o.autoMinMax;
    computeScale();
    relayout();
}

void TGlimmDash::ResetMinMax() {
    posMin = posMax = position;
    invalidate();
}

void TGlimmDash::DoPopulateNeeded() {
    if (OnPopulateNeeded) {
        OnPopulateNeeded();
    }
}

void TGlimmDash::RestoreFactory() {
    color = 0x400000;
    pictureFiles = {};
    pictures = {};
    showPicture = {};
    captionFont = arial(16);
    positionFont = arial(12);
    unitFont = arial(10);
    scaleFont = arial(12);
    minMaxFont = arial(8);
    if (kind == gkLight) {
        // A lamp is grey while off, green in a normal state and red for a fault.
        colorMin = LightColorOff;
        colorOk = LightColorOn;
        colorMax = LightColorFault;
        positionFont.Color = 0xFFFFFF; // readable on each of them
    } else {
        colorMin = 0xFFFFFF;
        colorOk = 0x00FFFF;
        colorMax = 0x0000FF;
    }
    colorFace = 0x000000;
    colorLine = 0x808080;
    needleWidth = 2;
    needleLength = 70;
    vBorder = hBorder = 5;
    border = 2;
    precision = scalePrecision = spNone;
    showCaption = showPosition = showUnits = true;
    showMinMax = false;
    autoCaption = autoPosition = autoUnit = autoScale = true;
    autoMinMax = false;
    hAlignment = kind == gkLight ? ahCenter : ahRight;
    relayout();
}

void TGlimmDash::SaveSettings() {
    TProperties& s = SettingsStore();
    const std::string n = Format("Dash%.2d", Id);
    auto name = [&n](const char* suffix) { return n + suffix; };
    s.WriteString(DashSection, name(".Key"), Key);
    s.WriteInteger(DashSection, name(".Color"), static_cast<int>(color));
    s.WriteString(DashSection, name(".BackgroundMin"), pictureFiles[0]);
    s.WriteString(DashSection, name(".Background"), pictureFiles[1]);
    s.WriteString(DashSection, name(".BackgroundMax"), pictureFiles[2]);
    s.WriteBool(DashSection, name(".ShowBackgroundMin"), showPicture[0]);
    s.WriteBool(DashSection, name(".ShowBackground"), showPicture[1]);
    s.WriteBool(DashSection, name(".ShowBackgroundMax"), showPicture[2]);
    s.WriteFont(DashSection, name(".CaptionFont"), captionFont);
    s.WriteBool(DashSection, name(".ShowCaption"), showCaption);
    s.WriteBool(DashSection, name(".ShowPosition"), showPosition);
    s.WriteFont(DashSection, name(".PositionFont"), positionFont);
    s.WriteInteger(DashSection, name(".HAlignment"), hAlignment);
    s.WriteFont(DashSection, name(".UnitFont"), unitFont);
    s.WriteInteger(DashSection, name(".Precision"), precision);
    s.WriteInteger(DashSection, name(".NeedleWidth"), needleWidth);
    s.WriteInteger(DashSection, name(".NeedleLength"), needleLength);
    s.WriteBool(DashSection, name(".ShowUnits"), showUnits);
    s.WriteInteger(DashSection, name(".VBorder"), VBorder());
    s.WriteInteger(DashSection, name(".HBorder"), HBorder());
    s.WriteInteger(DashSection, name(".Border"), border);
    s.WriteFont(DashSection, name(".ScaleFont"), scaleFont);
    s.WriteInteger(DashSection, name(".ScalePrecision"), scalePrecision);
    s.WriteBool(DashSection, name(".ShowMinMax"), showMinMax);
    s.WriteFont(DashSection, name(".MinMaxFont"), minMaxFont);
    s.WriteInteger(DashSection, name(".ColorMin"), static_cast<int>(colorMin));
    s.WriteInteger(DashSection, name(".ColorOk"), static_cast<int>(colorOk));
    s.WriteInteger(DashSection, name(".ColorMax"), static_cast<int>(colorMax));
    s.WriteInteger(DashSection, name(".Color"), static_cast<int>(color));
    s.WriteInteger(DashSection, name(".ColorFace"), static_cast<int>(colorFace));
    s.WriteInteger(DashSection, name(".ColorLine"), static_cast<int>(colorLine));
    s.WriteBool(DashSection, name(".AutoPosition"), autoPosition);
    s.WriteBool(DashSection, name(".AutoCaption"), autoCaption);
    s.WriteBool(DashSection, name(".AutoUnit"), autoUnit);
    s.WriteBool(DashSection, name(".AutoMinMax"), autoMinMax);
    s.WriteBool(DashSection, name(".AutoScale"), autoScale);
}

void TGlimmDash::LoadSettings() {
    RestoreFactory();
    TProperties& s = SettingsStore();
    const std::string n = Format("Dash%.2d", Id);
    auto name = [&n](const char* suffix) { return n + suffix; };
    auto colour = [&](const char* suffix, uint32_t def) {
        return static_cast<uint32_t>(
            s.ReadInteger(DashSection, name(suffix), static_cast<int>(def)));
    };
    Key = s.ReadString(DashSection, name(".Key"), Key);
    SetColor(colour(".Color", color));
    SetBackgroundFile(0, s.ReadString(DashSection, name(".BackgroundMin"), pictureFiles[0]));
    SetBackgroundFile(1, s.ReadString(DashSection, name(".Background"), pictureFiles[1]));
    SetBackgroundFile(2, s.ReadString(DashSection, name(".BackgroundMax"), pictureFiles[2]));
    // A flag stays off when its picture could not be loaded.
    const char* const shows[3] = {".ShowBackgroundMin", ".ShowBackground", ".ShowBackgroundMax"};
    for (int b = 0; b < 3; ++b) {
        SetShowBackground(b, s.ReadBool(DashSection, name(shows[b]), showPicture[b]) &&
                                 !pictures[b].isNull());
    }
    SetCaptionFont(s.ReadFont(DashSection, name(".CaptionFont"), captionFont));
    SetShowCaption(s.ReadBool(DashSection, name(".ShowCaption"), showCaption));
    SetShowPosition(s.ReadBool(DashSection, name(".ShowPosition"), showPosition));
    SetPositionFont(s.ReadFont(DashSection, name(".PositionFont"), positionFont));
    SetHAlignment(HAlignOf(s.ReadInteger(DashSection, name(".HAlignment"), hAlignment)));
    SetShowUnits(s.ReadBool(DashSection, name(".ShowUnits"), showUnits));
    SetUnitFont(s.ReadFont(DashSection, name(".UnitFont"), unitFont));
    SetPrecision(PrecisionOf(s.ReadInteger(DashSection, name(".Precision"), precision)));
    SetNeedleWidth(s.ReadInteger(DashSection, name(".NeedleWidth"), needleWidth));
    SetNeedleLength(s.ReadInteger(DashSection, name(".NeedleLength"), needleLength));
    SetVBorder(s.ReadInteger(DashSection, name(".VBorder"), vBorder));
    SetHBorder(s.ReadInteger(DashSection, name(".HBorder"), hBorder));
    SetBorder(s.ReadInteger(DashSection, name(".Border"), border));
    SetScaleFont(s.ReadFont(DashSection, name(".ScaleFont"), scaleFont));
    SetScalePrecision(
        PrecisionOf(s.ReadInteger(DashSection, name(".ScalePrecision"), scalePrecision)));
    SetShowMinMax(s.ReadBool(DashSection, name(".ShowMinMax"), showMinMax));
    SetMinMaxFont(s.ReadFont(DashSection, name(".MinMaxFont"), minMaxFont));
    SetColorMin(colour(".ColorMin", colorMin));
    SetColorOk(colour(".ColorOk", colorOk));
    SetColorMax(colour(".ColorMax", colorMax));
    SetColor(colour(".Color", color));
    SetColorFace(colour(".ColorFace", colorFace));
    SetColorLine(colour(".ColorLine", colorLine));
    SetAutoPosition(s.ReadBool(DashSection, name(".AutoPosition"), autoPosition));
    SetAutoCaption(s.ReadBool(DashSection, name(".AutoCaption"), autoCaption));
    SetAutoUnit(s.ReadBool(DashSection, name(".AutoUnit"), autoUnit));
    SetAutoMinMax(s.ReadBool(DashSection, name(".AutoMinMax"), autoMinMax));
    SetAutoScale(s.ReadBool(DashSection, name(".AutoScale"), autoScale));
}

// ---- scale and layout ----

void TGlimmDash::computeScale() {
    NiceScale(displayMax, displayMin, scale);
}

void TGlimmDash::relayout() {
    invalidate();
}

void TGlimmDash::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void TGlimmDash::contextMenuEvent(QContextMenuEvent* event) {
    if (OnPopup) {
        OnPopup(*this, event->globalPos());
        event->accept();
    }
}

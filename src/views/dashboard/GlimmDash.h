#pragma once
// The dashboard gauges: TGlimmDash holds one value with its display and alarm ranges, the texts
// around it and its appearance; TGlimmDial, TGlimmBar and TGlimmLight differ in geometry only.
//
// Drawing is layered: the static layer (background or picture, face, scale, caption) is cached
// in an image rebuilt only when the size, a setting or the band changes; a value change inside
// its band restores the static layer over the area drawn last time, draws the value, texts and
// indicators again and repaints only the union of the old and new areas.
//
// A dial's face is round at any shape of the gauge: it is drawn in the largest square that
// fits, below its caption, so the caption never lies on the scale or in the needle's sweep.
// Texts that do not fit their box even at the smallest size end in "...". A gauge shows a
// value only once it has been given one: a cleared or unassigned gauge shows no needle, value
// or alarm colour.
#include "shell/GlimmCommon.h"
#include "shell/GlimmTypes.h"
#include "shell/ViewInterfaces.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QPainter;

class TGlimmDash : public QWidget, public TGauge {
    Q_OBJECT
public:
    explicit TGlimmDash(TGlimmKind kind, QWidget* parent = nullptr);

    // A light's band colours (0x00BBGGRR): grey while off (the minimum band: a flag at 0, a
    // trouble code not set), green in a normal state, red for a fault (a trouble code set).
    static constexpr uint32_t LightColorOff = 0x707070;
    static constexpr uint32_t LightColorOn = 0x00A000;
    static constexpr uint32_t LightColorFault = 0x0000FF;

    TGlimmKind Kind() const { return kind; }

    // ---- owner's properties ----
    std::function<void()> OnPopulateNeeded;
    // The owner's popup menu, opened on a right click at the given global position.
    std::function<void(TGlimmDash& gauge, const QPoint& globalPos)> OnPopup;
    bool AllowProps = true;
    int PopupRows() const { return popupRows; }
    void SetPopupRows(int rows) override { popupRows = rows; }
    int Id = 0;
    std::string Key;

    // ---- texts ----
    const std::string& Caption() const { return caption; }
    void SetCaption(const std::string& text);
    const std::string& Units() const { return units; }
    void SetUnits(const std::string& text);
    const std::array<std::string, 3>& Text() const { return bandTexts; }
    void SetText(const std::vector<std::string>& lines); // padded with empty lines to 3

    // ---- fonts and their switches ----
    const TFont& CaptionFont() const { return captionFont; }
    void SetCaptionFont(const TFont& f);
    const TFont& PositionFont() const { return positionFont; }
    void SetPositionFont(const TFont& f);
    const TFont& UnitFont() const { return unitFont; }
    void SetUnitFont(const TFont& f);
    const TFont& ScaleFont() const { return scaleFont; }
    void SetScaleFont(const TFont& f);
    const TFont& MinMaxFont() const { return minMaxFont; }
    void SetMinMaxFont(const TFont& f);
    bool ShowCaption() const { return showCaption; }
    void SetShowCaption(bool on);
    bool ShowPosition() const { return showPosition; }
    void SetShowPosition(bool on);
    bool ShowUnits() const { return showUnits; }
    void SetShowUnits(bool on);
    bool ShowMinMax() const { return showMinMax; }
    void SetShowMinMax(bool on);
    bool AutoCaption() const { return autoCaption; }
    void SetAutoCaption(bool on);
    bool AutoPosition() const { return autoPosition; }
    void SetAutoPosition(bool on);
    bool AutoUnit() const { return autoUnit; }
    void SetAutoUnit(bool on);
    bool AutoScale() const { return autoScale; }
    void SetAutoScale(bool on);
    bool AutoMinMax() const { return autoMinMax; }
    void SetAutoMinMax(bool on);
    TGlimmVAlign VAlignment() const { return vAlignment; }
    void SetVAlignment(TGlimmVAlign a);
    TGlimmHAlign HAlignment() const { return hAlignment; }
    void SetHAlignment(TGlimmHAlign a);
    TGlimmPrecision Precision() const { return precision; }
    void SetPrecision(TGlimmPrecision p);
    TGlimmPrecision ScalePrecision() const { return scalePrecision; }
    void SetScalePrecision(TGlimmPrecision p);

    // ---- sizes (clamped) ----
    int NeedleWidth() const { return needleWidth; }
    void SetNeedleWidth(int w);
    int NeedleLength() const { return needleLength; }
    void SetNeedleLength(int l);
    // The margins are kept as set and clamped to the size the gauge has, so that a setting
    // loaded before the page is laid out is not cut to the tiny size of an unshown widget.
    int VBorder() const;
    void SetVBorder(int b);
    int HBorder() const;
    void SetHBorder(int b);
    int Border() const { return border; }
    void SetBorder(int b);

    // ---- value and ranges ----
    float Position() const { return position; }
    void SetPosition(float x) override;
    float PosMin() const { return posMin; }
    void SetPosMin(float v);
    float PosMax() const { return posMax; }
    void SetPosMax(float v);
    float DisplayMin() const { return displayMin; }
    void SetDisplayMin(float v);
    float DisplayMax() const { return displayMax; }
    void SetDisplayMax(float v);
    float AlarmMin() const { return alarmMin; }
    void SetAlarmMin(float v);
    float AlarmMax() const { return alarmMax; }
    void SetAlarmMax(float v);
    const TGlimmScale& Scale() const { return scale; }
    int Band() const { return band; }

    // ---- colours (0x00BBGGRR) ----
    uint32_t ColorMin() const { return colorMin; }
    void SetColorMin(uint32_t c);
    uint32_t ColorOk() const { return colorOk; }
    void SetColorOk(uint32_t c);
    uint32_t ColorMax() const { return colorMax; }
    void SetColorMax(uint32_t c);
    uint32_t Color() const { return color; }
    void SetColor(uint32_t c);
    uint32_t ColorFace() const { return colorFace; }
    void SetColorFace(uint32_t c);
    uint32_t ColorLine() const { return colorLine; }
    void SetColorLine(uint32_t c);
    uint32_t BandColor(double v) const;

    // ---- background pictures per band (0 minimum, 1 ok, 2 maximum) ----
    const QImage& Background(int band) const { return pictures[band]; }
    void SetBackground(int band, const QImage& picture);
    const std::string& BackgroundFile(int band) const { return pictureFiles[band]; }
    void SetBackgroundFile(int band, const std::string& file);
    bool ShowBackground(int band) const { return showPicture[band]; }
    void SetShowBackground(int band, bool on);

    // A value has been set since the gauge was cleared or given another value to show.
    bool HasValue() const { return valueShown; }

    // ---- the value's address in the runtime image ----
    int Item() const override { return item; }
    int Attr() const override { return attr; }
    int Sub() const { return sub; }
    int Bit() const override { return bit; }
    bool IsLight() const override { return kind == gkLight; }

    // ---- operations ----
    void ClearValues();
    void AssignAttribute(const std::string& caption, const std::string& units,
                         const std::string& descMax, const std::string& descOk,
                         const std::string& descMin, int bit, int sub, int attr, int item,
                         TGlimmPrecision scalePrecision, TGlimmPrecision precision, int alarmMax,
                         int alarmMin, int displayMax, int displayMin);
    void CopyAppearance(const TGlimmDash& other);
    void ResetMinMax() override;
    void SaveSettings() override;
    void LoadSettings() override;
    void RestoreFactory() override;
    void DoPopulateNeeded();

    // The composed picture as it is on screen (drawn now when something is pending).
    const QImage& Picture();
    // Draws the gauge as it is now into the rectangle, laid out for the rectangle's size, in
    // lines and text on the painter (a printer's, at its own resolution). The rectangle is in
    // the painter's coordinates; sizes and fonts are those the gauge would have on a 96 dpi
    // screen at that size, so the painter's transformation sets the scale.
    void PaintTo(QPainter& p, const QRect& target) const;
    // What the last value change recomposed and sent to the screen.
    QRect LastUpdateRect() const { return lastUpdate; }
    // How often the static layer has been rebuilt (a value change inside its band never does).
    int StaticRenders() const { return staticRenders; }
    // The layout boxes in the gauge's coordinates (a dial's are within its square).
    TGlimmLayout Boxes() const;
    // The caption's box in the gauge's coordinates.
    TGlimmBox CaptionBox() const { return currentGeometry().Caption; }
    // Origin and extent of the value coordinate; pos(v) of the scale.
    double Origin() const;
    double Extent() const;
    double Pos(double v) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Where everything goes at one size of the gauge.
    struct TGeometry {
        int FullW = 0, FullH = 0; // the gauge
        int W = 0, H = 0;         // the face: a dial's square, else the whole gauge
        int Ox = 0, Oy = 0;       // where the face lies in the gauge
        int HB = 0, VB = 0;       // the margins within the face
        TGlimmLayout L;           // the boxes in face coordinates
        TGlimmBox Caption;        // in gauge coordinates
    };
    TGeometry geometryFor(int width, int height) const;
    TGeometry currentGeometry() const; // for the size the gauge has now
    double originIn(const TGeometry& g) const;
    double extentIn(const TGeometry& g) const;
    double posIn(const TGeometry& g, double v) const;
    // The gauge shows a scale (it has a value to show, or had one).
    bool showsScale() const;
    int shownBand() const; // the band drawn: normal while there is no value

    // A fitted text of the dynamic layer, remembered so that an unchanged text is not measured
    // again on every frame.
    struct TFitted {
        QString text;
        QString shown; // the text as drawn: shortened with "..." when it does not fit
        QRect box;
        TFont font;
        bool fit = false;
        bool elide = false;
        TGlimmVAlign v = avCenter;
        TGlimmHAlign h = ahCenter;
        int points = 0;
        QPoint at; // baseline start
        bool valid = false;
    };
    // fontScale: point sizes are multiplied by it when drawing (a printer's painter).
    QRect drawFitted(QPainter& p, const TGlimmBox& box, const QString& text, const QString& sample,
                     const TFont& font, bool fit, bool elide, TGlimmVAlign v, TGlimmHAlign h,
                     uint32_t colour, TFitted* cache, double fontScale) const;
    uint32_t textColour(const TFont& font, double v) const; // the band-colour rule
    QRect drawIndicator(QPainter& p, const TGeometry& g, double v, int width) const;
    void drawBackground(QPainter& p, const TGeometry& g, int64_t lampColour) const;
    void drawFace(QPainter& p, const TGeometry& g, double fontScale) const;
    QRect drawDynamic(QPainter& p, const TGeometry& g, bool cached, double fontScale) const;
    void computeScale();
    void relayout();
    void invalidate(); // a full repaint is due
    void renderStatic();
    void renderDynamic();
    void ensureRendered();

    TGlimmKind kind;
    int popupRows = 0;
    std::string caption, units;
    std::array<std::string, 3> bandTexts;
    TFont captionFont, positionFont, unitFont, scaleFont, minMaxFont;
    bool showCaption = true, showPosition = true, showUnits = true, showMinMax = false;
    bool autoCaption = true, autoPosition = true, autoUnit = true, autoScale = true;
    bool autoMinMax = false;
    TGlimmVAlign vAlignment = avCenter;
    TGlimmHAlign hAlignment = ahRight;
    TGlimmPrecision precision = spNone, scalePrecision = spNone;
    int needleWidth = 2, needleLength = 70, vBorder = 5, hBorder = 5, border = 2;
    float position = 0, posMin = 0, posMax = 0;
    float displayMin = 0, displayMax = 255, alarmMin = 0, alarmMax = 255;
    uint32_t colorMin = 0xFFFFFF, colorOk = 0x00FFFF, colorMax = 0x0000FF;
    uint32_t color = 0x400000, colorFace = 0, colorLine = 0x808080;
    std::array<QImage, 3> pictures;
    std::array<std::string, 3> pictureFiles;
    std::array<bool, 3> showPicture{};
    int item = -1, attr = -1, sub = -1, bit = -1;

    TGlimmScale scale;
    int band = 2, paintedBand = 0;
    bool valueShown = false;
    TGeometry geo;
    QSize layoutSize; // the size the geometry was made for
    QImage staticLayer, composed;
    bool staticDirty = true;
    QRect lastDrawn, lastUpdate;
    int staticRenders = 0;
    mutable std::array<TFitted, 4> fitted; // value, units, minimum, maximum
};

class TGlimmDial : public TGlimmDash {
    Q_OBJECT
public:
    explicit TGlimmDial(QWidget* parent = nullptr);
};

class TGlimmBar : public TGlimmDash {
    Q_OBJECT
public:
    explicit TGlimmBar(QWidget* parent = nullptr);
};

class TGlimmLight : public TGlimmDash {
    Q_OBJECT
public:
    explicit TGlimmLight(QWidget* parent = nullptr);
};

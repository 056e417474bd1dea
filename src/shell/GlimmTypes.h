#pragma once
// The gauges' enumerations and their number and text rules: the rounded scale, value texts,
// bands, value to coordinate, fitted text sizes and the layout boxes. Toolkit-free, so that
// the rules are tested alone and the gauge widgets only draw what these compute.
#include <cstdint>
#include <string>

enum TGlimmVAlign { avTop, avBottom, avCenter };
enum TGlimmHAlign { ahLeft, ahRight, ahCenter };
enum TGlimmPrecision {
    spr1000,
    spr100,
    spr10,
    spr0,
    spNone,
    spf1,
    spf2,
    spf3,
    spx1000,
    spx100,
    spx10
};
// Stored ordinals outside the enumerations have no meaning: they read as the nearest end.
TGlimmPrecision PrecisionOf(int ordinal);
TGlimmHAlign HAlignOf(int ordinal);
TGlimmVAlign VAlignOf(int ordinal);

enum TGlimmKind { gkDial, gkBar, gkLight };

// round() of the drawing rules: halves go to the even neighbour.
double GlimmRound(double v);

// The rounded scale of a display range.
struct TGlimmScale {
    int Min = 0, Max = 0, Span = 0, Step = 0;
};
// At most 10 and at least 5 ticks; false (scale untouched) when no step qualifies.
bool NiceScale(double displayMax, double displayMin, TGlimmScale& scale);

// The value text of a precision.
std::string FormatValue(TGlimmPrecision precision, double v);
// " x1000", " x100", " x10" for the multiplier precisions, else empty.
std::string PrecisionSuffix(TGlimmPrecision precision);

// 1 minimum (v <= alarmMin), 3 maximum (v >= alarmMax), else 2 normal.
int BandOf(double v, double alarmMin, double alarmMax);

// Scale origin and extent of a gauge: the dial's angles in radians, the bar's screen y.
constexpr double DialOrigin = 3.9269907; // 225 degrees: ScaleMin at the lower left
constexpr double DialExtent = 4.712389;  // 270 degrees
// Coordinate of v: origin - (v - ScaleMin) x extent / ScaleSpan; 0 for an empty display range.
double ValueToCoord(double v, const TGlimmScale& scale, double origin, double extent,
                    double displayMin, double displayMax);

// A box of the layout, edges inclusive (width right - left + 1).
struct TGlimmBox {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left + 1; }
    int Height() const { return Bottom - Top + 1; }
    bool operator==(const TGlimmBox&) const = default;
};
struct TGlimmLayout {
    TGlimmBox Caption, Value, Units, Minimum, Maximum;
    TGlimmBox Lamp; // a light's lamp
    int Cx = 0, Cy = 0;
};
TGlimmLayout GaugeLayout(TGlimmKind kind, int width, int height, int hBorder, int vBorder);

// The point size that fits a text into a box, from the text's width and height measured at
// 10 points (tw the larger of text and sample): round(max(min(bh / th, bw / tw) x 8, 6));
// 0 when a measure is 0 (keep the font's own size).
int FittedSize(int boxWidth, int boxHeight, int textWidth10, int textHeight10);
struct TGlimmPoint {
    int X = 0, Y = 0;
    bool operator==(const TGlimmPoint&) const = default;
};
// Where a text of the final size goes in its box (top left of the text cell).
TGlimmPoint FittedPlace(const TGlimmBox& box, int textWidth, int textHeight, TGlimmVAlign v,
                        TGlimmHAlign h);

// A dial's needle tip for angle a: (cx + round(cos(-a) x cx x length) div 100, ...).
TGlimmPoint NeedleTip(double angle, int cx, int cy, int lengthPercent);
// The centre of a dial's scale label at angle a.
TGlimmPoint DialLabelCentre(double angle, int cx, int cy, int hBorder, int vBorder);

#include "shell/GlimmTypes.h"

#include "common/Common.h"
#include "common/Format.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>

TGlimmPrecision PrecisionOf(int ordinal) {
    return static_cast<TGlimmPrecision>(Clamp(ordinal, 0, static_cast<int>(spx10)));
}

TGlimmHAlign HAlignOf(int ordinal) {
    return static_cast<TGlimmHAlign>(Clamp(ordinal, 0, static_cast<int>(ahCenter)));
}

TGlimmVAlign VAlignOf(int ordinal) {
    return static_cast<TGlimmVAlign>(Clamp(ordinal, 0, static_cast<int>(avCenter)));
}

double GlimmRound(double v) {
    // nearbyint follows the rounding mode, which is to-nearest-even unless someone changed it.
    const int mode = std::fegetround();
    if (mode != FE_TONEAREST) {
        std::fesetround(FE_TONEAREST);
    }
    const double r = std::nearbyint(v);
    if (mode != FE_TONEAREST) {
        std::fesetround(mode);
    }
    return r;
}

namespace {

// Whole numbers of the scale stay in int; wider display ranges are cut to it first.
int wholeOf(double v) {
    constexpr double lo = std::numeric_limits<int>::min() / 2;
    constexpr double hi = std::numeric_limits<int>::max() / 2;
    return static_cast<int>(GlimmRound(std::clamp(v, lo, hi)));
}

long long roundedLong(double v) {
    constexpr double limit = 9.0e18;
    if (!std::isfinite(v)) {
        return 0;
    }
    return static_cast<long long>(GlimmRound(std::clamp(v, -limit, limit)));
}

} // namespace

bool NiceScale(double displayMax, double displayMin, TGlimmScale& scale) {
    const double g = std::max(displayMax - displayMin, 5.0);
    if (!std::isfinite(g)) {
        return false;
    }
    const int h = std::min(static_cast<int>(std::trunc(std::log10(g))), 9);
    for (int i = 0; i <= h; ++i) {
        for (int j = 0; j <= h; ++j) {
            const double s = GlimmRound(std::pow(5.0, i) * std::pow(2.0, j));
            if (s > std::numeric_limits<int>::max() / 4) {
                continue;
            }
            const double n = std::trunc((g - 1 + s) / s);
            if (n < 5 || n > 10) {
                continue;
            }
            const int step = static_cast<int>(s);
            const int m = wholeOf(displayMin), M = wholeOf(displayMax);
            scale.Min = displayMin >= 0 ? step * (m / step) : step * ((m + 1) / step - 1);
            scale.Max = displayMax > 0 ? step * ((M - 1) / step + 1) : step * (M / step);
            scale.Span = scale.Max - scale.Min;
            scale.Step = step;
            return true;
        }
    }
    return false;
}

std::string FormatValue(TGlimmPrecision precision, double v) {
    switch (precision) {
    case spr1000:
        return Format("%lld", roundedLong(v / 1000) * 1000);
    case spr100:
        return Format("%lld", roundedLong(v / 100) * 100);
    case spr10:
        return Format("%lld", roundedLong(v / 10) * 10);
    case spr0:
        return Format("%lld", roundedLong(v));
    case spf1:
        return Format("%1.1f", v);
    case spf2:
        return Format("%1.2f", v);
    case spf3:
        return Format("%1.3f", v);
    case spx1000:
        return Format("%lld", roundedLong(v / 1000));
    case spx100:
        return Format("%lld", roundedLong(v / 100));
    case spx10:
        return Format("%lld", roundedLong(v / 10));
    case spNone:
        break;
    }
    return NumberText(static_cast<float>(v));
}

std::string PrecisionSuffix(TGlimmPrecision precision) {
    switch (precision) {
    case spx1000:
        return " x1000";
    case spx100:
        return " x100";
    case spx10:
        return " x10";
    default:
        return {};
    }
}

int BandOf(double v, double alarmMin, double alarmMax) {
    if (v <= alarmMin) {
        return 1;
    }
    if (v >= alarmMax) {
        return 3;
    }
    return 2;
}

double ValueToCoord(double v, const TGlimmScale& scale, double origin, double extent,
                    double displayMin, double displayMax) {
    if (displayMax == displayMin) {
        return 0;
    }
    if (scale.Span == 0) {
        return origin; // a range too narrow for a whole step: everything sits at the origin
    }
    return origin - (v - scale.Min) * extent / scale.Span;
}

TGlimmLayout GaugeLayout(TGlimmKind kind, int W, int H, int HB, int VB) {
    TGlimmLayout l;
    const int cx = W / 2, cy = H / 2;
    const int w4 = W / 4, w8 = W / 8, w16 = W / 16;
    const int h4 = H / 4, h8 = H / 8, h16 = H / 16;
    l.Cx = cx;
    l.Cy = cy;
    switch (kind) {
    case gkDial:
        l.Caption = {w4, h16 + h8, W - w4, cy - h16};
        l.Value = {w4 + w16, cy, W - w4 - w16, cy + h16 + h4};
        l.Units = {w4 + w16, cy + h16 + h4, W - w4 - w16, H - h16};
        l.Minimum = {w8, cy - h16, cx - w8, cy + h16};
        l.Maximum = {cx + w8, cy - h16, W - w8, cy + h16};
        break;
    case gkBar:
        l.Caption = {HB, VB, W - HB, h8};
        l.Value = {HB + w8, H - h4, W - HB - w8, H - h8};
        l.Units = {HB, H - h8, W - HB, H - VB};
        l.Minimum = {HB, h8, cx - w16, h8 + h16};
        l.Maximum = {cx + w16, h8, W - HB, h8 + h16};
        break;
    case gkLight:
        l.Caption = {HB, VB, W - HB, h4 + h8};
        l.Value = {HB, cy, W - HB, H - h4};
        l.Units = {HB, H - h4, W - HB, H - VB};
        l.Minimum = {HB, h4 + h8, cx - w16, cy};
        l.Maximum = {cx + w16, h4 + h8, W - HB, cy};
        break;
    }
    l.Lamp = {l.Minimum.Left, l.Minimum.Top, l.Units.Right, l.Units.Bottom};
    return l;
}

int FittedSize(int bw, int bh, int tw, int th) {
    if (tw == 0 || th == 0) {
        return 0;
    }
    const double fit = std::min(static_cast<double>(bh) / th, static_cast<double>(bw) / tw);
    return static_cast<int>(GlimmRound(std::max(fit * 8, 6.0)));
}

TGlimmPoint FittedPlace(const TGlimmBox& box, int tw, int th, TGlimmVAlign v, TGlimmHAlign h) {
    TGlimmPoint p;
    switch (h) {
    case ahLeft:
        p.X = box.Left + 1;
        break;
    case ahRight:
        p.X = box.Right - tw - 1;
        break;
    case ahCenter:
        p.X = box.Left + (box.Width() - tw) / 2;
        break;
    }
    switch (v) {
    case avTop:
        p.Y = box.Top - 1;
        break;
    case avBottom:
        p.Y = box.Bottom - th - 1;
        break;
    case avCenter:
        p.Y = box.Top + (box.Height() - th) / 2;
        break;
    }
    return p;
}

TGlimmPoint NeedleTip(double a, int cx, int cy, int length) {
    return {cx + static_cast<int>(GlimmRound(std::cos(-a) * cx * length)) / 100,
            cy + static_cast<int>(GlimmRound(std::sin(-a) * length * cy)) / 100};
}

TGlimmPoint DialLabelCentre(double a, int cx, int cy, int hBorder, int vBorder) {
    const double rx = cx - hBorder, ry = cy - vBorder;
    return {static_cast<int>(GlimmRound(std::cos(-a) * 0.8 * rx + cx)),
            static_cast<int>(GlimmRound(std::sin(-a) * 0.8 * ry + cy))};
}

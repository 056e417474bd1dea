// The gauges as widgets: property clamps, the value and its min/max, the layered drawing and
// its partial repaint, band colours on screen, background pictures and the stored appearance.
#include "views/dashboard/GlimmDash.h"
#include "common/Format.h"
#include "shell/GlimmCommon.h"
#include "support/TempDir.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

QRgb rgb(uint32_t c) {
    return qRgb(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
}

// Pixels of exactly this colour inside the box.
int countColour(const QImage& image, const TGlimmBox& box, uint32_t colour) {
    int n = 0;
    for (int y = std::max(box.Top, 0); y <= box.Bottom && y < image.height(); ++y) {
        for (int x = std::max(box.Left, 0); x <= box.Right && x < image.width(); ++x) {
            n += (image.pixel(x, y) | 0xFF000000u) == rgb(colour);
        }
    }
    return n;
}

TEST(GlimmDash, CreatedWithFactoryAppearanceAndClearedValues) {
    TGlimmDial dial;
    TGlimmBar bar;
    TGlimmLight light;
    EXPECT_EQ(dial.size(), QSize(100, 100));
    EXPECT_EQ(bar.size(), QSize(50, 100));
    EXPECT_EQ(light.size(), QSize(50, 50));
    EXPECT_EQ(dial.Scale().Min, 0);
    EXPECT_EQ(dial.Scale().Max, 300);
    EXPECT_EQ(dial.Scale().Step, 50);
    EXPECT_EQ(dial.Color(), 0x400000u);
    EXPECT_EQ(dial.HAlignment(), ahRight);
    EXPECT_EQ(light.HAlignment(), ahCenter);
    // A lamp: grey off, green on, red for a fault, with white text readable on each.
    EXPECT_EQ(light.PositionFont().Color, 0xFFFFFFu);
    EXPECT_EQ(light.ColorMin(), TGlimmDash::LightColorOff);
    EXPECT_EQ(light.ColorOk(), TGlimmDash::LightColorOn);
    EXPECT_EQ(light.ColorMax(), TGlimmDash::LightColorFault);
    EXPECT_EQ(dial.ColorOk(), 0x00FFFFu);
    EXPECT_EQ(dial.CaptionFont().Size, 16);
    EXPECT_EQ(dial.Item(), -1);
    EXPECT_FALSE(dial.ShowMinMax());
}

TEST(GlimmDash, SettersClampTheirValues) {
    TGlimmDial g;
    g.resize(120, 80);
    g.SetNeedleWidth(0);
    EXPECT_EQ(g.NeedleWidth(), 1);
    g.SetNeedleWidth(11);
    EXPECT_EQ(g.NeedleWidth(), 10);
    g.SetNeedleLength(0);
    EXPECT_EQ(g.NeedleLength(), 1);
    g.SetNeedleLength(500);
    EXPECT_EQ(g.NeedleLength(), 100);
    g.SetBorder(0);
    EXPECT_EQ(g.Border(), 1);
    g.SetBorder(12);
    EXPECT_EQ(g.Border(), 10);
    g.SetVBorder(100);
    EXPECT_EQ(g.VBorder(), 40);
    g.SetHBorder(-3);
    EXPECT_EQ(g.HBorder(), 0);
    g.SetPosMax(1000);
    EXPECT_EQ(g.PosMax(), 300);
    g.SetPosMin(-5);
    EXPECT_EQ(g.PosMin(), 0);
    g.SetDisplayMin(400); // above DisplayMax: DisplayMax follows
    EXPECT_EQ(g.DisplayMax(), 400);
    g.SetDisplayMax(10); // below DisplayMin: DisplayMin follows
    EXPECT_EQ(g.DisplayMin(), 10);
    g.SetAlarmMin(300);
    EXPECT_EQ(g.AlarmMax(), 300);
    g.SetAlarmMax(5);
    EXPECT_EQ(g.AlarmMin(), 5);
}

TEST(GlimmDash, MarginsSetBeforeTheGaugeHasItsSizeSurviveTheLayout) {
    TGlimmBar g;
    g.resize(4, 4);
    g.SetHBorder(7);
    EXPECT_EQ(g.HBorder(), 2);
    g.resize(100, 200);
    EXPECT_EQ(g.HBorder(), 7);
}

TEST(GlimmDash, PositionIsClampedToTheScaleAndTracksItsMinimumAndMaximum) {
    TGlimmDial g; // 0..255, scale 0..300
    g.SetPosition(400);
    EXPECT_EQ(g.Position(), 300);
    EXPECT_EQ(g.PosMax(), 300);
    g.SetPosition(120);
    g.ResetMinMax();
    EXPECT_EQ(g.PosMin(), 120);
    EXPECT_EQ(g.PosMax(), 120);
    g.SetPosition(80);
    g.SetPosition(150);
    EXPECT_EQ(g.PosMin(), 80);
    EXPECT_EQ(g.PosMax(), 150);
    // The current value again changes nothing, not even a min/max set by hand.
    g.SetPosMin(200);
    g.SetPosition(150);
    EXPECT_EQ(g.PosMin(), 200);
    g.SetPosition(-20);
    EXPECT_EQ(g.Position(), 0);
    EXPECT_EQ(g.PosMin(), 0);
}

TEST(GlimmDash, AValueChangeInsideItsBandRedrawsOnlyTheDynamicLayer) {
    TGlimmDial g;
    g.resize(240, 240);
    g.AssignAttribute("RPM", "rpm", "", "", "", -1, -1, 0, 0, spNone, spNone, 6000, 500, 8000, 0);
    g.SetPosition(1000);
    g.Picture();
    const int renders = g.StaticRenders();
    g.SetPosition(1200);
    EXPECT_EQ(g.StaticRenders(), renders);
    const QRect r = g.LastUpdateRect();
    EXPECT_FALSE(r.isEmpty());
    EXPECT_LT(r.width() * r.height(), 240 * 240);
    // Into another band: the whole gauge again (a band-coloured caption or picture may change).
    g.SetPosition(7000);
    g.Picture();
    EXPECT_EQ(g.StaticRenders(), renders + 1);
    EXPECT_EQ(g.Band(), 3);
}

TEST(GlimmDash, PartialRepaintLeavesNoTraceOfTheOldNeedle) {
    TGlimmDial a, b;
    for (TGlimmDash* g : {&a, &b}) {
        g->resize(200, 200);
        g->AssignAttribute("MAP", "kPa", "", "", "", -1, -1, 0, 0, spNone, spNone, 90, 10, 100, 0);
    }
    a.SetPosition(30);
    a.Picture();
    a.SetPosition(60); // partial
    b.SetPosition(60); // drawn whole
    EXPECT_EQ(a.Picture(), b.Picture());
}

TEST(GlimmDash, NeedleAndOutOfRangeSignInTheBandColour) {
    TGlimmDial g;
    g.resize(200, 200); // 0..255, alarms 0..255, scale 0..300
    g.SetAlarmMin(20);
    g.SetAlarmMax(200);
    g.SetPosition(150); // normal band, needle up and a little right
    const TGlimmPoint tip = NeedleTip(g.Pos(150), 100, 100, 70);
    const QImage& on = g.Picture();
    EXPECT_EQ(on.pixel((100 + tip.X) / 2, (100 + tip.Y) / 2) | 0xFF000000u, rgb(g.ColorOk()));
    // 280 lies between DisplayMax and ScaleMax: the no-entry sign (radius cx div 5) in red.
    g.SetPosition(280);
    const QImage& sign = g.Picture();
    EXPECT_GT(countColour(sign, {118, 95, 122, 105}, g.ColorMax()), 0);
    EXPECT_EQ(g.Position(), 280);
}

TEST(GlimmDash, ThinBarShowsOnlyALineAtTheValue) {
    TGlimmBar g;
    g.resize(60, 200);
    g.AssignAttribute("TPS", "%", "", "", "", -1, -1, 0, 0, spNone, spNone, 90, 10, 100, 0);
    g.SetPosition(50);
    const TGlimmLayout l = g.Boxes();
    const int y = static_cast<int>(GlimmRound(g.Pos(50)));
    const TGlimmBox below{60 / 3 + 2, y + 3, 60 - 60 / 3 - 2, l.Value.Top - 2};
    EXPECT_GT(countColour(g.Picture(), below, g.ColorOk()), 0); // filled bar
    g.SetNeedleWidth(1);
    const QImage& thin = g.Picture();
    EXPECT_EQ(countColour(thin, below, g.ColorOk()), 0);
    EXPECT_GT(countColour(thin, {60 / 3, y, 60 - 60 / 3 - 1, y}, 0x007F7F), 0); // half yellow
}

TEST(GlimmDash, LightShowsItsBandTextsAndLampColours) {
    TGlimmLight g;
    g.resize(120, 60);
    g.AssignAttribute("Code 42", "", "Fail", "", "OK", 3, 1, 0, 0, spNone, spNone, 1, 0, 1, 0);
    const TGlimmLayout l = g.Boxes();
    const TGlimmBox lampEdge{l.Lamp.Left + 1, l.Lamp.Top + 1, l.Lamp.Left + 3, l.Lamp.Top + 3};
    g.SetPosition(0);
    EXPECT_EQ(countColour(g.Picture(), lampEdge, g.ColorMin()), 9);
    g.SetPosition(1);
    EXPECT_EQ(countColour(g.Picture(), lampEdge, g.ColorMax()), 9);
}

TEST(GlimmDash, ATextInTheFaceColourTakesTheBandColour) {
    TGlimmDial g;
    g.resize(200, 200);
    g.AssignAttribute("X", "", "", "", "", -1, -1, 0, 0, spNone, spNone, 20, 0, 100, 0);
    g.SetShowUnits(false);
    TFont grey = g.ScaleFont();
    grey.Color = 0x808080; // scale labels out of the band colours
    g.SetScaleFont(grey);
    g.SetPosition(25); // maximum band; the needle points left, away from the value box
    TFont f = g.PositionFont();
    f.Color = g.ColorFace();
    g.SetPositionFont(f);
    TGlimmBox value = g.Boxes().Value;
    value.Top += 4; // below the needle's hub
    EXPECT_GT(countColour(g.Picture(), value, g.ColorMax()), 0);
    f.Color = 0x00FF00;
    g.SetPositionFont(f);
    EXPECT_EQ(countColour(g.Picture(), value, g.ColorMax()), 0);
    EXPECT_GT(countColour(g.Picture(), value, 0x00FF00), 0);
}

TEST(GlimmDash, AssignAttributeKeepsTheValueAndCopyAppearanceKeepsTheAddress) {
    TGlimmDial a;
    a.SetPosition(42);
    a.AssignAttribute("CTS", "degC", "Hot", "Ok", "Cold", -1, -1, 3, 1, spf1, spx10, 110, -10, 150,
                      -40);
    EXPECT_EQ(a.Position(), 42);
    EXPECT_EQ(a.Text()[0], "Cold");
    EXPECT_EQ(a.Text()[2], "Hot");
    EXPECT_EQ(a.Scale().Min, -40);
    a.SetText({"only one"});
    EXPECT_EQ(a.Text()[1], "");
    a.SetNeedleWidth(5);
    a.SetColor(0x123456);
    TGlimmDial b;
    b.SetPosition(7);
    b.CopyAppearance(a);
    EXPECT_EQ(b.NeedleWidth(), 5);
    EXPECT_EQ(b.Color(), 0x123456u);
    EXPECT_EQ(b.Caption(), "CTS");
    EXPECT_EQ(b.Precision(), spx10);
    EXPECT_EQ(b.DisplayMin(), -40);
    EXPECT_EQ(b.Position(), 7);
    EXPECT_EQ(b.Item(), -1);
}

TEST(GlimmDash, SettingsAreSavedLoadedAndRestoredToFactory) {
    TGlimmDial g;
    g.Id = 7;
    g.Key = "k7";
    g.SetNeedleWidth(6);
    g.SetColorOk(0x00FF00);
    TFont f = g.CaptionFont();
    f.Name = "DejaVu Serif";
    f.Size = 20;
    f.Style = fsBold | fsItalic;
    f.Color = 0xFFFFFF;
    g.SetCaptionFont(f);
    g.SetPrecision(spf2);
    g.SetShowMinMax(true);
    g.SetAutoScale(false);
    g.SaveSettings();
    EXPECT_EQ(SettingsStore().ReadInteger("Dash", "Dash07.NeedleWidth", 0), 6);
    EXPECT_EQ(SettingsStore().ReadString("Dash", "Dash07.CaptionFont.Name", ""), "DejaVu Serif");

    g.AssignAttribute("RPM", "rpm", "", "", "", -1, -1, 2, 0, spNone, spNone, 6000, 0, 8000, 0);
    g.RestoreFactory();
    EXPECT_EQ(g.NeedleWidth(), 2);
    EXPECT_EQ(g.ColorOk(), 0x00FFFFu);
    EXPECT_EQ(g.Caption(), "RPM"); // not part of the appearance
    EXPECT_EQ(g.DisplayMax(), 8000);

    TGlimmDial h;
    h.Id = 7;
    h.LoadSettings();
    EXPECT_EQ(h.Key, "k7");
    EXPECT_EQ(h.NeedleWidth(), 6);
    EXPECT_EQ(h.ColorOk(), 0x00FF00u);
    EXPECT_EQ(h.CaptionFont().Name, "DejaVu Serif");
    EXPECT_EQ(h.CaptionFont().Size, 20);
    EXPECT_EQ(h.CaptionFont().Style, fsBold | fsItalic);
    EXPECT_EQ(h.CaptionFont().Color, 0xFFFFFFu);
    EXPECT_EQ(h.Precision(), spf2);
    EXPECT_TRUE(h.ShowMinMax());
    EXPECT_FALSE(h.AutoScale());

    TGlimmDial fresh; // nothing stored for Id 8: the factory appearance
    fresh.Id = 8;
    fresh.SetNeedleWidth(9);
    fresh.LoadSettings();
    EXPECT_EQ(fresh.NeedleWidth(), 2);
}

TEST(GlimmDash, StoredValuesGoThroughTheSettersClamps) {
    SettingsStore().WriteInteger("Dash", "Dash09.NeedleLength", 400);
    SettingsStore().WriteInteger("Dash", "Dash09.Precision", 42);
    TGlimmDial g;
    g.Id = 9;
    g.LoadSettings();
    EXPECT_EQ(g.NeedleLength(), 100);
    EXPECT_EQ(g.Precision(), spx10);
}

TEST(GlimmDash, BackgroundPicturesPerBandFromFiles) {
    TempDir dir;
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    const std::string file = dir.File("red.bmp");
    ASSERT_TRUE(red.save(QString::fromStdString(file)));

    TGlimmDial g;
    g.Id = 10;
    g.resize(100, 100);
    g.SetBackgroundFile(2, file);
    EXPECT_TRUE(g.ShowBackground(2));
    g.SetBackgroundFile(0, dir.File("missing.bmp"));
    EXPECT_FALSE(g.ShowBackground(0));
    g.SetPosition(255); // maximum band: the picture fills the gauge
    EXPECT_EQ(g.Picture().pixel(2, 2) | 0xFF000000u, qRgb(255, 0, 0));
    g.SetPosition(100); // normal band without a picture: background and face
    EXPECT_EQ(g.Picture().pixel(1, 1) | 0xFF000000u, rgb(g.Color()));
    g.SaveSettings();

    TGlimmDial h;
    h.Id = 10;
    h.LoadSettings();
    EXPECT_EQ(h.BackgroundFile(2), file);
    EXPECT_TRUE(h.ShowBackground(2));
    EXPECT_FALSE(h.Background(2).isNull());
    // The picture is gone: loading leaves the band without one, silently.
    std::remove(file.c_str());
    TGlimmDial k;
    k.Id = 10;
    k.LoadSettings();
    EXPECT_FALSE(k.ShowBackground(2));
}

// The smallest rectangle holding every pixel of this colour, each of red, green and blue
// within tolerance (text and round edges are blended with what lies under them); empty when
// there is none.
QRect colourBounds(const QImage& image, uint32_t colour, const QRect& within = {},
                   int tolerance = 0) {
    const QRect area = within.isNull() ? image.rect() : within.intersected(image.rect());
    const QColor want(rgb(colour));
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c(image.pixel(x, y));
            if (std::abs(c.red() - want.red()) <= tolerance &&
                std::abs(c.green() - want.green()) <= tolerance &&
                std::abs(c.blue() - want.blue()) <= tolerance) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

constexpr uint32_t Green = 0x00FF00, Magenta = 0xFF00FF, Grey = 0x808080;
constexpr int TextTolerance = 100;

// A dial's face stays round at any shape of the gauge, and its caption lies above the face:
// never on a scale label or in the needle's sweep.
TEST(GlimmDash, ADialIsRoundAtAnyShapeWithItsCaptionAboveTheFace) {
    const QSize shapes[] = {{200, 200}, {320, 140}, {130, 300}, {90, 60}, {61, 120}};
    for (const QSize shape : shapes) {
        SCOPED_TRACE(testing::Message() << shape.width() << "x" << shape.height());
        TGlimmDial g;
        g.resize(shape);
        g.AssignAttribute("RPM", "rpm", "", "", "", -1, -1, 0, 0, spNone, spNone, 6000, 500, 8000,
                          0);
        g.SetColorLine(Magenta); // the outline alone in this colour
        g.SetBorder(4);
        TFont labels = g.ScaleFont();
        labels.Color = Grey;
        g.SetScaleFont(labels);
        TFont title = g.CaptionFont();
        title.Color = Green;
        g.SetCaptionFont(title);
        g.SetPosition(4000); // the needle straight up, towards the caption
        const QImage& picture = g.Picture();
        const QRect face = colourBounds(picture, Magenta, {}, 60);
        ASSERT_FALSE(face.isEmpty());
        EXPECT_LE(std::abs(face.width() - face.height()), 1) << "an oval face";
        const int side = std::min(shape.width(), shape.height() - g.CaptionBox().Height());
        EXPECT_NEAR(face.width(), side, 2);
        const QRect caption = colourBounds(picture, Green, {}, TextTolerance);
        ASSERT_FALSE(caption.isEmpty());
        EXPECT_LT(caption.bottom(), face.top()) << "the caption reaches into the face";
        EXPECT_GE(caption.top(), 0);
        const QRect needle = colourBounds(picture, g.ColorOk());
        ASSERT_FALSE(needle.isEmpty());
        EXPECT_GT(needle.top(), face.top());
    }
    // Without a caption the face takes the whole of a square gauge.
    TGlimmDial bare;
    bare.resize(150, 150);
    bare.SetColorLine(Magenta);
    bare.SetBorder(4);
    EXPECT_NEAR(colourBounds(bare.Picture(), Magenta, {}, 60).width(), 150, 1);
}

// A bar has one scale: its labels in one column right of the bar, none on its left, and never
// running into each other.
TEST(GlimmDash, ABarShowsOneColumnOfScaleLabels) {
    for (const int height : {400, 160}) { // at 160 px the labels are thinned out
        SCOPED_TRACE(height);
        TGlimmBar g;
        g.resize(90, height);
        g.AssignAttribute("TPS", "%", "", "", "", -1, -1, 0, 0, spNone, spNone, 100, 0, 100, 0);
        TFont labels = g.ScaleFont();
        labels.Color = Green;
        g.SetScaleFont(labels);
        g.SetPosition(50);
        const QImage& picture = g.Picture();
        const QRect drawn = colourBounds(picture, Green, {}, TextTolerance);
        ASSERT_FALSE(drawn.isEmpty());
        EXPECT_GT(drawn.left(), 90 - 90 / 3);
        // Rows of label pixels come in runs, one per label, with gaps of at least two rows
        // between them; there are at most as many as ticks (0, 10, ..., 100).
        int runs = 0;
        int gap = 2;
        for (int y = 0; y < picture.height(); ++y) {
            const bool any =
                !colourBounds(picture, Green, QRect(0, y, 90, 1), TextTolerance).isEmpty();
            runs += any && gap >= 2;
            gap = any ? 0 : gap + 1;
        }
        EXPECT_GE(runs, 3);
        EXPECT_LE(runs, 11);
    }
}

// A caption too long for its box at the smallest size ends in "..." within the box instead of
// being cut at the edge; one that fits is drawn whole.
TEST(GlimmDash, ALongCaptionIsShortenedWithinItsBox) {
    struct Case {
        const char* caption;
        bool shortened;
    };
    for (const Case c :
         {Case{"No reference pulses (normal, engine stopped)", true}, Case{"Idle", false}}) {
        SCOPED_TRACE(c.caption);
        TGlimmLight g;
        g.resize(100, 70);
        g.AssignAttribute(c.caption, "", "", "", "", 0, 0, 0, 0, spNone, spNone, 2, 0, 1, 0);
        TFont f = g.CaptionFont();
        f.Color = Green;
        g.SetCaptionFont(f);
        const TGlimmBox box = g.CaptionBox();
        const QRect text = colourBounds(
            g.Picture(), Green, QRect(box.Left, box.Top, box.Width(), box.Height()), TextTolerance);
        ASSERT_FALSE(text.isEmpty());
        EXPECT_GT(text.left(), box.Left) << "cut at the left edge";
        EXPECT_LT(text.right(), box.Right) << "cut at the right edge";
        // Shortened text fills the box's width; a short one stays in its middle.
        EXPECT_EQ(text.width() > box.Width() * 3 / 4, c.shortened) << text.width();
    }
}

// A gauge without a value to show draws no needle, value, lamp colour or alarm mark: a new
// gauge, one cleared of its value, one given another value; the next value brings it back.
TEST(GlimmDash, AGaugeWithoutAValueShowsNone) {
    TGlimmDial g;
    g.resize(200, 200);
    g.AssignAttribute("CTS", "degC", "", "", "", -1, -1, 3, 0, spNone, spNone, 100, 0, 150, -40);
    EXPECT_FALSE(g.HasValue());
    EXPECT_TRUE(colourBounds(g.Picture(), g.ColorMax()).isEmpty());
    g.SetPosition(0); // the value it had: it is shown all the same
    EXPECT_TRUE(g.HasValue());
    g.SetPosition(120); // in the maximum band: red needle and labels
    EXPECT_FALSE(colourBounds(g.Picture(), g.ColorMax()).isEmpty());

    // Cleared (nothing assigned): only the face.
    g.AssignAttribute("", "", "", "", "", -1, -1, -1, -1, spNone, spNone, 80, 20, 100, 0);
    EXPECT_FALSE(g.HasValue());
    const QImage& cleared = g.Picture();
    for (uint32_t colour : {g.ColorMin(), g.ColorOk(), g.ColorMax()}) {
        EXPECT_TRUE(colourBounds(cleared, colour).isEmpty()) << std::hex << colour;
    }
    // Given another value: its scale but no needle until a frame brings the value.
    g.AssignAttribute("IAT", "degC", "", "", "", -1, -1, 4, 0, spNone, spNone, 100, 0, 150, -40);
    EXPECT_FALSE(g.HasValue());
    const TGlimmPoint hub{g.Boxes().Cx, g.Boxes().Cy};
    EXPECT_NE(g.Picture().pixel(hub.X, hub.Y) | 0xFF000000u, rgb(g.ColorMax()));
    g.SetPosition(130);
    EXPECT_EQ(g.PosMin(), 130); // the lowest and highest seen start again
    EXPECT_EQ(g.PosMax(), 130);

    // A light without a value stays dark.
    TGlimmLight light;
    light.resize(100, 70);
    light.AssignAttribute("Idle", "", "Off idle", "Idle", "", 4, 2, 1, 0, spNone, spNone, 2, 0, 1,
                          0);
    for (uint32_t colour : {light.ColorMin(), light.ColorOk(), light.ColorMax()}) {
        EXPECT_TRUE(colourBounds(light.Picture(), colour).isEmpty()) << std::hex << colour;
    }
}

// Drawn on any painter: on a 96 dpi picture as on screen, and on a device of three times the
// resolution three times as fine, fonts included.
TEST(GlimmDash, PaintToDrawsAtTheDevicesResolution) {
    TGlimmDial g;
    g.resize(240, 260);
    g.AssignAttribute("SPARK", "deg", "", "", "", -1, -1, 0, 0, spNone, spNone, 50, 5, 60, 0);
    TFont f = g.CaptionFont();
    f.Color = Green;
    g.SetCaptionFont(f);
    g.SetColorLine(Magenta);
    g.SetBorder(4);
    g.SetPosition(21.1f);

    QImage screen(g.size(), QImage::Format_RGB32);
    screen.setDotsPerMeterX(3780);
    screen.setDotsPerMeterY(3780);
    {
        QPainter p(&screen);
        g.PaintTo(p, screen.rect());
    }
    EXPECT_EQ(screen, g.Picture());

    QImage fine(g.size() * 3, QImage::Format_RGB32);
    fine.setDotsPerMeterX(3780 * 3);
    fine.setDotsPerMeterY(3780 * 3);
    fine.fill(Qt::white);
    {
        QPainter p(&fine);
        p.scale(3, 3); // what a printer's painter does: units of the screen onto finer dots
        g.PaintTo(p, QRect(QPoint(0, 0), g.size()));
    }
    for (uint32_t colour : {Green, Magenta}) { // the caption's text, the face's outline
        const QRect coarse = colourBounds(screen, colour, {}, TextTolerance);
        const QRect sharp = colourBounds(fine, colour, {}, TextTolerance);
        ASSERT_FALSE(coarse.isEmpty());
        ASSERT_FALSE(sharp.isEmpty());
        EXPECT_NEAR(sharp.width(), 3 * coarse.width(), 6) << std::hex << colour;
        EXPECT_NEAR(sharp.height(), 3 * coarse.height(), 6) << std::hex << colour;
    }
}

} // namespace

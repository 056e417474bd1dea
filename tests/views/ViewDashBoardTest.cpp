// The Dashboard page with the sample vehicle: the 25-gauge layout, Populate from the runtime
// image, the empty-page text, live values from decoded frames, and the popup menu's assignments
// written back into the definition. The disabled tests time the gauges and render screenshots.
#include "views/ViewDashBoard.h"
#include "common/Common.h"
#include "common/Format.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "shell/GlimmCommon.h"
#include "shell/Printing.h"
#include "views/dashboard/DashProperties.h"

#include "../../tools/ecm-sim/EcmSim.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// The pick list as the chart monitor's host frame fills it for a macro.
void fillPickList(TCartridge& e) {
    e.ClearPickList();
    int k = 0;
    auto add = [&](const TPickListItem& entry) {
        if (k < PickListSize) {
            e.SetPickListItem(k++, entry);
        }
    };
    for (int i = 0; i < e.ItemCount; ++i) {
        bool seen = false;
        for (int j = 0; j < i; ++j) {
            seen |= e.Items[j].MCode == e.Items[i].MCode && e.Items[j].RCode == e.Items[i].RCode;
        }
        if (seen) {
            continue;
        }
        const TRequest& r = e.Items[i].Request;
        for (int a = 0; a < r.AttrCount; ++a) {
            const TAttr& at = r.Attrs[a];
            TPickListItem p;
            p.Item = i;
            p.Attr = a;
            if (at.AType == 3) {
                for (int d = at.DTCCount - 1; d >= 0; --d) {
                    p.Name = at.DTCs[d].Desc;
                    p.DescMin = "OK";
                    p.DescOk = "Fail";
                    p.Bit = at.DTCs[d].Bit;
                    p.Sub = d;
                    p.Kind = 3;
                    add(p);
                }
            } else if (at.AType == 4) {
                for (int f = 0; f < at.FlagCount; ++f) {
                    p.Name = at.Flags[f].Desc;
                    p.DescMin = at.Flags[f].B0;
                    p.DescOk = at.Flags[f].B1;
                    p.Bit = at.Flags[f].Bit;
                    p.Sub = f;
                    p.Kind = 4;
                    add(p);
                }
            } else {
                p.Name = at.ACode;
                p.Units = at.Scale.Units;
                p.DisplayMin = at.Scale.DisplayMin;
                p.DisplayMax = at.Scale.DisplayMax;
                p.AlarmMin = at.Scale.AlarmMin;
                p.AlarmMax = at.Scale.AlarmMax;
                p.DescMin = at.Scale.DescMin;
                p.DescOk = at.Scale.DescOk;
                p.DescMax = at.Scale.DescMax;
                p.Sub = p.Bit = -1;
                p.Kind = 0;
                add(p);
            }
        }
    }
}

// The built-in engine module's mode 1 reply at a time since start.
TPacket engineFrame(double seconds) {
    const EcmBytes message = EcmSimEngineMessage(seconds);
    TPacket frame;
    frame.SetHeader(0xF4);
    frame.SetDataLen(static_cast<int>(message.size()) + 1);
    frame.setData(0, 1);
    for (size_t i = 0; i < message.size(); ++i) {
        frame.setData(static_cast<int>(i) + 1, message[i]);
    }
    frame.UpdateChecksum();
    return frame;
}

QAction* findAction(QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions()) {
        if (a->text() == text || a->text().startsWith(text + " (")) {
            return a;
        }
        if (a->menu()) {
            if (QAction* inner = findAction(*a->menu(), text)) {
                return inner;
            }
        }
    }
    return nullptr;
}

QMenu* subMenu(QMenu& menu, const QString& text) {
    QAction* a = findAction(menu, text);
    return a ? a->menu() : nullptr;
}

class ViewDashBoardTest : public testing::Test {
protected:
    void SetUp() override {
        DecimalSeparator = '.';
        ASSERT_TRUE(vehicle.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml"));
        page.SetEngine(&engine);
        page.resize(1200, 800);
        page.Layout();
        load(1);
    }
    void load(int macID) {
        engine.LoadMacro(macID);
        fillPickList(engine);
        page.Populate();
    }
    // What the main window does for every frame while the Dashboard page is shown.
    void feed(double seconds) {
        TPacket frame = engineFrame(seconds);
        engine.DecodeFrame(frame, false);
        for (int i = 0; i < page.GaugeCount(); ++i) {
            TGauge& g = page.Gauge(i);
            const float v = engine.GetAttrValue(g.Item(), g.Attr(), g.IsLight() ? g.Bit() : -1);
            if (v != MissingValue) {
                g.SetPosition(v);
            }
        }
    }
    const TAttr* attrNamed(const std::string& code) {
        for (int i = 0; i < engine.ItemCount; ++i) {
            for (const TAttr& a : engine.Items[i].Request.Attrs) {
                if (a.ACode == code) {
                    return &a;
                }
            }
        }
        return nullptr;
    }
    TGlimmDash& gauge(int id) { return *page.GaugeById(id); }

    TVehicle vehicle;
    TRtime timer;
    TRS232 link{timer};
    TCartridge engine{vehicle, link, timer};
    TframeViewDashBoard page;
};

TEST_F(ViewDashBoardTest, TwentyFiveGaugesByIdAndType) {
    ASSERT_EQ(page.GaugeCount(), 25);
    for (int id = 1; id <= 25; ++id) {
        const TGlimmKind want = id <= 10 ? gkDial : id <= 16 ? gkBar : gkLight;
        EXPECT_EQ(gauge(id).Kind(), want) << id;
        EXPECT_EQ(gauge(id).Id, id);
        EXPECT_EQ(page.Gauge(id - 1).IsLight(), want == gkLight);
    }
    EXPECT_EQ(page.GaugeById(0), nullptr);
    EXPECT_EQ(page.GaugeById(26), nullptr);
}

TEST_F(ViewDashBoardTest, LayoutAtTwoWindowSizes) {
    for (const QSize size : {QSize(900, 600), QSize(1601, 1003)}) {
        page.resize(size);
        page.Layout(); // the resize handler (the page is not shown)
        const int W = size.width(), H = size.height();
        const int top = H - 70, col = W / 3, centre = W - 2 * col, q = top / 4;
        EXPECT_EQ(gauge(1).geometry(), QRect(0, 0, col / 2, q));
        EXPECT_EQ(gauge(2).geometry(), QRect(col / 2, 0, col - col / 2, q));
        EXPECT_EQ(gauge(4).geometry(), QRect(col / 2, q, col - col / 2, q));
        EXPECT_EQ(gauge(5).geometry(), QRect(col + centre, 0, col / 2, q));
        EXPECT_EQ(gauge(9).geometry(), QRect(col, 0, centre, top / 2));
        EXPECT_EQ(gauge(10).geometry(), QRect(col, top / 2, centre, top - top / 2));
        EXPECT_EQ(gauge(11).geometry(), QRect(0, 2 * q, col / 3, top - 2 * q));
        EXPECT_EQ(gauge(13).geometry().right(), col - 1);
        EXPECT_EQ(gauge(16).geometry().right(), W - 1);
        EXPECT_EQ(gauge(17).geometry(), QRect(0, top, col / 3, 70));
        EXPECT_EQ(gauge(21).geometry(),
                  QRect(col + centre / 3, top, centre - 2 * (centre / 3), 70));
        EXPECT_EQ(gauge(25).geometry().bottomRight(), QPoint(W - 1, H - 1));
        // The gauges tile the page.
        long long area = 0;
        for (int id = 1; id <= 25; ++id) {
            area += static_cast<long long>(gauge(id).width()) * gauge(id).height();
        }
        EXPECT_EQ(area, static_cast<long long>(W) * H) << W << "x" << H;
    }
}

TEST_F(ViewDashBoardTest, PopulateAssignsTheSampleVehiclesGauges) {
    const TAttr* rpm = attrNamed("RPM");
    ASSERT_NE(rpm, nullptr);
    TGlimmDash& g = gauge(1);
    EXPECT_EQ(g.Caption(), "RPM");
    EXPECT_EQ(g.Units(), rpm->Scale.Units);
    EXPECT_EQ(g.DisplayMax(), GlimmRound(rpm->Scale.DisplayMax));
    EXPECT_EQ(g.AlarmMax(), GlimmRound(rpm->Scale.AlarmMax));
    EXPECT_EQ(g.Bit(), -1);
    EXPECT_EQ(g.Sub(), -1);
    EXPECT_EQ(engine.Items[g.Item()].Request.Attrs[g.Attr()].ACode, "RPM");
    // A DTC on a light: OK / Fail over 0..1, the DTC's bit and index.
    TGlimmDash& dtc = gauge(17);
    EXPECT_EQ(dtc.Caption(), "Electronic spark timing");
    EXPECT_EQ(dtc.Text()[0], "OK");
    EXPECT_EQ(dtc.Text()[1], "");
    EXPECT_EQ(dtc.Text()[2], "Fail");
    EXPECT_EQ(dtc.Bit(), 3);
    const TAttr& codes = engine.Items[dtc.Item()].Request.Attrs[dtc.Attr()];
    EXPECT_EQ(codes.DTCs[dtc.Sub()].Dash, 17);
    // A flag is a state: its 0 text in the minimum band, its 1 text in the normal band.
    TGlimmDash& flag = gauge(19);
    EXPECT_EQ(flag.Caption(), "Closed loop");
    EXPECT_EQ(flag.Text()[0], "Open loop");
    EXPECT_EQ(flag.Text()[1], "Closed loop");
    EXPECT_EQ(flag.Text()[2], "");
    EXPECT_EQ(flag.DisplayMax(), 1);
    EXPECT_EQ(flag.AlarmMin(), 0);
    EXPECT_GT(flag.AlarmMax(), 1);
    for (int id = 1; id <= 25; ++id) {
        EXPECT_FALSE(gauge(id).Caption().empty()) << id;
    }
    EXPECT_FALSE(page.EmptyTextShown());
}

TEST_F(ViewDashBoardTest, StoredFormatsSurviveTheAssignment) {
    SettingsStore().WriteInteger("Dash", "Dash06.Precision", spf1);
    SettingsStore().WriteInteger("Dash", "Dash06.ScalePrecision", spx10);
    page.Populate();
    EXPECT_EQ(gauge(6).Precision(), spf1);
    EXPECT_EQ(gauge(6).ScalePrecision(), spx10);
    EXPECT_EQ(gauge(7).Precision(), spNone);
    SettingsStore().WriteInteger("Dash", "Dash06.Precision", spNone);
    SettingsStore().WriteInteger("Dash", "Dash06.ScalePrecision", spNone);
}

TEST_F(ViewDashBoardTest, AMacroWithoutAttributesShowsTheEmptyPageText) {
    load(12345); // no such macro: an empty image
    EXPECT_TRUE(page.EmptyTextShown());
    EXPECT_EQ(page.EmptyPanelText(),
              QString(TframeViewDashBoard::EmptyText).remove('\r').trimmed());
    EXPECT_EQ(gauge(1).Caption(), "");
    EXPECT_EQ(gauge(1).Item(), -1);
    load(1);
    EXPECT_FALSE(page.EmptyTextShown());
}

TEST_F(ViewDashBoardTest, LaterAssignmentOfTheSameIdWins) {
    // An attribute met after the flag that holds gauge 20 takes the gauge over.
    TAttr* cts = const_cast<TAttr*>(attrNamed("CTS"));
    ASSERT_NE(cts, nullptr);
    cts->Dash = 20;
    page.Populate();
    EXPECT_EQ(gauge(20).Caption(), "CTS");
}

TEST_F(ViewDashBoardTest, DecodedFramesMoveTheGauges) {
    for (int s = 0; s < 30; ++s) {
        feed(s * 0.5);
    }
    const TAttr* rpm = attrNamed("RPM");
    EXPECT_FLOAT_EQ(gauge(1).Position(), std::clamp(rpm->Value, float(gauge(1).Scale().Min),
                                                    float(gauge(1).Scale().Max)));
    EXPECT_LE(gauge(1).PosMin(), gauge(1).Position());
    EXPECT_GE(gauge(1).PosMax(), gauge(1).Position());
    TGlimmDash& light = gauge(19);
    const TAttr& a = engine.Items[light.Item()].Request.Attrs[light.Attr()];
    EXPECT_EQ(light.Position(), (a.RawValue >> light.Bit()) & 1);
}

TEST_F(ViewDashBoardTest, ChoosingAnAttributeWritesTheAssignmentBack) {
    QMenu& menu = page.PrepareGaugeMenu(gauge(1));
    QMenu* attrs = subMenu(menu, "Attribute");
    ASSERT_NE(attrs, nullptr);
    QAction* cts = findAction(*attrs, "CTS");
    ASSERT_NE(cts, nullptr);
    const TAttr* ctsAttr = attrNamed("CTS");
    EXPECT_EQ(cts->text(),
              QString::fromStdString(Format(
                  "CTS (%s..%s) %s", NumberText(ctsAttr->Scale.DisplayMin).c_str(),
                  NumberText(ctsAttr->Scale.DisplayMax).c_str(), ctsAttr->Scale.Units.c_str())));
    cts->trigger();
    // The page is filled again at once: CTS on dial 1, dial 3 (CTS before) and RPM lose it.
    EXPECT_EQ(gauge(1).Caption(), "CTS");
    EXPECT_EQ(gauge(3).Caption(), "");
    EXPECT_EQ(attrNamed("RPM")->Dash, 0);
    // The definition holds it: a new image from the tables shows the same.
    load(1);
    EXPECT_EQ(attrNamed("CTS")->Dash, 1);
    EXPECT_EQ(attrNamed("RPM")->Dash, 0);
    EXPECT_EQ(gauge(1).Caption(), "CTS");
    EXPECT_EQ(gauge(3).Caption(), "");
}

TEST_F(ViewDashBoardTest, ADTCPutOnALightShowsItsBitAtOnce) {
    feed(1.0);
    TGlimmDash& light = gauge(20);
    QMenu& menu = page.PrepareGaugeMenu(light);
    QMenu* dtcs = subMenu(menu, "DTC");
    ASSERT_NE(dtcs, nullptr);
    ASSERT_FALSE(dtcs->actions().isEmpty());
    QAction* first = dtcs->actions().front();
    const TPickListItem e = engine.GetPickListItem(first->data().toInt());
    EXPECT_EQ(first->text(), QString::fromStdString(e.Name + " (OK,Fail)"));
    first->trigger();
    EXPECT_EQ(light.Caption(), e.Name);
    EXPECT_EQ(light.Bit(), e.Bit);
    EXPECT_EQ(light.Position(), engine.GetAttrValue(e.Item, e.Attr, e.Bit));
    load(1);
    EXPECT_EQ(engine.Items[e.Item].Request.Attrs[e.Attr].DTCs[e.Sub].Dash, 20);
}

TEST_F(ViewDashBoardTest, ClearingAGaugeRemovesItsAssignment) {
    QMenu& menu = page.PrepareGaugeMenu(gauge(19));
    QAction* clear = findAction(menu, "Clear: Closed loop");
    ASSERT_NE(clear, nullptr);
    EXPECT_TRUE(clear->isEnabled());
    clear->trigger();
    EXPECT_EQ(gauge(19).Caption(), "");
    load(1);
    EXPECT_EQ(gauge(19).Caption(), "");
    EXPECT_EQ(gauge(1).Caption(), "RPM");
    // Nothing left to clear: the entry is disabled.
    QMenu& again = page.PrepareGaugeMenu(gauge(19));
    QAction* none = findAction(again, "Clear: ");
    ASSERT_NE(none, nullptr);
    EXPECT_FALSE(none->isEnabled());
}

TEST(ViewDashBoardFresh, ClearingTheDesignCaptionChangesNoDefinition) {
    TVehicle vehicle;
    ASSERT_TRUE(vehicle.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml"));
    TRtime timer;
    TRS232 link{timer};
    TCartridge engine{vehicle, link, timer};
    engine.LoadMacro(1);
    TframeViewDashBoard page; // design-time gauges: "TITLE", nothing assigned
    page.SetEngine(&engine);
    TGlimmDash& g = *page.GaugeById(4);
    EXPECT_EQ(g.Caption(), "TITLE");
    int populated = 0;
    g.OnPopulateNeeded = [&] { ++populated; };
    QMenu& menu = page.PrepareGaugeMenu(g);
    QAction* clear = findAction(menu, "Clear: TITLE");
    ASSERT_NE(clear, nullptr);
    clear->trigger();
    EXPECT_EQ(g.Caption(), "");
    EXPECT_EQ(populated, 1);
    EXPECT_FALSE(vehicle.Dirty);
}

TEST_F(ViewDashBoardTest, MenuTogglesAndConfirmedDefaults) {
    TGlimmDash& g = gauge(2);
    QMenu& menu = page.PrepareGaugeMenu(g);
    QAction* minmax = findAction(menu, "Show Min/Max");
    ASSERT_NE(minmax, nullptr);
    EXPECT_FALSE(minmax->isChecked());
    minmax->trigger();
    EXPECT_TRUE(g.ShowMinMax());
    std::vector<QString> asked;
    bool answer = false;
    page.Confirm = [&](const QString& q) {
        asked.push_back(q);
        return answer;
    };
    findAction(page.PrepareGaugeMenu(g), "Save User Defaults")->trigger();
    EXPECT_FALSE(SettingsStore().ReadBool("Dash", "Dash02.ShowMinMax", false));
    answer = true;
    findAction(page.PrepareGaugeMenu(g), "Save User Defaults")->trigger();
    EXPECT_TRUE(SettingsStore().ReadBool("Dash", "Dash02.ShowMinMax", false));
    findAction(page.PrepareGaugeMenu(g), "Load Factory Defaults")->trigger();
    EXPECT_FALSE(g.ShowMinMax());
    findAction(page.PrepareGaugeMenu(g), "Load User Defaults")->trigger();
    EXPECT_TRUE(g.ShowMinMax());
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0], "Save current dashboard item's settings as user defaults");
    EXPECT_EQ(asked[2], "Restore factory defaults for current dashboard item");
    EXPECT_EQ(asked[3], "Load user defaults for current dashboard item");
    // Without AllowProps the gauge's settings entries are disabled.
    g.AllowProps = false;
    QMenu& locked = page.PrepareGaugeMenu(g);
    EXPECT_FALSE(findAction(locked, "Properties...")->isEnabled());
    EXPECT_FALSE(subMenu(locked, "Caption")->isEnabled());
    EXPECT_TRUE(findAction(locked, "Reset")->isEnabled());
}

TEST_F(ViewDashBoardTest, LongMenusBreakIntoColumnsOfPopupRows) {
    gauge(5).SetPopupRows(4);
    QMenu* attrs = subMenu(page.PrepareGaugeMenu(gauge(5)), "Attribute");
    ASSERT_NE(attrs, nullptr);
    EXPECT_EQ(attrs->actions().size(), 5); // four entries and "More..."
}

// ---- the page shown, with the pointer ----

constexpr uint32_t Magenta = 0xFF00FF;

// The smallest rectangle holding every pixel of this colour (each channel within tolerance).
QRect colourBounds(const QImage& image, uint32_t colour, int tolerance = 0) {
    const QColor want(static_cast<int>(colour & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
                      static_cast<int>(colour >> 16 & 0xFF));
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (std::abs(qRed(line[x]) - want.red()) <= tolerance &&
                std::abs(qGreen(line[x]) - want.green()) <= tolerance &&
                std::abs(qBlue(line[x]) - want.blue()) <= tolerance) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

class ViewDashBoardShownTest : public ViewDashBoardTest {
protected:
    void SetUp() override {
        ViewDashBoardTest::SetUp();
        page.ShowProperties = [this](TGlimmDash&) { ++propertiesOpened; };
        page.Confirm = [](const QString&) { return true; };
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    }
    static void closePopups() {
        while (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    }
    // Opens the gauge's popup menu as a right click on it does and clicks the entries of path
    // in turn (an entry with a submenu opens it). True when the last entry was there and
    // enabled; a disabled one is clicked all the same.
    bool clickMenuPath(TGlimmDash& gauge, const QStringList& path) {
        bool enabled = false;
        int step = 0, tries = 0;
        std::function<void()> next = [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QAction* entry = nullptr;
            for (QAction* a : menu ? menu->actions() : QList<QAction*>()) {
                if (a->text().startsWith(path[step])) {
                    entry = a;
                    break;
                }
            }
            if (!entry) { // the submenu may still be opening
                if (++tries < 40) {
                    QTimer::singleShot(25, next);
                } else {
                    closePopups();
                }
                return;
            }
            tries = 0;
            const bool last = step == path.size() - 1;
            enabled = entry->isEnabled();
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
            if (!last) {
                ++step;
                QTimer::singleShot(25, next);
            } else {
                closePopups(); // a disabled entry leaves its menu open
            }
        };
        QTimer::singleShot(0, next);
        const QPoint at = gauge.rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, gauge.mapToGlobal(at));
        QApplication::sendEvent(&gauge, &event);
        QApplication::processEvents();
        return enabled && step == path.size() - 1;
    }

    int propertiesOpened = 0;
};

// A gauge's properties dialog would hold a run up: its entry is disabled while one goes on and
// comes back when it has stopped.
TEST_F(ViewDashBoardShownTest, GaugePropertiesAreClosedWhileARunGoesOn) {
    bool running = true;
    page.Running = [&running] { return running; };
    EXPECT_FALSE(clickMenuPath(gauge(1), {"Properties..."}));
    EXPECT_EQ(propertiesOpened, 0);
    EXPECT_TRUE(clickMenuPath(gauge(1), {"Reset"})); // the rest of the menu stays
    running = false;
    EXPECT_TRUE(clickMenuPath(gauge(1), {"Properties..."}));
    EXPECT_EQ(propertiesOpened, 1);
}

// A cleared gauge, and one the definition no longer assigns, show no value: no needle, value
// text or alarm colour of what they showed before.
TEST_F(ViewDashBoardShownTest, ACleardOrUnassignedGaugeShowsNoValue) {
    for (int s = 0; s < 10; ++s) {
        feed(s * 0.5);
    }
    for (const int id : {3, 19}) { // a dial (CTS), a light (closed loop)
        ASSERT_TRUE(gauge(id).HasValue()) << id;
    }
    // "Caption" > "Clear: CTS" with the pointer.
    ASSERT_TRUE(clickMenuPath(gauge(3), {"Caption", "Clear: CTS"}));
    EXPECT_EQ(gauge(3).Caption(), "");
    EXPECT_FALSE(gauge(3).HasValue());
    // The closed loop flag loses its light in the definition: Populate leaves it unassigned.
    const TAttr* flags = attrNamed("FLAGSA");
    ASSERT_NE(flags, nullptr);
    const_cast<TAttr*>(flags)->Flags[0].Dash = 0;
    page.Populate();
    EXPECT_FALSE(gauge(19).HasValue());
    QApplication::processEvents();
    for (const int id : {3, 19}) {
        TGlimmDash& g = gauge(id);
        const QImage& picture = g.Picture();
        for (uint32_t colour : {g.ColorMin(), g.ColorOk(), g.ColorMax()}) {
            EXPECT_TRUE(colourBounds(picture, colour).isEmpty())
                << id << " shows " << std::hex << colour;
        }
    }
    // Frames move only the gauges that still have a value to show.
    feed(6);
    EXPECT_FALSE(gauge(3).HasValue());
    EXPECT_TRUE(gauge(1).HasValue());
}

// Lamps: a flag is a state, grey at 0 and green at 1; a trouble code is a fault, grey while
// clear and red when set. Only a fault is red.
TEST_F(ViewDashBoardShownTest, LampsAreGreyOffGreenForAStateAndRedForAFault) {
    for (int id = 17; id <= 25; ++id) {
        gauge(id).LoadSettings(); // the appearance the window gives them at start
    }
    struct Case {
        int id; // 17 trouble code 42, 19 closed loop, 22 idle
        float value;
        uint32_t lamp;
        const char* text;
    };
    const Case cases[] = {
        {17, 0, TGlimmDash::LightColorOff, "OK"},
        {17, 1, TGlimmDash::LightColorFault, "Fail"},
        {19, 0, TGlimmDash::LightColorOff, "Open loop"},
        {19, 1, TGlimmDash::LightColorOn, "Closed loop"},
        {22, 1, TGlimmDash::LightColorOn, "Idle"},
        {22, 0, TGlimmDash::LightColorOff, "Off idle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.id << " at " << c.value);
        TGlimmDash& g = gauge(c.id);
        g.SetPosition(c.value);
        const TGlimmBox lamp = g.Boxes().Lamp;
        const QImage& picture = g.Picture();
        EXPECT_EQ(picture.pixel(lamp.Left + 2, lamp.Top + 2) | 0xFF000000u,
                  QColor(static_cast<int>(c.lamp & 0xFF), static_cast<int>(c.lamp >> 8 & 0xFF),
                         static_cast<int>(c.lamp >> 16 & 0xFF))
                      .rgb());
        const int band = BandOf(g.Position(), g.AlarmMin(), g.AlarmMax());
        EXPECT_EQ(g.Text()[band - 1], c.text);
    }
}

// The page drawn on a printer's page: laid out again at the page's shape, dials round and
// drawn in the printer's dots, not as a picture of the screen.
TEST_F(ViewDashBoardShownTest, ThePagePrintsAtThePrintersResolution) {
    for (int s = 0; s < 10; ++s) {
        feed(s * 0.5);
    }
    gauge(9).SetColorLine(Magenta);
    gauge(9).SetBorder(4);
    QImage paper(1275, 1650, QImage::Format_RGB32); // letter size at 150 dpi
    paper.setDotsPerMeterX(5906);
    paper.setDotsPerMeterY(5906);
    paper.fill(Qt::white);
    int pageHeight = 0; // print units
    {
        TPrintJob job(paper);
        pageHeight = job.PageHeight();
        ASSERT_TRUE(job.IsActive());
        page.Paint(job.Painter(),
                   QRect(0, TPrintJob::BodyTop, job.PageWidth(),
                         job.PageHeight() - TPrintJob::BodyBottomMargin - TPrintJob::BodyTop));
    }
    const QRect dial = colourBounds(paper, Magenta, 60);
    ASSERT_FALSE(dial.isEmpty());
    EXPECT_LE(std::abs(dial.width() - dial.height()), 2);
    // The centre dial is as wide as in a 96 dpi layout of the body, in dots of 150 dpi.
    const int bodyDots = static_cast<int>(paper.width() * 0.98);
    EXPECT_GT(dial.width(), bodyDots / 6);
    // The gauges fill the body from corner to corner (the paper is white).
    const int top = TPrintJob::BodyTop * 150 / 600;
    const int bottom = (pageHeight - TPrintJob::BodyBottomMargin) * 150 / 600;
    for (const QPoint corner : {QPoint(3, top + 3), QPoint(paper.width() - 20, top + 3),
                                QPoint(3, bottom - 20), QPoint(paper.width() - 20, bottom - 20)}) {
        EXPECT_NE(paper.pixel(corner) | 0xFF000000u, qRgb(255, 255, 255))
            << corner.x() << "," << corner.y();
    }
}

// ---- figures and pictures (run with --gtest_also_run_disabled_tests) ----

TEST_F(ViewDashBoardTest, DISABLED_BenchmarkOneFrameOnAllGauges) {
    for (int i = 0; i < page.GaugeCount(); ++i) {
        page.Gauge(i).LoadSettings();
        page.GaugeById(i + 1)->SetShowMinMax(true);
    }
    page.resize(1280, 800);
    page.show();
    QApplication::processEvents();
    std::vector<double> compose, painted;
    for (int f = 0; f < 400; ++f) {
        TPacket frame = engineFrame(f * 0.1);
        engine.DecodeFrame(frame, false);
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < page.GaugeCount(); ++i) {
            TGauge& g = page.Gauge(i);
            const float v = engine.GetAttrValue(g.Item(), g.Attr(), g.IsLight() ? g.Bit() : -1);
            if (v != MissingValue) {
                g.SetPosition(v);
            }
        }
        const auto t1 = std::chrono::steady_clock::now();
        QApplication::processEvents(); // the repaint of the changed areas
        const auto t2 = std::chrono::steady_clock::now();
        compose.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        painted.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
    }
    auto report = [](const char* what, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        double sum = 0;
        for (double x : v) {
            sum += x;
        }
        std::printf("%s: mean %.3f ms, median %.3f ms, 95%% %.3f ms, max %.3f ms over %zu frames\n",
                    what, sum / v.size(), v[v.size() / 2], v[v.size() * 95 / 100], v.back(),
                    v.size());
    };
    report("25 gauges, SetPosition (compose dynamic layers)", compose);
    report("25 gauges, SetPosition + repaint on screen", painted);
    int full = 0;
    for (int id = 1; id <= 25; ++id) {
        full += gauge(id).StaticRenders();
    }
    std::printf("static layer rebuilds over the run: %d (band changes and the first paint)\n",
                full);
}

TEST_F(ViewDashBoardTest, DISABLED_Screenshots) {
    for (int i = 0; i < page.GaugeCount(); ++i) {
        page.Gauge(i).LoadSettings(); // as the main window does at start: nothing stored yet
    }
    page.show();
    // Usual, wide, tall and small windows.
    for (const QSize size : {QSize(1024, 700), QSize(1600, 1000), QSize(1600, 520),
                             QSize(700, 1000), QSize(640, 420)}) {
        page.resize(size);
        for (int s = 0; s < 120; ++s) {
            feed(200 + s * 0.25); // a warm engine, some minutes into the run
        }
        QApplication::processEvents();
        const QString file =
            QStringLiteral("/tmp/dash-%1x%2.png").arg(size.width()).arg(size.height());
        EXPECT_TRUE(page.grab().save(file));
        std::printf("wrote %s\n", qPrintable(file));
    }
    // The page as printed on letter paper at 150 dpi.
    QImage paper(1275, 1650, QImage::Format_RGB32);
    paper.setDotsPerMeterX(5906);
    paper.setDotsPerMeterY(5906);
    paper.fill(Qt::white);
    {
        TPrintJob job(paper);
        job.PrintHeader("Dashboard", "Vehicle type:        SIM-V8", "Customer's file:    ", "");
        page.Paint(job.Painter(),
                   QRect(0, TPrintJob::BodyTop, job.PageWidth(),
                         job.PageHeight() - TPrintJob::BodyBottomMargin - TPrintJob::BodyTop));
        job.PrintFooter();
    }
    EXPECT_TRUE(paper.save("/tmp/dash-print.png"));
    std::printf("wrote /tmp/dash-print.png\n");
    TfDashProp& dialog = page.PropertiesDialog();
    gauge(1).SetShowMinMax(true);
    dialog.Open(gauge(1));
    dialog.TestBar->setValue(dialog.TestBar->maximum() * 2 / 3);
    dialog.show();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.grab().save("/tmp/dash-props.png"));
    dialog.Open(gauge(12));
    dialog.TestBar->setValue(dialog.TestBar->maximum() / 2);
    QApplication::processEvents();
    EXPECT_TRUE(dialog.grab().save("/tmp/dash-props-bar.png"));
    dialog.hide();
}

} // namespace

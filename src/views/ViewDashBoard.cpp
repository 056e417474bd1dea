#include "views/ViewDashBoard.h"

#include "common/Common.h"
#include "common/Format.h"
#include "engine/Cartridge.h"
#include "shell/GlimmCommon.h"
#include "shell/MenuHelpers.h"
#include "views/dashboard/DashProperties.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>

namespace {

// Gauge Ids: 1..10 dials, 11..16 bars, 17..25 lights.
TGlimmDash* makeGauge(int id, QWidget* parent) {
    if (id <= 10) {
        return new TGlimmDial(parent);
    }
    if (id <= 16) {
        return new TGlimmBar(parent);
    }
    return new TGlimmLight(parent);
}

TFont arialPx(int pixels, uint32_t colour) {
    TFont f;
    f.Name = "Arial";
    f.Size = static_cast<int>(GlimmRound(pixels * 72.0 / 96.0)); // design heights are pixels
    f.Color = colour;
    return f;
}

QString menuText(const std::string& text) {
    return QString::fromStdString(text).replace('&', QStringLiteral("&&"));
}

TGlimmPrecision storedPrecision(int id, const char* suffix) {
    return PrecisionOf(
        SettingsStore().ReadInteger("Dash", Format("Dash%.2d", id) + suffix, spNone));
}

int whole(float v) {
    return static_cast<int>(GlimmRound(Clamp(static_cast<double>(v), -1e9, 1e9)));
}

} // namespace

TframeViewDashBoard::TframeViewDashBoard(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    for (int id = 1; id <= Gauges; ++id) {
        TGlimmDash* g = makeGauge(id, this);
        g->Id = id;
        g->setObjectName(QStringLiteral("Dash%1").arg(id, 2, 10, QLatin1Char('0')));
        applyDesignAppearance(*g);
        g->OnPopulateNeeded = [this] { Populate(); };
        g->OnPopup = [this](TGlimmDash& gauge, const QPoint& at) {
            PrepareGaugeMenu(gauge).exec(at);
        };
        gauges[id - 1] = g;
    }
    emptyPanel = new QLabel(this);
    emptyPanel->setObjectName(QStringLiteral("EmptyPanel"));
    emptyPanel->setAlignment(Qt::AlignCenter);
    emptyPanel->setAutoFillBackground(true);
    QPalette palette = emptyPanel->palette();
    palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    palette.setColor(QPalette::WindowText, QColor(0x80, 0, 0));
    emptyPanel->setPalette(palette);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    emptyPanel->setFont(font);
    emptyPanel->setText(QString(EmptyText).remove('\r').trimmed());
    emptyPanel->hide();
    Layout();
}

TframeViewDashBoard::~TframeViewDashBoard() = default;

void TframeViewDashBoard::applyDesignAppearance(TGlimmDash& g) {
    const bool light = g.Kind() == gkLight;
    g.SetCaption("TITLE");
    g.SetCaptionFont(arialPx(21, 0xFFFFFF));
    g.SetShowCaption(true);
    g.SetAutoCaption(true);
    g.SetPositionFont(arialPx(19, light ? 0xFFFFFF : 0));
    g.SetShowPosition(true);
    g.SetAutoPosition(true);
    g.SetVAlignment(avCenter);
    g.SetHAlignment(light ? ahCenter : ahRight);
    g.SetUnitFont(arialPx(13, 0));
    g.SetAutoUnit(true);
    g.SetUnits("units");
    g.SetShowUnits(!light);
    g.SetPrecision(spNone);
    g.SetScalePrecision(spNone);
    g.SetNeedleWidth(2);
    g.SetNeedleLength(70);
    g.SetVBorder(5);
    g.SetHBorder(5);
    g.SetBorder(2);
    g.SetScaleFont(arialPx(16, 0));
    g.SetAutoScale(true);
    g.SetShowMinMax(false);
    g.SetAutoMinMax(false);
    g.SetMinMaxFont(arialPx(11, 0));
    g.SetDisplayMax(100);
    g.SetAlarmMin(20);
    g.SetAlarmMax(80);
    g.SetColorMin(light ? TGlimmDash::LightColorOff : 0xFFFFFF);
    g.SetColorOk(light ? TGlimmDash::LightColorOn : 0x00FFFF);
    g.SetColorMax(light ? TGlimmDash::LightColorFault : 0x0000FF);
    g.SetColor(0x800000);
    g.SetColorFace(light ? 0x800000 : 0x000000);
    g.SetColorLine(0x808080);
    g.AllowProps = true;
    g.SetPopupRows(0);
}

TGlimmDash* TframeViewDashBoard::GaugeById(int id) {
    return id >= 1 && id <= Gauges ? gauges[id - 1] : nullptr;
}

// Side columns a third of the width each, the centre the rest, above a row of lights 70 px
// high on screen (rowHeight).
std::array<QRect, TDashboardView::Gauges> TframeViewDashBoard::GaugeRects(const QSize& size,
                                                                          int rowHeight) {
    std::array<QRect, Gauges> rects;
    const int W = size.width(), H = size.height();
    const int topH = std::max(H - rowHeight, 0);
    const int colW = W / 3, centreW = W - 2 * colW;
    auto place = [&rects](int id, int x, int y, int w, int h) {
        rects[id - 1] = QRect(x, y, std::max(w, 0), std::max(h, 0));
    };
    auto thirds = [&](int firstId, int x, int y, int w, int h) {
        const int t = w / 3;
        place(firstId, x, y, t, h);
        place(firstId + 1, x + t, y, w - 2 * t, h);
        place(firstId + 2, x + w - t, y, t, h);
    };
    auto sideColumn = [&](int firstDial, int firstBar, int x) {
        const int q = topH / 4, half = colW / 2;
        place(firstDial, x, 0, half, q);
        place(firstDial + 1, x + half, 0, colW - half, q);
        place(firstDial + 2, x, q, half, q);
        place(firstDial + 3, x + half, q, colW - half, q);
        thirds(firstBar, x, 2 * q, colW, topH - 2 * q);
    };
    sideColumn(1, 11, 0);
    sideColumn(5, 14, colW + centreW);
    place(9, colW, 0, centreW, topH / 2);
    place(10, colW, topH / 2, centreW, topH - topH / 2);
    const int rowH = H - topH;
    thirds(17, 0, topH, colW, rowH);
    thirds(20, colW, topH, centreW, rowH);
    thirds(23, colW + centreW, topH, colW, rowH);
    return rects;
}

void TframeViewDashBoard::Layout() {
    const std::array<QRect, Gauges> rects = GaugeRects(size(), BottomRowHeight);
    for (int i = 0; i < Gauges; ++i) {
        gauges[i]->setGeometry(rects[i]);
    }
    emptyPanel->setGeometry(rect());
}

void TframeViewDashBoard::Paint(QPainter& p, const QRect& target) const {
    if (!p.isActive() || target.isEmpty()) {
        return;
    }
    // The page is laid out for the target's size on a 96 dpi screen, so that gauges, fonts and
    // the row of lights keep the proportions they have on screen, and drawn at the device's own
    // resolution through the painter's scale.
    const double unitsPerPixelX = p.device() ? p.device()->logicalDpiX() / 96.0 : 1;
    const double unitsPerPixelY = p.device() ? p.device()->logicalDpiY() / 96.0 : 1;
    const QTransform& t = p.transform();
    const double kx = unitsPerPixelX / std::max(std::abs(t.m11()), 1e-9);
    const double ky = unitsPerPixelY / std::max(std::abs(t.m22()), 1e-9);
    const QSize virtualSize(std::max(static_cast<int>(target.width() / kx), 1),
                            std::max(static_cast<int>(target.height() / ky), 1));
    const std::array<QRect, Gauges> rects = GaugeRects(virtualSize, BottomRowHeight);
    p.save();
    p.translate(target.topLeft());
    p.scale(kx, ky);
    for (int i = 0; i < Gauges; ++i) {
        gauges[i]->PaintTo(p, rects[i]);
    }
    p.restore();
}

void TframeViewDashBoard::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

void TframeViewDashBoard::Calibrate(int id, const std::string& caption, const std::string& descMax,
                                    const std::string& descOk, const std::string& descMin, int bit,
                                    int sub, int attr, int item, TGlimmPrecision scalePrecision,
                                    TGlimmPrecision precision, int alarmMax, int alarmMin,
                                    int displayMax, int displayMin, const std::string& units) {
    if (TGlimmDash* g = GaugeById(id)) {
        g->AssignAttribute(caption, units, descMax, descOk, descMin, bit, sub, attr, item,
                           scalePrecision, precision, alarmMax, alarmMin, displayMax, displayMin);
    }
}

void TframeViewDashBoard::Populate() {
    // What each gauge is to show, settled first, so that a gauge that keeps its value is not
    // first cleared: a later assignment to the same Id replaces an earlier one.
    struct TAssignment {
        bool set = false;
        std::string caption, units, descMin, descOk, descMax;
        int bit = -1, sub = -1, attr = -1, item = -1;
        int alarmMax = 80, alarmMin = 20, displayMax = 100, displayMin = 0;
    };
    std::array<TAssignment, Gauges> wanted;
    bool any = false;
    auto assign = [&wanted](int id, TAssignment a) {
        if (id >= 1 && id <= Gauges) {
            a.set = true;
            wanted[id - 1] = std::move(a);
        }
    };
    const int items = Engine ? std::min<int>(Engine->ItemCount, Engine->Items.size()) : 0;
    for (int i = 0; i < items; ++i) {
        const TRequest& request = Engine->Items[i].Request;
        const int attrs = std::min<int>(request.AttrCount, request.Attrs.size());
        for (int k = 0; k < attrs; ++k) {
            const TAttr& a = request.Attrs[k];
            any = true;
            if (a.AType == 0 || a.AType == 1 || a.AType == 2 || a.AType == 5) {
                if (a.Dash > 0) {
                    const TScale& s = a.Scale;
                    assign(a.Dash, {true, a.ACode, s.Units, s.DescMin, s.DescOk, s.DescMax, -1, -1,
                                    k, i, whole(s.AlarmMax), whole(s.AlarmMin), whole(s.DisplayMax),
                                    whole(s.DisplayMin)});
                }
            } else if (a.AType == 3) {
                // A trouble code is a fault: "OK" at 0 (the minimum band), "Fail" at 1 (the
                // maximum band).
                for (size_t d = 0; d < a.DTCs.size(); ++d) {
                    const TDTCs& dtc = a.DTCs[d];
                    if (dtc.Dash > 0) {
                        assign(dtc.Dash, {true, dtc.Desc, "", "OK", "", "Fail", dtc.Bit,
                                          static_cast<int>(d), k, i, 1, 0, 1, 0});
                    }
                }
            } else {
                // A flag is a state, not a fault: B0 at 0 (the minimum band), B1 at 1 (the
                // normal band; the maximum band lies beyond the range).
                for (size_t f = 0; f < a.Flags.size(); ++f) {
                    const TFlags& flag = a.Flags[f];
                    if (flag.Dash > 0) {
                        assign(flag.Dash, {true, flag.Desc, "", flag.B0, flag.B1, "", flag.Bit,
                                           static_cast<int>(f), k, i, 2, 0, 1, 0});
                    }
                }
            }
        }
    }
    for (int id = 1; id <= Gauges; ++id) {
        const TAssignment& a = wanted[id - 1];
        if (a.set) {
            // The user's stored formats survive the assignment.
            Calibrate(id, a.caption, a.descMax, a.descOk, a.descMin, a.bit, a.sub, a.attr, a.item,
                      storedPrecision(id, ".ScalePrecision"), storedPrecision(id, ".Precision"),
                      a.alarmMax, a.alarmMin, a.displayMax, a.displayMin, a.units);
        } else {
            gauges[id - 1]->AssignAttribute("", "", "", "", "", -1, -1, -1, -1, spNone, spNone, 80,
                                            20, 100, 0);
        }
    }
    if (any) {
        emptyPanel->hide();
    } else {
        emptyPanel->show();
        emptyPanel->raise();
    }
}

bool TframeViewDashBoard::EmptyTextShown() const {
    return !emptyPanel->isHidden();
}

QString TframeViewDashBoard::EmptyPanelText() const {
    return emptyPanel->text();
}

bool TframeViewDashBoard::running() const {
    return Running && Running();
}

bool TframeViewDashBoard::ask(const QString& question) {
    if (Confirm) {
        return Confirm(question);
    }
    return QMessageBox::question(this, QStringLiteral("Confirm"), question,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

TfDashProp& TframeViewDashBoard::PropertiesDialog() {
    if (!fDashProp) {
        fDashProp = std::make_unique<TfDashProp>(this);
    }
    return *fDashProp;
}

QMenu& TframeViewDashBoard::PrepareGaugeMenu(TGlimmDash& gauge) {
    delete gaugeMenu; // rebuilt for every opening, with its submenus
    gaugeMenu = new QMenu(this);
    TGlimmDash* g = &gauge;
    QMenu& m = *gaugeMenu;
    connect(m.addAction(QStringLiteral("Reset")), &QAction::triggered, this,
            [g] { g->ResetMinMax(); });

    QMenu* captionMenu = m.addMenu(QStringLiteral("Caption"));
    captionMenu->setEnabled(g->AllowProps);
    QAction* clear = captionMenu->addAction(QStringLiteral("Clear: ") + menuText(g->Caption()));
    clear->setEnabled(!g->Caption().empty());
    connect(clear, &QAction::triggered, this, [this, g] { clearGauge(*g); });
    QMenu* attrs = captionMenu->addMenu(QStringLiteral("Attribute"));
    QMenu* dtcs = captionMenu->addMenu(QStringLiteral("DTC"));
    QMenu* flags = captionMenu->addMenu(QStringLiteral("BitFlag"));
    fillPickMenus(*g, *attrs, *dtcs, *flags);
    m.addSeparator();

    auto toggle = [&](const char* text, bool on, void (TGlimmDash::*set)(bool)) {
        QAction* a = m.addAction(QString::fromLatin1(text));
        a->setCheckable(true);
        a->setChecked(on);
        connect(a, &QAction::triggered, this, [g, set](bool checked) { (g->*set)(checked); });
    };
    toggle("Show Caption", g->ShowCaption(), &TGlimmDash::SetShowCaption);
    toggle("Show Value", g->ShowPosition(), &TGlimmDash::SetShowPosition);
    toggle("Show Units", g->ShowUnits(), &TGlimmDash::SetShowUnits);
    toggle("Show Min/Max", g->ShowMinMax(), &TGlimmDash::SetShowMinMax);
    m.addSeparator();

    auto confirmed = [&](const char* text, const char* question, void (TGlimmDash::*act)()) {
        QAction* a = m.addAction(QString::fromLatin1(text));
        a->setEnabled(g->AllowProps);
        const QString q = QString::fromLatin1(question);
        connect(a, &QAction::triggered, this, [this, g, q, act] {
            if (ask(q)) {
                (g->*act)();
            }
        });
    };
    confirmed("Save User Defaults", "Save current dashboard item's settings as user defaults",
              &TGlimmDash::SaveSettings);
    confirmed("Load User Defaults", "Load user defaults for current dashboard item",
              &TGlimmDash::LoadSettings);
    confirmed("Load Factory Defaults", "Restore factory defaults for current dashboard item",
              &TGlimmDash::RestoreFactory);
    m.addSeparator();
    QAction* props = m.addAction(QStringLiteral("Properties..."));
    // A modal dialog would hold a run up: not while one goes on, as the charts' properties.
    props->setEnabled(g->AllowProps && !running());
    connect(props, &QAction::triggered, this, [this, g] {
        if (running()) {
            return;
        }
        if (ShowProperties) {
            ShowProperties(*g);
        } else {
            PropertiesDialog().Execute(*g);
        }
    });
    return m;
}

void TframeViewDashBoard::fillPickMenus(TGlimmDash& gauge, QMenu& attrs, QMenu& dtcs,
                                        QMenu& flags) {
    if (!Engine) {
        return;
    }
    TGlimmDash* g = &gauge;
    for (int i = 0; i < PickListSize; ++i) {
        const TPickListItem& e = Engine->PickList[i];
        if (e.Name.empty()) {
            continue;
        }
        QMenu* menu = nullptr;
        std::string text;
        if (e.Kind == 0) {
            menu = &attrs;
            text = Format("%s (%s..%s) %s", e.Name.c_str(), NumberText(e.DisplayMin).c_str(),
                          NumberText(e.DisplayMax).c_str(), e.Units.c_str());
        } else if (e.Kind == 3 || e.Kind == 4) {
            menu = e.Kind == 3 ? &dtcs : &flags;
            text = Format("%s (%s,%s)", e.Name.c_str(), e.DescMin.c_str(), e.DescOk.c_str());
        } else {
            continue;
        }
        QAction* a = menu->addAction(menuText(text));
        a->setData(i);
        connect(a, &QAction::triggered, this, [this, g, i] { putValue(*g, i); });
    }
    for (QMenu* menu : {&attrs, &dtcs, &flags}) {
        SetMenuColumns(*menu, gauge.PopupRows());
    }
}

namespace {

bool inImage(const TCartridge& engine, int item, int attr) {
    return item >= 0 && attr >= 0 && item < engine.ItemCount &&
           item < static_cast<int>(engine.Items.size()) &&
           attr < engine.Items[item].Request.AttrCount &&
           attr < static_cast<int>(engine.Items[item].Request.Attrs.size());
}

} // namespace

void TframeViewDashBoard::putValue(TGlimmDash& gauge, int pickIndex) {
    if (!Engine) {
        return;
    }
    const TPickListItem e = Engine->GetPickListItem(pickIndex);
    if (e.Name.empty() || !inImage(*Engine, e.Item, e.Attr)) {
        return;
    }
    const bool bitValue = e.Kind == 3 || e.Kind == 4;
    // A light shows a DTC or flag by its bit, as the frames to come will.
    const float v = Engine->GetAttrValue(e.Item, e.Attr, bitValue && gauge.IsLight() ? e.Bit : -1);
    if (v != MissingValue) {
        gauge.SetPosition(v);
    }
    Engine->AssignDisplay(-1, -1, bitValue ? e.Bit : -1, bitValue ? e.Sub : -1, e.Item, e.Attr,
                          gauge.Id);
    gauge.DoPopulateNeeded();
    // Populate gave the gauge its new value to show: the value is there already.
    if (v != MissingValue) {
        gauge.SetPosition(v);
    }
}

void TframeViewDashBoard::clearGauge(TGlimmDash& gauge) {
    const int item = gauge.Item(), attr = gauge.Attr(), sub = gauge.Sub(), bit = gauge.Bit();
    gauge.AssignAttribute("", "", "", "", "", bit, sub, attr, item, spNone, spNone, 80, 20, 100, 0);
    // A gauge that shows nothing (the design caption on a first start) has nothing to unassign.
    if (Engine && inImage(*Engine, item, attr)) {
        const float v = Engine->GetAttrValue(item, attr, -1);
        if (v != MissingValue) {
            gauge.SetPosition(v);
        }
        Engine->AssignDisplay(-1, -1, sub >= 0 ? bit : -1, sub >= 0 ? sub : -1, item, attr, 0);
    }
    gauge.DoPopulateNeeded();
}

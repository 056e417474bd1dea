#pragma once
// The Dashboard page: 25 gauges (10 dials, 6 bars, 9 lights) laid out like an instrument panel,
// filled from the runtime image, with the shared gauge popup menu and the properties dialog.
#include "shell/ViewInterfaces.h"
#include "views/dashboard/GlimmDash.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QPainter;
class TCartridge;
class TfDashProp;

class TframeViewDashBoard : public QWidget, public TDashboardView {
    Q_OBJECT
public:
    static constexpr int BottomRowHeight = 70;
    static constexpr const char* EmptyText =
        "\r\nThe currently selected macro does\r\nnot return any dashboard data.\r\nTo display "
        "dashboard data here, first\r\nselect a macro that returns dashboard data.\r\n";

    explicit TframeViewDashBoard(QWidget* parent = nullptr);
    ~TframeViewDashBoard() override;

    void SetEngine(TCartridge* engine) { Engine = engine; }

    // ---- the page as the main window sees it ----
    QWidget* Widget() override { return this; }
    void Populate() override;
    void Layout() override;
    int GaugeCount() const override { return Gauges; }
    TGauge& Gauge(int i) override { return *gauges.at(i); }

    // Where the gauges go on a page of this size with a row of lights rowHeight high, by Id - 1.
    static std::array<QRect, Gauges> GaugeRects(const QSize& size, int rowHeight);
    // Draws the page as it is into the target rectangle of the painter's coordinates, laid
    // out for the target's shape and drawn at the painter's device resolution (a printer's).
    void Paint(QPainter& p, const QRect& target) const override;

    // The gauge with this Id (1..25); null for any other Id.
    TGlimmDash* GaugeById(int id);
    void Calibrate(int id, const std::string& caption, const std::string& descMax,
                   const std::string& descOk, const std::string& descMin, int bit, int sub,
                   int attr, int item, TGlimmPrecision scalePrecision, TGlimmPrecision precision,
                   int alarmMax, int alarmMin, int displayMax, int displayMin,
                   const std::string& units);

    // The shared popup menu, its entries made for this gauge (the page opens it at the pointer).
    QMenu& PrepareGaugeMenu(TGlimmDash& gauge);
    // Whether a run or play back goes on (the owner's state); while it does, a gauge's
    // properties dialog cannot be opened.
    std::function<bool()> Running;
    // Yes/No questions of the menu; tests answer them. Default: a message box.
    std::function<bool(const QString& question)> Confirm;
    // Opens the properties dialog for a gauge; default: the page's own dialog, modal.
    std::function<void(TGlimmDash& gauge)> ShowProperties;
    TfDashProp& PropertiesDialog();

    bool EmptyTextShown() const;
    QString EmptyPanelText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyDesignAppearance(TGlimmDash& gauge);
    void putValue(TGlimmDash& gauge, int pickIndex);
    void clearGauge(TGlimmDash& gauge);
    void fillPickMenus(TGlimmDash& gauge, QMenu& attrs, QMenu& dtcs, QMenu& flags);
    bool ask(const QString& question);
    bool running() const;

    TCartridge* Engine = nullptr;
    std::array<TGlimmDash*, Gauges> gauges{}; // by Id - 1, children of the page
    QLabel* emptyPanel = nullptr;
    QMenu* gaugeMenu = nullptr;
    std::unique_ptr<TfDashProp> fDashProp;
};

#pragma once
// What the main window asks of the pages it hosts. Each page's view implements its interface,
// so the window's code does not depend on how a view is drawn.
#include <QWidget>
#include <Qt>

#include <functional>
#include <stdexcept>
#include <string>

class QPainter;
class TPacket;
class TPrintJob;
class QTreeWidget;

// A view that is one page of the main window.
class TPageView {
public:
    virtual ~TPageView() = default;
    virtual QWidget* Widget() = 0; // the page's content, owned by the view's owner
};

// The three list pages (values, DTCs, flags) have these in common.
class TListPage : public TPageView {
public:
    virtual void Populate() = 0; // lay out the list for the loaded macro
    virtual void Clear() = 0;    // empty the value columns (New)
    // The list view style as the ini file names it ("Report", "List", ...; see MenuHelpers.h).
    virtual std::string ViewStyle() const = 0;
    virtual void SetViewStyle(const std::string& style) = 0;
    // The list to print; null when there is nothing to print.
    virtual const QTreeWidget* PrintList() const = 0;
};

// Value list (Aldl page).
class TValueListView : public TListPage {
public:
    virtual void ShowValues(bool running) = 0;
};

// DTC list.
class TDTCListView : public TListPage {
public:
    virtual void ShowValues(bool running, const std::string& frameText,
                            const std::string& timeText) = 0;
    virtual bool CodeSet() const = 0; // a trouble code is set (the page's tab shows it)
};

// Flag list.
class TFlagListView : public TListPage {
public:
    virtual void ShowValues(bool running, const std::string& frameText,
                            const std::string& timeText) = 0;
};

// One dashboard gauge: a dial, a bar or a light.
class TGauge {
public:
    virtual ~TGauge() = default;
    virtual int Item() const = 0; // the value shown: image item, attribute and (lights) bit
    virtual int Attr() const = 0;
    virtual int Bit() const = 0;
    virtual bool IsLight() const = 0;
    virtual void SetPosition(float value) = 0;
    virtual void ResetMinMax() = 0;
    virtual void SaveSettings() = 0; // user defaults in the settings store
    virtual void LoadSettings() = 0;
    virtual void RestoreFactory() = 0;
    virtual void SetPopupRows(int rows) = 0;
};

// Dashboard page: 10 dials, 6 bars and 9 lights.
class TDashboardView : public TPageView {
public:
    static constexpr int Gauges = 25;
    virtual void Populate() = 0;
    virtual void Layout() = 0; // the page's resize handling
    virtual int GaugeCount() const = 0;
    virtual TGauge& Gauge(int i) = 0;
    // Draws the page into the target (painter coordinates) at the device's resolution.
    virtual void Paint(QPainter& p, const QRect& target) const = 0;
};

// Chart monitor (Charts page). Running, PaintEnabled, the cursor and the texts are read and set
// by the run loops; PlotFrame returns false when it refuses the frame.
class TChartMonitorView : public TPageView {
public:
    static constexpr int Charts = 4;
    virtual bool Running() const = 0;
    virtual void SetRunning(bool on) = 0;
    virtual bool PaintEnabled() const = 0;
    virtual void SetPaintEnabled(bool on) = 0;
    virtual void ClearCharts() = 0;
    virtual bool PlotFrame(TPacket& frame) = 0;
    // Plots every frame of the capture buffer again (the charted values only), with progress.
    virtual void RePlotLog(const std::function<void(int percent)>& progress) = 0;
    virtual void SetDetail(int detail) = 0;
    virtual int Cursor() const = 0;
    virtual std::string FrameText() const = 0;
    virtual std::string TimeText() const = 0;
    virtual std::string NoteText() const = 0;
    // True when the charts used the key: it then goes no further.
    virtual bool KeyDown(int key, Qt::KeyboardModifiers modifiers) = 0;
    virtual void PopulateMonitor() = 0; // lay out the charts for the loaded macro
    virtual void SetPopupRows(int rows) = 0;
    virtual void PrintChart(TPrintJob& job) = 0;
    // User defaults and factory settings: the common ones and those of chart i (0..3).
    virtual void SaveCommonDefaults() = 0;
    virtual void SaveChartDefaults(int chart) = 0;
    virtual void LoadCommonDefaults() = 0;
    virtual void LoadChartDefaults(int chart) = 0;
    virtual void RestoreCommonFactory() = 0;
    virtual void RestoreChartFactory(int chart) = 0;

    // Events: the cursor moved to a frame; the charts need re-plotting from the capture buffer.
    std::function<void(int frame)> OnDetailChanged;
    std::function<void()> OnRePlotNeeded;
};

#pragma once
// The Charts page: hosts the chart monitor, fills the pick list of chartable and dashable values
// when a macro is selected, and covers the monitor with a note when the macro charts nothing.
#include "shell/ViewInterfaces.h"

#include <QWidget>

#include <functional>

class QLabel;
class TCartridge;
class TChartMon;
class TDataLog;

class TframeViewMonitor : public TChartMonitorView {
public:
    // The engine's image is charted; the capture buffer's frames take the notes typed on the
    // charts.
    TframeViewMonitor(TCartridge& engine, TDataLog& log);
    ~TframeViewMonitor() override;

    // A note edit changed a logged frame: the log has unsaved changes.
    std::function<void()> OnLogModified;

    QWidget* Widget() override { return &page; }
    bool Running() const override;
    void SetRunning(bool on) override;
    bool PaintEnabled() const override;
    void SetPaintEnabled(bool on) override;
    void ClearCharts() override;
    bool PlotFrame(TPacket& frame) override;
    void RePlotLog(const std::function<void(int percent)>& progress) override;
    void SetDetail(int detail) override;
    int Cursor() const override;
    std::string FrameText() const override;
    std::string TimeText() const override;
    std::string NoteText() const override;
    // Keys typed into an edit or spin box stay its own.
    bool KeyDown(int key, Qt::KeyboardModifiers modifiers) override;
    void PopulateMonitor() override;
    void SetPopupRows(int rows) override;
    void PrintChart(TPrintJob& job) override;
    void SaveCommonDefaults() override;
    void SaveChartDefaults(int chart) override;
    void LoadCommonDefaults() override;
    void LoadChartDefaults(int chart) override;
    void RestoreCommonFactory() override;
    void RestoreChartFactory(int chart) override;

    TChartMon& Monitor() { return *monitor; }
    // The note shown over the monitor when the macro charts nothing.
    QLabel& NoDataPanel() { return *noData; }

private:
    class TPage : public QWidget {
    public:
        std::function<void()> OnResize;

    protected:
        void resizeEvent(QResizeEvent* event) override;
    };

    TCartridge& engine;
    TPage page;
    TChartMon* monitor = nullptr; // child of the page
    QLabel* noData = nullptr;     // child of the page
};

#pragma once
// The Charts page until the chart monitor arrives: it draws nothing, but keeps what the run loops
// rely on: the frames plotted (at most a capture buffer's worth), the cursor on the newest one,
// the frame, time and note texts of the cursor frame, and a chance for pending window events
// after every plot, which is how Pause and Stop reach play back.
#include "shell/ViewInterfaces.h"

#include <QLabel>

#include <vector>

class TCartridge;

class TChartStandIn : public TChartMonitorView {
public:
    static constexpr int Capacity = 300; // the capture buffer's size

    explicit TChartStandIn(const TCartridge& engine);

    QWidget* Widget() override { return &page; }
    bool Running() const override { return running; }
    void SetRunning(bool on) override { running = on; }
    bool PaintEnabled() const override { return paintEnabled; }
    void SetPaintEnabled(bool on) override;
    void ClearCharts() override;
    bool PlotFrame(TPacket& frame) override;
    void SetDetail(int) override {}
    int Cursor() const override { return cursor; }
    std::string FrameText() const override { return frameText; }
    std::string TimeText() const override { return timeText; }
    std::string NoteText() const override { return noteText; }
    void KeyDown(int, Qt::KeyboardModifiers) override {}
    void PopulateMonitor() override;
    void SetPopupRows(int) override {}
    void PrintChart(TPrintJob&) override {}
    void SaveCommonDefaults() override {}
    void SaveChartDefaults(int) override {}
    void LoadCommonDefaults() override {}
    void LoadChartDefaults(int) override {}
    void RestoreCommonFactory() override {}
    void RestoreChartFactory(int) override {}

    int FrameCount() const { return static_cast<int>(times.size()); }

private:
    void showCount();

    const TCartridge& engine;
    QLabel page;
    std::vector<double> times; // time of day of every plotted frame
    int cursor = 0;
    bool running = false;
    bool paintEnabled = true;
    std::string frameText = "-", timeText = "-", noteText;
};

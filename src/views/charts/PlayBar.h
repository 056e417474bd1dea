#pragma once
// The play-back toolbar: the speed of play back (by default the one of the properties), a
// position slider that scrubs the chart cursor through the plotted frames, and one-frame steps
// back and forward. Scrubbing and steps work while no run or play back feeds the charts (after
// one, or while it is paused); the window shows the frame under the cursor as for any cursor
// move.
#include <QToolBar>

#include <functional>

class QAction;
class QComboBox;
class QSlider;
class TChartMon;

class TPlayBar : public QToolBar {
public:
    explicit TPlayBar(TChartMon& monitor, QWidget* parent = nullptr);

    // The speed chosen, 0.25 to 16; 0 while "Default" (the properties' speed) is chosen.
    double Speed() const;
    // The user chose another speed.
    std::function<void()> OnSpeedChanged;
    // Brings the slider and the steps up to the monitor's frames and cursor.
    void Sync();

    QComboBox& SpeedBox() { return *speedBox; }
    QSlider& PositionSlider() { return *slider; }
    QAction& StepBack() { return *stepBack; }
    QAction& StepForward() { return *stepForward; }

private:
    TChartMon& mon;
    QComboBox* speedBox = nullptr;
    QSlider* slider = nullptr;
    QAction* stepBack = nullptr;
    QAction* stepForward = nullptr;
};

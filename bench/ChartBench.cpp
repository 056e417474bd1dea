// Chart figures over a log of a million frames of the simulated module, 16 series charted, on a
// 1400 px wide monitor (offscreen):
//   replot 1000000 frames: N ms   the window's re-plot (read, decode and plot every frame with
//                                 painting off) and the repaint that follows
//   repaint p95: N ms             a whole repaint after a zoom or a pan, from one frame a column
//                                 up to the whole log in the window
//   live frame p95: N ms          one frame of a run: decode and plot (its paint is the next
//                                 screen refresh's, counted above)
// Run it by hand: build-*/bin/ChartBench [frames]. Figures are the processor time of the
// window's thread, so that other programs on the machine do not count.
#include "views/ChartMonTestFixture.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Puts 16 value attributes of the image on the 16 series slots.
void chartSixteen(TCartridge& engine) {
    int slot = 0;
    for (TMacroItem& item : engine.Items) {
        for (TAttr& a : item.Request.Attrs) {
            a.Chart = a.Series = 0;
            if (slot < 16 && (a.AType == 0 || a.AType == 2) &&
                a.Scale.DisplayMin < a.Scale.DisplayMax) {
                a.Chart = slot / 4 + 1;
                a.Series = slot % 4 + 1;
                ++slot;
            }
        }
    }
}

// Processor time of this thread in ms: on a busy machine the wall clock also counts other
// programs.
double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// A stopwatch of this thread's processor time.
class TCpuTimer {
public:
    void start() { from = threadMs(); }
    double ms() const { return threadMs() - from; }

private:
    double from = 0;
};

double msSince(const TCpuTimer& t) {
    return t.ms();
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

void offscreen() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/quorvin-bench-runtime-" + std::to_string(getuid());
        mkdir(runtime.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }
}

// Zooms and pans a user might come to: from eight columns a frame to the whole log.
void randomView(TChartMon& mon, std::mt19937& random) {
    const int steps = std::uniform_int_distribution<int>(-3, 13)(random);
    mon.FitLog();
    const double fit = mon.View().Zoom();
    // From the fitted zoom in by up to 2^16, or out to it.
    const double zoom = std::max(TChartView::MinZoom, fit / (1 << std::max(0, 16 - steps)));
    mon.ZoomAt(0, zoom / mon.View().Zoom());
    const int range = std::max(1, mon.View().ScrollMax(mon.Count(), mon.Speed()));
    mon.ScrollTo(std::uniform_int_distribution<int>(0, range)(random));
}

} // namespace

int main(int argc, char** argv) {
    offscreen();
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1000000;

    ChartRig rig;
    chartSixteen(rig.engine);
    rig.log.SetLimit(frames + 10000);
    TChartMon mon;
    mon.Image = &rig.engine;
    mon.Log = &rig.log;
    mon.resize(1400, 700);
    mon.show();
    mon.AssignSeries();
    for (int i = 0; i < frames; ++i) {
        rig.log.Add(ChartRig::Frame(i), true);
    }
    QApplication::processEvents();

    std::vector<double> replot;
    for (int run = 0; run < 3; ++run) {
        TCpuTimer t;
        t.start();
        rig.RePlot(mon);
        mon.repaint();
        replot.push_back(msSince(t));
    }

    std::mt19937 random(7);
    std::vector<double> repaint;
    for (int i = 0; i < 200; ++i) {
        randomView(mon, random);
        TCpuTimer t;
        t.start();
        mon.repaint();
        repaint.push_back(msSince(t));
    }

    // A run going on at the end of the log: frames arrive and the view follows.
    mon.GoEnd();
    mon.Running = true;
    std::vector<double> live;
    for (int i = 0; i < 5000; ++i) {
        rig.log.Add(ChartRig::Frame(frames + i), true);
        TPacket frame = rig.log.Frames(rig.log.Count() - 1);
        TCpuTimer t;
        t.start();
        rig.engine.DecodeFrame(frame, true);
        mon.PlotFrame(frame);
        live.push_back(msSince(t));
        if (i % 20 == 0) {
            mon.repaint(); // the screen refresh in between
        }
    }
    mon.Running = false;

    std::printf("replot %d frames: %.0f ms\n", frames, percentile(replot, 0.5));
    std::printf("repaint p95: %.1f ms\n", percentile(repaint, 0.95));
    std::printf("live frame p95: %.3f ms\n", percentile(live, 0.95));
    return 0;
}

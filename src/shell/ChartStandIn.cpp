#include "shell/ChartStandIn.h"

#include "engine/Cartridge.h"
#include "link/Rtime.h"

#include <QCoreApplication>

TChartStandIn::TChartStandIn(const TCartridge& engine_) : engine(engine_) {
    page.setAlignment(Qt::AlignCenter);
    page.setWordWrap(true);
    page.setEnabled(false);
    showCount();
}

void TChartStandIn::SetPaintEnabled(bool on) {
    paintEnabled = on;
    if (on) {
        showCount();
    }
}

void TChartStandIn::ClearCharts() {
    times.clear();
    cursor = 0;
    frameText = "-";
    timeText = "-";
    noteText.clear();
    showCount();
}

void TChartStandIn::PopulateMonitor() {
    if (OnRePlotNeeded) {
        OnRePlotNeeded();
    }
}

bool TChartStandIn::PlotFrame(TPacket& frame) {
    if (FrameCount() >= Capacity) {
        return false;
    }
    times.push_back(frame.Time);
    cursor = FrameCount() - 1;
    frameText = std::to_string(cursor);
    timeText = FormatDateTime("nn:ss.zzz", frame.Time - times.front());
    if (frame.Notes != 0) {
        std::string names;
        for (int k = 0; k < NoteCount; ++k) {
            if (frame.Notes & (1u << k)) {
                names += (names.empty() ? "" : ",") + engine.GetNoteName(k);
            }
        }
        noteText = names;
    }
    if (paintEnabled) {
        showCount();
        if (OnDetailChanged) {
            OnDetailChanged(cursor);
        }
    }
    QCoreApplication::processEvents();
    return true;
}

void TChartStandIn::showCount() {
    page.setText(QCoreApplication::translate("TChartStandIn", "Charts\n\n%1 frames plotted")
                     .arg(FrameCount()));
}

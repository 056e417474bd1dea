#pragma once
// What the chart tests share: the bundled sample vehicle with its "Data stream" macro loaded, a
// capture buffer, and frames of the simulated engine module fed through the engine as the run
// loops do (log, decode, plot).
#include "definitions/XMLData.h"
#include "ecm-sim/EcmSim.h"
#include "engine/Cartridge.h"
#include "link/Packet.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "support/TempDir.h"
#include "views/charts/ChartMon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

struct ChartRig {
    static constexpr double Noon = 0.5; // frames start at 12:00:00.000

    TempDir dir;
    TVehicle vehicle{nullptr, dir.File("Scales.xml"), dir.File("test.ini")};
    TRtime timer;
    TRS232 link{timer};
    TCartridge engine{vehicle, link, timer};
    TDataLog log;

    ChartRig() {
        EXPECT_TRUE(vehicle.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml"));
        engine.LoadMacro(1); // "Data stream"
    }

    // No notes fire on value changes, so that a test sees only the notes it puts on frames.
    void SilenceFiredNotes() {
        for (TMacroItem& item : engine.Items) {
            for (TAttr& a : item.Request.Attrs) {
                a.NotesOnSet.fill(0);
                a.NotesOnClear.fill(0);
                for (TDTCs& d : a.DTCs) {
                    d.Note = 0;
                }
                for (TFlags& f : a.Flags) {
                    f.Note0 = f.Note1 = 0;
                }
                for (TEnums& e : a.Enums) {
                    e.Note = 0;
                }
            }
        }
    }

    // Frame i of a run: the simulated module's reply at i x spacing seconds.
    static std::unique_ptr<TPacket> Frame(int i, double spacing = 0.1) {
        auto frame = std::make_unique<TPacket>();
        const EcmBytes message = EcmSimEngineMessage(i * spacing);
        frame->SetHeader(0xF4);
        frame->SetDataLen(static_cast<int>(message.size()) + 1);
        frame->setData(0, 1);
        for (size_t j = 0; j < message.size(); ++j) {
            frame->setData(static_cast<int>(j) + 1, message[j]);
        }
        frame->UpdateChecksum();
        frame->SetTime(Noon + i * spacing / 86400.0);
        return frame;
    }

    // One pass of a logging run: log, decode, plot. False when the monitor refused the frame.
    bool RunFrame(TChartMon& monitor, int i, double spacing = 0.1) {
        log.Add(Frame(i, spacing), true);
        TPacket logged = log.Frames(log.Count() - 1);
        engine.DecodeFrame(logged, true);
        const bool plotted = monitor.PlotFrame(logged);
        log.SetNotes(log.Count() - 1, logged.Notes);
        return plotted;
    }

    // The main window's re-plot: painting off, the charts plot the log again, painting on.
    void RePlot(TChartMon& monitor) {
        monitor.SetPaintEnabled(false);
        engine.ResetValues();
        monitor.RePlotLog();
        monitor.SetPaintEnabled(true);
        monitor.SetDetail(0);
    }
};

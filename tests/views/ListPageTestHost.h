#pragma once
// What the tests of the list pages and the export dialog share: the bundled sample vehicle
// loaded into a real engine, frames of the simulator's engine module, a private ini file for the
// dialogs' placement, and a closer for modal dialogs.
#include "common/Common.h"
#include "definitions/XMLData.h"
#include "ecm-sim/EcmSim.h"
#include "engine/Cartridge.h"
#include "link/Packet.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

// Placement of the dialogs goes to a private ini file.
class ListPagesIniEnvironment : public testing::Environment {
public:
    void SetUp() override {
        setenv("QUORVIN_INI", dir.File("QuorvinV4.ini").c_str(), 1);
        InitFolders();
    }
    TempDir dir;
};
inline const auto* const listPagesIniEnvironment =
    testing::AddGlobalTestEnvironment(new ListPagesIniEnvironment);

// The sample vehicle in a real engine; macro 1 ("Data stream") holds every attribute type.
struct EngineHost {
    static constexpr int DataStream = 1;

    EngineHost() {
        EXPECT_TRUE(vehicle.LoadFromFile(QUORVIN_SOURCE_DIR "/data/vehicles/SIM-V8.xml"));
    }
    void load(int macID = DataStream) { engine.LoadMacro(macID); }

    // The engine module's mode 1 reply at this time since start, with some message bytes
    // (data indices 1..60) replaced.
    static std::unique_ptr<TPacket> frame(double seconds, const std::map<int, int>& bytes = {}) {
        EcmBytes message = EcmSimEngineMessage(seconds);
        for (const auto& [index, value] : bytes) {
            message.at(index - 1) = static_cast<uint8_t>(value);
        }
        auto packet = std::make_unique<TPacket>();
        packet->SetHeader(0xF4);
        packet->SetDataLen(static_cast<int>(message.size()) + 1);
        packet->setData(0, 1);
        for (size_t i = 0; i < message.size(); ++i) {
            packet->setData(static_cast<int>(i) + 1, message[i]);
        }
        packet->UpdateChecksum();
        packet->SetTime(0.5 + seconds / 86400.0);
        return packet;
    }
    // Decodes a frame as a run does.
    void decode(const std::map<int, int>& bytes, double seconds = 10) {
        auto packet = frame(seconds, bytes);
        engine.DecodeFrame(*packet, true);
    }
    TAttr& attr(const std::string& code) {
        for (TMacroItem& item : engine.Items) {
            for (TAttr& a : item.Request.Attrs) {
                if (a.ACode == code) {
                    return a;
                }
            }
        }
        throw std::runtime_error("no attribute " + code);
    }

    TempDir dir;
    TVehicle vehicle{nullptr, dir.File("Scales.xml"), dir.File("test.ini")};
    TRtime timer;
    TRS232 link{timer};
    TCartridge engine{vehicle, link, timer};
};

inline QString cell(const QTreeWidget& list, int row, int column) {
    const QTreeWidgetItem* item = list.topLevelItem(row);
    return item ? item->text(column) : QStringLiteral("<no row>");
}

// The row whose column holds the text; -1 when none does.
inline int rowOf(const QTreeWidget& list, int column, const QString& text) {
    for (int r = 0; r < list.topLevelItemCount(); ++r) {
        if (list.topLevelItem(r)->text(column) == text) {
            return r;
        }
    }
    return -1;
}

// Runs act on the next modal dialog once the event loop shows it, then closes it.
inline void onNextModal(std::function<void(QDialog&)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            act(*dialog);
            if (dialog->isVisible()) {
                dialog->accept();
            }
        }
    });
}

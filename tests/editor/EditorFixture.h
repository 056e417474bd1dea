#pragma once
// Shared set-up of the editor tests: the sample vehicle copied into a temp folder and loaded into
// a TVehicle whose scale codes and ini file live there too, and answering message boxes.
#include "common/Common.h"
#include "definitions/XMLData.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

inline std::string SampleVehicleFile() {
    return std::string(QUORVIN_SOURCE_DIR) + "/data/vehicles/SIM-V8.xml";
}

struct TSampleVehicle {
    TempDir Dir;
    std::string File = Dir.File("SIM-V8.xml");
    std::unique_ptr<TVehicle> Vehicle;
    std::string Ini = Dir.File("QuorvinV4.ini");

    explicit TSampleVehicle(bool load = true) {
        std::filesystem::copy_file(SampleVehicleFile(), File);
        Vehicle =
            std::make_unique<TVehicle>(nullptr, Dir.File("Scales.xml"), Ini, Dir.File("none.xml"));
        Vehicle->SetErrorReporter([](const std::string& m) { ADD_FAILURE() << m; });
        if (load) {
            EXPECT_TRUE(Vehicle->LoadFromFile(File));
        }
    }
    TVehicle& V() { return *Vehicle; }
};

// Clicks a button of the next message box that appears (while the answerer lives) and keeps its
// text, so that no modal box is left waiting.
class TBoxAnswerer {
public:
    explicit TBoxAnswerer(QMessageBox::StandardButton button) : button_(button) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }
    QString Text;
    int Count = 0;

private:
    void answer() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            Text = box->text();
            ++Count;
            QAbstractButton* b = box->button(button_);
            if (!b)
                b = box->button(QMessageBox::Ok);
            if (!b)
                b = box->defaultButton();
            if (b) {
                b->click();
            } else {
                box->reject();
            }
            return;
        }
    }
    QMessageBox::StandardButton button_;
    QTimer timer_;
};

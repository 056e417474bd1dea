// Pictures of the three list pages after a short simulated run and of the export dialog, for a
// person to look at: run with --gtest_also_run_disabled_tests; the PNGs go to the folder named by
// QUORVIN_SHOTS (default /tmp).
#include "ListPageTestHost.h"

#include "common/Format.h"
#include "log/DataLog.h"
#include "views/Export.h"
#include "views/ViewAldl.h"
#include "views/ViewBitFlags.h"
#include "views/ViewDTCs.h"

#include <QLineEdit>

namespace {

std::string shotsFolder() {
    const char* folder = std::getenv("QUORVIN_SHOTS");
    return folder && *folder ? folder : "/tmp";
}

void save(QWidget& widget, const char* name) {
    widget.show();
    QApplication::processEvents();
    const std::string path = shotsFolder() + "/" + name;
    EXPECT_TRUE(widget.grab().save(QString::fromStdString(path))) << path;
    std::printf("%s\n", path.c_str());
}

class ListPagesShots : public testing::Test, protected EngineHost {};

TEST_F(ListPagesShots, DISABLED_PagesAfterAShortRunAndTheExportDialog) {
    load();
    TframeViewAldl values(engine);
    TframeViewDTCs codes(engine);
    TframeViewBitFlags flags(engine);
    TDataLog log;
    for (QWidget* page : {static_cast<QWidget*>(&values), static_cast<QWidget*>(&codes),
                          static_cast<QWidget*>(&flags)}) {
        page->resize(646, 420);
    }
    values.Populate();
    codes.Populate();
    flags.Populate();
    engine.ResetValues();
    // 36 frames 0.75 s apart: trouble code 42 sets at 20 s and the lamp follows it.
    for (int i = 0; i < 36; ++i) {
        const double seconds = 1 + i * 0.75;
        auto packet = frame(seconds);
        engine.DecodeFrame(*packet, true);
        const int ms = static_cast<int>(seconds * 1000);
        const std::string time =
            Format("12:%2.2d:%2.2d.%3.3d", ms / 60000, ms / 1000 % 60, ms % 1000);
        values.ShowValues(true);
        codes.ShowValues(true, std::to_string(i), time);
        flags.ShowValues(true, std::to_string(i), time);
        log.Add(std::move(packet), true);
    }
    values.SelectRow(5);
    save(values, "lists-aldl.png");
    save(codes, "lists-dtcs.png");
    save(flags, "lists-flags.png");
    values.SetViewStyle("List");
    save(values, "lists-aldl-list.png");
    values.SetViewStyle("LargeIcons");
    save(values, "lists-aldl-icons.png");
    flags.SetViewStyle("SmallIcons");
    save(flags, "lists-flags-small.png");

    TfExport dialog(engine, log);
    dialog.FormShow();
    dialog.fileName().setText("/home/user/Logged data/run.csv");
    for (int r : {1, 3, 9, 12}) {
        dialog.list().topLevelItem(r)->setSelected(true);
    }
    save(dialog, "lists-export.png");

    load(999);
    TframeViewDTCs empty(engine);
    empty.resize(646, 420);
    empty.Populate();
    save(empty, "lists-dtcs-empty.png");
}

} // namespace

// The popup menus of the chart monitor: the chart menu of the graph area and the legend menu
// that puts attributes on series slots.
#include "views/charts/ChartMon.h"

#include "common/Format.h"
#include "engine/Cartridge.h"
#include "shell/MenuHelpers.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>

using namespace Charts;

bool TChartMon::ask(const QString& text) {
    if (Confirm) {
        return Confirm(text);
    }
    return QMessageBox::question(this, QApplication::applicationName(), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TChartMon::buildChartMenu() {
    chartMenu = new QMenu(this);
    actShowNotes =
        chartMenu->addAction("Show Notes", this, [this] { SetNotesVisible(!notesVisible); });
    actShowNotes->setCheckable(true);
    actShowRuler =
        chartMenu->addAction("Show Ruler", this, [this] { SetRulerVisible(!rulerVisible); });
    actShowRuler->setCheckable(true);
    addNoteMenu = chartMenu->addMenu("Add Note");
    actDeleteNote = chartMenu->addAction("Delete Note...", this, [this] {
        const int i = deleteTarget;
        if (i >= 0 &&
            ask(QString::fromStdString(Format("Remove Note(s): %s", Notes.NamesOf(i).c_str())))) {
            SetFrameNotes(i, 0);
        }
    });
    actRefresh = chartMenu->addAction("Refresh", this, [this] { RepaintAll(); });
    actFitLog = chartMenu->addAction("Fit log", this, [this] { FitLog(); });
    actTimeOfDay = chartMenu->addAction("Ruler: Time of Day", this,
                                        [this] { SetRulerTimeOfDay(!Ruler.TimeOfDay); });
    actTimeOfDay->setCheckable(true);
    chartMenu->addSeparator();
    actOverride = chartMenu->addAction("Override Y-Axis", this, [this] {
        TChartRow& row = Rows[static_cast<size_t>(CurrentChart)];
        const bool on = !(row.DisplayMinOverride || row.DisplayMaxOverride);
        row.DisplayMinOverride = row.DisplayMaxOverride = on;
        LayoutCharts();
    });
    actOverride->setCheckable(true);
    actSaveDefaults = chartMenu->addAction("Save User Defaults...", this, [this] {
        if (ask("Save current charts' settings as user defaults")) {
            SaveChartDefaults(CurrentChart);
            RepaintAll();
        }
    });
    actLoadDefaults = chartMenu->addAction("Load User Defaults...", this, [this] {
        if (ask("Load user defaults for current chart")) {
            LoadChartDefaults(CurrentChart);
            LayoutCharts();
        }
    });
    actRestoreFactory = chartMenu->addAction("Restore Factory Defaults...", this, [this] {
        if (ask("Restore factory defaults for current chart")) {
            RestoreChartFactory(CurrentChart);
            LayoutCharts();
        }
    });
    chartMenu->addSeparator();
    actProperties = chartMenu->addAction("Properties...", this, [this] {
        if (ShowProperties && !Running && !Busy()) {
            ShowProperties(*this);
            LayoutCharts();
        }
    });
}

void TChartMon::UpdateChartMenu() {
    actShowNotes->setChecked(notesVisible);
    actShowRuler->setChecked(rulerVisible);
    actTimeOfDay->setChecked(Ruler.TimeOfDay);
    addNoteMenu->clear();
    // The frame is the one of the press that opened the menu, kept with each entry.
    const int frame = MouseX;
    for (int n = 0; n < NoteSlots; ++n) {
        addNoteMenu->addAction(
            QString::fromStdString(Format("%d. %s", n + 1, Notes.Name(n).c_str())), this,
            [this, n, frame] {
                if (frame >= 0 && frame < Count()) {
                    SetFrameNotes(frame, Notes.Mask(frame) | (1u << n));
                }
            });
    }
    SetMenuColumns(*addNoteMenu, PopupRows);
    addNoteMenu->menuAction()->setEnabled(Properties && frame >= 0 && frame < Count());
    deleteTarget = notesVisible ? Notes.NearestNoted(cursor) : -1;
    if (deleteTarget >= 0) {
        actDeleteNote->setText(QString::fromStdString(
            Format("Remove Note(s): %s...", Notes.NamesOf(deleteTarget).c_str())));
    } else {
        actDeleteNote->setText("Remove Note");
    }
    actDeleteNote->setEnabled(Properties && deleteTarget >= 0);
    const TChartRow& row = Rows[static_cast<size_t>(CurrentChart)];
    actOverride->setChecked(row.DisplayMinOverride || row.DisplayMaxOverride);
    actSaveDefaults->setEnabled(Properties);
    actLoadDefaults->setEnabled(Properties);
    actRestoreFactory->setEnabled(Properties);
    // The dialog's modal loop would hold a run up until it closes.
    actProperties->setEnabled(Properties && !Running);
}

void TChartMon::LegendMousePress(int y) {
    const int h = StripHeight();
    if (Running || h <= 0) {
        return;
    }
    const int k = std::clamp((y - StripTop(0)) / h, 0, ChartCount - 1);
    LegendClickY = y - StripTop(k) + h * k;
}

void TChartMon::LegendSlot(int& k, int& r) const {
    const int h = std::max(StripHeight(), 1);
    k = std::clamp(LegendClickY / h, 0, ChartCount - 1);
    // The rows are drawn LegendRowHeight apart, whatever the font's height.
    r = std::clamp((LegendClickY % h) / LegendRowHeight, 0, SeriesSlots - 1);
}

void TChartMon::UpdateLegendMenu() {
    legendMenu->clear();
    if (!Properties || !Image) {
        return;
    }
    if (Image->PickList[0].Name.empty()) {
        for (const char* line : {"No attributes available!", "Try selecting a macro that",
                                 "returns ALDL data attributes."}) {
            legendMenu->addAction(line);
        }
        return;
    }
    int k = 0, r = 0;
    LegendSlot(k, r);
    const TSeries& slot = Rows[static_cast<size_t>(k)].Series[static_cast<size_t>(r)];
    QAction* clear = legendMenu->addAction(QString::fromStdString("Clear: " + slot.Name), this,
                                           [this] { ClearLegendSlot(); });
    // Assignments re-plot the log, which must wait until no run feeds the charts.
    clear->setEnabled(slot.Assigned && !Running);
    for (int i = 0; i < PickListSize; ++i) {
        const TPickListItem& e = Image->PickList[static_cast<size_t>(i)];
        if (e.Name.empty() || e.Kind != 0) {
            continue;
        }
        QAction* a = legendMenu->addAction(QString::fromStdString(PickListCaption(e)), this,
                                           [this, i] { AssignFromPickList(i); });
        a->setEnabled(!Running);
    }
    SetMenuColumns(*legendMenu, PopupRows);
}

void TChartMon::AssignFromPickList(int entry) {
    if (!Image || Running || plotting || entry < 0 || entry >= PickListSize) {
        return;
    }
    int k = 0, r = 0;
    LegendSlot(k, r);
    const TPickListItem& e = Image->PickList[static_cast<size_t>(entry)];
    Image->AssignDisplay(k + 1, r + 1, -1, -1, e.Item, e.Attr, -1);
    AssignSeries();
}

void TChartMon::ClearLegendSlot() {
    if (!Image || Running || plotting) {
        return;
    }
    int k = 0, r = 0;
    LegendSlot(k, r);
    const TSeries& slot = Rows[static_cast<size_t>(k)].Series[static_cast<size_t>(r)];
    if (!slot.Assigned) {
        return;
    }
    Image->AssignDisplay(0, 0, -1, -1, slot.ItemIndex, slot.AttrIndex, -1);
    AssignSeries();
}

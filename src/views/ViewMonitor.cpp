#include "views/ViewMonitor.h"

#include "engine/Cartridge.h"
#include "log/DataLog.h"
#include "views/charts/ChartMon.h"

#include <QApplication>
#include <QLabel>
#include <QResizeEvent>

void TframeViewMonitor::TPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (OnResize) {
        OnResize();
    }
}

TframeViewMonitor::TframeViewMonitor(TCartridge& engineRef, TDataLog& log) : engine(engineRef) {
    page.setObjectName(QStringLiteral("frameViewMonitor"));
    monitor = new TChartMon(&page);
    monitor->setObjectName(QStringLiteral("ChartMon"));
    monitor->Image = &engine;
    monitor->Log = &log;
    monitor->Properties = true;
    monitor->OnDetailChanged = [this](TChartMon&, int frame) {
        if (OnDetailChanged) {
            OnDetailChanged(frame);
        }
    };
    monitor->OnRePlotNeeded = [this] {
        if (OnRePlotNeeded) {
            OnRePlotNeeded();
        }
    };
    monitor->OnLogModified = [this] {
        if (OnLogModified) {
            OnLogModified();
        }
    };
    noData = new QLabel(&page);
    noData->setObjectName(QStringLiteral("NoDataPanel"));
    noData->setAlignment(Qt::AlignCenter);
    noData->setAutoFillBackground(true);
    QPalette palette = noData->palette();
    palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    palette.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    noData->setPalette(palette);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    noData->setFont(font);
    noData->setText(QStringLiteral(
        "\nThe currently selected macro does\nnot return any charted data.\nTo display charted "
        "data here, first\nselect a macro that returns charted data.\n"));
    noData->hide();
    page.OnResize = [this] {
        monitor->setGeometry(page.rect());
        noData->setGeometry(page.rect());
    };
    page.resize(640, 400);
}

TframeViewMonitor::~TframeViewMonitor() {
    page.OnResize = nullptr;
}

bool TframeViewMonitor::Running() const {
    return monitor->Running;
}

void TframeViewMonitor::SetRunning(bool on) {
    monitor->Running = on;
    if (monitor->OnViewChanged) {
        monitor->OnViewChanged(); // the play-back bar is free only between runs
    }
}

bool TframeViewMonitor::PaintEnabled() const {
    return monitor->PaintEnabled();
}

void TframeViewMonitor::SetPaintEnabled(bool on) {
    monitor->SetPaintEnabled(on);
}

void TframeViewMonitor::ClearCharts() {
    monitor->ClearCharts();
}

bool TframeViewMonitor::PlotFrame(TPacket& frame) {
    return monitor->PlotFrame(frame);
}

void TframeViewMonitor::RePlotLog(const std::function<void(int percent)>& progress) {
    monitor->RePlotLog(progress);
}

void TframeViewMonitor::SetDetail(int detail) {
    monitor->SetDetail(detail);
}

int TframeViewMonitor::Cursor() const {
    return monitor->Cursor();
}

std::string TframeViewMonitor::FrameText() const {
    return monitor->FrameText();
}

std::string TframeViewMonitor::TimeText() const {
    return monitor->TimeText();
}

std::string TframeViewMonitor::NoteText() const {
    return monitor->NoteText();
}

bool TframeViewMonitor::KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (KeyTypedIntoFocus(QApplication::focusWidget(), key)) {
        return false;
    }
    return monitor->KeyDown(key, modifiers);
}

void TframeViewMonitor::PopulateMonitor() {
    const int made = FillPickList(engine);
    monitor->AssignSeries();
    if (made == 0) {
        noData->show();
        noData->raise();
    } else {
        noData->hide();
        noData->lower();
    }
}

void TframeViewMonitor::SetPopupRows(int rows) {
    monitor->PopupRows = rows;
}

void TframeViewMonitor::PrintChart(TPrintJob& job) {
    monitor->PrintChart(job);
}

void TframeViewMonitor::SaveCommonDefaults() {
    monitor->SaveCommonDefaults();
}

void TframeViewMonitor::SaveChartDefaults(int chart) {
    monitor->SaveChartDefaults(chart);
}

void TframeViewMonitor::LoadCommonDefaults() {
    monitor->LoadCommonDefaults();
}

void TframeViewMonitor::LoadChartDefaults(int chart) {
    monitor->LoadChartDefaults(chart);
}

void TframeViewMonitor::RestoreCommonFactory() {
    monitor->RestoreCommonFactory();
}

void TframeViewMonitor::RestoreChartFactory(int chart) {
    monitor->RestoreChartFactory(chart);
}

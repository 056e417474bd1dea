#include "views/charts/ChartMon.h"

#include "common/Common.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "engine/Cartridge.h"
#include "log/DataLog.h"
#include "shell/MenuHelpers.h"
#include "shell/Printing.h"
#include "views/charts/ChartColumns.h"
#include "views/charts/ChartProperties.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

using namespace Charts;

TChartMon::TChartMon(QWidget* parent) : QWidget(parent) {
    setMinimumSize(MinWidth, MinHeight);
    resize(MinWidth, MinHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    yaxis = new TYaxis(*this);
    graph = new TGraph(*this);
    legend = new TLegend(*this);
    scrollBar = new QScrollBar(Qt::Horizontal, this);
    scrollBar->setTracking(true);
    connect(scrollBar, &QScrollBar::valueChanged, this, [this](int) { graph->update(); });
    for (int k = 0; k < ChartCount; ++k) {
        for (int r = 0; r < SeriesSlots; ++r) {
            Rows[static_cast<size_t>(k)].Series[static_cast<size_t>(r)].Chart = k;
        }
    }
    Ruler.TickInterval = 1000;
    Ruler.LabelInterval = 5000;
    Ruler.SubTickInterval = 100;
    Ruler.ResetStamps();
    buildChartMenu();
    legendMenu = new QMenu(this);
    ShowProperties = [](TChartMon& monitor) {
        TfChartProperties dialog(&monitor);
        dialog.Execute(monitor);
    };
    LayoutCharts();
    SetCount(0);
    SetDetail(0);
}

TChartMon::~TChartMon() = default;

// ---- geometry ----

int TChartMon::ViewHeight() const {
    return graph->height();
}

int TChartMon::GraphWidth() const {
    return graph->width();
}

int TChartMon::StripTop(int k) const {
    return k * stripHeight + (notesVisible ? NotesHeight : 0);
}

int TChartMon::RulerTop() const {
    return StripTop(ChartCount);
}

int TChartMon::ScrollPosition() const {
    return scrollBar->value();
}

void TChartMon::SetScrollPosition(int p) {
    updateScrollRange();
    scrollBar->setValue(p);
}

void TChartMon::updateScrollRange() {
    // The data take frames 0..299; the view may scroll a scroll step past the last one.
    const int w = GraphWidth();
    scrollBar->setRange(0, std::max(0, Frames + speed - w));
    scrollBar->setPageStep(std::max(1, w));
    scrollBar->setSingleStep(speed);
}

int TChartMon::FrameAt(int viewX) const {
    const int p = ScrollPosition();
    const int x = std::clamp(p + viewX, p, p + std::max(GraphWidth(), 1) - 1);
    return std::clamp(x, 0, Frames - 1);
}

int TChartMon::chartAt(int y) const {
    if (stripHeight <= 0) {
        return -1;
    }
    const int k = (y - StripTop(0)) / stripHeight;
    return y < StripTop(0) || k >= ChartCount ? -1 : k;
}

void TChartMon::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutCharts();
}

void TChartMon::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ChartColour(DarkNavy));
}

void TChartMon::LayoutCharts() {
    const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int w = width(), h = height();
    const int graphW = std::max(0, w - YaxisWidth - LegendWidth);
    const int viewH = std::max(0, h - sb);
    yaxis->setGeometry(0, 0, YaxisWidth, viewH);
    graph->setGeometry(YaxisWidth, 0, graphW, viewH);
    scrollBar->setGeometry(YaxisWidth, viewH, graphW, sb);
    legend->setGeometry(w - LegendWidth, 0, LegendWidth, viewH);
    stripHeight =
        std::max(0, (viewH - (notesVisible ? NotesHeight : 0) - (rulerVisible ? RulerHeight : 0)) /
                        ChartCount);
    for (int k = 0; k < ChartCount; ++k) {
        const TChartRow& row = Rows[static_cast<size_t>(k)];
        scales[static_cast<size_t>(k)] =
            TChartScale::For(stripHeight, row.EffectiveMin(), row.EffectiveMax());
    }
    updateScrollRange();
    RepaintAll();
}

void TChartMon::RepaintAll() {
    yaxis->Invalidate();
    graph->Invalidate();
    legend->update();
    update();
}

// ---- series and plotting ----

void TChartMon::AssignSeries() {
    if (plotting) {
        return; // a frame is being stored; the slots must not change under it
    }
    for (TChartRow& row : Rows) {
        for (TSeries& s : row.Series) {
            s.Empty();
        }
    }
    if (Image) {
        for (int i = 0; i < Image->ItemCount; ++i) {
            const TMacroItem& item = Image->Items[static_cast<size_t>(i)];
            for (int a = 0; a < item.Request.AttrCount; ++a) {
                const TAttr& attr = item.Request.Attrs[static_cast<size_t>(a)];
                if (attr.Chart < 1 || attr.Chart > ChartCount || attr.Series < 1 ||
                    attr.Series > SeriesSlots) {
                    continue;
                }
                TSeries& s = Rows[static_cast<size_t>(attr.Chart - 1)]
                                 .Series[static_cast<size_t>(attr.Series - 1)];
                s.SetName(attr.ACode + " " + attr.Scale.Units);
                s.DisplayMin = attr.Scale.DisplayMin;
                s.DisplayMax = attr.Scale.DisplayMax;
                s.RCode = item.RCode;
                s.MCode = item.MCode;
                s.AID = attr.AID;
                s.ItemIndex = i;
                s.AttrIndex = a;
            }
        }
        for (int n = 0; n < NoteSlots; ++n) {
            const std::string name = Image->GetNoteName(n);
            Notes.SetName(n, name.empty() ? Format("Note: %d", n + 1) : name);
        }
    }
    LayoutCharts();
    if (OnRePlotNeeded) {
        OnRePlotNeeded();
    }
}

void TChartMon::ClearCharts() {
    if (plotting) {
        return;
    }
    count = 0;
    SetScrollPosition(0);
    for (TChartRow& row : Rows) {
        row.ClearSamples();
    }
    Notes.ClearMasks();
    Ruler.ResetStamps();
    RepaintAll();
    SetDetail(0);
}

void TChartMon::plotRow(int k, int i) {
    TChartRow& row = Rows[static_cast<size_t>(k)];
    for (int r = 0; r < SeriesSlots; ++r) {
        const TSeries& s = row.Series[static_cast<size_t>(r)];
        float v = MissingValue;
        if (s.Assigned) {
            v = Properties
                    ? (Image ? Image->GetAttrValue(s.ItemIndex, s.AttrIndex, -1) : MissingValue)
                    : SampleWave(i, r, s.DisplayMin, s.DisplayMax);
        }
        row.Samples[static_cast<size_t>(i)][static_cast<size_t>(r)] = v;
    }
    if (paintEnabled) {
        graph->PlotChartFrame(k, i);
    }
}

bool TChartMon::PlotFrame(TPacket& frame) {
    if (count >= Frames || plotting) {
        return false;
    }
    plotting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{plotting};
    const int i = count;
    Ruler.RecordStamp(i, frame.Time);
    if (paintEnabled) {
        graph->PlotRulerFrame(i);
    }
    if (PendingNote != 0) {
        // The note typed during the run belongs to the frame itself, so it is saved with the log
        // and survives a re-plot.
        frame.Notes |= PendingNote;
        if (Log && OnLogModified) {
            OnLogModified();
        }
    }
    Notes.SetMask(i, frame.Notes | PendingNote);
    PendingNote = 0;
    if (paintEnabled) {
        graph->PlotNotesFrame(i);
    }
    for (int k = 0; k < ChartCount; ++k) {
        plotRow(k, i);
    }
    SetDetail(i);
    SetCount(i + 1);
    return true;
}

void TChartMon::SetCount(int n) {
    count = n;
    const int p = ScrollPositionFor(n, speed, GraphWidth(), paintEnabled);
    if (p >= 0) {
        SetScrollPosition(p);
    }
}

void TChartMon::SetDetail(int index) {
    cursor = index;
    if (Ruler.Stamp(index) != 0) {
        if (Tracking || Inspecting) {
            const int noted = Notes.NotedAtOrBefore(index);
            noteText = noted >= 0 ? Notes.NamesOf(noted) : std::string();
        } else if (Notes.Mask(index) != 0) {
            noteText = Notes.NamesOf(index);
        }
        timeText = ElapsedText(Ruler.ElapsedOf(index), "nn:ss.zzz");
        frameText = std::to_string(index);
    } else {
        noteText = timeText = frameText = "-";
    }
    if (paintEnabled) {
        legend->update();
    }
    if (OnDetailChanged) {
        OnDetailChanged(*this, cursor);
    }
}

void TChartMon::SetPaintEnabled(bool on) {
    if (Busy()) {
        return; // a re-plot switches painting on when it is done
    }
    paintEnabled = on;
    if (on) {
        RepaintAll();
    }
}

void TChartMon::SetNotesVisible(bool on) {
    notesVisible = on;
    LayoutCharts();
}

void TChartMon::SetRulerVisible(bool on) {
    rulerVisible = on;
    LayoutCharts();
}

void TChartMon::SetLineWeight(int weight) {
    lineWeight = std::max(1, weight);
    RepaintAll();
}

void TChartMon::SetSpeed(int frames) {
    speed = std::max(1, frames);
    updateScrollRange();
}

void TChartMon::SetChartColor(int k, uint32_t color) {
    if (k >= 0 && k < ChartCount) {
        Rows[static_cast<size_t>(k)].Color = color;
        RepaintAll();
    }
}

void TChartMon::SetNoteColor(int n, uint32_t color) {
    Notes.SetColor(n, color);
    repaintNotes();
}

void TChartMon::SetRulerIntervals(int tick, int subTick, int label) {
    Ruler.TickInterval = tick;
    Ruler.SubTickInterval = subTick;
    Ruler.LabelInterval = label;
    RepaintAll();
}

void TChartMon::repaintNotes() {
    graph->NotesChanged();
}

void TChartMon::SetFrameNotes(int i, uint32_t mask) {
    if (i < 0 || i >= Frames) {
        return;
    }
    Notes.SetMask(i, mask);
    // Only a logged frame takes the edit: never the live slot behind them or the shared
    // empty frame that the log hands out for an empty slot.
    if (Log && i < count && i < Log->Count()) {
        if (Log->Notes(i) != mask) {
            Log->SetNotes(i, mask);
            if (OnLogModified) {
                OnLogModified();
            }
        }
    }
    repaintNotes();
}

// ---- cursor ----

void TChartMon::startCursor(int x) {
    SetDetail(x);
    graph->CursorColumnChanged(x);
}

void TChartMon::moveCursor(int x) {
    if (x == cursor) {
        return;
    }
    graph->CursorColumnChanged(cursor);
    SetDetail(x);
    graph->CursorColumnChanged(x);
}

void TChartMon::endCursor(int x) {
    graph->CursorColumnChanged(cursor);
    SetDetail(x);
    graph->CursorColumnChanged(x);
}

void TChartMon::GraphMousePress(int viewX, int y) {
    if (Running || Busy()) {
        return;
    }
    const int k = chartAt(y);
    if (k < 0) {
        return;
    }
    if (Inspecting) {
        Inspecting = false;
        endCursor(cursor);
    }
    MouseX = FrameAt(viewX);
    if (!Tracking) {
        Tracking = true;
        CurrentChart = k;
        startCursor(MouseX);
    }
}

void TChartMon::GraphMouseMove(int viewX, int y) {
    if (!Tracking) {
        return;
    }
    const int k = chartAt(y);
    if (k >= 0) {
        CurrentChart = k;
    }
    MouseX = FrameAt(viewX);
    moveCursor(MouseX);
}

void TChartMon::GraphMouseRelease(int viewX, int) {
    if (!Tracking) {
        return;
    }
    MouseX = FrameAt(viewX);
    Tracking = false;
    endCursor(MouseX);
}

bool TChartMon::KeyDown(int key, Qt::KeyboardModifiers shift) {
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    const int note = key == Qt::Key_0 ? 10 : key - Qt::Key_0; // "0" is note 10
    if (Running) {
        if (digit) {
            PendingNote = 1u << (note - 1);
        }
        return digit;
    }
    if (Busy()) {
        return false;
    }
    if (cursor <= count && (Inspecting || Tracking)) {
        if (key == Qt::Key_Delete) {
            const int noted = notesVisible ? Notes.NearestNoted(cursor) : -1;
            if (noted >= 0) {
                SetFrameNotes(noted, 0);
                SetDetail(cursor);
            }
        } else if (digit) {
            SetFrameNotes(cursor, Notes.Mask(cursor) | (1u << (note - 1)));
            SetDetail(cursor);
        }
    }
    if (Tracking) {
        return false;
    }
    const int step = (shift & Qt::ControlModifier) ? F2DeltaCtrl : F2Delta;
    const int left = ScrollPosition();
    const int right = left + GraphWidth() - 1;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F2:
        if (Inspecting) {
            Inspecting = false;
            endCursor(cursor);
        } else if (key == Qt::Key_F2) {
            Inspecting = true;
            startCursor(cursor);
        }
        return true;
    case Qt::Key_Left:
        if (Inspecting) {
            moveCursor(std::min(cursor < left + step ? left : cursor - step, Frames - 1));
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (Inspecting) {
            moveCursor(std::min(cursor > right - step ? right : cursor + step, Frames - 1));
            return true;
        }
        return false;
    default:
        return false;
    }
}

// ---- menus ----

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
    addNoteMenu->clear();
    for (int n = 0; n < NoteSlots; ++n) {
        addNoteMenu->addAction(
            QString::fromStdString(Format("%d. %s", n + 1, Notes.Name(n).c_str())), this,
            [this, n] {
                if (MouseX >= 0 && MouseX < count) {
                    SetFrameNotes(MouseX, Notes.Mask(MouseX) | (1u << n));
                }
            });
    }
    SetMenuColumns(*addNoteMenu, PopupRows);
    addNoteMenu->menuAction()->setEnabled(Properties && MouseX < count);
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
    if (Running || stripHeight <= 0) {
        return;
    }
    const int k = std::clamp((y - StripTop(0)) / stripHeight, 0, ChartCount - 1);
    LegendClickY = y - StripTop(k) + stripHeight * k;
}

void TChartMon::legendSlot(int& k, int& r) const {
    const int h = std::max(stripHeight, 1);
    k = std::min(LegendClickY / h, ChartCount - 1);
    const int rowHeight = std::max(QFontMetrics(ChartFont()).height(), 1);
    r = std::min((LegendClickY % h) / rowHeight, SeriesSlots - 1);
    k = std::max(k, 0);
    r = std::max(r, 0);
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
    legendSlot(k, r);
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
    legendSlot(k, r);
    const TPickListItem& e = Image->PickList[static_cast<size_t>(entry)];
    Image->AssignDisplay(k + 1, r + 1, -1, -1, e.Item, e.Attr, -1);
    AssignSeries();
}

void TChartMon::ClearLegendSlot() {
    if (!Image || Running || plotting) {
        return;
    }
    int k = 0, r = 0;
    legendSlot(k, r);
    const TSeries& slot = Rows[static_cast<size_t>(k)].Series[static_cast<size_t>(r)];
    if (!slot.Assigned) {
        return;
    }
    Image->AssignDisplay(0, 0, -1, -1, slot.ItemIndex, slot.AttrIndex, -1);
    AssignSeries();
}

// ---- printing ----

QImage TChartMon::ChartPicture() {
    graph->Refresh();
    const int viewH = ViewHeight();
    QImage shot(width(), viewH, QImage::Format_RGB32);
    shot.fill(ChartColour(DarkNavy));
    render(&shot, QPoint(), QRegion(0, 0, width(), viewH));
    std::vector<TPaperBand> bands;
    if (notesVisible) {
        bands.push_back({0, NotesHeight, NotesColor, true});
    }
    for (int k = 0; k < ChartCount; ++k) {
        bands.push_back({StripTop(k), StripTop(k) + stripHeight, ChartColor(k), false});
    }
    bands.push_back({RulerTop(), viewH, RulerColor, true});
    return PaperPicture(shot, bands);
}

void TChartMon::PrintChart(TPrintJob& job) {
    const QImage picture = ChartPicture();
    if (job.IsActive()) {
        job.Painter().drawImage(
            QRect(QPoint(100, 500), QPoint(job.PageWidth() - 100, job.PageHeight() - 200)),
            picture);
    }
    const QString path =
        QString::fromStdString(PicturePath.empty() ? OwnFilesDir() + "/chart.bmp" : PicturePath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    picture.save(path, "BMP");
}

// ---- settings ----

TIniFile TChartMon::openIni() const {
    return TIniFile(IniFileName.empty() ? IniPath() : IniFileName);
}

void TChartMon::saveIni(TIniFile& ini) const {
    ini.UpdateFile();
}

TChartCommonSettings TChartMon::CommonSettings() const {
    TChartCommonSettings s;
    s.LineWeight = lineWeight;
    s.Speed = speed;
    s.NotesColor = NotesColor;
    s.RulerColor = RulerColor;
    s.NotesVisible = notesVisible;
    s.RulerVisible = rulerVisible;
    s.RulerTickColor = RulerTickColor;
    s.RulerFontColor = RulerFontColor;
    s.RulerTick = Ruler.TickInterval;
    s.RulerSubTick = Ruler.SubTickInterval;
    s.RulerLabelTick = Ruler.LabelInterval;
    s.RulerFormat = RulerFormat;
    s.F2Delta = F2Delta;
    s.F2DeltaCtrl = F2DeltaCtrl;
    for (int n = 0; n < NoteSlots; ++n) {
        s.NoteColors[static_cast<size_t>(n)] = Notes.Color(n);
    }
    return s;
}

void TChartMon::ApplyCommonSettings(const TChartCommonSettings& s) {
    lineWeight = std::max(1, s.LineWeight);
    speed = std::max(1, s.Speed);
    NotesColor = s.NotesColor;
    RulerColor = s.RulerColor;
    notesVisible = s.NotesVisible;
    rulerVisible = s.RulerVisible;
    RulerTickColor = s.RulerTickColor;
    RulerFontColor = s.RulerFontColor;
    Ruler.TickInterval = s.RulerTick;
    Ruler.SubTickInterval = s.RulerSubTick;
    Ruler.LabelInterval = s.RulerLabelTick;
    RulerFormat = s.RulerFormat;
    F2Delta = s.F2Delta;
    F2DeltaCtrl = s.F2DeltaCtrl;
    for (int n = 0; n < NoteSlots; ++n) {
        Notes.SetColor(n, s.NoteColors[static_cast<size_t>(n)]);
    }
    LayoutCharts();
}

void TChartMon::SaveCommonDefaults() {
    TIniFile ini = openIni();
    CommonSettings().Save(ini);
    saveIni(ini);
}

void TChartMon::LoadCommonDefaults() {
    const TIniFile ini = openIni();
    TChartCommonSettings s = CommonSettings();
    s.Load(ini);
    ApplyCommonSettings(s);
}

void TChartMon::RestoreCommonFactory() {
    TChartCommonSettings s = CommonSettings();
    s.RestoreFactory();
    ApplyCommonSettings(s);
}

void TChartMon::SaveChartDefaults(int k) {
    if (k < 0 || k >= ChartCount) {
        return;
    }
    TIniFile ini = openIni();
    CommonSettings().Save(ini);
    const TChartRow& row = Rows[static_cast<size_t>(k)];
    TChartSettings::Of(row).Save(ini, k, row.EffectiveMin(), row.EffectiveMax());
    saveIni(ini);
}

void TChartMon::LoadChartDefaults(int k) {
    if (k < 0 || k >= ChartCount) {
        return;
    }
    LoadCommonDefaults();
    const TIniFile ini = openIni();
    TChartSettings s = TChartSettings::Of(Rows[static_cast<size_t>(k)]);
    s.Load(ini, k);
    s.ApplyTo(Rows[static_cast<size_t>(k)]);
    LayoutCharts();
}

void TChartMon::RestoreChartFactory(int k) {
    if (k < 0 || k >= ChartCount) {
        return;
    }
    RestoreCommonFactory();
    TChartSettings s = TChartSettings::Of(Rows[static_cast<size_t>(k)]);
    s.RestoreFactory();
    s.ApplyTo(Rows[static_cast<size_t>(k)]);
    LayoutCharts();
}

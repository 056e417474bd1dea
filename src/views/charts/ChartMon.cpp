#include "views/charts/ChartMon.h"

#include "common/Format.h"
#include "engine/Cartridge.h"
#include "views/charts/ChartColumns.h"
#include "views/charts/ChartLog.h"
#include "views/charts/ChartProperties.h"

#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <vector>

using namespace Charts;

namespace {

// The column cache holds at most this many frames; the log's own limit is far below it.
constexpr int FrameLimit = 1 << 30;

} // namespace

TChartMon::TChartMon(QWidget* parent) : QWidget(parent) {
    setMinimumSize(MinWidth, MinHeight);
    resize(MinWidth, MinHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    yaxis = new TYaxis(*this);
    graph = new TGraph(*this);
    legend = new TLegend(*this);
    scrollBar = new QScrollBar(Qt::Horizontal, this);
    scrollBar->setTracking(true);
    connect(scrollBar, &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncing) {
            ScrollTo(value);
        }
    });
    for (int k = 0; k < ChartCount; ++k) {
        for (int r = 0; r < SeriesSlots; ++r) {
            Rows[static_cast<size_t>(k)].Series[static_cast<size_t>(r)].Chart = k;
        }
    }
    buildChartMenu();
    legendMenu = new QMenu(this);
    ShowProperties = [](TChartMon& monitor) {
        TfChartProperties dialog(&monitor);
        dialog.Execute(monitor);
    };
    LayoutCharts();
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

TChartScale TChartMon::ScaleOf(int k) const {
    const TChartRow& row = Rows[static_cast<size_t>(k)];
    return TChartScale::For(geometry.StripHeight, row.EffectiveMin(), row.EffectiveMax());
}

int TChartMon::FrameAt(int viewX) const {
    return view.FrameAt(std::clamp(viewX, 0, std::max(GraphWidth(), 1) - 1), Count());
}

int TChartMon::chartAt(int y) const {
    const int h = geometry.StripHeight;
    if (h <= 0 || y < StripTop(0)) {
        return -1;
    }
    const int k = (y - StripTop(0)) / h;
    return k >= ChartCount ? -1 : k;
}

void TChartMon::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutCharts();
}

void TChartMon::keyPressEvent(QKeyEvent* event) {
    if (!KeyDown(event->key(), event->modifiers())) {
        QWidget::keyPressEvent(event);
    }
}

void TChartMon::paintEvent(QPaintEvent*) {
    // Only the corners beside the scroll bar show; the columns paint the rest.
    QPainter p(this);
    const int top = graph->height();
    p.fillRect(0, top, YaxisWidth, height() - top, ChartColour(DarkNavy));
    p.fillRect(width() - LegendWidth, top, LegendWidth, height() - top, ChartColour(DarkNavy));
}

void TChartMon::LayoutCharts() {
    const int sb = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int w = width(), viewH = std::max(0, height() - sb);
    geometry = TChartGeometry::For(w, viewH, notesVisible, rulerVisible);
    const int graphW = geometry.GraphWidth;
    yaxis->setGeometry(0, 0, YaxisWidth, viewH);
    graph->setGeometry(YaxisWidth, 0, graphW, viewH);
    scrollBar->setGeometry(YaxisWidth, viewH, graphW, sb);
    legend->setGeometry(w - LegendWidth, 0, LegendWidth, viewH);
    view.SetWidth(graphW, Count(), speed);
    syncScrollBar();
    RepaintAll();
}

void TChartMon::RepaintAll() {
    yaxis->update();
    graph->update();
    legend->update();
    update();
}

void TChartMon::syncScrollBar() {
    syncing = true;
    scrollBar->setRange(0, view.ScrollMax(Count(), speed));
    scrollBar->setPageStep(std::max(1, view.Width()));
    scrollBar->setSingleStep(view.SpeedColumns(speed));
    scrollBar->setValue(view.Position());
    syncing = false;
}

void TChartMon::changed() {
    if (!paintEnabled) {
        return; // a re-plot: SetPaintEnabled(true) catches up once
    }
    syncScrollBar();
    graph->update();
}

// ---- series and plotting ----

void TChartMon::AssignSeries() {
    if (plotting) {
        return; // a frame is being stored; the slots must not change under it
    }
    std::array<std::pair<int, int>, TChartData::Series> held;
    for (int k = 0; k < ChartCount; ++k) {
        for (int r = 0; r < SeriesSlots; ++r) {
            TSeries& s = Rows[static_cast<size_t>(k)].Series[static_cast<size_t>(r)];
            held[static_cast<size_t>(k * SeriesSlots + r)] = {s.ItemIndex, s.AttrIndex};
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
    // A slot that shows another attribute now drops the values of the one before.
    for (int k = 0; k < ChartCount; ++k) {
        for (int r = 0; r < SeriesSlots; ++r) {
            const TSeries& s = Rows[static_cast<size_t>(k)].Series[static_cast<size_t>(r)];
            if (held[static_cast<size_t>(k * SeriesSlots + r)] !=
                std::make_pair(s.ItemIndex, s.AttrIndex)) {
                Data.Column(k, r).Clear();
            }
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
    Data.Clear();
    Notes.ClearMasks();
    view.Restart();
    RepaintAll();
    SetDetail(0);
    changed();
}

void TChartMon::plotRow(int k, int i) {
    TChartRow& row = Rows[static_cast<size_t>(k)];
    for (int r = 0; r < SeriesSlots; ++r) {
        const TSeries& s = row.Series[static_cast<size_t>(r)];
        if (!s.Assigned) {
            continue; // an empty slot keeps no values: every frame reads as missing
        }
        const float v =
            Properties ? (Image ? Image->GetAttrValue(s.ItemIndex, s.AttrIndex, -1) : MissingValue)
                       : SampleWave(i, r, s.DisplayMin, s.DisplayMax);
        TSeriesColumn& column = Data.Column(k, r);
        while (column.Size() < i) {
            column.Append(MissingValue); // assigned after frames were plotted
        }
        column.Append(v);
    }
}

void TChartMon::writePendingNote(TPacket& frame, int i) {
    // The note typed during the run belongs to the frame itself, so it is saved with the log
    // and survives a re-plot.
    frame.Notes |= PendingNote;
    if (ChartLogHolds(Log, i)) {
        ChartLogSetNotes(*Log, i, ChartLogNotes(*Log, i) | PendingNote);
        if (OnLogModified) {
            OnLogModified();
        }
    }
}

bool TChartMon::PlotFrame(TPacket& frame) {
    if (Count() >= FrameLimit || plotting) {
        return false;
    }
    plotting = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{plotting};
    const int i = Data.AddFrame(frame.Time);
    if (PendingNote != 0) {
        writePendingNote(frame, i);
    }
    Notes.SetMask(i, frame.Notes | PendingNote);
    PendingNote = 0;
    for (int k = 0; k < ChartCount; ++k) {
        plotRow(k, i);
    }
    if (paintEnabled) {
        view.FramesAdded(Count(), speed);
    }
    SetDetail(i);
    changed();
    return true;
}

namespace {

// One charted series as a re-plot fills it: the attribute's raw value carried from frame to
// frame as decoding carries it, and the values of 8-bit raw values kept as they are met.
class TLogSource {
public:
    TLogSource(TSeriesColumn& column, const TSeries& slot, int row, const TCartridge* image,
               bool wave)
        : column(column), slot(slot), row(row), image(image), wave(wave) {
        if (image && slot.ItemIndex >= 0 && slot.ItemIndex < image->ItemCount) {
            const TRequest& request = image->Items[static_cast<size_t>(slot.ItemIndex)].Request;
            if (slot.AttrIndex >= 0 && slot.AttrIndex < request.AttrCount) {
                small = request.Attrs[static_cast<size_t>(slot.AttrIndex)].Bits <= 8;
            }
        }
    }
    void Add(const TPacket& frame, int i) {
        if (wave || !image) {
            column.Append(wave ? SampleWave(i, row, slot.DisplayMin, slot.DisplayMax)
                               : MissingValue);
            return;
        }
        raw = image->RawValueOf(slot.ItemIndex, slot.AttrIndex, frame, raw);
        column.Append(small ? byteValue() : image->ValueOfRaw(slot.ItemIndex, slot.AttrIndex, raw));
    }

private:
    float byteValue() {
        const size_t at = static_cast<size_t>(raw) & 0xFFu;
        if (!known[at]) {
            values[at] = image->ValueOfRaw(slot.ItemIndex, slot.AttrIndex, raw);
            known[at] = true;
        }
        return values[at];
    }

    TSeriesColumn& column;
    const TSeries& slot;
    int row;
    const TCartridge* image;
    bool wave; // the sample wave of a preview
    int32_t raw = 0;
    bool small = false; // 8 bits at most: values kept by raw value
    std::array<float, 256> values{};
    std::array<bool, 256> known{};
};

} // namespace

void TChartMon::RePlotLog(const std::function<void(int percent)>& progress) {
    if (plotting) {
        return;
    }
    const bool painting = paintEnabled;
    paintEnabled = false; // one repaint at the end
    ClearCharts();
    std::vector<TLogSource> sources;
    for (int k = 0; k < ChartCount; ++k) {
        for (int r = 0; r < SeriesSlots; ++r) {
            const TSeries& s = Rows[static_cast<size_t>(k)].Series[static_cast<size_t>(r)];
            if (s.Assigned) {
                sources.emplace_back(Data.Column(k, r), s, r, Image, !Properties);
            }
        }
    }
    const int count = ChartLogCount(Log);
    const int step = std::max(1, count / 100);
    TPacket frame;
    for (int i = 0; i < count && i < FrameLimit; ++i) {
        if (progress && i % step == 0) {
            progress(static_cast<int>(int64_t{i} * 100 / count));
        }
        ChartLogRead(*Log, i, frame);
        Data.AddFrame(frame.Time);
        if (frame.Notes != 0) {
            Notes.SetMask(i, frame.Notes);
        }
        for (TLogSource& source : sources) {
            source.Add(frame, i);
        }
    }
    paintEnabled = painting;
    SetDetail(0);
    RepaintAll();
    changed();
}

void TChartMon::SetDetail(int index) {
    cursor = index;
    if (index >= 0 && index < Count()) {
        if (Tracking || Inspecting) {
            const int noted = Notes.NotedAtOrBefore(index);
            noteFrame = noted >= 0 ? noted : NoNote;
        } else if (Notes.Mask(index) != 0) {
            noteFrame = index; // frames being plotted: a frame without notes keeps the text
        }
    } else {
        noteFrame = NoFrame;
    }
    if (paintEnabled) {
        legend->update();
        if (OnViewChanged) {
            OnViewChanged();
        }
    }
    if (OnDetailChanged) {
        OnDetailChanged(*this, cursor);
    }
}

const std::string& TChartMon::NoteText() const {
    static const std::string dash = "-";
    if (cursor < 0 || cursor >= Count() || noteFrame == NoFrame) {
        return dash;
    }
    noteText = noteFrame == NoNote ? std::string() : Notes.NamesOf(noteFrame);
    return noteText;
}

const std::string& TChartMon::TimeText() const {
    static const std::string dash = "-";
    if (cursor < 0 || cursor >= Count()) {
        return dash;
    }
    timeText = ElapsedText(Data.ElapsedOf(cursor), "nn:ss.zzz");
    return timeText;
}

const std::string& TChartMon::FrameText() const {
    static const std::string dash = "-";
    if (cursor < 0 || cursor >= Count()) {
        return dash;
    }
    frameText = std::to_string(cursor);
    return frameText;
}

void TChartMon::SetPaintEnabled(bool on) {
    if (Busy()) {
        return; // a re-plot switches painting on when it is done
    }
    paintEnabled = on;
    if (on) {
        RepaintAll();
        changed();
        if (OnViewChanged) {
            OnViewChanged();
        }
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
    syncScrollBar();
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

void TChartMon::SetRulerTimeOfDay(bool on) {
    Ruler.TimeOfDay = on;
    RepaintAll();
}

void TChartMon::repaintNotes() {
    graph->update(0, 0, graph->width(), NotesHeight);
}

void TChartMon::SetFrameNotes(int i, uint32_t mask) {
    if (i < 0) {
        return;
    }
    Notes.SetMask(i, mask);
    // Only a logged frame takes the edit: never the live frame behind them.
    if (i < Count() && ChartLogHolds(Log, i) && ChartLogNotes(*Log, i) != mask) {
        ChartLogSetNotes(*Log, i, mask);
        if (OnLogModified) {
            OnLogModified();
        }
    }
    repaintNotes();
}

#pragma once
// The chart monitor: four strip charts of up to four series each, a y-axis column on the left, a
// legend column on the right, a notes strip above and a time ruler below the charts, all scrolling
// together over the whole log at any zoom. Every plotted frame adds one value a series to the
// column cache (ChartData.h); painting draws the frames the view shows from it (ChartPaint.h),
// once per screen refresh at most. During a run the view follows the newest frame; after it the
// detail cursor inspects the frames by mouse or keys.
#include "views/charts/ChartData.h"
#include "views/charts/ChartModel.h"
#include "views/charts/ChartPaint.h"
#include "views/charts/ChartRuler.h"
#include "views/charts/ChartSettings.h"
#include "views/charts/ChartView.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QMenu;
class QPainter;
class QScrollBar;
class TCartridge;
class TDataLog;
class TPacket;
class TPrintJob;
class TYaxis;
class TGraph;
class TLegend;

// The key is one the focused widget uses to take typed text (an edit or a spin box): a
// character, or a key that moves or deletes in the text. It is then that widget's, not the
// charts'.
bool KeyTypedIntoFocus(const QWidget* focus, int key);

class TChartMon : public QWidget {
    Q_OBJECT
public:
    explicit TChartMon(QWidget* parent = nullptr);
    ~TChartMon() override;

    // ---- wiring ----
    TCartridge* Image = nullptr; // the runtime image, not owned
    // The capture buffer whose frame i is plotted at i: notes typed on the charts go into its
    // frames (read and written through ChartLog.h only). Null for a monitor that shows no log
    // (the properties preview).
    TDataLog* Log = nullptr;
    // On: values from the runtime image; off: sample waves (the properties preview).
    bool Properties = true;
    std::function<void(TChartMon& sender, int frame)> OnDetailChanged;
    std::function<void()> OnRePlotNeeded;
    // A note edit changed a logged frame's Notes.
    std::function<void()> OnLogModified;
    // The frames or the cursor changed (the play-back bar follows them).
    std::function<void()> OnViewChanged;
    // Yes/no questions of the popup menus; true for Yes. Tests answer here.
    std::function<bool(const QString& text)> Confirm;
    // Opens the chart properties dialog for this monitor (modal).
    std::function<void(TChartMon& monitor)> ShowProperties;
    std::string PicturePath; // where PrintChart saves the picture; empty: program folder
    std::string IniFileName; // the settings file; empty: the program's ini file

    // ---- state read and set by the owner ----
    int MouseX = 0; // the frame under the last mouse press in the graph area
    int LegendClickY = 0;
    uint32_t PendingNote = 0;
    int CurrentChart = 0;
    bool Running = false;
    bool Tracking = false;
    bool Inspecting = false;
    int PopupRows = 0;
    int F2Delta = 1, F2DeltaCtrl = 10;

    std::array<TChartRow, Charts::ChartCount> Rows;
    TChartData Data; // the column cache
    TNoteMarks Notes;
    TRulerSettings Ruler;
    uint32_t NotesColor = Charts::DarkNavy;
    uint32_t RulerColor = Charts::DarkNavy;
    uint32_t RulerTickColor = Charts::White;
    uint32_t RulerFontColor = Charts::White;

    // ---- operations ----
    void AssignSeries();
    void ClearCharts();
    // Stores one decoded frame: its time, notes and the image's value of every series. Painting
    // waits for the next screen refresh. False only past the cache's limit.
    bool PlotFrame(TPacket& frame);
    // Builds the column cache again from every frame of the log, decoding the charted
    // attributes only; the image's own values stay as they are. Progress is told in percent.
    void RePlotLog(const std::function<void(int percent)>& progress = {});
    void SetDetail(int index);
    int Count() const { return Data.Count(); }
    int Cursor() const { return cursor; }
    // The texts of the cursor's frame, "-" when it is on none; made when asked for, so that a
    // re-plot spends nothing on them.
    const std::string& NoteText() const;
    const std::string& TimeText() const;
    const std::string& FrameText() const;
    bool PaintEnabled() const { return paintEnabled; }
    void SetPaintEnabled(bool on);
    bool NotesVisible() const { return notesVisible; }
    void SetNotesVisible(bool on);
    bool RulerVisible() const { return rulerVisible; }
    void SetRulerVisible(bool on);
    int LineWeight() const { return lineWeight; }
    void SetLineWeight(int weight);
    int Speed() const { return speed; }
    void SetSpeed(int frames);
    uint32_t ChartColor(int k) const { return Rows[static_cast<size_t>(k)].Color; }
    void SetChartColor(int k, uint32_t color);
    void SetNoteColor(int n, uint32_t color);
    void SetRulerIntervals(int tick, int subTick, int label);
    void SetRulerTimeOfDay(bool on);
    void RepaintAll();
    // Lays the strips out again and redraws (after any change of size, visibility or y range).
    void LayoutCharts();
    // Keyboard entry point (Qt key codes); true when the charts used the key, which then goes
    // no further.
    bool KeyDown(int key, Qt::KeyboardModifiers shift);
    // Draws the visible range on the job's page as lines and text and saves the picture.
    void PrintChart(TPrintJob& job);
    // Draws the visible range into the area of a painter, whatever its resolution.
    void PaintForPaper(QPainter& painter, const QRectF& area);
    // The charts as the picture file holds them: turned a quarter counter-clockwise,
    // recoloured for paper.
    QImage ChartPicture();

    // The user's note edits: the chart's mask and, for a logged frame, the frame's own Notes.
    void SetFrameNotes(int i, uint32_t mask);

    // ---- the view over the log ----
    const TChartView& View() const { return view; }
    // Zooms by factor (2 out, 0.5 in) around a graph x.
    void ZoomAt(int viewX, double factor);
    void FitLog();
    // The user moved the view to a column (scroll bar, panning).
    void ScrollTo(int position);
    void GoHome();
    void GoEnd();
    // Moves the cursor to a frame in inspect mode, the view following (scrubbing).
    void InspectFrame(int frame);
    // The user has scrolled back during a run: the view stays put and says so.
    bool PausedView() const { return Running && !view.Following(); }

    // ---- settings ----
    TChartCommonSettings CommonSettings() const;
    void ApplyCommonSettings(const TChartCommonSettings& s);
    void SaveCommonDefaults();
    void LoadCommonDefaults();
    void RestoreCommonFactory();
    void SaveChartDefaults(int k);
    void LoadChartDefaults(int k);
    void RestoreChartFactory(int k);

    // ---- geometry (graph area coordinates) ----
    const TChartGeometry& Geometry() const { return geometry; }
    int StripHeight() const { return geometry.StripHeight; }
    int StripTop(int k) const { return geometry.StripTop(k); }
    int RulerTop() const { return geometry.RulerTop(); }
    int ViewHeight() const; // client height of the columns (above the scroll bar)
    int GraphWidth() const; // client width of the graph area
    int ScrollPosition() const { return view.Position(); }
    // The frame under a graph area x: the nearest one, within the view and the frames.
    int FrameAt(int viewX) const;
    TChartScale ScaleOf(int k) const;

    // ---- mouse (graph area coordinates; the columns forward their events here) ----
    void GraphMousePress(int viewX, int y);
    void GraphMouseMove(int viewX, int y);
    void GraphMouseRelease(int viewX, int y);
    void LegendMousePress(int y);

    // The popup menus, brought up to date as they open.
    QMenu& ChartMenu() { return *chartMenu; }
    QMenu& LegendMenu() { return *legendMenu; }
    void UpdateChartMenu();
    void UpdateLegendMenu();
    // Legend menu entry choices: assign pick list entry i to the clicked slot; clear the slot.
    void AssignFromPickList(int entry);
    void ClearLegendSlot();
    // The legend slot a press at LegendClickY picked: chart k, row r.
    void LegendSlot(int& k, int& r) const;
    // True while a frame is being stored: commands that would disturb it are refused.
    bool Busy() const { return plotting && !Running; }

    TYaxis& YaxisColumn() { return *yaxis; }
    TGraph& GraphArea() { return *graph; }
    TLegend& LegendColumn() { return *legend; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Keys while the charts have the focus (a window that previews every key calls KeyDown
    // itself and passes on only the keys the charts leave).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildChartMenu();
    void startCursor(int frame);
    void moveCursor(int frame);
    void endCursor(int frame);
    bool ask(const QString& text);
    int chartAt(int y) const;
    bool viewKey(int key, Qt::KeyboardModifiers shift);
    bool inspectKey(int key, Qt::KeyboardModifiers shift);
    bool noteKey(int key);
    void stepCursor(int frames);
    void viewMoved(); // after the user moved the view: follow only at the end
    void syncScrollBar();
    void changed(); // the view or the frames changed: repaint the graph, tell OnViewChanged
    void repaintNotes();
    TIniFile openIni() const;
    void plotRow(int k, int i);
    void writePendingNote(TPacket& frame, int i);

    TYaxis* yaxis = nullptr;
    TGraph* graph = nullptr;
    TLegend* legend = nullptr;
    QScrollBar* scrollBar = nullptr;
    QMenu* chartMenu = nullptr;
    QMenu* legendMenu = nullptr;
    QMenu* addNoteMenu = nullptr;
    QAction *actShowNotes = nullptr, *actShowRuler = nullptr, *actDeleteNote = nullptr;
    QAction *actOverride = nullptr, *actSaveDefaults = nullptr, *actLoadDefaults = nullptr;
    QAction *actRestoreFactory = nullptr, *actProperties = nullptr, *actRefresh = nullptr;
    QAction *actFitLog = nullptr, *actTimeOfDay = nullptr;
    TChartGeometry geometry;
    TChartView view;
    int cursor = 0;
    int deleteTarget = -1;
    bool paintEnabled = true;
    bool notesVisible = true, rulerVisible = true;
    bool plotting = false;
    bool syncing = false; // the scroll bar is being set, not moved by the user
    int lineWeight = 1;
    int speed = 4;
    // The frame whose notes NoteText names; NoNote: none (empty text); NoFrame: "-".
    static constexpr int NoNote = -1, NoFrame = -2;
    int noteFrame = NoFrame;
    mutable std::string noteText, timeText, frameText;
};

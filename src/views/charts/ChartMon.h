#pragma once
// The chart monitor: four strip charts of up to four series each, a y-axis column on the left, a
// legend column on the right, a notes strip above and a time ruler below the charts, all scrolling
// together one pixel per frame. Every plotted frame adds one sample column; after a run the
// detail cursor inspects the frames by mouse or keys.
//
// Drawing goes through cached images (ChartColumns.h): a plotted frame draws only its new line
// segments, notes and ticks into them, and the screen copies only what changed.
#include "views/charts/ChartModel.h"
#include "views/charts/ChartSettings.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QMenu;
class QScrollBar;
class TCartridge;
class TDataLog;
class TPacket;
class TPrintJob;
class TYaxis;
class TGraph;
class TLegend;

class TChartMon : public QWidget {
    Q_OBJECT
public:
    explicit TChartMon(QWidget* parent = nullptr);
    ~TChartMon() override;

    // ---- wiring ----
    TCartridge* Image = nullptr; // the runtime image, not owned
    // The capture buffer whose frame i is plotted at i: note edits go into its frames' Notes.
    // Null for a monitor that shows no log (the properties preview).
    TDataLog* Log = nullptr;
    // On: values from the runtime image; off: sample waves (the properties preview).
    bool Properties = true;
    std::function<void(TChartMon& sender, int frame)> OnDetailChanged;
    std::function<void()> OnRePlotNeeded;
    // A note edit changed a logged frame's Notes.
    std::function<void()> OnLogModified;
    // Yes/no questions of the popup menus; true for Yes. Tests answer here.
    std::function<bool(const QString& text)> Confirm;
    // Opens the chart properties dialog for this monitor (modal).
    std::function<void(TChartMon& monitor)> ShowProperties;
    std::string PicturePath; // where PrintChart saves the picture; empty: program folder
    std::string IniFileName; // the settings file; empty: the program's ini file

    // ---- state read and set by the owner ----
    int MouseX = 0;
    int LegendClickY = 0;
    uint32_t PendingNote = 0;
    int CurrentChart = 0;
    bool Running = false;
    bool Tracking = false;
    bool Inspecting = false;
    int PopupRows = 0;
    int F2Delta = 1, F2DeltaCtrl = 10;

    std::array<TChartRow, Charts::ChartCount> Rows;
    TNoteMarks Notes;
    TRulerStamps Ruler;
    uint32_t NotesColor = Charts::DarkNavy;
    uint32_t RulerColor = Charts::DarkNavy;
    uint32_t RulerTickColor = Charts::White;
    uint32_t RulerFontColor = Charts::White;
    std::string RulerFormat = "nn:ss";

    // ---- operations ----
    void AssignSeries();
    void ClearCharts();
    bool PlotFrame(TPacket& frame);
    void SetDetail(int index);
    void SetCount(int n);
    int Count() const { return count; }
    int Cursor() const { return cursor; }
    const std::string& NoteText() const { return noteText; }
    const std::string& TimeText() const { return timeText; }
    const std::string& FrameText() const { return frameText; }
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
    void RepaintAll();
    // Lays the strips out again and redraws (after any change of size, visibility or y range).
    void LayoutCharts();
    // Keyboard entry point (Qt key codes); true when the key was used.
    bool KeyDown(int key, Qt::KeyboardModifiers shift);
    // Draws the charts on the job's page and saves them as a picture.
    void PrintChart(TPrintJob& job);
    // The charts as they would print: turned a quarter counter-clockwise, recoloured for paper.
    QImage ChartPicture();

    // The user's note edits: the chart's mask and, for a logged frame, the frame's own Notes.
    void SetFrameNotes(int i, uint32_t mask);

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
    int StripHeight() const { return stripHeight; }
    int StripTop(int k) const;
    int RulerTop() const;
    int ViewHeight() const; // client height of the columns (above the scroll bar)
    int GraphWidth() const; // client width of the graph area
    int ScrollPosition() const;
    void SetScrollPosition(int p);
    // The frame under a graph area x, clamped to the view and to frame 299.
    int FrameAt(int viewX) const;
    const TChartScale& ScaleOf(int k) const { return scales[static_cast<size_t>(k)]; }

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
    // True while a re-plot is storing a frame: commands that would disturb it are refused.
    bool Busy() const { return plotting && !Running; }

    TYaxis& YaxisColumn() { return *yaxis; }
    TGraph& GraphArea() { return *graph; }
    TLegend& LegendColumn() { return *legend; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildChartMenu();
    void startCursor(int x);
    void moveCursor(int x);
    void endCursor(int x);
    bool ask(const QString& text);
    int chartAt(int y) const;
    void legendSlot(int& k, int& r) const;
    void updateScrollRange();
    void repaintNotes();
    TIniFile openIni() const;
    void saveIni(TIniFile& ini) const;
    void plotRow(int k, int i);

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
    std::array<TChartScale, Charts::ChartCount> scales{};
    int stripHeight = 0;
    int count = 0;
    int cursor = 0;
    int deleteTarget = -1;
    bool paintEnabled = true;
    bool notesVisible = true, rulerVisible = true;
    bool plotting = false;
    int lineWeight = 1;
    int speed = 4;
    std::string noteText = "-", timeText = "-", frameText = "-";
};

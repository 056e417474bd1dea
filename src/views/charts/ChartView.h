#pragma once
// Which frames the graph area shows: a zoom, as frames per pixel column (below 1 a frame takes
// several columns), and the first column shown. Frame i lies in column floor(i / zoom); column c
// holds the frames from ceil(c x zoom) up to the first frame of column c + 1.
//
// While frames arrive the view follows the newest one, jumping Speed frames at a time, until the
// user moves it away from the end; End or the end of the scroll bar brings it back.
class TChartView {
public:
    static constexpr double MinZoom = 1.0 / 8; // eight columns a frame

    double Zoom() const { return zoom; }
    int Position() const { return position; }
    int Width() const { return width; }
    bool Following() const { return following; }
    void SetFollowing(bool on) { following = on; }

    // The graph area's width in columns; the position stays within the scroll range.
    void SetWidth(int columns, int count, int speed);

    int ColumnOf(int frame) const;
    int FirstFrameOf(int column) const;
    // Columns that count frames take (0 for none).
    int Columns(int count) const;
    // The frame shown nearest to view x (the middle frame of a column over several), kept
    // within 0 .. count - 1; 0 when there are no frames.
    int FrameAt(int viewX, int count) const;
    int ViewX(int frame) const { return ColumnOf(frame) - position; }
    bool Shows(int frame) const;
    // The frames of view columns 0 .. Width() - 1: first .. end - 1 (within 0 .. count).
    int FirstVisibleFrame(int count) const;
    int EndVisibleFrame(int count) const;

    // Columns a scroll step of speed frames takes: at least one.
    int SpeedColumns(int speed) const;
    // The last position: the newest frame with a scroll step of room after it.
    int ScrollMax(int count, int speed) const;
    // The zoom that shows the whole log, never below one frame a column.
    double MaxZoom(int count) const;

    // Moves to column p, kept within 0 .. ScrollMax.
    void SetPosition(int p, int count, int speed);
    // Zooms by factor (2 zooms out, 0.5 in) keeping the frame at view x where it is.
    void ZoomAround(int viewX, double factor, int count, int speed);
    // The whole log in the window (a short log stretched to at most eight columns a frame).
    void Fit(int count, int speed);
    // Back to the start of a new log: position 0, following; the zoom stays.
    void Restart();
    // A frame was added: while following, the view jumps on when the newest frame has reached
    // the last column, leaving a scroll step of empty columns after it.
    void FramesAdded(int count, int speed);
    // Scrolls as little as needed for the frame to show.
    void Reveal(int frame, int count, int speed);
    // The same frames over factor times as many columns (for paper).
    TChartView Finer(int factor) const;

private:
    double zoom = 1;
    int position = 0;
    int width = 0;
    bool following = true;
};

#include "views/charts/ChartView.h"

#include <algorithm>
#include <cmath>

namespace {

// Column arithmetic in doubles: a whole number a hair below itself still counts as whole.
constexpr double Slack = 1e-9;

int toInt(double v) {
    return static_cast<int>(std::clamp(v, -1.0e9, static_cast<double>(1 << 30)));
}

} // namespace

void TChartView::SetWidth(int columns, int count, int speed) {
    width = std::max(columns, 0);
    position = std::clamp(position, 0, ScrollMax(count, speed));
}

int TChartView::ColumnOf(int frame) const {
    return toInt(std::floor(frame / zoom + Slack));
}

int TChartView::FirstFrameOf(int column) const {
    return toInt(std::ceil(column * zoom - Slack));
}

int TChartView::Columns(int count) const {
    return count <= 0 ? 0 : ColumnOf(count - 1) + 1;
}

int TChartView::FrameAt(int viewX, int count) const {
    if (count <= 0) {
        return 0;
    }
    const int column = position + viewX;
    int frame;
    if (zoom > 1) {
        // The middle one of the frames the column sums up.
        frame = (FirstFrameOf(column) + FirstFrameOf(column + 1) - 1) / 2;
    } else {
        frame = toInt(std::floor(column * zoom + 0.5));
    }
    return std::clamp(frame, 0, count - 1);
}

bool TChartView::Shows(int frame) const {
    const int x = ViewX(frame);
    return x >= 0 && x < width;
}

int TChartView::FirstVisibleFrame(int count) const {
    return std::clamp(FirstFrameOf(position), 0, std::max(count, 0));
}

int TChartView::EndVisibleFrame(int count) const {
    return std::clamp(FirstFrameOf(position + width), 0, std::max(count, 0));
}

int TChartView::SpeedColumns(int speed) const {
    return std::max(1, toInt(std::round(std::max(speed, 1) / zoom)));
}

int TChartView::ScrollMax(int count, int speed) const {
    return std::max(0, Columns(count) + SpeedColumns(speed) - width);
}

double TChartView::MaxZoom(int count) const {
    return std::max(1.0, width > 0 ? static_cast<double>(count) / width : 1.0);
}

void TChartView::SetPosition(int p, int count, int speed) {
    position = std::clamp(p, 0, ScrollMax(count, speed));
}

void TChartView::ZoomAround(int viewX, double factor, int count, int speed) {
    const double anchor = (position + viewX + 0.5) * zoom; // the frame under view x
    const double next = std::clamp(zoom * factor, MinZoom, std::max(MaxZoom(count), zoom));
    if (next == zoom) {
        return;
    }
    zoom = next;
    SetPosition(toInt(std::round(anchor / zoom - viewX - 0.5)), count, speed);
}

void TChartView::Fit(int count, int speed) {
    zoom = width > 0 && count > 0 ? std::max(MinZoom, static_cast<double>(count) / width) : 1.0;
    // A zoom a hair too small would leave the last frame one column past the edge.
    while (Columns(count) > width && width > 0) {
        zoom *= 1 + 1e-6;
    }
    position = 0;
    SetPosition(0, count, speed);
}

void TChartView::Restart() {
    position = 0;
    following = true;
}

void TChartView::FramesAdded(int count, int speed) {
    if (!following || width <= 0) {
        return;
    }
    const int newest = Columns(count) - 1;
    if (newest >= position + width - 1) {
        position = std::max(0, newest + 1 + SpeedColumns(speed) - width);
    }
}

void TChartView::Reveal(int frame, int count, int speed) {
    const int column = ColumnOf(frame);
    if (column < position) {
        SetPosition(column, count, speed);
    } else if (column >= position + width) {
        SetPosition(column - width + 1, count, speed);
    }
}

TChartView TChartView::Finer(int factor) const {
    TChartView finer = *this;
    factor = std::max(factor, 1);
    finer.zoom = zoom / factor;
    finer.position = position * factor;
    finer.width = width * factor;
    return finer;
}

#include "views/dashboard/DashColorGrid.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

QColor qcolour(uint32_t c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                  static_cast<int>(c >> 16 & 0xFF));
}

} // namespace

TDashColorGrid::TDashColorGrid(QWidget* parent) : QWidget(parent) {
    resize(100, 100);
    setMinimumSize(64, 64);
}

void TDashColorGrid::SetColor(uint32_t c) {
    colour = c & 0xFFFFFF;
    index = -1;
    for (int i = 0; i < 16; ++i) {
        if (Colours[i] == colour) {
            index = i;
        }
    }
    update();
}

void TDashColorGrid::SetIndex(int i) {
    if (i >= 0 && i < 16) {
        index = i;
        colour = Colours[i];
    } else {
        index = -1;
    }
    update();
}

void TDashColorGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int cw = width() / 4, ch = height() / 4;
    for (int i = 0; i < 16; ++i) {
        const QRect cell((i % 4) * cw, (i / 4) * ch, cw, ch);
        p.fillRect(cell.adjusted(1, 1, -1, -1), qcolour(Colours[i]));
        if (i == index) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 2));
            p.drawRect(cell.adjusted(1, 1, -2, -2));
        }
    }
}

void TDashColorGrid::mousePressEvent(QMouseEvent* event) {
    const int cw = std::max(width() / 4, 1), ch = std::max(height() / 4, 1);
    const int row = event->position().toPoint().y() / ch;
    const int column = event->position().toPoint().x() / cw;
    if (row >= 0 && row < 4 && column >= 0 && column < 4) {
        SetIndex(4 * row + column);
    }
    if (OnColorChanged) {
        OnColorChanged(colour);
    }
}

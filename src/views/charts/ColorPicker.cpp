#include "views/charts/ColorPicker.h"

#include "views/charts/ChartPaint.h"

#include <QMouseEvent>
#include <QPainter>

const std::array<uint32_t, TColorPicker::Cells> TColorPicker::Colors = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

TColorPicker::TColorPicker(QWidget* parent) : QWidget(parent) {
    resize(100, 100);
    setMinimumSize(48, 48);
}

void TColorPicker::SetColor(uint32_t c) {
    color = c;
    index = -1;
    for (int i = 0; i < Cells; ++i) {
        if (Colors[static_cast<size_t>(i)] == c) {
            index = i;
            break;
        }
    }
    update();
}

void TColorPicker::SetIndex(int i) {
    if (i >= 0 && i < Cells) {
        index = i;
        color = Colors[static_cast<size_t>(i)];
    } else {
        index = -1;
    }
    update();
}

int TColorPicker::CellAt(int x, int y) const {
    const int cw = width() / 4, ch = height() / 4;
    if (cw <= 0 || ch <= 0 || x < 0 || y < 0) {
        return -1;
    }
    const int row = y / ch, column = x / cw;
    return row < 4 && column < 4 ? 4 * row + column : -1;
}

void TColorPicker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ChartColour(0xC0C0C0));
    const int cw = width() / 4, ch = height() / 4;
    for (int i = 0; i < Cells; ++i) {
        const QRect cell((i % 4) * cw, (i / 4) * ch, cw, ch);
        if (i == index) {
            p.fillRect(cell, Qt::black);
        }
        // A sunken frame one pixel inside the cell, then the colour inside it.
        const QRect frame = cell.adjusted(1, 1, -2, -2);
        p.setPen(ChartColour(0x808080));
        p.drawLine(frame.topLeft(), frame.topRight());
        p.drawLine(frame.topLeft(), frame.bottomLeft());
        p.setPen(Qt::white);
        p.drawLine(frame.bottomLeft(), frame.bottomRight());
        p.drawLine(frame.topRight(), frame.bottomRight());
        p.fillRect(cell.adjusted(2, 2, -3, -3), ChartColour(Colors[static_cast<size_t>(i)]));
    }
}

void TColorPicker::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const int cell = CellAt(at.x(), at.y());
    if (cell >= 0) {
        SetIndex(cell);
    }
    if (OnColorChanged) {
        OnColorChanged(color);
    }
}

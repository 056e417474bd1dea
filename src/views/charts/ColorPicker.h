#pragma once
// A 4 x 4 grid of the 16 standard colours. Setting Color selects its cell (or none); a press
// selects the cell under the pointer and reports the current colour.
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class TColorPicker : public QWidget {
public:
    static constexpr int Cells = 16;
    // Row by row: black, maroon, green, olive, navy, purple, teal, silver, grey, red, lime,
    // yellow, blue, fuchsia, aqua, white (0x00BBGGRR).
    static const std::array<uint32_t, Cells> Colors;

    explicit TColorPicker(QWidget* parent = nullptr);

    std::function<void(uint32_t newColor)> OnColorChanged;
    uint32_t Color() const { return color; }
    void SetColor(uint32_t c);
    int Index() const { return index; } // -1 when the colour is none of the sixteen
    void SetIndex(int i);               // another index selects none and keeps the colour
    // The cell under a point: 4 x row + column, or -1 in the leftover strips.
    int CellAt(int x, int y) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    uint32_t color = 0;
    int index = 0;
};

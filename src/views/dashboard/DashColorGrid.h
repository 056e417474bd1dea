#pragma once
// The colour grid of the gauge properties dialog: the 16 standard colours in a 4 x 4 grid, in
// the order and with the behaviour of the chart dialog's colour picker, which can take its
// place once both dialogs share one.
#include <QWidget>

#include <cstdint>
#include <functional>

class TDashColorGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr uint32_t Colours[16] = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

    explicit TDashColorGrid(QWidget* parent = nullptr);

    uint32_t Color() const { return colour; }
    void SetColor(uint32_t c); // selects the cell of that colour, or none
    int Index() const { return index; }
    void SetIndex(int i); // 0..15 takes the cell's colour; another index selects none
    std::function<void(uint32_t colour)> OnColorChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    uint32_t colour = 0;
    int index = 0;
};

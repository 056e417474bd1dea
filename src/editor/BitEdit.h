#pragma once
// The bit selector: a picture of four data bytes whose bits are selected as a range. The
// selection is held as two absolute bit indexes: index k is bit 7 - k mod 8 of data byte
// k div 8 + 1, so index 0 is the most significant bit of byte 1; the high end is the attribute's
// least significant bit.
#include <QWidget>

#include <functional>

class QPushButton;
class QScrollBar;
class QTableWidget;

class TBitEdit : public QWidget {
public:
    explicit TBitEdit(QWidget* parent = nullptr);

    // start is byte.bit (as an attribute's Start). Nothing changes for start < 0 or bits <= 0.
    void SetSelection(int bits, double start);
    int StartByte() const { return high_ / 8 + 1; }
    int StartBit() const { return 7 - high_ % 8; }
    int Count() const { return high_ - low_ + 1; }
    int LowEnd() const { return low_; }
    int HighEnd() const { return high_; }
    int Position() const; // index of the first visible byte
    void SetPosition(int position);

    // Fires with the start byte, start bit and bit count after the selection changed.
    std::function<void(TBitEdit& sender, int byte, int bit, int count)> OnSelectionChanged;

    QPushButton* WordButton(int i) const { return words_[i]; }
    QPushButton* ByteButton(int i) const { return bytes_[i]; }
    QTableWidget* Strip() const { return strip_; }
    QScrollBar* ScrollBar() const { return scroll_; }
    void SelectCells(int left, int right); // as the buttons do; then takes the selection

private:
    void showSelection();
    void takeSelection();
    void updateCaptions();
    void fire();
    bool eventFilter(QObject* watched, QEvent* event) override;
    int low_ = -1;
    int high_ = -1;
    bool showing_ = false;
    QPushButton* words_[2] = {};
    QPushButton* bytes_[4] = {};
    QTableWidget* strip_ = nullptr;
    QScrollBar* scroll_ = nullptr;
};

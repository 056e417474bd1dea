#pragma once
// "Select Start Byte and Number of Bits...": the bit selector with a line showing the selection.
#include <QDialog>

class QLineEdit;
class TBitEdit;

class TfEditByteBit : public QDialog {
public:
    explicit TfEditByteBit(QWidget* parent = nullptr);
    TBitEdit& BitEdit() const { return *bitEdit_; }
    void SetSelection(int bits, double start);
    int StartByte() const;
    int StartBit() const;
    int Count() const;
    QLineEdit* SelectionLine() const { return line_; } // "Start: %d.%d - Bits: %d"

private:
    TBitEdit* bitEdit_ = nullptr;
    QLineEdit* line_ = nullptr;
};

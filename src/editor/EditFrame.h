#pragma once
// "Edit Command Frame": a command frame typed as its parts (module ID, mode byte, parameters),
// with the length byte and checksum that follow from them.
#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

class TfEditFrame : public QDialog {
public:
    explicit TfEditFrame(QWidget* parent = nullptr);
    ~TfEditFrame() override;
    // Loads a frame text ("$F1,$56,$08,$B1") into the boxes.
    void SetFrame(const std::string& text);
    // The frame's hex text as the user left it (read after OK).
    std::string Result();
    // ID, Len[, Mode][, Parameters], Csum as the boxes hold them.
    std::string ComposedText() const;

    QLineEdit* edID = nullptr;
    QLineEdit* edLen = nullptr;
    QLineEdit* edMode = nullptr;
    QLineEdit* edParams = nullptr;
    QLineEdit* edCsum = nullptr;
    QPushButton* btnRefresh = nullptr;

private:
    void recalculate();
};

#pragma once
// The bit flag dialog ("Bit flag..."): one flag of the status flag list in detail, with its
// attribute, bit, the texts of both states and its comments.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TCartridge;

class TfInfoFlag : public QDialog {
    Q_OBJECT
public:
    explicit TfInfoFlag(TCartridge& engine, QWidget* parent = nullptr);
    ~TfInfoFlag() override;

    // The row of the flag list to show, and whether that row showed the set icon.
    int RowIndex = 0;
    bool IsSet = false;
    // Fills the dialog for RowIndex (also run whenever the dialog is shown).
    void FormActivate();

    QLabel& description() const { return *Description; }
    QLineEdit& flagField() const { return *Flag; }
    QLineEdit& bitField() const { return *Bit; }
    QLineEdit& b0Field() const { return *B0; }
    QLineEdit& b1Field() const { return *B1; }
    QPlainTextEdit& memo() const { return *Memo; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TCartridge& Engine;
    QLabel* Description = nullptr;
    QLineEdit *Flag = nullptr, *Bit = nullptr, *B0 = nullptr, *B1 = nullptr;
    QPlainTextEdit* Memo = nullptr;
};

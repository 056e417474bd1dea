#pragma once
// The macro item dialog ("Macro Item..."): the request an item sends, with the frame of its
// first iteration as the engine would build it.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TCartridge;

class TfInfoMacroItem : public QDialog {
    Q_OBJECT
public:
    explicit TfInfoMacroItem(QWidget* parent = nullptr);
    ~TfInfoMacroItem() override;
    // Sets the engine's ItemIndex to k and IterCount to 0, builds the request and shows it.
    // False (nothing changed) when k is not an item of the image. With moveEngine false (a run
    // owns the engine) the engine is left alone and the frame is built here from the item.
    bool Fill(TCartridge& engine, int k, bool moveEngine = true);

    QLabel& title() const { return *Title; }
    QLineEdit& module() const { return *Module; }
    QLabel& modeLabel() const { return *ModeLabel; }
    QLineEdit& mode() const { return *Mode; }
    QLineEdit& frame() const { return *Frame; }
    QLineEdit& iters() const { return *Iters; }
    QLineEdit& reply() const { return *Reply; }
    QLineEdit& process() const { return *Process; }
    QLabel& overrideLabel() const { return *OverrideLabel; }
    QLineEdit& overrideText() const { return *Override; }
    QPlainTextEdit& memo() const { return *Memo; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* Title = nullptr;
    QLineEdit* Module = nullptr;
    QLabel* ModeLabel = nullptr;
    QLineEdit* Mode = nullptr;
    QLineEdit* Frame = nullptr;
    QLineEdit* Iters = nullptr;
    QLineEdit* Reply = nullptr;
    QLineEdit* Process = nullptr;
    QLabel* OverrideLabel = nullptr;
    QLineEdit* Override = nullptr;
    QPlainTextEdit* Memo = nullptr;
};

#pragma once
// The macro dialog ("Macro..."): title, whether it repeats, one line per image item and the
// macro's comments.
#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TCartridge;

class TfInfoMacro : public QDialog {
    Q_OBJECT
public:
    explicit TfInfoMacro(QWidget* parent = nullptr);
    ~TfInfoMacro() override;
    // Fills the dialog from the loaded image.
    void Fill(const TCartridge& engine);
    // "Item %s(x%d iterations). Module: %s. Mode %s" per item, an empty line, the comments.
    static std::vector<std::string> MemoLines(const TCartridge& engine);

    QLabel& title() const { return *Title; }
    QLineEdit& repeating() const { return *Repeating; }
    QPlainTextEdit& memo() const { return *Memo; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* Title = nullptr;
    QLineEdit* Repeating = nullptr;
    QPlainTextEdit* Memo = nullptr;
};

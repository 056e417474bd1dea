#pragma once
// The attribute dialog ("Attribute..."): the type icon and description of the attribute of one
// row of the value list, and its comments (or the text file they name).
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class TCartridge;

class TfInfoAldl : public QDialog {
    Q_OBJECT
public:
    explicit TfInfoAldl(TCartridge& engine, QWidget* parent = nullptr);
    ~TfInfoAldl() override;

    // The row of the value list to show.
    int RowIndex = 0;
    // Fills the dialog for RowIndex (also run whenever the dialog is shown).
    void FormActivate();

    QLabel& description() const { return *Description; }
    QPlainTextEdit& memo() const { return *Memo; }
    // The attribute type whose icon is shown.
    int ShownIcon() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TCartridge& Engine;
    QStackedWidget* TypeIcons = nullptr;
    QLabel* Description = nullptr;
    QPlainTextEdit* Memo = nullptr;
};

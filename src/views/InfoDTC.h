#pragma once
// The trouble code dialog ("Diagnostic trouble code..."): one code of the DTC list in detail,
// with its set state, check engine light, workshop reference, attribute, bit and comments.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class TCartridge;

class TfInfoDTC : public QDialog {
    Q_OBJECT
public:
    explicit TfInfoDTC(TCartridge& engine, QWidget* parent = nullptr);
    ~TfInfoDTC() override;

    // The row of the DTC list to show, and whether that row showed the set icon.
    int RowIndex = 0;
    bool IsSet = false;
    // Fills the dialog for RowIndex (also run whenever the dialog is shown).
    void FormActivate();

    QLabel& description() const { return *Description; }
    QLineEdit& dtcField() const { return *DTC; }
    QLineEdit& celField() const { return *CEL; }
    QLineEdit& referenceField() const { return *Reference; }
    QLineEdit& attributeField() const { return *Attribute; }
    QLineEdit& bitField() const { return *Bit; }
    QPlainTextEdit& memo() const { return *Memo; }
    bool ShowsSetIcon() const { return shownSet; }
    bool ShowsEngineLight() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TCartridge& Engine;
    QLabel* StateIcon = nullptr;
    QLabel* Description = nullptr;
    QLineEdit *DTC = nullptr, *CEL = nullptr, *Reference = nullptr, *Attribute = nullptr,
              *Bit = nullptr;
    QLabel* EngineLight = nullptr;
    QPlainTextEdit* Memo = nullptr;
    bool shownSet = false;
};

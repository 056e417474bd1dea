#pragma once
// The common base of the vehicle editor's pages and the binding of plain widgets to fields.
//
// A page shows the current records of the definition tables. Refresh() re-reads them after the
// tree moved the cursors and never puts a record into edit; only a user's change does. Typed text
// goes into the record at once when the field accepts it; text the field refuses (a letter in a
// number field) stays in the control and is reported by CommitEdits(), so nothing typed is lost.
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QIcon;
class QLabel;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class TIniFile;
class TTable;
class TVehicle;

class TEditorPage : public QWidget {
public:
    TEditorPage(TVehicle& vehicle, QWidget* parent);
    // Re-reads the current records after the tree moved the cursors.
    virtual void Refresh() = 0;
    // Posts pending edits; false keeps the user on the page (the page has shown why).
    virtual bool CommitEdits() { return true; }
    // Puts the focus in the page's code field (after Add Subitem).
    virtual void FocusCode() {}
    // Splitter positions and grid column widths in the editor's section of the ini file.
    virtual void LoadSettings(const TIniFile& /*ini*/, const std::string& /*section*/) {}
    virtual void SaveSettings(TIniFile& /*ini*/, const std::string& /*section*/) {}

    // Set by the editor window. The page calls OnNodeTextChanged when the user changed a field
    // that appears in the tree node's text or icon (codes, descriptions, mode, Start, Bits,
    // AType). The attribute paste calls OnInsertAttribute to append a new attribute record with
    // the defaults of Add Subitem to the current request (current afterwards), and then
    // OnAttributesPasted with the attributes written, so the window shows them.
    std::function<void()> OnNodeTextChanged;
    std::function<void()> OnInsertAttribute;
    std::function<void(const std::vector<int32_t>& aids)> OnAttributesPasted;

protected:
    void NodeTextChanged() {
        if (OnNodeTextChanged)
            OnNodeTextChanged();
    }
    TVehicle& Vehicle;
};

// Binds widgets to fields of the current record of tables. Refresh shows the records; a user's
// change puts the record into edit and stores the value; Commit posts, reporting refusals.
class TFieldBinder {
public:
    // For drop-down lookups: shown text and stored value.
    using TChoices = std::vector<std::pair<std::string, std::string>>;

    explicit TFieldBinder(QWidget* owner);
    ~TFieldBinder();
    TFieldBinder(const TFieldBinder&) = delete;
    TFieldBinder& operator=(const TFieldBinder&) = delete;

    void Bind(QLineEdit* edit, TTable& table, const std::string& field);
    void Bind(QPlainTextEdit* memo, TTable& table, const std::string& field);
    void Bind(QCheckBox* box, TTable& table, const std::string& field);
    // A combo box storing its text (editable or a fixed list of items).
    void Bind(QComboBox* combo, TTable& table, const std::string& field);
    // A drop-down lookup: shows the text of the matching choice, stores its value.
    void Bind(QComboBox* combo, TTable& table, const std::string& field, TChoices choices);
    void SetChoices(QComboBox* combo, TChoices choices);

    // Shows the current records' values in every control (no edit, no notifications).
    void Refresh();
    // Stores every text still waiting and posts every bound table in edit or insert. On a refused
    // value or post shows the reason, puts the focus on the control and returns false.
    bool Commit();
    // True while a control holds text its field has refused so far.
    bool HasRefusedText() const;
    // Called after a user's change was stored (or kept waiting), with the field name.
    std::function<void(QWidget* control, const std::string& field)> OnUserChange;

private:
    struct TLink;
    void store(TLink& link);
    TLink* find(QWidget* control);
    QWidget* owner_;
    std::vector<TLink*> links_;
    bool refreshing_ = false;
};

// Icons of the tree levels: 0 vehicle, 1 module, 2 request, 3 + AType for an attribute.
QIcon EditorNodeIcon(int index);
// A page header: a 32 by 32 icon and a bold caption; label (if given) receives the caption label.
QWidget* EditorPageHeader(QWidget* parent, const QIcon& icon, const QString& text,
                          QLabel** label = nullptr);

// The text of a refused value and of a refused post, shown in a warning box.
void ShowEditError(QWidget* parent, const std::string& message);
// A failed paste, import or export: an error box.
void ShowErrorBox(QWidget* parent, const std::string& message);

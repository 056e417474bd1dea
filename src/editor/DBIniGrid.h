#pragma once
// A grid bound to a TTable, with a navigator. Columns come from field names; editing a cell puts
// the row into edit and stores the value, moving to another row (or Commit) posts it. A refused
// value is shown as a message and stays in its cell editor for the user to mend (Escape drops
// it); a refused post keeps the row as typed. Tab and Enter store a cell and move to the next one.
// The widths of the data columns are kept in the ini file, section "ColumnWidths", key
// "<owner name>.<grid name>".
#include <QKeyCombination>
#include <QPointer>
#include <QTableView>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class TIniFile;
class TTable;
class TDBIniGridModel;
class TGridDelegate;

struct TGridColumn {
    TGridColumn(std::string field, std::string title = {}, bool boldTitle = false,
                std::vector<std::string> picks = {}, int width = 0, std::string hint = {})
        : Field(std::move(field)), Title(std::move(title)), BoldTitle(boldTitle),
          Picks(std::move(picks)), Width(width), Hint(std::move(hint)) {}
    std::string Field;
    std::string Title; // empty: the field name
    bool BoldTitle = false;
    std::vector<std::string> Picks; // fixed choices (e.g. "True", "False"); empty: free text
    int Width = 0;                  // initial width; 0 keeps the view's default
    std::string Hint;               // the cells' and their editors' tool tip
    // Choices gathered when the cell editor opens; the user may also type (editable list).
    std::function<std::vector<std::string>()> PickSource;
};

class TDBIniGrid : public QTableView {
public:
    explicit TDBIniGrid(QWidget* parent = nullptr);
    ~TDBIniGrid() override;

    // Binds the grid; the table must outlive the grid.
    void SetTable(TTable& table, std::vector<TGridColumn> columns);
    TTable* Table() const { return table_; }
    // Re-reads the rows (after the parent table moved) and puts the selection on the cursor.
    void Refresh();
    // Posts the row in edit or insert; false (after a message) when refused.
    bool Commit();
    // Asks "Delete record?" and deletes the current row on Yes.
    void DeleteCurrent();

    // Empty: the system's settings file (IniPath()).
    std::string IniFileName;
    std::string IniKey() const; // owner page's (or window's) name + "." + own name
    void LoadColumnWidths(const TIniFile& ini);
    void SaveColumnWidths(TIniFile& ini) const;
    void LoadColumnWidths(); // through IniFileName
    void SaveColumnWidths() const;
    // "120,80,..." and back; a non-number item keeps that column's width, extras are ignored.
    std::string ColumnWidthsText() const;
    void ApplyColumnWidthsText(const std::string& text);

    // After the current row changed (clicks, keys, navigator).
    std::function<void()> OnRowChanged;
    // Keys (such as Ctrl+A) that act on the grid wherever its focus is, also while a cell is
    // being edited: the cell is stored first (a refused value keeps its editor) and closed.
    std::vector<QKeyCombination> CommandKeys;
    std::function<void(QKeyCombination)> OnCommandKey;
    bool IsCommandKey(const QKeyEvent* event) const;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class TDBIniGridModel;
    friend class TGridDelegate;
    void editorOpened(QWidget* editor) { editor_ = editor; }
    void commandFromEditor(QWidget* editor, const QKeyEvent* event);
    void rowChanged(const QModelIndex& current, const QModelIndex& previous);
    void backToRefusedCell();
    TTable* table_ = nullptr;
    TDBIniGridModel* model_ = nullptr;
    QPointer<QWidget> editor_; // the open cell editor
    int observer_ = 0;
};

// Navigator buttons, in their usual order.
enum TNavButton {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};

// A row of buttons acting on a table (through a grid when given, so deletes confirm).
class TDBNavigator : public QWidget {
public:
    // hints: one per shown button, in the order of buttons.
    TDBNavigator(QWidget* parent, std::vector<TNavButton> buttons, std::vector<std::string> hints);
    void SetTable(TTable& table, TDBIniGrid* grid = nullptr);
    QAbstractButton* Button(TNavButton which) const;
    void Click(TNavButton which);
    // After any button did its work (pages move the focus to their code field).
    std::function<void(TNavButton)> OnClick;
    // Confirms a delete; default asks "Delete record?" with Yes and No.
    std::function<bool()> ConfirmDelete;

private:
    TTable* table_ = nullptr;
    TDBIniGrid* grid_ = nullptr;
    std::vector<std::pair<TNavButton, QAbstractButton*>> buttons_;
};

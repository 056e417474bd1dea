#pragma once
// The model and the cell delegate behind TDBIniGrid (private to the grid).
//
// Rows are the table's records in key order, plus the record being inserted at the end. A stored
// cell changes that cell only; a post that moves a record to another place in the key order moves
// its row as a layout change, so the current cell and an open cell editor stay on their records.
#include "editor/DBIniGrid.h"

#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

#include <functional>

struct TRecord;

class TDBIniGridModel : public QAbstractTableModel {
public:
    explicit TDBIniGridModel(TDBIniGrid& grid);

    std::vector<TGridColumn> Columns;
    std::vector<int> FieldIndexes;
    TTable* Table = nullptr;
    bool Busy = false;             // own changes: the table's notifications are not needed
    QPersistentModelIndex Refused; // the cell whose typed text its field refused
    bool Resetting = false;        // the view moves its current cell by itself meanwhile

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    bool Inserting() const;
    const TRecord* Record(int row) const;
    int RowOf(const TRecord* record) const; // -1 when the record is not shown
    int CursorRow() const;                  // the row of the table's cursor
    // The cell shows its stored value again: nothing waits there any more.
    void ClearRefusal(const QModelIndex& index) {
        if (Refused == index)
            Refused = QPersistentModelIndex();
    }
    // Rebuilds every row; the current cell follows the cursor and keeps its column.
    void Reset();
    // Runs change (a post, which may reorder the rows) keeping the current cell and the open
    // editors on their records.
    void KeepRows(const std::function<void()>& change);

private:
    TDBIniGrid& grid_;
    bool refusing_ = false; // the refusal message is on screen
};

// Offers fixed choices as a drop-down list and gathered choices as an editable one, gives each
// editor its column's hint, and lets the grid's command keys (Ctrl+A, Ctrl+B ...) and Enter work
// while a cell is being edited.
class TGridDelegate : public QStyledItemDelegate {
public:
    TGridDelegate(TDBIniGrid& grid, const std::vector<TGridColumn>& columns);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TDBIniGrid& grid_;
    const std::vector<TGridColumn>& columns_;
};

#include "editor/DBIniGridModel.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "definitions/Table.h"
#include "editor/EditorPage.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>
#include <limits>

namespace {

std::string cellText(const TValue& v) {
    if (std::holds_alternative<std::monostate>(v))
        return {};
    if (auto* b = std::get_if<bool>(&v))
        return *b ? "True" : "False";
    if (auto* d = std::get_if<double>(&v))
        return TTable::ValueText(*d, TFieldType::ftFloat);
    if (auto* i = std::get_if<int32_t>(&v))
        return std::to_string(*i);
    return std::get<std::string>(v);
}

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Numbers typed into a cell are read leniently, as everywhere in a definition ("$10" is 16, a
// lone comma is a decimal mark); what does not read as a number goes to the field as typed, which
// refuses it with its own message.
TValue typedValue(const QString& text, TFieldType type) {
    const std::string s = trimmed(text.toStdString());
    if (type == TFieldType::ftInteger) {
        int i = 0;
        if (TryReadInt(s, i))
            return TValue(int32_t(i));
    } else if (type == TFieldType::ftFloat && !s.empty()) {
        const double d = ReadNumber(s, std::numeric_limits<double>::quiet_NaN());
        if (std::isfinite(d))
            return TValue(d);
    }
    return TValue(s);
}

} // namespace

TDBIniGridModel::TDBIniGridModel(TDBIniGrid& grid) : QAbstractTableModel(&grid), grid_(grid) {}

bool TDBIniGridModel::Inserting() const {
    return Table && Table->State() == TTableState::dsInsert;
}

int TDBIniGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !Table)
        return 0;
    return Table->RecordCount() + (Inserting() ? 1 : 0);
}

int TDBIniGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(Columns.size());
}

const TRecord* TDBIniGridModel::Record(int row) const {
    if (!Table)
        return nullptr;
    if (Inserting() && row == Table->RecordCount())
        return Table->CurrentRecord();
    return Table->RecordAt(row);
}

int TDBIniGridModel::RowOf(const TRecord* record) const {
    for (int row = 0; record && row < rowCount(); ++row) {
        if (Record(row) == record)
            return row;
    }
    return -1;
}

int TDBIniGridModel::CursorRow() const {
    if (Inserting())
        return Table->RecordCount();
    return Table ? Table->RecNo() : -1;
}

QVariant TDBIniGridModel::data(const QModelIndex& index, int role) const {
    if (role == Qt::ToolTipRole) {
        const std::string& hint = Columns[index.column()].Hint;
        return hint.empty() ? QVariant() : QVariant(QString::fromStdString(hint));
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const TRecord* r = Record(index.row());
    if (!r)
        return {};
    return QString::fromStdString(cellText(r->Values[FieldIndexes[index.column()]]));
}

QVariant TDBIniGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section >= static_cast<int>(Columns.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    const TGridColumn& c = Columns[section];
    if (role == Qt::DisplayRole)
        return QString::fromStdString(c.Title.empty() ? c.Field : c.Title);
    if (role == Qt::ToolTipRole && !c.Hint.empty())
        return QString::fromStdString(c.Hint);
    if (role == Qt::FontRole && c.BoldTitle) {
        QFont f = grid_.font();
        f.setBold(true);
        return f;
    }
    return {};
}

Qt::ItemFlags TDBIniGridModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

bool TDBIniGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !Table)
        return false;
    if (refusing_)
        return false; // the editor lost the focus to the message about this very value
    TTable& t = *Table;
    const TRecord* target = Record(index.row());
    std::string refusal;
    Busy = true;
    try {
        if (index.row() != CursorRow()) {
            KeepRows([&t] { t.CheckBrowseMode(); });
            t.MoveTo(RowOf(target));
        }
        if (!t.Editing())
            t.Edit();
        const int field = FieldIndexes[index.column()];
        t.SetAt(field, typedValue(value.toString(), t.Def().Fields[field].DataType));
    } catch (const EQuorvinError& e) {
        refusal = e.what();
    }
    Busy = false;
    if (!refusal.empty()) {
        Refused = index;
        refusing_ = true;
        ShowEditError(&grid_, refusal);
        refusing_ = false;
        return false;
    }
    Refused = QPersistentModelIndex();
    const int row = RowOf(target);
    if (row >= 0)
        emit dataChanged(this->index(row, 0), this->index(row, columnCount() - 1));
    return true;
}

void TDBIniGridModel::Reset() {
    const int column = grid_.currentIndex().column();
    Refused = QPersistentModelIndex();
    Resetting = true;
    beginResetModel();
    endResetModel();
    Resetting = false;
    const int row = Table ? CursorRow() : -1;
    if (row >= 0 && row < rowCount() && columnCount() > 0) {
        QSignalBlocker block(grid_.selectionModel());
        grid_.setCurrentIndex(index(row, Clamp(column, 0, columnCount() - 1)));
    }
}

void TDBIniGridModel::KeepRows(const std::function<void()>& change) {
    const QModelIndexList before = persistentIndexList();
    std::vector<std::pair<const TRecord*, int>> held;
    held.reserve(before.size());
    for (const QModelIndex& i : before)
        held.emplace_back(Record(i.row()), i.column());
    // Only rows move: the columns (and the header's widths) stay as they are.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    auto follow = [&] {
        QModelIndexList after;
        for (const auto& [record, column] : held) {
            const int row = RowOf(record);
            after << (row < 0 ? QModelIndex() : index(row, column));
        }
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    };
    try {
        change();
    } catch (...) {
        follow();
        throw;
    }
    follow();
}

// ---- delegate ----

TGridDelegate::TGridDelegate(TDBIniGrid& grid, const std::vector<TGridColumn>& columns)
    : QStyledItemDelegate(&grid), grid_(grid), columns_(columns) {}

QWidget* TGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    const TGridColumn& column = columns_[index.column()];
    QWidget* editor = nullptr;
    if (!column.Picks.empty() || column.PickSource) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(column.Picks.empty());
        const std::vector<std::string> picks =
            column.Picks.empty() ? column.PickSource() : column.Picks;
        for (const std::string& p : picks)
            combo->addItem(QString::fromStdString(p));
        editor = combo;
    } else {
        editor = QStyledItemDelegate::createEditor(parent, option, index);
    }
    if (editor && !column.Hint.empty())
        editor->setToolTip(QString::fromStdString(column.Hint));
    grid_.editorOpened(editor);
    return editor;
}

void TGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString value = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->isEditable()) {
            combo->setCurrentText(value);
        } else {
            combo->setCurrentIndex(combo->findText(value)); // -1: a value outside the choices
        }
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void TGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                 const QModelIndex& index) const {
    QString text;
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (!combo->isEditable() && combo->currentIndex() < 0)
            return; // nothing chosen: the cell keeps its value
        text = combo->currentText();
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        text = line->text();
    } else {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    // Passing through a cell changes nothing: only a changed text puts the row into edit.
    if (text == index.data(Qt::EditRole).toString()) {
        grid_.model_->ClearRefusal(index);
        return;
    }
    model->setData(index, text, Qt::EditRole);
}

bool TGridDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (grid_.IsCommandKey(key)) {
            grid_.commandFromEditor(editor, key);
            return true;
        }
        // Enter stores the cell and goes on to the next one, as Tab does.
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto* combo = qobject_cast<QComboBox*>(editor);
        if (enter && key->modifiers() == Qt::NoModifier && !(combo && combo->view()->isVisible())) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::EditNextItem);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

#include "editor/DBIniGrid.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/IniFile.h"
#include "definitions/Table.h"
#include "editor/EditorPage.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace {

const char* const kSection = "ColumnWidths";

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

// Offers the fixed choices of a column as a drop-down list.
class TPickDelegate : public QStyledItemDelegate {
public:
    TPickDelegate(QObject* parent, const std::vector<TGridColumn>& columns)
        : QStyledItemDelegate(parent), columns_(columns) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        const auto& picks = columns_[index.column()].Picks;
        if (picks.empty())
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto* combo = new QComboBox(parent);
        for (auto& p : picks)
            combo->addItem(QString::fromStdString(p));
        return combo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            combo->setCurrentText(index.data(Qt::EditRole).toString());
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, combo->currentText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    const std::vector<TGridColumn>& columns_;
};

} // namespace

// Rows are the table's records in key order, plus the record being inserted at the end.
class TDBIniGridModel : public QAbstractTableModel {
public:
    TDBIniGridModel(TDBIniGrid& grid) : QAbstractTableModel(&grid), grid_(grid) {}

    std::vector<TGridColumn> Columns;
    std::vector<int> FieldIndexes;
    bool Busy = false; // own changes: reset once at the end

    TTable& table() const { return *grid_.table_; }
    bool inserting() const { return table().State() == TTableState::dsInsert; }
    int rowCount(const QModelIndex& parent) const override {
        if (parent.isValid() || !grid_.table_)
            return 0;
        return table().RecordCount() + (inserting() ? 1 : 0);
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(Columns.size());
    }
    const TRecord* record(int row) const {
        if (inserting() && row == table().RecordCount())
            return table().CurrentRecord();
        return table().RecordAt(row);
    }
    // The row of the table's cursor in this model.
    int cursorRow() const {
        if (inserting())
            return table().RecordCount();
        return table().RecNo();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        const TRecord* r = record(index.row());
        if (!r)
            return {};
        return QString::fromStdString(cellText(r->Values[FieldIndexes[index.column()]]));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section >= static_cast<int>(Columns.size())) {
            return QAbstractTableModel::headerData(section, orientation, role);
        }
        const TGridColumn& c = Columns[section];
        if (role == Qt::DisplayRole) {
            return QString::fromStdString(c.Title.empty() ? c.Field : c.Title);
        }
        if (role == Qt::FontRole && c.BoldTitle) {
            QFont f = grid_.font();
            f.setBold(true);
            return f;
        }
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole)
            return false;
        TTable& t = table();
        Busy = true;
        bool ok = true;
        try {
            if (index.row() != cursorRow()) {
                t.CheckBrowseMode();
                t.MoveTo(index.row());
            }
            if (!t.Editing())
                t.Edit();
            t.SetAt(FieldIndexes[index.column()], TValue(value.toString().toStdString()));
        } catch (const EQuorvinError& e) {
            ok = false;
            ShowEditError(&grid_, e.what());
        }
        Busy = false;
        Reset();
        return ok;
    }
    void Reset() {
        beginResetModel();
        endResetModel();
    }

private:
    TDBIniGrid& grid_;
};

TDBIniGrid::TDBIniGrid(QWidget* parent) : QTableView(parent), model_(new TDBIniGridModel(*this)) {
    setModel(model_);
    setItemDelegate(new TPickDelegate(this, model_->Columns));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setTabKeyNavigation(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    currentRowChanged(current.row());
            });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        // The model was rebuilt: its selection model stays, the current cell follows the cursor.
        if (!table_)
            return;
        int row = model_->cursorRow();
        int col = std::max(0, currentIndex().column());
        if (row >= 0 && row < model_->rowCount({})) {
            QSignalBlocker block(selectionModel());
            setCurrentIndex(model_->index(row, std::min(col, model_->columnCount({}) - 1)));
        }
    });
}

TDBIniGrid::~TDBIniGrid() {
    if (table_)
        table_->RemoveObserver(observer_);
}

void TDBIniGrid::SetTable(TTable& table, std::vector<TGridColumn> columns) {
    if (table_)
        table_->RemoveObserver(observer_);
    table_ = &table;
    model_->Columns = std::move(columns);
    model_->FieldIndexes.clear();
    for (auto& c : model_->Columns)
        model_->FieldIndexes.push_back(table.FieldIndex(c.Field));
    observer_ = table.AddObserver([this](TTable&, TTableEvent) {
        if (!model_->Busy)
            model_->Reset();
    });
    model_->Reset();
    for (size_t i = 0; i < model_->Columns.size(); ++i) {
        if (model_->Columns[i].Width > 0)
            setColumnWidth(int(i), model_->Columns[i].Width);
    }
}

void TDBIniGrid::Refresh() {
    model_->Reset();
}

bool TDBIniGrid::Commit() {
    if (!table_)
        return true;
    // An open cell editor holds the latest text.
    if (state() == QAbstractItemView::EditingState) {
        QWidget* w = QApplication::focusWidget();
        if (w && viewport()->isAncestorOf(w))
            commitData(w);
    }
    if (!table_->Editing())
        return true;
    model_->Busy = true;
    bool ok = true;
    try {
        table_->Post();
    } catch (const EQuorvinError& e) {
        ok = false;
        ShowEditError(this, e.what());
    }
    model_->Busy = false;
    model_->Reset();
    return ok;
}

void TDBIniGrid::DeleteCurrent() {
    if (!table_ || (table_->IsEmpty() && !table_->Editing()))
        return;
    if (QMessageBox::question(this, QStringLiteral("Confirm"), QStringLiteral("Delete record?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    try {
        table_->Delete();
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
    }
    model_->Reset();
}

void TDBIniGrid::currentRowChanged(int row) {
    if (!table_ || row == model_->cursorRow())
        return;
    model_->Busy = true;
    bool moved = true;
    try {
        table_->CheckBrowseMode();
        table_->MoveTo(row);
    } catch (const EQuorvinError& e) {
        moved = false;
        model_->Busy = false;
        ShowEditError(this, e.what());
    }
    model_->Busy = false;
    model_->Reset();
    if (moved && OnRowChanged)
        OnRowChanged();
}

std::string TDBIniGrid::IniKey() const {
    // The owner is the editor page holding the grid, else its window.
    QWidget* owner = window();
    for (QWidget* p = parentWidget(); p; p = p->parentWidget()) {
        if (dynamic_cast<TEditorPage*>(p)) {
            owner = p;
            break;
        }
    }
    return owner->objectName().toStdString() + "." + objectName().toStdString();
}

std::string TDBIniGrid::ColumnWidthsText() const {
    std::string text;
    for (int i = 0; i < model_->columnCount({}); ++i) {
        if (i > 0)
            text += ",";
        text += std::to_string(columnWidth(i));
    }
    return text;
}

void TDBIniGrid::ApplyColumnWidthsText(const std::string& text) {
    if (text.empty())
        return;
    std::vector<std::string> items = Split(text, ",");
    for (int i = 0; i < static_cast<int>(items.size()) && i < model_->columnCount({}); ++i) {
        int width = 0;
        if (TryReadInt(items[i], width) && width > 0)
            setColumnWidth(i, width);
    }
}

void TDBIniGrid::LoadColumnWidths(const TIniFile& ini) {
    ApplyColumnWidthsText(ini.ReadString(kSection, IniKey(), ""));
}

void TDBIniGrid::SaveColumnWidths(TIniFile& ini) const {
    ini.WriteString(kSection, IniKey(), ColumnWidthsText());
}

void TDBIniGrid::LoadColumnWidths() {
    TIniFile ini(IniFileName.empty() ? IniPath() : IniFileName);
    LoadColumnWidths(ini);
}

void TDBIniGrid::SaveColumnWidths() const {
    try {
        TIniFile ini(IniFileName.empty() ? IniPath() : IniFileName);
        SaveColumnWidths(ini);
        ini.UpdateFile();
    } catch (const EQuorvinError&) {
        // Column widths are not worth an error message.
    }
}

// ---- navigator ----

namespace {

const char* navText(TNavButton b) {
    static const char* const texts[] = {"|\u25C0", "\u25C0", "\u25B6", "\u25B6|", "+",
                                        "\u2212",  "\u25B2", "\u2714", "\u2716",  "\u21BB"};
    return texts[b];
}

} // namespace

TDBNavigator::TDBNavigator(QWidget* parent, std::vector<TNavButton> buttons,
                           std::vector<std::string> hints)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    for (size_t i = 0; i < buttons.size(); ++i) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf8(navText(buttons[i])));
        b->setMinimumWidth(26);
        if (i < hints.size())
            b->setToolTip(QString::fromStdString(hints[i]));
        TNavButton which = buttons[i];
        connect(b, &QToolButton::clicked, this, [this, which] { Click(which); });
        buttons_.emplace_back(which, b);
        row->addWidget(b);
    }
    row->addStretch();
}

void TDBNavigator::SetTable(TTable& table, TDBIniGrid* grid) {
    table_ = &table;
    grid_ = grid;
}

QAbstractButton* TDBNavigator::Button(TNavButton which) const {
    for (auto& b : buttons_) {
        if (b.first == which)
            return b.second;
    }
    return nullptr;
}

void TDBNavigator::Click(TNavButton which) {
    if (!table_)
        return;
    TTable& t = *table_;
    try {
        switch (which) {
        case nbFirst:
            t.First();
            break;
        case nbPrior:
            t.Prior();
            break;
        case nbNext:
            t.Next();
            break;
        case nbLast:
            t.Last();
            break;
        case nbInsert:
            t.Insert();
            break;
        case nbDelete: {
            if (t.IsEmpty() && !t.Editing())
                break;
            bool yes = ConfirmDelete ? ConfirmDelete()
                                     : QMessageBox::question(this, QStringLiteral("Confirm"),
                                                             QStringLiteral("Delete record?"),
                                                             QMessageBox::Yes | QMessageBox::No) ==
                                           QMessageBox::Yes;
            if (yes)
                t.Delete();
            break;
        }
        case nbEdit:
            if (t.CurrentRecord())
                t.Edit();
            break;
        case nbPost:
            t.Post();
            break;
        case nbCancel:
            t.Cancel();
            break;
        case nbRefresh:
            break;
        }
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
    }
    if (grid_)
        grid_->Refresh();
    if (OnClick)
        OnClick(which);
}

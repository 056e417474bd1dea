#include "editor/DBIniGrid.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/IniFile.h"
#include "definitions/Table.h"
#include "editor/DBIniGridModel.h"
#include "editor/EditorPage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

const char* const kSection = "ColumnWidths";

} // namespace

TDBIniGrid::TDBIniGrid(QWidget* parent) : QTableView(parent), model_(new TDBIniGridModel(*this)) {
    setModel(model_);
    setItemDelegate(new TGridDelegate(*this, model_->Columns));
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setTabKeyNavigation(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
}

TDBIniGrid::~TDBIniGrid() {
    if (table_)
        table_->RemoveObserver(observer_);
}

void TDBIniGrid::SetTable(TTable& table, std::vector<TGridColumn> columns) {
    if (table_)
        table_->RemoveObserver(observer_);
    table_ = &table;
    model_->Table = &table;
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
    if (editor_ && state() == QAbstractItemView::EditingState) {
        commitData(editor_);
        if (model_->Refused.isValid())
            return false;
    }
    if (!table_->Editing())
        return true;
    model_->Busy = true;
    bool ok = true;
    try {
        model_->KeepRows([this] { table_->Post(); });
    } catch (const EQuorvinError& e) {
        ok = false;
        ShowEditError(this, e.what());
    }
    model_->Busy = false;
    return ok;
}

void TDBIniGrid::DeleteCurrent() {
    if (!table_ || (table_->IsEmpty() && !table_->Editing()))
        return;
    if (editor_)
        closeEditor(editor_, QAbstractItemDelegate::RevertModelCache);
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

bool TDBIniGrid::IsCommandKey(const QKeyEvent* event) const {
    const QKeyCombination pressed = event->keyCombination();
    return std::find(CommandKeys.begin(), CommandKeys.end(), pressed) != CommandKeys.end();
}

void TDBIniGrid::keyPressEvent(QKeyEvent* event) {
    if (IsCommandKey(event) && OnCommandKey) {
        OnCommandKey(event->keyCombination());
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBIniGrid::commandFromEditor(QWidget* editor, const QKeyEvent* event) {
    const QKeyCombination pressed = event->keyCombination();
    commitData(editor);
    if (model_->Refused.isValid())
        return; // the message has been shown; the typed text waits in its editor
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    setFocus();
    if (OnCommandKey)
        OnCommandKey(pressed);
}

void TDBIniGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (model_->Refused.isValid() && editor == editor_) {
        if (hint != QAbstractItemDelegate::RevertModelCache) {
            // Nothing typed is dropped unless the user says so (Escape).
            editor->setFocus();
            return;
        }
        model_->Refused = QPersistentModelIndex();
    }
    if (editor == editor_)
        editor_ = nullptr;
    QTableView::closeEditor(editor, hint);
}

void TDBIniGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (model_->Resetting)
        return; // the rows are being rebuilt: the current cell follows the cursor afterwards
    if (model_->Refused.isValid() && editor_) {
        // A refused value waits in its cell: the cursor stays there.
        if (current != QModelIndex(model_->Refused)) {
            QSignalBlocker block(selectionModel());
            selectionModel()->setCurrentIndex(model_->Refused, QItemSelectionModel::NoUpdate);
            QTimer::singleShot(0, this, [this] { backToRefusedCell(); });
        }
        return;
    }
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        rowChanged(current, previous); // nothing when the cursor is on that row already
}

void TDBIniGrid::backToRefusedCell() {
    if (!model_->Refused.isValid() || !editor_)
        return;
    QSignalBlocker block(selectionModel());
    selectionModel()->setCurrentIndex(model_->Refused, QItemSelectionModel::ClearAndSelect);
    editor_->setFocus();
}

// Moves the table's cursor to the row and nothing else: a post of the row left may reorder the
// rows, which moves them as a layout change so the cell editor Qt just opened stays.
void TDBIniGrid::rowChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (!table_ || current.row() == model_->CursorRow())
        return;
    const TRecord* target = model_->Record(current.row());
    std::string refusal;
    model_->Busy = true;
    try {
        model_->KeepRows([this] { table_->CheckBrowseMode(); });
        const int row = model_->RowOf(target);
        if (row >= 0)
            table_->MoveTo(row);
    } catch (const EQuorvinError& e) {
        refusal = e.what();
    }
    model_->Busy = false;
    if (!refusal.empty()) {
        // The row left could not be posted: stay on it, as typed.
        ShowEditError(this, refusal);
        const int row = model_->CursorRow();
        if (row >= 0) {
            QSignalBlocker block(selectionModel());
            setCurrentIndex(model_->index(row, std::max(0, previous.column())));
        }
        return;
    }
    if (OnRowChanged)
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

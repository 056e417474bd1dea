#include "views/ListPageCommon.h"

#include "engine/Cartridge.h"

#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStackedLayout>
#include <QTreeWidget>

#include <algorithm>

const char* const StyleCaptions[4] = {"Large Icons", "Small Icons", "List", "Details"};
const char* const MoreInfoCaption = "More info...";

int ImageItemCount(const TCartridge& engine) {
    return std::max(0, std::min<int>(engine.ItemCount, static_cast<int>(engine.Items.size())));
}

int ImageAttrCount(const TCartridge& engine, int item) {
    const TRequest& request = engine.Items[item].Request;
    return std::max(0, std::min<int>(request.AttrCount, static_cast<int>(request.Attrs.size())));
}

const TAttr* AttrOfRow(const TCartridge& engine, const TRowRef& ref) {
    if (ref.Item < 0 || ref.Item >= ImageItemCount(engine) || ref.Attr < 0 ||
        ref.Attr >= ImageAttrCount(engine, ref.Item)) {
        return nullptr;
    }
    return &engine.Items[ref.Item].Request.Attrs[ref.Attr];
}

TAttr* AttrOfRow(TCartridge& engine, const TRowRef& ref) {
    return const_cast<TAttr*>(AttrOfRow(static_cast<const TCartridge&>(engine), ref));
}

namespace {

QIcon loadIcon(const char* name) {
    InitQuorvinResources();
    // The pictures are drawn at 48 x 48; the list asks for 16 or 32 and Qt scales them.
    QIcon icon;
    QPixmap source(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)));
    for (int size : {16, 32}) {
        icon.addPixmap(source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    return icon;
}

} // namespace

const QIcon& AttrTypeIcon(int atype) {
    static const QIcon icons[6] = {loadIcon("atype_scaled"), loadIcon("atype_lookup"),
                                   loadIcon("atype_raw"),    loadIcon("atype_dtc"),
                                   loadIcon("atype_flags"),  loadIcon("atype_enum")};
    static const QIcon none;
    return atype >= 0 && atype < 6 ? icons[atype] : none;
}

const QIcon& DTCIcon(bool set) {
    static const QIcon icons[2] = {loadIcon("dtc_clear"), loadIcon("dtc_set")};
    return icons[set ? 1 : 0];
}

const QIcon& FlagIcon(bool set) {
    static const QIcon icons[2] = {loadIcon("flag_0"), loadIcon("flag_1")};
    return icons[set ? 1 : 0];
}

void CentreOnScreen(QWidget& window) {
    if (QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    }
}

QLabel* InfoTitleLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("lblTitle"));
    QFont big = label->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    label->setFont(big);
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return label;
}

QPlainTextEdit* InfoMemo(QWidget* parent, const char* hint) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QStringLiteral("memo"));
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo->setToolTip(QString::fromUtf8(hint));
    return memo;
}

void AddOkButton(QDialog& dialog, QBoxLayout& layout) {
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout.addWidget(buttons);
}

QLineEdit* InfoField(QWidget* parent, const char* name, const char* hint) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromUtf8(name));
    field->setReadOnly(true);
    field->setToolTip(QString::fromUtf8(hint));
    return field;
}

QString DisplayText(const char* text) {
    QString shown = QString::fromUtf8(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

TListPageFrame::TListPageFrame(const std::vector<TListColumn>& columns, QWidget* parent)
    : QWidget(parent) {
    Stack = new QStackedLayout(this);
    Stack->setContentsMargins(0, 0, 0, 0);

    EmptyText = new QLabel(this);
    EmptyText->setObjectName(QStringLiteral("EmptyText"));
    EmptyText->setAlignment(Qt::AlignCenter);
    EmptyText->setWordWrap(true);
    EmptyText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    EmptyText->setAutoFillBackground(true);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(21);
    EmptyText->setFont(font);
    QPalette palette = EmptyText->palette();
    palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    palette.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    EmptyText->setPalette(palette);
    Stack->addWidget(EmptyText);

    Tree = new QTreeWidget(this);
    Tree->setObjectName(QStringLiteral("List"));
    Tree->setColumnCount(static_cast<int>(columns.size()));
    QStringList captions;
    for (const TListColumn& c : columns) {
        captions.append(QString::fromUtf8(c.Caption));
        RightAligned.push_back(c.Right);
    }
    Tree->setHeaderLabels(captions);
    const QFontMetrics body(Tree->font());
    const QFontMetrics head(Tree->header()->font());
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        int width = std::max(columns[i].Width,
                             head.horizontalAdvance(QString::fromUtf8(columns[i].Caption)) + 16);
        if (columns[i].Sample) {
            width =
                std::max(width, body.horizontalAdvance(QString::fromUtf8(columns[i].Sample)) + 14);
        }
        Tree->setColumnWidth(i, width);
        Tree->headerItem()->setTextAlignment(
            i, (columns[i].Right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    Tree->header()->setStretchLastSection(false);
    Tree->setRootIsDecorated(false);
    Tree->setItemsExpandable(false);
    Tree->setUniformRowHeights(true); // rows are laid out without measuring each one
    Tree->setAllColumnsShowFocus(true);
    Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    Tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    Tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tree->setIconSize(QSize(16, 16));
    Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    Tree->viewport()->setCursor(Qt::PointingHandCursor);
    Stack->addWidget(Tree);

    Icons = new QListView(this);
    Icons->setObjectName(QStringLiteral("Icons"));
    Icons->setModel(Tree->model());
    Icons->setSelectionModel(Tree->selectionModel());
    Icons->setSelectionMode(QAbstractItemView::SingleSelection);
    Icons->setSelectionBehavior(QAbstractItemView::SelectRows);
    Icons->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Icons->setMovement(QListView::Static);
    Icons->setResizeMode(QListView::Adjust);
    Icons->setUniformItemSizes(false);
    Icons->setContextMenuPolicy(Qt::CustomContextMenu);
    Icons->viewport()->setCursor(Qt::PointingHandCursor);
    Stack->addWidget(Icons);

    connect(Tree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popup(pos, Tree->viewport()); });
    connect(Icons, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popup(pos, Icons->viewport()); });
    auto moreInfo = [this] {
        if (OnMoreInfo && SelectedRow() >= 0) {
            OnMoreInfo();
        }
    };
    connect(Tree, &QTreeWidget::itemDoubleClicked, this, moreInfo);
    connect(Icons, &QListView::doubleClicked, this, moreInfo);

    ApplyStyle(vsReport);
    Stack->setCurrentWidget(EmptyText);
}

TListPageFrame::~TListPageFrame() = default;

bool TListPageFrame::ShowsEmptyText() const {
    return Stack->currentWidget() == EmptyText;
}

QWidget& TListPageFrame::shownView() const {
    return CurrentStyle == vsReport ? static_cast<QWidget&>(*Tree) : static_cast<QWidget&>(*Icons);
}

void TListPageFrame::ApplyStyle(TViewStyle style) {
    CurrentStyle = style;
    switch (style) {
    case vsIcon:
        Icons->setViewMode(QListView::IconMode);
        Icons->setFlow(QListView::LeftToRight);
        Icons->setWrapping(true);
        Icons->setWordWrap(true);
        Icons->setIconSize(QSize(32, 32));
        Icons->setGridSize(QSize(120, 72));
        Icons->setSpacing(0);
        break;
    case vsSmallIcon:
        Icons->setViewMode(QListView::ListMode);
        Icons->setFlow(QListView::LeftToRight);
        Icons->setWrapping(true);
        Icons->setWordWrap(false);
        Icons->setIconSize(QSize(16, 16));
        Icons->setGridSize(QSize());
        Icons->setSpacing(3);
        break;
    case vsList:
        Icons->setViewMode(QListView::ListMode);
        Icons->setFlow(QListView::TopToBottom);
        Icons->setWrapping(true);
        Icons->setWordWrap(false);
        Icons->setIconSize(QSize(16, 16));
        Icons->setGridSize(QSize());
        Icons->setSpacing(1);
        break;
    case vsReport:
        break;
    }
    if (!Empty) {
        Stack->setCurrentWidget(&shownView());
    }
}

void TListPageFrame::RemoveRows() {
    Tree->clear();
}

QTreeWidgetItem* TListPageFrame::AddRow(const QIcon& icon, const QStringList& cells) {
    auto* row = new QTreeWidgetItem(cells);
    row->setIcon(0, icon);
    for (int i = 0; i < static_cast<int>(RightAligned.size()); ++i) {
        if (RightAligned[i]) {
            row->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    Tree->addTopLevelItem(row);
    return row;
}

void TListPageFrame::ShowEmptyText(const char* text) {
    Empty = Tree->topLevelItemCount() == 0;
    if (Empty) {
        EmptyText->setText(DisplayText(text));
        Stack->setCurrentWidget(EmptyText);
    } else {
        Stack->setCurrentWidget(&shownView());
    }
}

void TListPageFrame::FitTextColumns() {
    constexpr int MostWidth = 360; // a longer text is cut, so the columns after it stay in view
    for (int i = 0; i < Tree->columnCount(); ++i) {
        if (RightAligned[static_cast<size_t>(i)]) {
            continue;
        }
        const QAbstractItemView& view = *Tree; // where the measure is public
        // A little slack: a text that only just fits would end in "..." with another font hint.
        const int fit = std::min(view.sizeHintForColumn(i) + 4, MostWidth);
        if (fit > Tree->columnWidth(i)) {
            Tree->setColumnWidth(i, fit);
        }
    }
}

int TListPageFrame::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = Tree->selectedItems();
    return selected.isEmpty() ? -1 : Tree->indexOfTopLevelItem(selected.first());
}

void TListPageFrame::SelectRow(int row) {
    Tree->clearSelection();
    if (QTreeWidgetItem* item = Tree->topLevelItem(row)) {
        item->setSelected(true);
        Tree->setCurrentItem(item);
    }
}

QMenu* TListPageFrame::CreatePopupMenu() {
    auto* menu = new QMenu(this);
    auto* group = new QActionGroup(menu);
    for (int s = vsIcon; s <= vsReport; ++s) {
        QAction* entry = menu->addAction(QString::fromUtf8(StyleCaptions[s]));
        entry->setCheckable(true);
        entry->setChecked(s == CurrentStyle);
        group->addAction(entry);
        connect(entry, &QAction::triggered, this, [this, s] {
            if (OnStyleCommand) {
                OnStyleCommand(static_cast<TViewStyle>(s));
            }
        });
    }
    menu->addSeparator();
    QAction* more = menu->addAction(QString::fromUtf8(MoreInfoCaption));
    more->setEnabled(SelectedRow() >= 0);
    connect(more, &QAction::triggered, this, [this] {
        if (OnMoreInfo) {
            OnMoreInfo();
        }
    });
    return menu;
}

void TListPageFrame::popup(const QPoint& pos, QWidget* from) {
    QMenu* menu = CreatePopupMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(from->mapToGlobal(pos));
}

void TListPageFrame::SetCell(QTreeWidgetItem& row, int column, const QString& text) {
    if (row.text(column) != text) {
        row.setText(column, text);
    }
}

void TListPageFrame::SetCell(QTreeWidgetItem& row, int column, const std::string& text) {
    SetCell(row, column, QString::fromStdString(text));
}

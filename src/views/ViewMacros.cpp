#include "views/ViewMacros.h"

#include "common/ConsoleBuffer.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "shell/ConsoleView.h"
#include "shell/MenuHelpers.h"
#include "shell/Printing.h"
#include "views/InfoMacro.h"
#include "views/InfoMacroItem.h"
#include "views/OverridePrompt.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int IdRole = Qt::UserRole; // MacID of a macro node, IID of an item node, -1 deleted
constexpr int DefaultTreeWidth = 200;
const QColor Silver(192, 192, 192);
const QColor BrightGreen(0, 255, 0);
const QColor VerdictRed(255, 0, 0);

// Keeps the hourglass up while a macro loads.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

// Restores a table's current record when the tree has walked it.
struct KeepCursor {
    explicit KeepCursor(TTable& t) : table(t), mark(t.Bookmark()) {}
    ~KeepCursor() {
        if (mark.Valid()) {
            table.GotoBookmark(mark);
        }
    }
    TTable& table;
    TBookmark mark;
};

// True when the item's module and request both exist (the same look-up the engine makes).
bool itemRequestExists(TVehicle& vehicle, const std::string& mcode, const std::string& rcode) {
    return vehicle.Modules->Locate("MCode", TValue(mcode)) &&
           vehicle.Requests->Locate("RCode", TValue(rcode));
}

void setVerdictLabel(QLabel& icon, QLabel& text, const QString& caption, const QColor& colour,
                     const QString& iconName) {
    text.setText(caption);
    QPalette palette = text.palette();
    palette.setColor(QPalette::WindowText, colour);
    text.setPalette(palette);
    icon.setPixmap(QIcon(iconName).pixmap(16, 16));
}

void showError(QWidget* parent, const std::exception& error) {
    QMessageBox::critical(parent, QStringLiteral("Quorvin V4"),
                          QString::fromStdString(error.what()));
}

} // namespace

TframeViewMacros::TframeViewMacros(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frameViewMacros"));
    InitQuorvinResources();
    OverridePrompt = PromptOverride;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("macroSplitter"));
    Splitter->setChildrenCollapsible(false);
    layout->addWidget(Splitter);

    Tree = new QTreeWidget(Splitter);
    Tree->setObjectName(QStringLiteral("tvMacros"));
    Tree->setHeaderHidden(true);
    Tree->setColumnCount(1);
    Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    Tree->setExpandsOnDoubleClick(false);
    Tree->setMinimumWidth(60);
    Tree->header()->setStretchLastSection(false);
    Tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    auto* right = new QWidget(Splitter);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    auto* strip = new QFrame(right);
    buildStatusStrip(strip);
    rightLayout->addWidget(strip);
    Console = new TConsoleView(right);
    rightLayout->addWidget(Console, 1);

    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({DefaultTreeWidth, 400});
    TreeWidth = DefaultTreeWidth;

    connect(Tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem*, QTreeWidgetItem*) { treeSelectionChanged(); });
    connect(Tree, &QTreeWidget::customContextMenuRequested, this,
            &TframeViewMacros::treeContextMenu);
    connect(Tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* node, int) { EditOverride(node); });
    connect(ClearButton, &QPushButton::clicked, this, &TframeViewMacros::clearConsole);
    connect(Console, &TConsoleView::ClearRequested, this, &TframeViewMacros::clearConsole);
    connect(Splitter, &QSplitter::splitterMoved, this, [this] { TreeWidthChosen = true; });
    ResetVerdicts();
}

TframeViewMacros::~TframeViewMacros() {
    if (Buffer && Buffer->GetTarget() == Console) {
        Buffer->SetTarget(nullptr);
    }
}

void TframeViewMacros::buildStatusStrip(QWidget* strip) {
    strip->setObjectName(QStringLiteral("statusStrip"));
    strip->setAutoFillBackground(true);
    QPalette palette = strip->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Silver);
    strip->setPalette(palette);
    auto* row = new QHBoxLayout(strip);
    // The Clear button keeps 4 pixels to the right edge whatever the strip's width.
    row->setContentsMargins(6, 3, 4, 3);
    row->setSpacing(4);
    InterfaceIcon = new QLabel(strip);
    InterfaceText = new QLabel(strip);
    InterfaceText->setObjectName(QStringLiteral("lblInterface"));
    ChatterIcon = new QLabel(strip);
    ChatterText = new QLabel(strip);
    ChatterText->setObjectName(QStringLiteral("lblChatter"));
    for (QLabel* icon : {InterfaceIcon, ChatterIcon}) {
        icon->setFixedSize(16, 16);
    }
    ClearButton = new QPushButton(QStringLiteral("&Clear"), strip);
    ClearButton->setObjectName(QStringLiteral("btnClear"));
    ClearButton->setToolTip(QStringLiteral("Clear text display"));
    ClearButton->setAutoDefault(false);
    ClearButton->setFocusPolicy(Qt::TabFocus);
    row->addWidget(InterfaceIcon);
    row->addWidget(InterfaceText);
    row->addSpacing(16);
    row->addWidget(ChatterIcon);
    row->addWidget(ChatterText, 1);
    row->addWidget(ClearButton);
}

void TframeViewMacros::SetConsoleBuffer(TConsoleBuffer* buffer) {
    Buffer = buffer;
    if (Buffer) {
        Buffer->SetTarget(Console);
    }
}

void TframeViewMacros::clearConsole() {
    if (Buffer) {
        Buffer->Clear();
    } else {
        Console->Clear();
    }
}

// ---- the tree ----

void TframeViewMacros::FillMacroTree(int selectIndex) {
    Filling = true;
    Tree->clear();
    if (Vehicle) {
        TVehicle& v = *Vehicle;
        KeepCursor keepMacro(*v.Macros), keepModule(*v.Modules);
        const QIcon macroIcon(QStringLiteral(":/icons/macro.png"));
        const QIcon itemIcon(QStringLiteral(":/icons/macro_item.png"));
        const QIcon deletedIcon(QStringLiteral(":/icons/macro_item_deleted.png"));
        for (v.Macros->First(); !v.Macros->Eof(); v.Macros->Next()) {
            auto* macro = new QTreeWidgetItem(Tree);
            macro->setText(0, QString::fromStdString(v.Macros->AsString("MacDesc") + " (" +
                                                     v.Macros->AsString("MacCode") + ")"));
            macro->setData(0, IdRole, v.Macros->AsInteger("MacID"));
            macro->setIcon(0, macroIcon);
            macro->setToolTip(0, macro->text(0));
            for (v.Items->First(); !v.Items->Eof(); v.Items->Next()) {
                std::string rcode = v.Items->AsString("RCode");
                auto* item = new QTreeWidgetItem(macro);
                if (itemRequestExists(v, v.Items->AsString("MCode"), rcode)) {
                    item->setText(0, QString::fromStdString(rcode));
                    item->setData(0, IdRole, v.Items->AsInteger("IID"));
                    item->setIcon(0, itemIcon);
                } else {
                    item->setText(0, QString::fromStdString(rcode + " <DELETED>"));
                    item->setData(0, IdRole, -1);
                    item->setIcon(0, deletedIcon);
                }
            }
        }
        Tree->expandAll();
    }
    fitTreeWidth();
    if (selectIndex >= NodeCount()) {
        selectIndex = 0;
    }
    QTreeWidgetItem* node = nodeAt(selectIndex);
    if (node) {
        Tree->setCurrentItem(node);
    }
    Filling = false;
    if (node) {
        treeSelectionChanged();
    }
}

int TframeViewMacros::NodeCount() const {
    int count = Tree->topLevelItemCount();
    for (int i = 0; i < Tree->topLevelItemCount(); ++i) {
        count += Tree->topLevelItem(i)->childCount();
    }
    return count;
}

QTreeWidgetItem* TframeViewMacros::nodeAt(int index) const {
    if (index < 0) {
        return nullptr;
    }
    for (int i = 0; i < Tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* macro = Tree->topLevelItem(i);
        if (index == 0) {
            return macro;
        }
        if (index <= macro->childCount()) {
            return macro->child(index - 1);
        }
        index -= 1 + macro->childCount();
    }
    return nullptr;
}

int TframeViewMacros::absoluteIndex(const QTreeWidgetItem* node) const {
    if (!node) {
        return -1;
    }
    const QTreeWidgetItem* top = node->parent() ? node->parent() : node;
    int base = 0;
    for (int i = 0; i < Tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* macro = Tree->topLevelItem(i);
        if (macro == top) {
            return node == top ? base
                               : base + 1 + top->indexOfChild(const_cast<QTreeWidgetItem*>(node));
        }
        base += 1 + macro->childCount();
    }
    return -1;
}

int TframeViewMacros::MacroOfNode(int index) const {
    const QTreeWidgetItem* node = nodeAt(index);
    if (!node) {
        return -1;
    }
    const QTreeWidgetItem* top = node->parent() ? node->parent() : node;
    return top->data(0, IdRole).toInt();
}

int TframeViewMacros::SelectedMacroNode() const {
    const QTreeWidgetItem* node = Tree->currentItem();
    if (!node) {
        return -1;
    }
    return absoluteIndex(node->parent() ? node->parent() : node);
}

void TframeViewMacros::treeSelectionChanged() {
    if (Filling || !Tree->currentItem()) {
        return;
    }
    int macroNode = SelectedMacroNode();
    if (macroNode != Mru) {
        BusyCursor busy;
        Mru = macroNode;
        if (Engine) {
            try {
                Engine->LoadMacro(MacroOfNode(macroNode));
            } catch (const std::exception& error) {
                showError(this, error);
            }
        }
    }
    emit MacroSelected(Mru);
}

int TframeViewMacros::imageItemOfNode(const QTreeWidgetItem* node) const {
    // Items are matched by IID: the image leaves out deleted items, so positions can differ.
    if (!Engine || !node || !node->parent()) {
        return -1;
    }
    int iid = node->data(0, IdRole).toInt();
    if (iid < 0) {
        return -1;
    }
    for (int k = 0; k < Engine->ItemCount && k < static_cast<int>(Engine->Items.size()); ++k) {
        if (Engine->Items[k].IID == iid) {
            return k;
        }
    }
    return -1;
}

QMenu* TframeViewMacros::CreateTreePopupMenu() {
    auto* menu = new QMenu(this);
    QAction* more =
        menu->addAction(QStringLiteral("More info..."), this, &TframeViewMacros::ShowMoreInfo);
    more->setObjectName(QStringLiteral("Moreinfo"));
    more->setEnabled(Tree->currentItem() != nullptr);
    return menu;
}

void TframeViewMacros::treeContextMenu(const QPoint& pos) {
    QMenu* menu = CreateTreePopupMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(Tree->viewport()->mapToGlobal(pos));
}

void TframeViewMacros::ShowMoreInfo() {
    QTreeWidgetItem* node = Tree->currentItem();
    if (!node || !Engine) {
        return;
    }
    try {
        if (!node->parent()) {
            if (absoluteIndex(node) == Mru) {
                infoMacro().Fill(*Engine);
                infoMacro().exec();
            }
            return;
        }
        int k = imageItemOfNode(node);
        if (k >= 0 && infoMacroItem().Fill(*Engine, k, !(EngineInUse && EngineInUse()))) {
            infoMacroItem().exec();
        }
    } catch (const std::exception& error) {
        showError(this, error);
    }
}

void TframeViewMacros::EditOverride(QTreeWidgetItem* node) {
    int k = imageItemOfNode(node);
    if (k < 0 || !OverridePrompt) {
        return;
    }
    TMacroItem& item = Engine->Items[k];
    if (item.ModeValue != 4 || item.Request.Prompt.empty()) {
        return;
    }
    const bool inUse = EngineInUse && EngineInUse();
    // The worker writes only the overrides it was sent; those are read back from here.
    const auto sent = SentOverrides.find(k);
    std::string text = sent != SentOverrides.end() ? sent->second : item.Request.Override;
    if (!OverridePrompt(this, item.Request.Prompt, text)) {
        return;
    }
    if (inUse && OverrideSink) {
        SentOverrides[k] = text;
        OverrideSink(k, text);
    } else {
        item.Request.Override = text; // the image only; the definition keeps its own
    }
}

void TframeViewMacros::SetRunHooks(TEngineInUse inUse, TOverrideSink sink) {
    EngineInUse = std::move(inUse);
    OverrideSink = std::move(sink);
}

TfInfoMacro& TframeViewMacros::infoMacro() {
    if (!InfoMacro) {
        InfoMacro = std::make_unique<TfInfoMacro>(this);
    }
    return *InfoMacro;
}

TfInfoMacroItem& TframeViewMacros::infoMacroItem() {
    if (!InfoMacroItem) {
        InfoMacroItem = std::make_unique<TfInfoMacroItem>(this);
    }
    return *InfoMacroItem;
}

// ---- status strip ----

void TframeViewMacros::SetVerdicts(const TLinkVerdict& interfaceVerdict,
                                   const TLinkVerdict& chatterVerdict) {
    auto show = [](QLabel& icon, QLabel& text, const TLinkVerdict& verdict) {
        setVerdictLabel(icon, text, QString::fromStdString(verdict.Text),
                        verdict.OK ? BrightGreen : VerdictRed,
                        verdict.OK ? QStringLiteral(":/icons/verdict_ok.png")
                                   : QStringLiteral(":/icons/verdict_failed.png"));
    };
    show(*InterfaceIcon, *InterfaceText, interfaceVerdict);
    show(*ChatterIcon, *ChatterText, chatterVerdict);
}

void TframeViewMacros::ResetVerdicts() {
    const QString unknown = QStringLiteral(":/icons/verdict_unknown.png");
    setVerdictLabel(*InterfaceIcon, *InterfaceText, QStringLiteral("Max232 interface..."), Silver,
                    unknown);
    setVerdictLabel(*ChatterIcon, *ChatterText, QStringLiteral("Chatter..."), Silver, unknown);
}

// ---- splitter ----

int TframeViewMacros::SplitterWidth() const {
    return SizesApplied ? Splitter->sizes().value(0, TreeWidth) : TreeWidth;
}

void TframeViewMacros::SetSplitterWidth(int width) {
    TreeWidth = std::max(Tree->minimumWidth(), width);
    TreeWidthChosen = true;
    applyTreeWidth();
}

void TframeViewMacros::fitTreeWidth() {
    constexpr int MostWidth = 400; // the console keeps most of the page
    if (TreeWidthChosen || Tree->topLevelItemCount() == 0) {
        return;
    }
    const QAbstractItemView& view = *Tree; // where the measure is public
    const int names = view.sizeHintForColumn(0) + 2 * Tree->frameWidth() +
                      Tree->verticalScrollBar()->sizeHint().width();
    TreeWidth = std::clamp(names, DefaultTreeWidth, MostWidth);
    applyTreeWidth();
}

void TframeViewMacros::applyTreeWidth() {
    int total = Splitter->width() - Splitter->handleWidth();
    if (!isVisible() || total <= TreeWidth) {
        SizesApplied = false; // applied once the page is shown and laid out
        return;
    }
    Splitter->setSizes({TreeWidth, total - TreeWidth});
    SizesApplied = true;
}

void TframeViewMacros::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!SizesApplied) {
        applyTreeWidth();
    }
}

void TframeViewMacros::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!SizesApplied) {
        applyTreeWidth();
    }
}

void TframeViewMacros::PrintConsole(TPrintJob& job) const {
    QStringList lines = Console->Lines();
    // The blank line that ends each activity is spacing on screen, not worth paper at the end.
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty()) {
        lines.removeLast();
    }
    job.PrintLines(lines);
}

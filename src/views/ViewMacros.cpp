#include "views/ViewMacros.h"

#include "shell/ConsoleView.h"
#include "views/InfoMacro.h"
#include "views/InfoMacroItem.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

TframeViewMacros::TframeViewMacros(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    Splitter = new QSplitter(this);
    Tree = new QTreeWidget(Splitter);
    Console = new TConsoleView(Splitter);
    InterfaceIcon = new QLabel(this);
    InterfaceText = new QLabel(this);
    ChatterIcon = new QLabel(this);
    ChatterText = new QLabel(this);
    ClearButton = new QPushButton(this);
    layout->addWidget(Splitter);
}
TframeViewMacros::~TframeViewMacros() = default;
void TframeViewMacros::SetConsoleBuffer(TConsoleBuffer* buffer) {
    Buffer = buffer;
}
void TframeViewMacros::FillMacroTree(int) {}
int TframeViewMacros::NodeCount() const {
    return 0;
}
int TframeViewMacros::MacroOfNode(int) const {
    return -1;
}
int TframeViewMacros::SelectedMacroNode() const {
    return -1;
}
void TframeViewMacros::SetVerdicts(const TLinkVerdict&, const TLinkVerdict&) {}
void TframeViewMacros::ResetVerdicts() {}
int TframeViewMacros::SplitterWidth() const {
    return Tree->width();
}
void TframeViewMacros::SetSplitterWidth(int) {}
void TframeViewMacros::ShowMoreInfo() {}
void TframeViewMacros::EditOverride(QTreeWidgetItem*) {}
QMenu* TframeViewMacros::CreateTreePopupMenu() {
    return new QMenu(this);
}
TfInfoMacro& TframeViewMacros::infoMacro() {
    if (!InfoMacro)
        InfoMacro = std::make_unique<TfInfoMacro>(this);
    return *InfoMacro;
}
TfInfoMacroItem& TframeViewMacros::infoMacroItem() {
    if (!InfoMacroItem)
        InfoMacroItem = std::make_unique<TfInfoMacroItem>(this);
    return *InfoMacroItem;
}
void TframeViewMacros::treeSelectionChanged() {}
void TframeViewMacros::treeContextMenu(const QPoint&) {}
void TframeViewMacros::buildStatusStrip(QWidget*) {}
int TframeViewMacros::absoluteIndex(const QTreeWidgetItem*) const {
    return -1;
}
QTreeWidgetItem* TframeViewMacros::nodeAt(int) const {
    return nullptr;
}
int TframeViewMacros::imageItemOfNode(const QTreeWidgetItem*) const {
    return -1;
}

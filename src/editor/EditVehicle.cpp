#include "editor/EditVehicle.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "editor/DBIniGrid.h"
#include "editor/EditHistory.h"
#include "editor/EditorPage.h"
#include "editor/edA.h"
#include "editor/edM.h"
#include "editor/edR.h"
#include "editor/edV.h"
#include "shell/WindowState.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

const char* const kSection = "fEditVehicle";
constexpr int kIdRole = Qt::UserRole;
constexpr int kLevelRole = Qt::UserRole + 1;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QIcon levelIcon(int index) {
    return EditorNodeIcon(index);
}

int levelOf(const QTreeWidgetItem* node) {
    return node->data(0, kLevelRole).toInt();
}
int32_t idOf(const QTreeWidgetItem* node) {
    return node->data(0, kIdRole).toInt();
}

} // namespace

TfEditVehicle::TfEditVehicle(TVehicle& vehicle, QWidget* parent, std::string iniFile)
    : QDialog(parent), vehicle_(vehicle), iniFile_(iniFile.empty() ? IniPath() : iniFile),
      history_(std::make_unique<TEditHistory>(vehicle)) {
    setObjectName(QString::fromLatin1(kSection));
    setWindowTitle(QStringLiteral("Edit vehicle data stream definitions"));
    setSizeGripEnabled(true);

    tvVehicle = new QTreeWidget(this);
    tvVehicle->setObjectName(QStringLiteral("tvVehicle"));
    tvVehicle->setHeaderHidden(true);
    tvVehicle->setMinimumWidth(30);
    tvVehicle->setIconSize(QSize(16, 16));
    tvVehicle->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvVehicle->setSortingEnabled(false);
    // Long node texts scroll sideways instead of being cut.
    tvVehicle->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tvVehicle->header()->setStretchLastSection(false);

    pages_ = new QStackedWidget(this);
    pages_->addWidget(new QWidget(pages_)); // nothing selected
    frameEdV = new TframeEdV(vehicle, pages_);
    frameEdM = new TframeEdM(vehicle, pages_);
    frameEdR = new TframeEdR(vehicle, pages_);
    frameEdA = new TframeEdA(vehicle, pages_);
    const char* names[] = {"frameEdV", "frameEdM", "frameEdR", "frameEdA"};
    TEditorPage* pages[] = {frameEdV, frameEdM, frameEdR, frameEdA};
    for (int i = 0; i < 4; ++i) {
        pages[i]->setObjectName(QString::fromLatin1(names[i]));
        pages[i]->OnNodeTextChanged = [this] { updateNodeText(); };
        pages[i]->OnInsertAttribute = [this] { insertAttribute(); };
        pages[i]->OnAttributesPasted = [this](const std::vector<int32_t>& aids) {
            attributesPasted(aids);
        };
        pages_->addWidget(pages[i]);
    }

    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(tvVehicle);
    splitter->addWidget(pages_);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    btnAdd = new QPushButton(QStringLiteral("&Add Subitem"), this);
    btnAdd->setToolTip(QStringLiteral("Add a new subitem to selected item"));
    btnDelSub = new QPushButton(QStringLiteral("Del &Subitems"), this);
    btnDelSub->setToolTip(QStringLiteral("Delete subitems of currently selected item"));
    btnDelSub->setEnabled(false);
    btnDelete = new QPushButton(QStringLiteral("&Del Item"), this);
    btnDelete->setToolTip(QStringLiteral("Delete selected item and all its subitems"));
    btnDelete->setEnabled(false);
    btnUndo = new QPushButton(QStringLiteral("&Undo"), this);
    btnUndo->setToolTip(QStringLiteral("Undo the last change (Ctrl+Z)"));
    btnRedo = new QPushButton(QStringLiteral("R&edo"), this);
    btnRedo->setToolTip(QStringLiteral("Redo the change undone (Ctrl+Shift+Z)"));
    btnOk = new QPushButton(QStringLiteral("Ok"), this);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setToolTip(
        QStringLiteral("Put the vehicle back as it was when this window was opened"));
    for (QPushButton* b : {btnAdd, btnDelSub, btnDelete, btnUndo, btnRedo, btnOk, btnCancel})
        b->setAutoDefault(false);
    connect(btnAdd, &QPushButton::clicked, this, [this] { AddSubitem(); });
    connect(btnDelSub, &QPushButton::clicked, this, [this] { DelSubitems(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { DelItem(); });
    connect(btnUndo, &QPushButton::clicked, this, [this] { Undo(); });
    connect(btnRedo, &QPushButton::clicked, this, [this] { Redo(); });
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* bar = new QHBoxLayout;
    bar->addWidget(btnAdd);
    bar->addWidget(btnDelSub);
    bar->addWidget(btnDelete);
    bar->addSpacing(12);
    bar->addWidget(btnUndo);
    bar->addWidget(btnRedo);
    bar->addStretch();
    bar->addWidget(btnCancel);
    bar->addWidget(btnOk);
    auto* box = new QVBoxLayout(this);
    box->addWidget(splitter, 1);
    box->addLayout(bar);

    connect(tvVehicle, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                currentNodeChanged(current, previous);
            });

    resize(900, 620);
    loadSettings();
}

TfEditVehicle::~TfEditVehicle() {
    stopHistory();
    saveSettings();
}

void TfEditVehicle::loadSettings() {
    TIniFile ini(iniFile_);
    LoadWindowState(*this, kSection, ini);
    int tree = ini.ReadInteger(kSection, "tvSplit", 200);
    splitter->setSizes({std::max(30, tree), std::max(100, width() - tree)});
    for (TEditorPage* p : {frameEdV, frameEdM, frameEdR, frameEdA})
        p->LoadSettings(ini, kSection);
    for (TDBIniGrid* g : findChildren<TDBIniGrid*>())
        g->LoadColumnWidths(ini);
}

void TfEditVehicle::saveSettings() {
    try {
        TIniFile ini(iniFile_);
        ini.WriteInteger(kSection, "tvSplit", splitter->sizes().value(0, 200));
        for (TEditorPage* p : {frameEdV, frameEdM, frameEdR, frameEdA}) {
            p->SaveSettings(ini, kSection);
        }
        for (TDBIniGrid* g : findChildren<TDBIniGrid*>())
            g->SaveColumnWidths(ini);
        SaveWindowState(*this, kSection, ini);
        ini.UpdateFile();
    } catch (const EQuorvinError&) {
        // Placement and widths are not worth an error message at exit.
    }
}

TEditorPage* TfEditVehicle::pageOf(int level) const {
    TEditorPage* pages[] = {frameEdV, frameEdM, frameEdR, frameEdA};
    return level >= 0 && level < 4 ? pages[level] : nullptr;
}

TEditorPage* TfEditVehicle::CurrentPage() const {
    return dynamic_cast<TEditorPage*>(pages_->currentWidget());
}

// ---- node texts ----

std::string TfEditVehicle::NodeText(int level) const {
    TVehicle& v = vehicle_;
    switch (level) {
    case 0:
        return v.Vehicles->AsString("VCode") + ": " + v.Vehicles->AsString("VDesc");
    case 1: {
        std::string mode = v.Modules->AsString("ModeByte");
        std::string desc;
        int byteField = v.ModeBytes.FieldIndex("ModeByte");
        int descField = v.ModeBytes.FieldIndex("ModeDesc");
        for (int i = 0; i < v.ModeBytes.RecordCount(); ++i) {
            const TRecord* r = v.ModeBytes.RecordAt(i);
            if (TTable::ValueText(r->Values[byteField], TFieldType::ftString) == mode) {
                desc = TTable::ValueText(r->Values[descField], TFieldType::ftString);
                break;
            }
        }
        return v.Modules->AsString("MCode") + ": " + desc;
    }
    case 2:
        return v.Requests->AsString("RCode") + ": " + v.Requests->AsString("RDesc");
    case 3: {
        double start = v.Attrs->AsFloat("Start");
        int bit = BitOf(start);
        int bits = v.Attrs->AsInteger("Bits");
        std::string position =
            Format("%2d.%2d-%2d", static_cast<int>(std::trunc(start)), bit, bit + bits - 1);
        return position + " " + v.Attrs->AsString("ACode") + ": " + v.Attrs->AsString("ADesc");
    }
    default:
        return {};
    }
}

QTreeWidgetItem* TfEditVehicle::addNode(QTreeWidgetItem* parent, int level) {
    TTable* tables[] = {&*vehicle_.Vehicles, &*vehicle_.Modules, &*vehicle_.Requests,
                        &*vehicle_.Attrs};
    const char* ids[] = {"VID", "MID", "RID", "AID"};
    TTable& t = *tables[level];
    if (t.Editing())
        t.Post();
    auto* node = new QTreeWidgetItem;
    node->setData(0, kIdRole, t.AsInteger(ids[level]));
    node->setData(0, kLevelRole, level);
    node->setText(0, qs(NodeText(level)));
    node->setIcon(0, levelIcon(level == 3 ? 3 + t.AsInteger("AType") : level));
    if (parent) {
        parent->addChild(node);
    } else {
        tvVehicle->addTopLevelItem(node);
    }
    return node;
}

void TfEditVehicle::sortTree() {
    tvVehicle->sortItems(0, Qt::AscendingOrder);
}

void TfEditVehicle::updateNodeText() {
    QTreeWidgetItem* node = tvVehicle->currentItem();
    if (updating_ || !node)
        return;
    int level = levelOf(node);
    node->setText(0, qs(NodeText(level)));
    if (level == 3)
        node->setIcon(0, levelIcon(3 + vehicle_.Attrs->AsInteger("AType")));
    QSignalBlocker block(tvVehicle);
    sortTree();
    tvVehicle->setCurrentItem(node);
}

// ---- tree ----

void TfEditVehicle::RebuildTree() {
    QSignalBlocker block(tvVehicle);
    tvVehicle->clear();
    TVehicle& v = vehicle_;
    if (v.Vehicles->IsEmpty())
        return;
    pages_->setCurrentIndex(0);
    try {
        QTreeWidgetItem* root = addNode(nullptr, 0);
        for (v.Modules->First(); !v.Modules->Eof(); v.Modules->Next()) {
            QTreeWidgetItem* module = addNode(root, 1);
            for (v.Requests->First(); !v.Requests->Eof(); v.Requests->Next()) {
                QTreeWidgetItem* request = addNode(module, 2);
                for (v.Attrs->First(); !v.Attrs->Eof(); v.Attrs->Next())
                    addNode(request, 3);
                v.Attrs->First();
            }
            v.Requests->First();
        }
        v.Modules->First();
        sortTree();
        root->setExpanded(true);
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
    }
    btnDelete->setEnabled(tvVehicle->topLevelItemCount() > 0);
}

bool TfEditVehicle::locateNode(QTreeWidgetItem* node) {
    std::vector<QTreeWidgetItem*> chain;
    for (QTreeWidgetItem* n = node; n; n = n->parent())
        chain.insert(chain.begin(), n);
    TTable* tables[] = {&*vehicle_.Vehicles, &*vehicle_.Modules, &*vehicle_.Requests,
                        &*vehicle_.Attrs};
    const char* ids[] = {"VID", "MID", "RID", "AID"};
    for (QTreeWidgetItem* n : chain) {
        int level = levelOf(n);
        if (!tables[level]->Locate(ids[level], TValue(idOf(n))))
            return false;
    }
    return true;
}

void TfEditVehicle::currentNodeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (!current) {
        pages_->setCurrentIndex(0);
        btnDelSub->setEnabled(false);
        return;
    }
    TEditorPage* page = CurrentPage();
    if (previous && page && !page->CommitEdits()) {
        // The page refused to let go (it has said why): stay on its node.
        QSignalBlocker block(tvVehicle);
        tvVehicle->setCurrentItem(previous);
        return;
    }
    showNode(current);
}

bool TfEditVehicle::SelectNode(QTreeWidgetItem* node) {
    if (!node)
        return false;
    if (node == tvVehicle->currentItem()) {
        showNode(node);
        return true;
    }
    tvVehicle->setCurrentItem(node);
    return tvVehicle->currentItem() == node;
}

void TfEditVehicle::showNode(QTreeWidgetItem* node) {
    updating_ = true;
    bool found = false;
    try {
        found = locateNode(node);
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
    }
    updating_ = false;
    int level = levelOf(node);
    TEditorPage* page = found ? pageOf(level) : nullptr;
    if (page) {
        page->Refresh();
        pages_->setCurrentWidget(page);
    } else {
        pages_->setCurrentIndex(0);
    }
    btnDelSub->setEnabled(node->childCount() > 0 && level < 3);
}

// ---- add and delete ----

void TfEditVehicle::AddSubitem() {
    TVehicle& v = vehicle_;
    QTreeWidgetItem* selected = tvVehicle->currentItem();
    if (tvVehicle->topLevelItemCount() > 0 && !selected)
        return;
    if (TEditorPage* page = CurrentPage(); selected && page && !page->CommitEdits())
        return;
    QTreeWidgetItem* parent = nullptr;
    int level = 0;
    updating_ = true;
    try {
        if (tvVehicle->topLevelItemCount() == 0) {
            v.Vehicles->Insert();
            v.Vehicles->SetAsString("VCode", "New");
            v.Vehicles->SetAsString("VDesc", "Vehicle");
            v.Vehicles->SetAsBool("Chatter", false);
            v.Vehicles->SetAsBool("SuspendReply", false);
            v.Vehicles->SetAsBool("ResumeReply", false);
            const int times[] = {0, 0, 100, 0, 10, 50};
            for (int i = 0; i < 6; ++i)
                v.Vehicles->SetAsInteger("T" + std::to_string(i + 1), times[i]);
            v.Vehicles->Post();
        } else {
            locateNode(selected);
            int selectedLevel = levelOf(selected);
            level = std::min(selectedLevel + 1, 3);
            parent = selectedLevel == 3 ? selected->parent() : selected;
            if (level == 1) {
                v.Modules->Insert();
                v.Modules->SetAsString("MCode", "New");
                v.Modules->SetAsString("ModeByte", "$00");
                v.Modules->SetAsString("MDesc", "Module");
                v.Modules->SetAsBool("Listen", false);
                v.Modules->Post();
            } else if (level == 2) {
                v.Requests->Insert();
                v.Requests->SetAsString("RCode", "New");
                v.Requests->SetAsString("RDesc", "Request");
                v.Requests->SetAsBool("Reply", true);
                v.Requests->SetAsBool("ProcReply", false);
                v.Requests->Post();
            } else {
                insertAttribute();
            }
        }
    } catch (const EQuorvinError& e) {
        updating_ = false;
        ShowEditError(this, e.what());
        return;
    }
    updating_ = false;
    QTreeWidgetItem* node = nullptr;
    {
        QSignalBlocker block(tvVehicle);
        node = addNode(parent, level);
        sortTree();
        if (parent)
            parent->setExpanded(true);
    }
    tvVehicle->setCurrentItem(node);
    if (tvVehicle->currentItem() != node) {
        QSignalBlocker block(tvVehicle);
        tvVehicle->setCurrentItem(node);
    }
    showNode(node);
    if (TEditorPage* page = pageOf(level))
        page->FocusCode();
    btnDelete->setEnabled(true);
}

void TfEditVehicle::insertAttribute() {
    TVehicle& v = vehicle_;
    v.Attrs->Last();
    double start = v.Attrs->IsEmpty() ? 0 : v.Attrs->AsFloat("Start");
    start += 1;
    v.Attrs->Insert();
    v.Attrs->SetAsFloat("Start", start);
    v.Attrs->SetAsString("ACode", "B" + NumberText(static_cast<float>(start)));
    v.Attrs->SetAsString("ADesc", "Attribute");
    v.Attrs->SetAsInteger("Bits", 8);
    v.Attrs->SetAsInteger("AType", atScaled);
    v.Attrs->SetAsBool("Visible", true);
    v.Attrs->SetAsInteger("Chart", 0);
    v.Attrs->SetAsInteger("Series", 0);
    v.Attrs->SetAsInteger("Dash", 0);
    v.Attrs->SetAsString("DashFmt", "0");
    v.Attrs->Post();
    v.AScale->Insert();
    v.AScale->SetAsString("Units", "");
    v.AScale->SetAsFloat("Factor", 1);
    v.AScale->SetAsFloat("Offset", 0);
    double low = ScaledMin(8, false, false, false, 0, 1);
    double high = ScaledMax(8, false, false, false, 0, 1);
    for (const char* range : {"Display", "Alarm"}) {
        v.AScale->SetAsFloat(std::string(range) + "Min", low);
        v.AScale->SetAsFloat(std::string(range) + "Max", high);
    }
    for (const char* flag : {"Reverse", "Invert", "Signed", "Hex"})
        v.AScale->SetAsBool(flag, false);
    v.AScale->Post();
}

std::string TfEditVehicle::levelName(int level) {
    const char* names[] = {"vehicle: ", "module: ", "request: ", "attribute: "};
    return names[std::clamp(level, 0, 3)];
}

bool TfEditVehicle::confirm(const std::string& question) {
    if (Confirm)
        return Confirm(question);
    return QMessageBox::question(this, QStringLiteral("Confirm"), qs(question),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TfEditVehicle::DelItem() {
    QTreeWidgetItem* node = tvVehicle->currentItem();
    if (!node)
        return;
    int level = levelOf(node);
    std::string question = "Delete " + levelName(level) + "\"" + node->text(0).toStdString() + "\"";
    question += level < 3 && node->childCount() > 0 ? " and its subitems?" : "?";
    if (!confirm(question))
        return;
    TVehicle& v = vehicle_;
    try {
        locateNode(node);
        TTable* tables[] = {&*v.Vehicles, &*v.Modules, &*v.Requests, &*v.Attrs};
        tables[level]->Delete();
        if (level == 0)
            v.FileName.clear();
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
        return;
    }
    {
        QSignalBlocker block(tvVehicle);
        delete node;
    }
    if (tvVehicle->topLevelItemCount() == 0) {
        pages_->setCurrentIndex(0);
        AddSubitem();
        return;
    }
    if (QTreeWidgetItem* current = tvVehicle->currentItem()) {
        showNode(current);
    } else {
        pages_->setCurrentIndex(0);
    }
}

void TfEditVehicle::DelSubitems() {
    QTreeWidgetItem* node = tvVehicle->currentItem();
    if (!node || levelOf(node) >= 3)
        return;
    int level = levelOf(node);
    std::string question =
        "Delete all subitems of " + levelName(level) + "\"" + node->text(0).toStdString() + "\"?";
    if (!confirm(question))
        return;
    TVehicle& v = vehicle_;
    try {
        locateNode(node);
        TTable* children[] = {&*v.Modules, &*v.Requests, &*v.Attrs};
        TTable& t = *children[level];
        t.Cancel();
        t.First();
        while (!t.IsEmpty())
            t.Delete();
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
    }
    {
        QSignalBlocker block(tvVehicle);
        qDeleteAll(node->takeChildren());
    }
    showNode(node);
}

// ---- showing and closing ----

void TfEditVehicle::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    startHistory();
    RebuildTree();
    if (tvVehicle->topLevelItemCount() == 0)
        AddSubitem();
    if (QTreeWidgetItem* first = tvVehicle->topLevelItem(0)) {
        QSignalBlocker block(tvVehicle);
        tvVehicle->setCurrentItem(first);
    }
    if (QTreeWidgetItem* first = tvVehicle->topLevelItem(0))
        showNode(first);
}

bool TfEditVehicle::PostAll() {
    if (TEditorPage* page = CurrentPage(); page && !page->CommitEdits())
        return false;
    TVehicle& v = vehicle_;
    // Innermost first: a parent's post posts its nested tables anyway.
    TTable* tables[] = {&*v.Items,  &*v.Macros, &*v.Enums,  &*v.Flags,    &*v.DTCs,   &*v.Table,
                        &*v.AScale, &*v.Attrs,  &*v.RScale, &*v.Requests, &*v.Modules};
    for (TTable* t : tables) {
        if (!t->Editing())
            continue;
        try {
            t->Post();
        } catch (const EQuorvinError& e) {
            ShowEditError(this, e.what());
            return false;
        }
    }
    if (v.Vehicles->Editing()) {
        try {
            v.Vehicles->Post();
        } catch (const EQuorvinError& e) {
            ShowEditError(this, Format("Can't update vehicle: %s. %s.",
                                       v.Vehicles->AsString("VCode").c_str(), e.what()));
            return false;
        }
    }
    return true;
}

void TfEditVehicle::done(int result) {
    if (result == QDialog::Rejected) {
        if (!discardChanges())
            return;
    } else if (!PostAll()) {
        // Nothing typed is lost: a refused post keeps the window open on it.
        return;
    }
    stopHistory();
    pages_->setCurrentIndex(0);
    QDialog::done(result);
}

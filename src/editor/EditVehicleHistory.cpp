// The editor window's Undo, Redo and Cancel, and how it shows an attribute paste.
#include "editor/EditVehicle.h"

#include "common/Errors.h"
#include "definitions/XMLData.h"
#include "editor/EditHistory.h"
#include "editor/EditorPage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

constexpr int kIdRole = Qt::UserRole; // as the tree stores them

bool isUndoKey(const QKeyEvent* key) {
    return key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Z);
}

bool isRedoKey(const QKeyEvent* key) {
    return key->keyCombination() ==
               QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z) ||
           key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y);
}

} // namespace

void TfEditVehicle::startHistory() {
    history_->Start();
    if (!watching_) {
        outerDirtyChanged_ = vehicle_.OnDirtyChanged;
        vehicle_.OnDirtyChanged = [this] { definitionChanged(); };
        // Ctrl+Z reaches the window from every field and cell editor, which would take it as
        // their own undo of a few letters.
        qApp->installEventFilter(this);
        watching_ = true;
    }
    updateUndoButtons();
}

void TfEditVehicle::stopHistory() {
    if (!watching_)
        return;
    qApp->removeEventFilter(this);
    vehicle_.OnDirtyChanged = outerDirtyChanged_;
    outerDirtyChanged_ = nullptr;
    watching_ = false;
}

// Every post and delete of the definition comes here (and goes on to the owner's callback); the
// changes of one user action are recorded as one step once the action is over.
void TfEditVehicle::definitionChanged() {
    if (!restoring_) {
        history_->NoteChange(currentPlace());
        if (!recordQueued_) {
            recordQueued_ = true;
            QTimer::singleShot(0, this, [this] { recordStep(); });
        }
    }
    if (outerDirtyChanged_)
        outerDirtyChanged_();
}

void TfEditVehicle::recordStep() {
    recordQueued_ = false;
    // A record still in edit is recorded with the next step (Undo posts it first).
    if (!anyTableEditing())
        history_->Record();
    updateUndoButtons();
}

bool TfEditVehicle::anyTableEditing() const {
    TVehicle& v = vehicle_;
    for (TTable* t : {&*v.Vehicles, &*v.Modules, &*v.Requests, &*v.RScale, &*v.Attrs, &*v.AScale,
                      &*v.Table, &*v.DTCs, &*v.Flags, &*v.Enums, &*v.Macros, &*v.Items}) {
        if (t->Editing())
            return true;
    }
    return false;
}

// The IDs of the records the page shown edits, from the vehicle down.
std::vector<int32_t> TfEditVehicle::currentPlace() const {
    TEditorPage* const pages[] = {frameEdV, frameEdM, frameEdR, frameEdA};
    int level = -1;
    for (int i = 0; i < 4; ++i) {
        if (CurrentPage() == pages[i])
            level = i;
    }
    TVehicle& v = vehicle_;
    TTable* const tables[] = {&*v.Vehicles, &*v.Modules, &*v.Requests, &*v.Attrs};
    const char* const ids[] = {"VID", "MID", "RID", "AID"};
    std::vector<int32_t> place;
    for (int i = 0; i <= level && tables[i]->CurrentRecord(); ++i)
        place.push_back(tables[i]->AsInteger(ids[i]));
    return place;
}

QTreeWidgetItem* TfEditVehicle::nodeOfPath(const std::vector<int32_t>& ids) const {
    QTreeWidgetItem* found = nullptr;
    for (size_t level = 0; level < ids.size(); ++level) {
        const int count = found ? found->childCount() : tvVehicle->topLevelItemCount();
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem* n = found ? found->child(i) : tvVehicle->topLevelItem(i);
            if (n->data(0, kIdRole).toInt() == ids[level])
                next = n;
        }
        if (!next)
            break; // the deepest record of the place that exists
        found = next;
    }
    return found;
}

void TfEditVehicle::showPlace(const std::vector<int32_t>& where) {
    RebuildTree();
    QTreeWidgetItem* node = nodeOfPath(where);
    if (!node)
        node = tvVehicle->topLevelItem(0);
    if (!node)
        return;
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent())
        p->setExpanded(true);
    SelectNode(node);
    tvVehicle->scrollToItem(node);
}

void TfEditVehicle::Undo() {
    stepHistory(false);
}

void TfEditVehicle::Redo() {
    stepHistory(true);
}

void TfEditVehicle::stepHistory(bool forward) {
    // What the page holds is a change too: store it, so Undo takes it back first.
    if (!PostAll())
        return;
    history_->Record();
    if (!(forward ? history_->CanRedo() : history_->CanUndo())) {
        QApplication::beep();
        return;
    }
    restoring_ = true;
    std::vector<int32_t> where;
    try {
        where = forward ? history_->Redo() : history_->Undo();
        vehicle_.MarkChanged();
    } catch (const EQuorvinError& e) {
        ShowEditError(this, e.what());
    }
    restoring_ = false;
    showPlace(where);
    updateUndoButtons();
}

void TfEditVehicle::updateUndoButtons() {
    btnUndo->setEnabled(history_->CanUndo() || history_->HasUnrecordedChange());
    btnRedo->setEnabled(history_->CanRedo());
}

// Cancel: nothing changed closes at once; otherwise the user chooses between going back to the
// definition as it was opened and staying in the window.
bool TfEditVehicle::discardChanges() {
    if (!history_->ChangedSinceStart() && !anyTableEditing())
        return true;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Cancel"),
        QStringLiteral("Discard every change made to the vehicle since this window was opened?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;
    restoring_ = true;
    try {
        history_->Restore();
    } catch (const EQuorvinError& e) {
        restoring_ = false;
        ShowEditError(this, e.what());
        return false;
    }
    restoring_ = false;
    RebuildTree();
    return true;
}

bool TfEditVehicle::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if ((widget == this || isAncestorOf(widget)) && (isUndoKey(key) || isRedoKey(key))) {
            if (isUndoKey(key))
                Undo();
            else
                Redo();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// After an attribute paste: the request's branch is built anew with the texts of what was
// pasted, and the tree, the page and the cursor go to the last attribute written.
void TfEditVehicle::attributesPasted(const std::vector<int32_t>& aids) {
    QTreeWidgetItem* request = tvVehicle->currentItem();
    if (!request || request->data(0, Qt::UserRole + 1).toInt() != 2)
        return;
    TVehicle& v = vehicle_;
    {
        QSignalBlocker block(tvVehicle);
        qDeleteAll(request->takeChildren());
        try {
            for (v.Attrs->First(); !v.Attrs->Eof(); v.Attrs->Next())
                addNode(request, 3);
            v.Attrs->First();
        } catch (const EQuorvinError& e) {
            ShowEditError(this, e.what());
        }
        sortTree();
        request->setExpanded(true);
    }
    QTreeWidgetItem* target = request;
    for (int i = 0; !aids.empty() && i < request->childCount(); ++i) {
        if (request->child(i)->data(0, kIdRole).toInt() == aids.back())
            target = request->child(i);
    }
    if (!SelectNode(target)) {
        showNode(request);
        return;
    }
    tvVehicle->scrollToItem(target);
}

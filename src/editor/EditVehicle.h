#pragma once
// "Edit vehicle data stream definitions": the definition as a tree (vehicle, modules, requests,
// attributes) beside the page that edits the selected node. Edits go straight into the tables;
// Undo and Redo (Ctrl+Z, Ctrl+Shift+Z) step through the changes made since the window opened,
// and Cancel (Escape, closing the window) puts the definition back as it was opened, after asking.
#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPushButton;
class QSplitter;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TEditHistory;
class TEditorPage;
class TVehicle;

class TfEditVehicle : public QDialog {
public:
    // iniFile empty: the system's settings file.
    explicit TfEditVehicle(TVehicle& vehicle, QWidget* parent = nullptr, std::string iniFile = {});
    // Writes the splitter positions, the grids' column widths and the placement.
    ~TfEditVehicle() override;

    void RebuildTree();
    void AddSubitem();
    void DelItem();
    void DelSubitems();
    // Makes the node's records current and shows its page; false when the page refused to let go.
    bool SelectNode(QTreeWidgetItem* node);

    // Node text of the current record of a level (0 vehicle ... 3 attribute).
    std::string NodeText(int level) const;
    // Posts every table still in edit or insert; false (after a message) when one refused.
    bool PostAll();
    TEditorPage* CurrentPage() const; // nullptr when no page is shown
    // Answers the delete questions; empty: a message box with Yes and No.
    std::function<bool(const std::string& question)> Confirm;
    // Store what the page holds, then step back or forth through the changes made since the
    // window opened; the tree shows the place of the change.
    void Undo();
    void Redo();

    QTreeWidget* tvVehicle = nullptr;
    QSplitter* splitter = nullptr;
    TEditorPage* frameEdV = nullptr;
    TEditorPage* frameEdM = nullptr;
    TEditorPage* frameEdR = nullptr;
    TEditorPage* frameEdA = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnDelSub = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnUndo = nullptr;
    QPushButton* btnRedo = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadSettings();
    void saveSettings();
    TEditorPage* pageOf(int level) const;
    QTreeWidgetItem* addNode(QTreeWidgetItem* parent, int level);
    void sortTree();
    void updateNodeText();
    bool locateNode(QTreeWidgetItem* node);
    void currentNodeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void showNode(QTreeWidgetItem* node);
    void insertAttribute();
    static std::string levelName(int level);
    bool confirm(const std::string& question);
    void attributesPasted(const std::vector<int32_t>& aids);
    QTreeWidgetItem* nodeOfPath(const std::vector<int32_t>& ids) const;
    // History of the changes: watched through the definition's dirty callback while open.
    void startHistory();
    void stopHistory();
    void definitionChanged();
    void recordStep();
    void showPlace(const std::vector<int32_t>& where);
    // Undo (forward false) or Redo, then shows the place the step changed.
    void stepHistory(bool forward);
    std::vector<int32_t> currentPlace() const;
    bool anyTableEditing() const;
    bool discardChanges();
    void updateUndoButtons();

    QStackedWidget* pages_ = nullptr;
    TVehicle& vehicle_;
    std::string iniFile_;
    bool updating_ = false;
    std::unique_ptr<TEditHistory> history_;
    std::function<void()> outerDirtyChanged_; // the owner's callback, chained while open
    bool watching_ = false;
    bool restoring_ = false;
    bool recordQueued_ = false;
};

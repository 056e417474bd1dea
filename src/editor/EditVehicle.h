#pragma once
// "Edit vehicle data stream definitions": the definition as a tree (vehicle, modules, requests,
// attributes) beside the page that edits the selected node. Edits go straight into the tables.
#include <QDialog>

#include <functional>
#include <string>

class QPushButton;
class QSplitter;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
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

    QTreeWidget* tvVehicle = nullptr;
    QSplitter* splitter = nullptr;
    TEditorPage* frameEdV = nullptr;
    TEditorPage* frameEdM = nullptr;
    TEditorPage* frameEdR = nullptr;
    TEditorPage* frameEdA = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnDelSub = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnOk = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

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

    QStackedWidget* pages_ = nullptr;
    TVehicle& vehicle_;
    std::string iniFile_;
    bool updating_ = false;
};

#pragma once
// "Edit vehicle data stream definitions": the definition as a tree (vehicle, modules, requests,
// attributes) beside the page that edits the selected node. Edits go straight into the tables.
#include <QDialog>

#include <string>

class QPushButton;
class QSplitter;
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
    TVehicle& vehicle_;
    std::string iniFile_;
    bool updating_ = false;
};

#include "editor/EditVehicle.h"

#include "editor/EditorPage.h"

TfEditVehicle::TfEditVehicle(TVehicle& vehicle, QWidget* parent, std::string iniFile)
    : QDialog(parent), vehicle_(vehicle), iniFile_(std::move(iniFile)) {}
TfEditVehicle::~TfEditVehicle() {}
void TfEditVehicle::RebuildTree() {}
void TfEditVehicle::AddSubitem() {}
void TfEditVehicle::DelItem() {}
void TfEditVehicle::DelSubitems() {}
bool TfEditVehicle::SelectNode(QTreeWidgetItem*) {
    return true;
}
std::string TfEditVehicle::NodeText(int) const {
    return {};
}
void TfEditVehicle::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
}
void TfEditVehicle::done(int result) {
    QDialog::done(result);
}

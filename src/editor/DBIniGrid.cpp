#include "editor/DBIniGrid.h"

#include "common/IniFile.h"

#include <QAbstractTableModel>

class TDBIniGridModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex&) const override { return 0; }
    int columnCount(const QModelIndex&) const override { return 0; }
    QVariant data(const QModelIndex&, int) const override { return {}; }
};

TDBIniGrid::TDBIniGrid(QWidget* parent) : QTableView(parent) {}
TDBIniGrid::~TDBIniGrid() {}
void TDBIniGrid::SetTable(TTable& table, std::vector<TGridColumn>) {
    table_ = &table;
}
void TDBIniGrid::Refresh() {}
bool TDBIniGrid::Commit() {
    return true;
}
void TDBIniGrid::DeleteCurrent() {}
std::string TDBIniGrid::IniKey() const {
    return {};
}
void TDBIniGrid::LoadColumnWidths(const TIniFile&) {}
void TDBIniGrid::SaveColumnWidths(TIniFile&) const {}
void TDBIniGrid::LoadColumnWidths() {}
void TDBIniGrid::SaveColumnWidths() const {}
std::string TDBIniGrid::ColumnWidthsText() const {
    return {};
}
void TDBIniGrid::ApplyColumnWidthsText(const std::string&) {}
void TDBIniGrid::currentRowChanged(int) {}

TDBNavigator::TDBNavigator(QWidget* parent, std::vector<TNavButton>, std::vector<std::string>)
    : QWidget(parent) {}
void TDBNavigator::SetTable(TTable& table, TDBIniGrid* grid) {
    table_ = &table;
    grid_ = grid;
}
QAbstractButton* TDBNavigator::Button(TNavButton) const {
    return nullptr;
}
void TDBNavigator::Click(TNavButton) {}

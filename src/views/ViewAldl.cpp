#include "views/ViewAldl.h"

#include "common/Common.h"
#include "engine/Cartridge.h"
#include "views/InfoAldl.h"

#include <QTreeWidget>

namespace {

const char* const EmptyPageText =
    "\r\nThe currently selected macro does\r\nnot return any aldl data.\r\nTo display aldl data "
    "here, first\r\nselect a macro that returns aldl data.\r\n";

const std::vector<TListColumn>& Columns() {
    static const std::vector<TListColumn> columns = {
        {"Attribute", 80, false}, {"Description", 160, false}, {"Module", 90, false},
        {"Table", 45, true},      {"Raw", 60, true, "65535"},  {"Scaled", 60, true, "-1234.5"},
        {"Units", 60, false},     {"Minimum", 60, true},       {"Maximum", 60, true},
        {"%Low", 45, true},       {"%High", 45, true}};
    return columns;
}

const QString Dash = QStringLiteral("-");

} // namespace

std::vector<TRowRef> AldlRows(const TCartridge& engine) {
    std::vector<TRowRef> rows;
    for (int i = 0; i < ImageItemCount(engine); ++i) {
        for (int a = 0; a < ImageAttrCount(engine, i); ++a) {
            int type = engine.Items[i].Request.Attrs[a].AType;
            if (type != 3 && type != 4) {
                rows.push_back({i, a, -1});
            }
        }
    }
    return rows;
}

TframeViewAldl::TframeViewAldl(TCartridge& engine, QWidget* parent)
    : TListPageFrame(Columns(), parent), Engine(engine) {
    setObjectName(QStringLiteral("frameViewAldl"));
    OnStyleCommand = [this](TViewStyle style) { StyleCommand(style); };
    OnMoreInfo = [this] { MoreinfoClick(); };
    ShowEmptyText(EmptyPageText);
}

TframeViewAldl::~TframeViewAldl() = default;

void TframeViewAldl::Populate() {
    RemoveRows();
    Rows = AldlRows(Engine);
    for (const TRowRef& ref : Rows) {
        const TMacroItem& item = Engine.Items[ref.Item];
        const TAttr& attr = item.Request.Attrs[ref.Attr];
        AddRow(AttrTypeIcon(attr.AType),
               {QString::fromStdString(attr.ACode), QString::fromStdString(attr.ADesc),
                QString::fromStdString(item.MCode), QString::number(item.Request.MessageNo), Dash,
                Dash, Dash, QString::fromStdString(NumberText(attr.Scale.AlarmMin)),
                QString::fromStdString(NumberText(attr.Scale.AlarmMax)), Dash, Dash});
    }
    FitTextColumns();
    ShowEmptyText(EmptyPageText);
}

void TframeViewAldl::Clear() {
    for (int r = 0; r < list().topLevelItemCount(); ++r) {
        QTreeWidgetItem& row = *list().topLevelItem(r);
        for (int column : {colRaw, colScaled, colLow, colHigh}) {
            SetCell(row, column, Dash);
        }
    }
}

void TframeViewAldl::SetViewStyle(const std::string& style) {
    StyleCommand(ViewStyleFromText(style));
}

void TframeViewAldl::StyleCommand(TViewStyle style) {
    ApplyStyle(style);
    ShowValues(false);
}

void TframeViewAldl::ShowValues(bool live) {
    const bool report = Style() == vsReport;
    const int count = std::min<int>(static_cast<int>(Rows.size()), list().topLevelItemCount());
    for (int r = 0; r < count; ++r) {
        TAttr* attr = AttrOfRow(Engine, Rows[r]);
        if (!attr) {
            continue; // the image changed without a Populate; the row keeps its texts
        }
        QTreeWidgetItem& row = *list().topLevelItem(r);
        const QString code = QString::fromStdString(attr->ACode);
        const QString text = QString::fromStdString(ValueText(*attr, false));
        SetCell(row, colRaw, QString::number(attr->RawValue));
        SetCell(row, colAttribute, report ? code : code + QStringLiteral(": ") + text);
        // Kept in every style, so that a printed list always has the value.
        SetCell(row, colScaled, text);
        SetCell(row, colUnits, attr->Scale.Units);
        if (live) {
            if (attr->Value < attr->Scale.AlarmMin) {
                attr->BelowMinCount += 1;
            }
            if (attr->Value > attr->Scale.AlarmMax) {
                attr->AboveMaxCount += 1;
            }
            attr->SampleCount += 1;
            SetCell(row, colLow, NumberText(attr->BelowMinCount * 100 / attr->SampleCount));
            SetCell(row, colHigh, NumberText(attr->AboveMaxCount * 100 / attr->SampleCount));
        }
    }
}

TfInfoAldl& TframeViewAldl::infoDialog() {
    if (!Info) {
        Info = std::make_unique<TfInfoAldl>(Engine, window());
    }
    return *Info;
}

void TframeViewAldl::MoreinfoClick() {
    int row = SelectedRow();
    if (row < 0) {
        return;
    }
    infoDialog().RowIndex = row;
    infoDialog().exec();
}

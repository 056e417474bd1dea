#include "editor/DisplayScale.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/IniFile.h"
#include "shell/WindowState.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const char* const kSection = "fDisplayScale";
}

TfDisplayScale::TfDisplayScale(QWidget* parent, std::string iniFile)
    : QDialog(parent), iniFile_(iniFile.empty() ? IniPath() : std::move(iniFile)) {
    setObjectName(QStringLiteral("fDisplayScale"));
    setWindowTitle(QStringLiteral("Display Scale Code Conversions"));
    setMinimumWidth(240);
    lvScale = new QTreeWidget(this);
    lvScale->setObjectName(QStringLiteral("lvScale"));
    lvScale->setRootIsDecorated(false);
    lvScale->setUniformRowHeights(true);
    lvScale->setSelectionMode(QAbstractItemView::SingleSelection);
    lvScale->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvScale->setHeaderLabels(
        {QStringLiteral("Hex"), QStringLiteral("Decimal"), QStringLiteral("Converted")});
    lvScale->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    lvScale->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    lvScale->setColumnWidth(0, 70);
    lvScale->setColumnWidth(1, 70);
    lvScale->setColumnWidth(2, 100);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    auto* bar = new QHBoxLayout;
    bar->addStretch();
    bar->addWidget(btnOk);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 4, 4, 4);
    box->addWidget(lvScale, 1);
    box->addLayout(bar);
    resize(300, 420);
    TIniFile ini(iniFile_);
    LoadWindowState(*this, kSection, ini);
}

TfDisplayScale::~TfDisplayScale() {
    try {
        TIniFile ini(iniFile_);
        SaveWindowState(*this, kSection, ini);
        ini.UpdateFile();
    } catch (const EQuorvinError&) {
        // Placement is not worth an error message.
    }
}

void TfDisplayScale::SetRows(const std::vector<std::array<std::string, 3>>& rows,
                             const std::string& title) {
    lvScale->clear();
    lvScale->headerItem()->setText(2, QString::fromStdString(title));
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<int>(rows.size()));
    for (const auto& r : rows) {
        auto* item = new QTreeWidgetItem;
        for (int c = 0; c < 3; ++c) {
            item->setText(c, QString::fromStdString(r[c]));
        }
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    lvScale->addTopLevelItems(items);
}

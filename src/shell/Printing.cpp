#include "shell/Printing.h"

#include <QAbstractItemModel>
#include <QPagedPaintDevice>
#include <QTreeWidget>

const char* const ProductWebAddress = "quorvin.example.org";

TPrintJob::TPrintJob(QPagedPaintDevice& dev) : device(dev) {}
TPrintJob::~TPrintJob() {
    End();
}
void TPrintJob::NewPage() {}
void TPrintJob::End() {}
void TPrintJob::PrintHeader(const QString&, const QString&, const QString&, const QString&) {}
void TPrintJob::PrintFooter() {}
void TPrintJob::PrintListView(const QAbstractItemModel&, const std::vector<int>&) {}
void TPrintJob::PrintListView(const QTreeWidget&, const std::vector<int>&) {}
void TPrintJob::PrintLines(const QStringList&) {}
QFont TPrintJob::PrintFont(int) const {
    return QFont();
}
void TPrintJob::pageBreak() {}

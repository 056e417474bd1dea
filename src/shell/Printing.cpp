#include "shell/Printing.h"

#include "shell/MenuHelpers.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QFontMetrics>
#include <QIcon>
#include <QPagedPaintDevice>
#include <QPixmap>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int LogoSize = 300; // print units; fits between the top margin and the header rule
constexpr int PenWidth = 3;
// The header's three lines lie between the rule under the title and the one at 480.
constexpr int HeaderLinesTop = 220, HeaderLinesRoom = 255;

const QString LogoFile = QStringLiteral(":/icons/logo.png");

// Top-left placement, as text is laid out on the page (Qt draws at the baseline).
void textOut(QPainter& painter, int x, int y, const QString& text) {
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

QString cellText(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

bool leftAligned(const QAbstractItemModel& model, int column) {
    QVariant alignment = model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole);
    if (!alignment.isValid()) {
        return true;
    }
    auto flags = Qt::Alignment(alignment.toInt());
    return !(flags & (Qt::AlignRight | Qt::AlignHCenter));
}

QPixmap rowIcon(const QAbstractItemModel& model, int row) {
    QVariant decoration = model.data(model.index(row, 0), Qt::DecorationRole);
    if (decoration.canConvert<QIcon>()) {
        return decoration.value<QIcon>().pixmap(32, 32);
    }
    if (decoration.canConvert<QPixmap>()) {
        return decoration.value<QPixmap>();
    }
    return {};
}

} // namespace

TPrintJob::TPrintJob(QPagedPaintDevice& dev) : device(dev), paged(&dev) {
    begin();
}

TPrintJob::TPrintJob(QPaintDevice& dev) : device(dev) {
    begin();
}

void TPrintJob::begin() {
    InitQuorvinResources();
    if (!painter.begin(&device)) {
        return;
    }
    // Every coordinate is given in 1/600 inch, whatever the printer's own resolution.
    const double dpiX = device.logicalDpiX(), dpiY = device.logicalDpiY();
    painter.scale(dpiX / UnitsPerInch, dpiY / UnitsPerInch);
    width = static_cast<int>(device.width() * UnitsPerInch / dpiX);
    height = static_cast<int>(device.height() * UnitsPerInch / dpiY);
    painter.setPen(QPen(Qt::black, PenWidth));
}

TPrintJob::~TPrintJob() {
    End();
}

void TPrintJob::End() {
    if (painter.isActive()) {
        painter.end();
    }
}

void TPrintJob::NewPage() {
    if (painter.isActive() && paged && paged->newPage()) {
        ++page;
    }
}

QFont TPrintJob::PrintFont(int pointSize) const {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pointSize * UnitsPerInch / 72);
    return font;
}

void TPrintJob::PrintHeader(const QString& title, const QString& line1, const QString& line2,
                            const QString& line3) {
    const QString* given[4] = {&title, &line1, &line2, &line3};
    for (int i = 0; i < 4; ++i) {
        if (*given[i] != KeepMarker) {
            header[i] = *given[i];
        }
    }
    const int w = width, L = LogoSize;
    painter.setFont(PrintFont(18));
    int titleWidth = painter.fontMetrics().horizontalAdvance(header[0]);
    textOut(painter, (w - L - titleWidth) / 2, 100, header[0]);
    painter.drawLine(100, 210, w - L - 100, 210);
    // The three lines one below the other between the rules, in the largest size that fits.
    int size = 10;
    painter.setFont(PrintFont(size));
    while (size > 6 && 3 * painter.fontMetrics().height() > HeaderLinesRoom) {
        painter.setFont(PrintFont(--size));
    }
    const int lineHeight = painter.fontMetrics().height();
    for (int i = 1; i <= 3; ++i) {
        textOut(painter, 200, HeaderLinesTop + (i - 1) * lineHeight, header[i]);
    }
    painter.drawPixmap(QRect(w - L - 100, 100, L, L), QIcon(LogoFile).pixmap(256, 256));
    painter.drawLine(100, 480, w - 100, 480);
}

void TPrintJob::PrintFooter() {
    const int w = width, h = height;
    painter.drawLine(100, h - 150, w - 100, h - 150);
    painter.setFont(PrintFont(12));
    const QFontMetrics metrics = painter.fontMetrics();
    textOut(painter, 100, h - 100,
            QStringLiteral("Printed: ") +
                QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss dd-MMM-yyyy")));
    QString number = QStringLiteral("- %1 -").arg(page);
    textOut(painter, (w - metrics.horizontalAdvance(number)) / 2, h - 100, number);
}

void TPrintJob::pageBreak() {
    PrintFooter();
    NewPage();
    PrintHeader(KeepMarker, KeepMarker, KeepMarker, KeepMarker);
}

void TPrintJob::PrintListView(const QAbstractItemModel& model, const std::vector<int>& columns) {
    const int rows = model.rowCount();
    std::vector<int> widths;
    for (int column : columns) {
        painter.setFont(PrintFont(10));
        int widest = painter.fontMetrics().horizontalAdvance(
            model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        painter.setFont(PrintFont(8));
        const QFontMetrics cells = painter.fontMetrics();
        for (int r = 0; r < rows; ++r) {
            widest = std::max(widest, cells.horizontalAdvance(cellText(model, r, column)));
        }
        widths.push_back(widest);
    }
    // One row of texts at y in the listed columns; right-aligned columns end at their width.
    auto printRow = [&](int y, auto textOf) {
        int x = 200;
        for (size_t i = 0; i < columns.size(); ++i) {
            QString text = textOf(columns[i]);
            int shift = leftAligned(model, columns[i])
                            ? 0
                            : widths[i] - painter.fontMetrics().horizontalAdvance(text);
            textOut(painter, x + shift, y, text);
            x += widths[i] + 50;
        }
    };
    int y = 500, onPage = 0;
    for (int r = 0; r < rows; ++r) {
        if (onPage == 0) {
            painter.setFont(PrintFont(10));
            printRow(y, [&](int column) {
                return model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
            });
        }
        painter.setFont(PrintFont(8));
        y += 80;
        QPixmap icon = rowIcon(model, r);
        if (!icon.isNull()) {
            painter.drawPixmap(QRect(QPoint(100, y - 20), QPoint(180, y + 60)), icon);
        }
        printRow(y, [&](int column) { return cellText(model, r, column); });
        if (++onPage == ListRowsPerPage && r + 1 < rows) {
            pageBreak();
            onPage = 0;
            y = 500;
        }
    }
}

void TPrintJob::PrintListView(const QTreeWidget& view, const std::vector<int>& columns) {
    PrintListView(*view.model(), columns);
}

void TPrintJob::PrintLines(const QStringList& lines) {
    int y = 500, onPage = 0;
    const int room = width - 200;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        painter.setFont(PrintFont(8));
        const QFontMetrics metrics = painter.fontMetrics();
        QString line = lines[i];
        if (metrics.horizontalAdvance(line) > room) {
            // The longest leading part that fits: long lines are cut, not wrapped.
            qsizetype lo = 0, hi = line.size();
            while (lo < hi) {
                qsizetype mid = (lo + hi + 1) / 2;
                if (metrics.horizontalAdvance(line.left(mid)) <= room) {
                    lo = mid;
                } else {
                    hi = mid - 1;
                }
            }
            line.truncate(lo);
        }
        textOut(painter, 100, y, line);
        y += 60;
        if (++onPage == LinesPerPage && i + 1 < lines.size()) {
            pageBreak();
            onPage = 0;
            y = 500;
        }
    }
}

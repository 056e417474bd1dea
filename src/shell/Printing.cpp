#include "shell/Printing.h"

#include "shell/MenuHelpers.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QFontMetrics>
#include <QIcon>
#include <QPagedPaintDevice>
#include <QPixmap>
#include <QTextLayout>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int LogoSize = 300; // print units; fits between the top margin and the header rule
constexpr int PenWidth = 3;
constexpr int TitleTop = 90;
constexpr int HeaderRule = 480;  // the rule across the page under the header
constexpr int HeaderGap = 15;    // between a rule and the text next to it
constexpr int TitlePoints = 14;  // the most the title gets; less when it is long
constexpr int LinePoints = 10;   // the most the header lines get
constexpr int LogoGap = 50;      // between the header's texts and the logo
constexpr int ConsolePoints = 8; // printed console lines
constexpr int ContinuedIndent = 300;

// A font for the texts of a page, sized in print units (pixels of the scaled painter).
QFont pixelFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, pixels));
    font.setBold(bold);
    return font;
}

int pointPixels(int points) {
    return points * TPrintJob::UnitsPerInch / 72;
}

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

TPrintJob::TPrintJob(QPaintDevice& dev, std::function<bool()> newPage)
    : device(dev), nextPage(std::move(newPage)) {
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
    if (!painter.isActive()) {
        return;
    }
    if ((paged && paged->newPage()) || (!paged && nextPage && nextPage())) {
        ++page;
    }
}

QFont TPrintJob::PrintFont(int pointSize) const {
    return pixelFont(pointPixels(pointSize));
}

void TPrintJob::PrintHeader(const QString& title, const QString& line1, const QString& line2,
                            const QString& line3) {
    const QString* given[4] = {&title, &line1, &line2, &line3};
    for (int i = 0; i < 4; ++i) {
        if (*given[i] != KeepMarker) {
            header[i] = *given[i];
        }
    }
    // The logo holds the top right corner; the texts keep to its left, each on its own band:
    // the title, a rule, the three lines one below the other, the rule across the page.
    const int w = width, L = LogoSize;
    const int logoLeft = w - L - 100;
    const int textRight = logoLeft - LogoGap;

    int titlePixels = pointPixels(TitlePoints);
    painter.setFont(pixelFont(titlePixels, true));
    const int titleRoom = textRight - 100;
    while (titlePixels > pointPixels(8) &&
           painter.fontMetrics().horizontalAdvance(header[0]) > titleRoom) {
        painter.setFont(pixelFont(--titlePixels, true));
    }
    const QString titleText =
        painter.fontMetrics().elidedText(header[0], Qt::ElideRight, titleRoom);
    const int titleWidth = painter.fontMetrics().horizontalAdvance(titleText);
    textOut(painter, 100 + (titleRoom - titleWidth) / 2, TitleTop, titleText);
    const int titleRule = TitleTop + painter.fontMetrics().height() + HeaderGap / 3;
    painter.drawLine(100, titleRule, textRight, titleRule);

    // The three lines in the largest size that fits between the two rules.
    const int linesTop = titleRule + HeaderGap;
    const int room = HeaderRule - HeaderGap - linesTop;
    int pixels = pointPixels(LinePoints);
    painter.setFont(pixelFont(pixels));
    while (pixels > 1 && 3 * painter.fontMetrics().height() > room) {
        painter.setFont(pixelFont(--pixels));
    }
    const QFontMetrics metrics = painter.fontMetrics();
    for (int i = 1; i <= 3; ++i) {
        textOut(painter, 200, linesTop + (i - 1) * metrics.height(),
                metrics.elidedText(header[i], Qt::ElideRight, textRight - 200));
    }
    painter.drawPixmap(QRect(logoLeft, 100, L, L), QIcon(LogoFile).pixmap(256, 256));
    painter.drawLine(100, HeaderRule, w - 100, HeaderRule);
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
    // Rows go down the page as far as the footer; the column heads start every page.
    constexpr int RowStep = 80;
    const int bottom = height - BodyBottomMargin;
    int y = BodyTop, onPage = 0;
    for (int r = 0; r < rows; ++r) {
        painter.setFont(PrintFont(8));
        if (onPage > 0 && y + RowStep + painter.fontMetrics().height() > bottom) {
            pageBreak();
            onPage = 0;
            y = BodyTop;
        }
        if (onPage == 0) {
            painter.setFont(PrintFont(10));
            printRow(y, [&](int column) {
                return model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
            });
        }
        painter.setFont(PrintFont(8));
        y += RowStep;
        QPixmap icon = rowIcon(model, r);
        if (!icon.isNull()) {
            painter.drawPixmap(QRect(QPoint(100, y - 20), QPoint(180, y + 60)), icon);
        }
        printRow(y, [&](int column) { return cellText(model, r, column); });
        ++onPage;
    }
}

void TPrintJob::PrintListView(const QTreeWidget& view, const std::vector<int>& columns) {
    PrintListView(*view.model(), columns);
}

void TPrintJob::PrintLines(const QStringList& lines) {
    const QFont font = PrintFont(ConsolePoints);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const int step = metrics.lineSpacing();
    const int room = width - 200;
    const int bottom = height - BodyBottomMargin;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    int y = BodyTop;
    bool pageHasLines = false;
    for (const QString& text : lines) {
        // Long lines wrap at a blank or comma where one is near, else anywhere; the rest of a
        // line is indented so that it reads as the same line.
        QTextLayout layout(text, font, &device);
        layout.setTextOption(option);
        layout.beginLayout();
        for (bool first = true;; first = false) {
            QTextLine line = layout.createLine();
            if (!line.isValid()) {
                break;
            }
            line.setLineWidth(first ? room : room - ContinuedIndent);
        }
        layout.endLayout();
        for (int i = 0; i < std::max(1, layout.lineCount()); ++i) {
            if (pageHasLines && y + step > bottom) {
                pageBreak();
                painter.setFont(font);
                y = BodyTop;
            }
            if (i < layout.lineCount()) {
                const QTextLine line = layout.lineAt(i);
                // The blanks a line breaks at take no room at its end.
                QString piece = text.mid(line.textStart(), line.textLength());
                while (!piece.isEmpty() && piece.back().isSpace()) {
                    piece.chop(1);
                }
                if (i > 0) {
                    piece = piece.trimmed();
                }
                textOut(painter, i == 0 ? 100 : 100 + ContinuedIndent, y, piece);
            }
            y += step;
            pageHasLines = true;
        }
    }
}

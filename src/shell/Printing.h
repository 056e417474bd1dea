#pragma once
// Printed reports of the page shown: page header with the product logo, footer with the time
// and page number, list views and text lines. Coordinates are in print units of
// 1/600 inch from the top left of the printable area, whatever the printer's resolution.
// The body of a page lies between BodyTop and PageHeight() - BodyBottomMargin.
#include <QPainter>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QAbstractItemModel;
class QPagedPaintDevice;
class QPaintDevice;
class QTreeWidget;

class TPrintJob {
public:
    static constexpr int UnitsPerInch = 600;
    static constexpr int BodyTop = 500;
    static constexpr int BodyBottomMargin = 200; // the footer's rule and text lie below
    // An argument of PrintHeader that is just this keeps the remembered text of its slot.
    static inline const QString KeepMarker = QStringLiteral("\"");

    // Starts painting on the device (a QPrinter or a QPdfWriter); page 1 is current.
    explicit TPrintJob(QPagedPaintDevice& device);
    // A device of one page (a picture of the page, in tests).
    explicit TPrintJob(QPaintDevice& device);
    // A device whose next page is started by newPage (false: no more pages), as a test's
    // recording device does.
    TPrintJob(QPaintDevice& device, std::function<bool()> newPage);
    ~TPrintJob(); // ends painting
    TPrintJob(const TPrintJob&) = delete;
    TPrintJob& operator=(const TPrintJob&) = delete;

    bool IsActive() const { return painter.isActive(); }
    QPainter& Painter() { return painter; }
    int PageWidth() const { return width; } // print units
    int PageHeight() const { return height; }
    int PageNumber() const { return page; }
    void NewPage();
    void End(); // finishes the document (also done by the destructor)

    void PrintHeader(const QString& title, const QString& line1, const QString& line2,
                     const QString& line3);
    void PrintFooter();
    // columns: 0 = the row caption, k = the row's sub-item k - 1 (model column k). Starts a
    // new page (footer, header with keep markers) when the body is full; the caller prints the
    // last footer.
    void PrintListView(const QAbstractItemModel& model, const std::vector<int>& columns);
    void PrintListView(const QTreeWidget& view, const std::vector<int>& columns);
    // Lines wrapped to the page width (a continued line indented), as many to a page as the
    // body holds; the caller prints the last footer.
    void PrintLines(const QStringList& lines);

    // The font used for text: Arial (or the nearest the system has) at a point size.
    QFont PrintFont(int pointSize) const;

private:
    void pageBreak();
    void begin();
    QPaintDevice& device;
    QPagedPaintDevice* paged = nullptr; // null for a device of one page
    std::function<bool()> nextPage;     // pages of a device that is not a paged one
    QPainter painter;
    int width = 0, height = 0;
    int page = 1;
    QString header[4];
};

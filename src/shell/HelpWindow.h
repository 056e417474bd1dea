#pragma once
// The help window: the program's own reader of its help pages, so help works on a machine
// without a web browser. A contents list of the page's headings beside the text, Back and
// Forward through the pages and places visited; links that leave the help pages (web addresses,
// mail, files that are not help pages) go to the desktop's own program.
#include <QUrl>
#include <QWidget>

#include <functional>

class QAction;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

class TfHelp : public QWidget {
    Q_OBJECT
public:
    explicit TfHelp(QWidget* parent = nullptr);
    ~TfHelp() override;

    // Shows the window at the help page (a file) and, when given, at its anchor. False, and
    // nothing shown, when the page does not exist.
    bool ShowPage(const QString& file, const QString& anchor = {});
    // Follows a link as a click on it does: help pages open here, anything else outside.
    void FollowLink(const QUrl& link);
    // True for a link that opens in this window: a page of the help folder or a place in one.
    bool IsHelpLink(const QUrl& resolved) const;

    // Opens a link outside the help pages; the desktop's browser unless replaced (tests).
    std::function<bool(const QUrl&)> OpenExternal;
    // Says what went wrong with a link (the window's message box unless replaced).
    std::function<void(const QString&)> Warn;

    QTextBrowser& browser() const { return *Browser; }
    QTreeWidget& contents() const { return *Contents; }
    QAction& backAction() const { return *Back; }
    QAction& forwardAction() const { return *Forward; }
    QAction& homeAction() const { return *Home; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void sourceChanged(const QUrl& source);
    void rebuildContents();
    void contentsClicked(QTreeWidgetItem* item);
    void markContents(const QString& fragment);

    QTextBrowser* Browser = nullptr;
    QTreeWidget* Contents = nullptr;
    QAction *Back = nullptr, *Forward = nullptr, *Home = nullptr;
    QString Folder; // the help folder: pages in it (and below) are help pages
    QUrl Page;      // the page the contents list belongs to (without fragment)
    QUrl HomePage;
    bool PlacementLoaded = false;
};

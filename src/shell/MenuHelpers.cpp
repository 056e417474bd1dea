#include "shell/MenuHelpers.h"

#include "common/ExtraInfo.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QUrl>

#include <algorithm>
#include <cctype>

namespace {

const char* const MoreMenuName = "quorvinMoreMenu";

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

QMenu* moreMenuOf(const QAction* action) {
    QMenu* sub = action->menu();
    return sub && sub->objectName() == QLatin1String(MoreMenuName) ? sub : nullptr;
}

// Every item of the menu, following the "More..." chain of an earlier break.
void collectItems(const QMenu& menu, QList<QAction*>& items) {
    for (QAction* action : menu.actions()) {
        if (QMenu* more = moreMenuOf(action)) {
            collectItems(*more, items);
        } else {
            items.append(action);
        }
    }
}

// Undoes an earlier break: takes every item out and drops the old "More..." menus (the items
// themselves belong to whoever made them and live on).
void detachItems(QMenu& menu) {
    const QList<QAction*> actions = menu.actions();
    for (QAction* action : actions) {
        menu.removeAction(action);
        if (QMenu* more = moreMenuOf(action)) {
            detachItems(*more);
            more->setParent(nullptr);
            more->deleteLater();
        }
    }
}

int itemHeight(const QMenu& menu) {
    QStyleOptionMenuItem option;
    option.initFrom(&menu);
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.text = QStringLiteral("Xy");
    QSize size = menu.style()->sizeFromContents(QStyle::CT_MenuItem, &option,
                                                QSize(10, menu.fontMetrics().height()), &menu);
    return std::max(1, size.height());
}

int automaticRows(const QMenu& menu) {
    const QScreen* screen = menu.screen() ? menu.screen() : QGuiApplication::primaryScreen();
    int height = screen ? screen->availableGeometry().height() : 600;
    // One row of each column holds the "More..." entry.
    return std::max(2, height / itemHeight(menu) - 1);
}

} // namespace

TViewStyle ViewStyleFromText(const std::string& text) {
    std::string name = upper(text);
    if (name == "LARGEICONS") {
        return vsIcon;
    }
    if (name == "SMALLICONS") {
        return vsSmallIcon;
    }
    if (name == "LIST") {
        return vsList;
    }
    return vsReport;
}

std::string ViewStyleText(TViewStyle style) {
    switch (style) {
    case vsIcon:
        return "LargeIcons";
    case vsSmallIcon:
        return "SmallIcons";
    case vsList:
        return "List";
    case vsReport:
        break;
    }
    return "Report";
}

std::vector<int> MenuColumnStarts(int count, int rows) {
    std::vector<int> starts;
    if (rows <= 0) {
        return starts;
    }
    for (int i = 0; i < count; i += rows) {
        starts.push_back(i);
    }
    return starts;
}

void SetMenuColumns(QMenu& menu, int rows) {
    QList<QAction*> items;
    collectItems(menu, items);
    detachItems(menu);
    if (rows <= 0) {
        rows = automaticRows(menu);
    }
    QMenu* column = &menu;
    for (int i = 0; i < items.size(); ++i) {
        if (i > 0 && i % rows == 0) {
            auto* more = new QMenu(QStringLiteral("More..."), column);
            more->setObjectName(QLatin1String(MoreMenuName));
            column->addMenu(more);
            column = more;
        }
        column->addAction(items[i]);
    }
}

int MenuItemCount(const QMenu& menu) {
    QList<QAction*> items;
    collectItems(menu, items);
    return static_cast<int>(items.size());
}

int RunDocument(const std::string& path) {
    constexpr int FileNotFound = 2, NoAssociation = 31, Started = 42;
    QFileInfo info(QString::fromStdString(path));
    if (path.empty() || !info.exists() || !info.isFile()) {
        return FileNotFound;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? Started
                                                                                   : NoAssociation;
}

void InitQuorvinResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

void ShowExtraInfo(QPlainTextEdit& memo, const std::string& comments) {
    QStringList lines;
    for (const std::string& line : ExtraInfoLines(comments)) {
        lines.append(QString::fromStdString(line));
    }
    memo.setPlainText(lines.join(QLatin1Char('\n')));
    memo.moveCursor(QTextCursor::Start);
}

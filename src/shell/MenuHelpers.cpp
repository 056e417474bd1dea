#include "shell/MenuHelpers.h"

#include <QMenu>
#include <QPlainTextEdit>

TViewStyle ViewStyleFromText(const std::string&) {
    return vsReport;
}
std::string ViewStyleText(TViewStyle) {
    return "Report";
}
void SetMenuColumns(QMenu&, int) {}
int MenuItemCount(const QMenu& menu) {
    return static_cast<int>(menu.actions().size());
}
std::vector<int> MenuColumnStarts(int, int) {
    return {0};
}
int RunDocument(const std::string&) {
    return 2;
}
void ShowExtraInfo(QPlainTextEdit& memo, const std::string&) {
    memo.clear();
}

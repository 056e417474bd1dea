#pragma once
// The console pane of the macros page: read-only, black, coloured lines, no wrap. The console
// buffer writes into it through TConsoleTarget; it never holds more lines than the buffer allows.
#include "common/ConsoleBuffer.h"

#include <QPlainTextEdit>

class QAction;
class QMenu;

class TConsoleView : public QPlainTextEdit, public TConsoleTarget {
    Q_OBJECT
public:
    explicit TConsoleView(QWidget* parent = nullptr);

    // TConsoleTarget
    int LineCount() override { return lines; }
    void Clear() override;
    void AppendLine(const std::string& line, uint32_t colour) override;
    void Repaint() override;

    // The console's pop-up menu: "Copy", "Copy All", -, "Clear". Copy is enabled only with a
    // selection; the menu is rebuilt on every pop-up so that state is current.
    QMenu* CreatePopupMenu();
    // The console's text, one line per console line (for copying and printing).
    QStringList Lines() const;
    void CopyAll();

    static QColor ColourOf(uint32_t colour); // 0x00BBGGRR

signals:
    // "Clear" of the pop-up menu: the owner clears the console buffer.
    void ClearRequested();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int lines = 0;
    bool batchOpen = false;
    bool following = true;
};

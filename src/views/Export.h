#pragma once
// The export dialog ("Export data..."): choose the format, the attributes, the frames and the
// file, and write the logged frames through the core's writers (log/LogExport.h). The format,
// the optional columns and the selection are remembered in the ini file; the first time every
// attribute is selected.
#include <QDialog>
#include <QMessageBox>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "log/LogExport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;
class TCartridge;
class TDataLog;

// What the charts show when the dialog opens: frames First .. End-1 in view, the cursor's frame
// (-1 when it is on none).
struct TExportChartRange {
    int First = 0;
    int End = 0;
    int Cursor = -1;
};

class TfExport : public QDialog {
    Q_OBJECT
public:
    // Warnings and errors of the dialog; tests answer them.
    using TMessageHook = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    // The save-file dialog of Browse: the chosen name, empty when cancelled.
    using TSaveDialogHook = std::function<QString(const QString& start)>;
    // A yes/no question of the dialog (No is the default); tests answer it.
    using TQuestionHook = std::function<bool(const QString& text)>;

    TfExport(TCartridge& engine, TDataLog& log, QWidget* parent = nullptr);
    ~TfExport() override;

    // Fills the list and the fields from the image, the capture and the remembered choices, then
    // shows the dialog modally. Returns true when a file was written.
    bool Execute();
    // The filling part of Execute (FormShow).
    void FormShow();

    // The buttons.
    void BrowseClick();
    void SelectAllClick();
    void ClearClick();
    void InvertClick();
    // Checks the choices, writes the file under a busy cursor and closes the dialog; a warning
    // or an error leaves it open. True when the file was written.
    bool ExportClick();

    // The chosen rows as columns of the file, in list order.
    std::vector<TExportColumn> Chosen() const;
    // The frames to write: all, the charts' visible range, the cursor's frame to the end, or
    // "Frames:" .. "to" (upper number exclusive).
    TCsvRange Range() const;
    TExportOptions Options() const;

    QTreeWidget& list() const { return *List; }
    QLineEdit& fileName() const { return *FileName; }
    QLineEdit& fromField() const { return *FromFrame; }
    QLineEdit& toField() const { return *ToFrame; }
    QRadioButton& allFrames() const { return *AllFrames; }
    QRadioButton& visibleRange() const { return *VisibleRange; }
    QRadioButton& cursorRange() const { return *CursorRange; }
    QRadioButton& framesRange() const { return *FramesRange; }
    QRadioButton& formatButton(TExportFormat format) const;
    QCheckBox& clockColumn() const { return *ClockColumn; }
    QCheckBox& notesColumn() const { return *NotesColumn; }
    QCheckBox& codesColumn() const { return *CodesColumn; }
    QLabel& emptyText() const { return *EmptyText; }
    bool ShowsEmptyText() const;
    QPushButton& exportButton() const { return *ExportButton; }

    TMessageHook MessageHook;
    TSaveDialogHook SaveDialogHook;
    TQuestionHook QuestionHook;
    // Runs after a file was written: the image then holds the last exported frame, so the
    // main window shows the frame under the chart cursor again.
    std::function<void()> OnExported;
    // The charts' view when the dialog opens; none: the two chart ranges are not offered.
    std::function<TExportChartRange()> ChartRange;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void message(QMessageBox::Icon icon, const QString& text);
    bool ask(const QString& text);
    TExportFormat format() const;
    void formatChanged();
    // Fills the list with the attributes the format can hold, selected as remembered.
    void fillList();
    // Keeps the selection of the rows shown in Selection.
    void takeSelection();
    void loadChoices();
    void saveChoices();
    std::string rowKey(const TExportColumn& c) const;

    TCartridge& Engine;
    TDataLog& Log;
    std::vector<TExportColumn> Rows;
    // Selected or not, by attribute ("module/request/attribute"), for every attribute seen.
    std::map<std::string, bool> Selection;
    TExportFormat Shown = TExportFormat::Spreadsheet; // the format the list was filled for
    TExportChartRange Charts;
    QString Confirmed; // the name Browse chose: its save dialog asked about replacing it
    QTreeWidget* List = nullptr;
    QStackedWidget* ListStack = nullptr;
    QLabel* EmptyText = nullptr;
    QLineEdit* FileName = nullptr;
    QLineEdit* FromFrame = nullptr;
    QLineEdit* ToFrame = nullptr;
    QRadioButton* Formats[3] = {};
    QCheckBox* ClockColumn = nullptr;
    QCheckBox* NotesColumn = nullptr;
    QCheckBox* CodesColumn = nullptr;
    QRadioButton* AllFrames = nullptr;
    QRadioButton* VisibleRange = nullptr;
    QRadioButton* CursorRange = nullptr;
    QRadioButton* FramesRange = nullptr;
    QPushButton* ExportButton = nullptr;
};

#pragma once
// The export dialog ("Export data..."): choose the attributes, the frames and the file, and write
// the logged frames as comma-separated text through the core's CSV writer.
#include <QDialog>
#include <QMessageBox>

#include <functional>
#include <string>
#include <vector>

#include "log/CsvExport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class TCartridge;
class TDataLog;

class TfExport : public QDialog {
    Q_OBJECT
public:
    // Warnings and errors of the dialog; tests answer them.
    using TMessageHook = std::function<void(QMessageBox::Icon icon, const QString& text)>;
    // The save-file dialog of Browse: the chosen name, empty when cancelled.
    using TSaveDialogHook = std::function<QString(const QString& start)>;

    TfExport(TCartridge& engine, TDataLog& log, QWidget* parent = nullptr);
    ~TfExport() override;

    // Fills the list and the fields from the image and the capture, then shows the dialog
    // modally. Returns true when a file was written.
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
    // The frames to write: all, or "Frames:" .. "to" (upper number exclusive).
    TCsvRange Range() const;

    QTreeWidget& list() const { return *List; }
    QLineEdit& fileName() const { return *FileName; }
    QLineEdit& fromField() const { return *FromFrame; }
    QLineEdit& toField() const { return *ToFrame; }
    QCheckBox& allFrames() const { return *AllFrames; }
    QLabel& emptyText() const { return *EmptyText; }
    bool ShowsEmptyText() const;
    QPushButton& exportButton() const { return *ExportButton; }

    TMessageHook MessageHook;
    TSaveDialogHook SaveDialogHook;
    // Runs after a file was written: the image then holds the last exported frame, so the
    // main window shows the frame under the chart cursor again.
    std::function<void()> OnExported;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void message(QMessageBox::Icon icon, const QString& text);

    TCartridge& Engine;
    TDataLog& Log;
    std::vector<TExportColumn> Rows;
    QTreeWidget* List = nullptr;
    QStackedWidget* ListStack = nullptr;
    QLabel* EmptyText = nullptr;
    QLineEdit* FileName = nullptr;
    QLineEdit* FromFrame = nullptr;
    QLineEdit* ToFrame = nullptr;
    QCheckBox* AllFrames = nullptr;
    QPushButton* ExportButton = nullptr;
};

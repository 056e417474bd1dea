// File and vehicle commands: the capture buffer's New, Open, Save, Save as and Export, unsaved
// logged frames, and selecting, saving and editing the vehicle definition.
#include "shell/Main.h"

#include "common/Common.h"
#include "definitions/XMLData.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "shell/Properties.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>

namespace {

// Restores the cursor when a command leaves, also by an exception.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

bool ShortNameChar(QChar c) {
    return c.isLetterOrNumber() && c.unicode() < 128 ? true : c == '_' || c == '-';
}

} // namespace

void TfMain::actFileNewExecute() {
    New();
}

QString TfMain::fileDialog(TFileDialog kind, const QString& title, const QString& filter,
                           const QString& start) {
    if (FileDialogHook) {
        return FileDialogHook(kind, title, filter, start);
    }
    switch (kind) {
    case TFileDialog::OpenLog:
    case TFileDialog::OpenVehicle:
        return QFileDialog::getOpenFileName(this, title, start, filter);
    case TFileDialog::SaveLog:
    case TFileDialog::SaveVehicle:
        // Qt's save dialog asks before overwriting and only offers folders that exist.
        return QFileDialog::getSaveFileName(this, title, start, filter);
    }
    return {};
}

void TfMain::actFileOpenExecute() {
    New();
    if (InRunState(rsLogModified)) {
        return;
    }
    QString name = fileDialog(TFileDialog::OpenLog, "Select aldl data file...",
                              "Aldl log files (*.alg)", QString::fromStdString(DataDir()));
    if (name.isEmpty()) {
        return;
    }
    showProgress("Load data from file...");
    repaint();
    try {
        TWaitCursor wait;
        Log->SetOnProgress([this](int percent) { Progress(percent); });
        Log->LoadFromFile(name.toStdString());
        Log->SetOnProgress({});
        SetRunState((RunState & ~rsLogModified) | rsLogHasData);
        setWindowTitle(GetCaption());
        if (Log->LastLoadTruncated()) {
            Console->Add("The last frame of the file was cut short and is left out.", clInfo);
            Console->Flush();
        }
        MonitorRePlot();
    } catch (...) {
        Log->SetOnProgress({});
        hideProgress();
        throw;
    }
    hideProgress();
}

void TfMain::saveLog(const std::string& fileName) {
    TWaitCursor wait;
    Log->SaveToFile(fileName);
    dropJournal(); // the saved file holds every frame now
    SetRunState(RunState & ~rsLogModified);
    setWindowTitle(GetCaption());
}

void TfMain::actFileSaveExecute() {
    if (Log->FileName().empty()) {
        actFileSaveAsExecute();
        return;
    }
    saveLog(Log->FileName());
}

void TfMain::actFileSaveAsExecute() {
    QString start = Log->FileName().empty() ? QString::fromStdString(DataDir()) + "/"
                                            : QString::fromStdString(Log->FileName());
    QString name = fileDialog(TFileDialog::SaveLog, "Save aldl data file as...",
                              "Aldl log files (*.alg)", start);
    if (name.isEmpty()) {
        return;
    }
    if (QFileInfo(name).suffix().isEmpty()) {
        name += ".alg";
    }
    saveLog(LogFileName(name.toStdString()));
}

std::string TfMain::LogFileName(const std::string& chosen) const {
    if (!Options.FileNames83) {
        return chosen;
    }
    // 8.3: at most eight plain characters before the dot and three after it, in the chosen
    // folder. A clash with another existing file takes a "~n" tail, as DOS short names do.
    QFileInfo info(QString::fromStdString(chosen));
    QString base, suffix;
    for (QChar c : info.completeBaseName()) {
        if (ShortNameChar(c)) {
            base += c;
        }
    }
    for (QChar c : info.suffix()) {
        if (ShortNameChar(c)) {
            suffix += c;
        }
    }
    if (base.isEmpty()) {
        base = "ALDL";
    }
    suffix = suffix.isEmpty() ? QString("alg") : suffix.left(3);
    const QString folder = info.path();
    QString name = folder + "/" + base.left(8) + "." + suffix;
    if (QFileInfo(name).absoluteFilePath() == info.absoluteFilePath()) {
        return name.toStdString();
    }
    for (int n = 1; QFileInfo::exists(name) && n <= 9; ++n) {
        name = folder + "/" + base.left(6) + "~" + QString::number(n) + "." + suffix;
    }
    return name.toStdString();
}

std::string TfMain::autoSaveName() const {
    // Named after the time of day it was saved, in the data folder.
    QDir().mkpath(QString::fromStdString(DataDir()));
    const double now = LocalNow();
    std::string name = Options.FileNames83 ? FormatDateTime("mmddhhnn", now)
                                           : "Aldl " + FormatDateTime("yyyy-mm-dd hh.nn.ss", now);
    return LogFileName(DataDir() + "/" + name + ".alg");
}

bool TfMain::ResolveUnsavedLog() {
    if (!InRunState(rsLogModified) || Options.SaveData == 2) {
        dropJournal(); // saved already, or discarded by the setting
        return true;
    }
    try {
        if (Options.SaveData == 0) {
            saveLog(Log->FileName().empty() ? autoSaveName() : Log->FileName());
            Console->Add("Logged data saved to " + Log->FileName(), clInfo);
            Console->Flush();
        } else {
            switch (Ask(QMessageBox::Warning,
                        "The logged data have not been saved.\r\nDo you want to save them?",
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
            case QMessageBox::Yes:
                actFileSaveExecute();
                break;
            case QMessageBox::No:
                dropJournal();
                return true;
            default:
                return false;
            }
        }
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    return !InRunState(rsLogModified);
}

void TfMain::actFileExportExecute() {
    if (ExportDialog) {
        ExportDialog();
        return;
    }
    Ask(QMessageBox::Information, "Export of logged data is not available in this build.",
        QMessageBox::Ok);
}

void TfMain::LoadVehicle(const std::string& fileName) {
    TWaitCursor wait;
    New();
    if (!Log->Empty()) {
        return;
    }
    if (Vehicle->LoadFromFile(fileName)) {
        MruVehicle = fileName;
        StatusPanels[0]->setText(QString::fromStdString(Vehicle->FileName));
        setWindowTitle(GetCaption());
    }
    UpdateActions(); // the interface type decides whether chatter can be listened to
}

bool TfMain::askSaveVehicle() {
    if (Options.SaveVehicle == 2 || !Vehicle->Dirty) {
        return true;
    }
    if (Options.SaveVehicle != 0) {
        switch (Ask(QMessageBox::Warning,
                    QString::fromStdString("Do you want to save vehicle definition\r\n" +
                                           Vehicle->FileName + "?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
        case QMessageBox::Yes:
            break;
        case QMessageBox::No:
            return true;
        default:
            return false;
        }
    }
    Vehicle->Save();
    return !Vehicle->Dirty;
}

void TfMain::actFileOpenVehicleExecute() {
    if (!askSaveVehicle()) {
        return;
    }
    QString name = fileDialog(TFileDialog::OpenVehicle, "Select vehicle...",
                              "Vehicle definitions (*.xml)", QString::fromStdString(VehicleDir()));
    if (name.isEmpty()) {
        return;
    }
    SetRunState(RunState & ~rsMacroSelected);
    LoadVehicle(name.toStdString());
    MruMacro = 0;
    OpenPort();
    Console->Flush();
    SelectMacro();
}

void TfMain::actFileSaveVehicleExecute() {
    Vehicle->Save();
    UpdateActions();
}

void TfMain::actFileSaveVehicleAsExecute() {
    QString name = QString::fromStdString(Vehicle->FileName);
    if (Options.SaveVehicle != 0) {
        name = fileDialog(TFileDialog::SaveVehicle, "Save vehicle as...",
                          "Vehicle definitions (*.xml)",
                          name.isEmpty() ? QString::fromStdString(VehicleDir()) + "/" : name);
        if (name.isEmpty()) {
            return;
        }
    }
    if (Vehicle->SaveToFile(name.toStdString())) {
        MruVehicle = Vehicle->FileName;
        setWindowTitle(GetCaption());
    }
    UpdateActions();
}

void TfMain::actEditVehicleExecute() {
    Vehicle->Changed = false;
    const uint32_t before = RunState;
    SetRunState(RunState & ~rsMacroSelected);
    if (VehicleEditor) {
        VehicleEditor();
    } else {
        Ask(QMessageBox::Information, "The vehicle editor is not available in this build.",
            QMessageBox::Ok);
    }
    if (Vehicle->Changed) {
        Console->Add("Updating vehicle information...", clInfo);
        Console->Flush();
        OpenPort();
        setWindowTitle(GetCaption());
        SelectMacro();
    } else {
        SetRunState(before);
    }
}

void TfMain::actEditScaleExecute() {
    if (ScaleEditor) {
        ScaleEditor();
        return;
    }
    Ask(QMessageBox::Information, "The scale codes editor is not available in this build.",
        QMessageBox::Ok);
}

void TfMain::actEditPropertiesExecute() {
    fProperties->Execute();
    if (fProperties->CommsChanged()) {
        OpenPort();
    }
    SetPopupRows();
}

void TfMain::actFileExitExecute() {
    close();
}

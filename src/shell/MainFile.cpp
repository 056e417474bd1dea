// File and vehicle commands: the capture buffer's New, Open, Save, Save as and Export, unsaved
// logged frames, and selecting, saving and editing the vehicle definition.
#include "shell/Main.h"

#include "common/Common.h"
#include "common/Format.h"
#include "common/IniFile.h"
#include "definitions/XMLData.h"
#include "engine/Cartridge.h"
#include "link/Packet.h"
#include "link/RS232.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "shell/Properties.h"
#include "views/ViewMacros.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QProgressDialog>

#include <algorithm>

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

// The first 8.3 name in folder that no file has: base, then a "~n" tail in place of its last
// characters, as DOS short names do, counting on past ~9 ("~10" keeps five of base's).
QString freeShortName(const QString& folder, const QString& base, const QString& suffix) {
    QString name = folder + "/" + base.left(8) + "." + suffix;
    for (int n = 1; QFileInfo::exists(name); ++n) {
        const QString tail = "~" + QString::number(n);
        name = folder + "/" + base.left(std::max(1, 8 - static_cast<int>(tail.size()))) + tail +
               "." + suffix;
    }
    return name;
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
    // The capture on show stays until another has loaded: a cancelled or failed load keeps it.
    if (InRunState(rsLogModified) && !ResolveUnsavedLog()) {
        return;
    }
    QString name = fileDialog(TFileDialog::OpenLog, "Select aldl data file...",
                              "Aldl log files (*.alg)", dataFolder());
    if (!name.isEmpty()) {
        openSettledLog(name.toStdString());
    }
}

bool TfMain::OpenLog(const std::string& fileName) {
    if (InRunState(rsLogModified) && !ResolveUnsavedLog()) {
        return false;
    }
    return openSettledLog(fileName);
}

bool TfMain::openSettledLog(const std::string& fileName) {
    if (!loadLog(fileName)) {
        return false;
    }
    if (!Log->LoadWarning().empty()) {
        // Saved under the damaged file's name, the log would cut off the frames after the
        // damage for good: Save asks for a name instead.
        Log->DetachFile();
    }
    ChartMonitor->ClearCharts();
    ValueList->Clear();
    DTCList->Clear();
    FlagList->Clear();
    SetRunState((RunState & ~rsLogModified) | rsLogHasData);
    setWindowTitle(GetCaption());
    reportLoad();
    MonitorRePlot();
    return true;
}

bool TfMain::loadLog(const std::string& fileName) {
    // A load that lasts longer than about a second shows its progress and can be cancelled.
    QProgressDialog progress("Load data from file...", "Cancel", 0, 100, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(LoadDialogDelayMs);
    progress.setAutoReset(false);
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    int shown = -1;
    Log->SetOnProgress([&](int percent) {
        if (percent != shown) {
            shown = percent;
            progress.setValue(percent);
        }
        if (sinceEvents.elapsed() >= 50) {
            sinceEvents.restart();
            QApplication::processEvents();
        }
        if (progress.wasCanceled()) {
            throw ELoadCancelled();
        }
    });
    try {
        Log->LoadFromFile(fileName);
    } catch (const ELoadCancelled&) {
        Log->SetOnProgress({});
        Console->Add("Loading cancelled; the log shown is as it was.", clInfo);
        Console->Flush();
        return false;
    } catch (...) {
        Log->SetOnProgress({});
        throw;
    }
    Log->SetOnProgress({});
    return true;
}

void TfMain::reportLoad() {
    if (Log->LastLoadTruncated()) {
        Console->Add("The last frame of the file was cut short and is left out.", clInfo);
    }
    if (Log->BadChecksums() > 0) {
        Console->Add(
            Format("%d of %d frames have a bad checksum.", Log->BadChecksums(), Log->Count()),
            clInfo);
    }
    Console->Flush();
    if (!Log->LoadWarning().empty()) {
        Console->Add(Log->LoadWarning(), clError);
        Console->Add("The damaged file is kept as it is: Save asks for a new name.", clInfo);
        Console->Flush();
        Ask(QMessageBox::Warning, QString::fromStdString(Log->LoadWarning()), QMessageBox::Ok);
    }
}

QString TfMain::dataFolder() const {
    QDir().mkpath(QString::fromStdString(DataDir())); // made when first needed
    return QString::fromStdString(DataDir());
}

bool TfMain::mayReplace(const std::string& chosen, const std::string& target) {
    if (target == chosen || !QFileInfo::exists(QString::fromStdString(target))) {
        return true; // the file dialog asked already, or there is nothing to replace
    }
    return Ask(QMessageBox::Warning,
               QString::fromStdString(target + " already exists.\r\nDo you want to replace it?"),
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
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
    QString start =
        Log->FileName().empty() ? dataFolder() + "/" : QString::fromStdString(Log->FileName());
    QString name = fileDialog(TFileDialog::SaveLog, "Save aldl data file as...",
                              "Aldl log files (*.alg)", start);
    if (name.isEmpty()) {
        return;
    }
    const std::string chosen = name.toStdString();
    if (QFileInfo(name).suffix().isEmpty()) {
        name += ".alg";
    }
    const std::string target = LogFileName(name.toStdString());
    if (mayReplace(chosen, target)) {
        saveLog(target);
    }
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
    const QString name = folder + "/" + base.left(8) + "." + suffix;
    if (QFileInfo(name).absoluteFilePath() == info.absoluteFilePath()) {
        return name.toStdString(); // the name chosen: the save dialog asked already
    }
    return freeShortName(folder, base, suffix).toStdString();
}

std::string TfMain::autoSaveName() const {
    // Named after the time of day it was saved, in the data folder; never over another log.
    const std::string folder = dataFolder().toStdString();
    const double now = LocalNow();
    if (Options.FileNames83) {
        return freeShortName(QString::fromStdString(folder),
                             QString::fromStdString(FormatDateTime("mmddhhnn", now)), "alg")
            .toStdString();
    }
    const std::string base = folder + "/Aldl " + FormatDateTime("yyyy-mm-dd hh.nn.ss", now);
    std::string name = base + ".alg";
    for (int n = 2; QFileInfo::exists(QString::fromStdString(name)); ++n) {
        name = base + Format("-%d", n) + ".alg";
    }
    return name;
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

bool TfMain::LoadVehicle(const std::string& fileName) {
    TWaitCursor wait;
    // The log on show goes only once the file has loaded: a file that cannot be read leaves the
    // vehicle and the log as they were.
    const bool loaded = Vehicle->LoadFromFile(fileName, [this] {
        New();
        return Log->Empty();
    });
    if (loaded) {
        MruVehicle = fileName;
        StatusPanels[0]->setText(QString::fromStdString(Vehicle->FileName));
        setWindowTitle(GetCaption());
    }
    UpdateActions(); // the interface type decides whether chatter can be listened to
    return loaded;
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
    if (!name.isEmpty()) {
        SelectVehicle(name.toStdString());
    }
}

void TfMain::SelectVehicle(const std::string& fileName) {
    // Unsaved logged frames are settled first: a Cancel there ends the whole command, with the
    // vehicle, the macro and the port as they were.
    if (InRunState(rsLogModified)) {
        if (!ResolveUnsavedLog()) {
            return;
        }
        SetRunState(RunState & ~rsLogModified); // settled: loading the vehicle clears them
    }
    rememberVehicleMacro();
    const uint32_t selected = RunState & rsMacroSelected;
    SetRunState(RunState & ~rsMacroSelected);
    if (!LoadVehicle(fileName)) {
        SetRunState(RunState | selected); // the vehicle loaded before stays, with its macro
        return;
    }
    MruMacro = DefaultMacroNode();
    OpenPort();
    Console->Flush();
    SelectMacro();
}

namespace {

constexpr const char* VehicleMacros = "VehicleMacros"; // ini section: vehicle file = MacID

// A file name the ini file can hold as a key.
bool iniKeyFits(const std::string& path) {
    return !path.empty() && path.find_first_of("=\r\n") == std::string::npos;
}

// Keeps a table's cursor where it was.
class TKeepCursor {
public:
    explicit TKeepCursor(TTable& table) : table_(table), mark_(table.Bookmark()) {}
    ~TKeepCursor() {
        if (mark_.Valid()) {
            table_.GotoBookmark(mark_);
        }
    }
    TKeepCursor(const TKeepCursor&) = delete;
    TKeepCursor& operator=(const TKeepCursor&) = delete;

private:
    TTable& table_;
    TBookmark mark_;
};

// A request whose data start with mode $0A (the mode byte, or the first parameter when the
// module has none) clears the trouble codes stored in the module.
bool clearsCodes(const std::string& modeByte, const std::string& parameters) {
    const std::vector<std::string> items = ByteListItems(modeByte.empty() ? parameters : modeByte);
    return !items.empty() && ByteListValue(items.front()) == 0x0A;
}

struct TMacroNode {
    int Node = 0; // its index in the macro tree
    int MacID = 0;
    bool ClearsCodes = false;
};

// The vehicle's macros in the order of the macro tree, which has a node for each macro and
// one for each of its items.
std::vector<TMacroNode> macroNodes(TVehicle& v) {
    std::vector<TMacroNode> nodes;
    if (v.Vehicles->IsEmpty()) {
        return nodes;
    }
    TKeepCursor keepMacro(*v.Macros), keepModule(*v.Modules);
    int node = 0;
    for (v.Macros->First(); !v.Macros->Eof(); v.Macros->Next()) {
        TMacroNode macro{node++, v.Macros->AsInteger("MacID"), false};
        for (v.Items->First(); !v.Items->Eof(); v.Items->Next(), ++node) {
            if (v.Modules->Locate("MCode", TValue(v.Items->AsString("MCode"))) &&
                v.Requests->Locate("RCode", TValue(v.Items->AsString("RCode")))) {
                macro.ClearsCodes =
                    macro.ClearsCodes || clearsCodes(v.Modules->AsString("ModeByte"),
                                                     v.Requests->AsString("Parameters"));
            }
        }
        nodes.push_back(macro);
    }
    return nodes;
}

} // namespace

void TfMain::rememberVehicleMacro() {
    if (!InRunState(rsMacroSelected) || !iniKeyFits(Vehicle->FileName)) {
        return;
    }
    const int macID = MacrosPage->MacroOfNode(MruMacro);
    if (macID < 0) {
        return;
    }
    try {
        TIniFile ini(IniPath());
        ini.WriteInteger(VehicleMacros, Vehicle->FileName, macID);
        ini.UpdateFile();
    } catch (const std::exception& e) {
        Console->Add(e.what(), clError); // only the choice of macro is not kept
    }
}

int TfMain::DefaultMacroNode() const {
    const std::vector<TMacroNode> nodes = macroNodes(*Vehicle);
    if (iniKeyFits(Vehicle->FileName)) {
        const int remembered =
            TIniFile(IniPath()).ReadInteger(VehicleMacros, Vehicle->FileName, -1);
        for (const TMacroNode& macro : nodes) {
            if (macro.MacID == remembered) {
                return macro.Node;
            }
        }
    }
    for (const TMacroNode& macro : nodes) {
        if (!macro.ClearsCodes) {
            return macro.Node;
        }
    }
    return 0; // every macro clears codes: Start asks before sending it
}

bool TfMain::MacroClearsCodes() const {
    for (int i = 0; i < Engine->ItemCount && i < static_cast<int>(Engine->Items.size()); ++i) {
        const TMacroItem& item = Engine->Items[i];
        if (clearsCodes(item.ModeByte, item.Request.Parameters)) {
            return true;
        }
    }
    return false;
}

void TfMain::OpenFiles(const std::vector<std::string>& files) {
    // Vehicles first, so that a log named with one is shown in its macro.
    for (const bool vehicles : {true, false}) {
        for (const std::string& file : files) {
            const bool isVehicle = QFileInfo(QString::fromStdString(file))
                                       .suffix()
                                       .compare("xml", Qt::CaseInsensitive) == 0;
            if (isVehicle != vehicles) {
                continue;
            }
            try {
                if (InRunState(rsActive)) {
                    break; // the commands below need the bus idle
                }
                if (isVehicle) {
                    SelectVehicle(file);
                } else {
                    OpenLog(file);
                }
            } catch (const std::exception& e) {
                ShowError(e.what());
            }
        }
    }
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
        const std::string chosen = name.toStdString();
        if (!mayReplace(chosen, TVehicle::NormaliseFileName(chosen))) {
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
    // Ok also tries a closed port again: the adapter may have been plugged in meanwhile.
    if (fProperties->CommsChanged() || (fProperties->Accepted() && !Link->IsOpen())) {
        OpenPort();
    }
    SetPopupRows();
}

void TfMain::actFileExitExecute() {
    close();
}

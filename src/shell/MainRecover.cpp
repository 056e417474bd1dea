// The journal of the capture: logged frames reach a file in the data folder as they are read,
// the file goes when the capture is saved or discarded, and one left behind by a crash or a
// power loss is offered at the next start.
#include "shell/Main.h"

#include "common/Common.h"
#include "common/Format.h"
#include "engine/RunWorker.h"
#include "link/Rtime.h"
#include "log/DataLog.h"
#include "log/LogJournal.h"

#include <chrono>
#include <filesystem>

namespace {

// The local date-time (days) a file was last written.
double writtenAt(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const auto age = fs::file_time_type::clock::now() - fs::last_write_time(path, error);
    return LocalNow() - (error ? 0 : std::chrono::duration<double>(age).count() / 86400.0);
}

} // namespace

TFrameJournal* TfMain::newJournal() {
    dropJournal(); // New came first: the capture it belonged to is saved or discarded
    Journal = std::make_unique<TLogJournal>(NewJournalPath(DataDir(), LocalNow()));
    return Journal.get();
}

void TfMain::dropJournal() {
    if (!Journal) {
        return;
    }
    Worker->Join(); // a run that ended a moment ago may still be flushing it
    Journal->Remove();
    Journal.reset();
}

void TfMain::offerRecovery() {
    for (const std::string& path : LeftJournals(DataDir())) {
        try {
            Log->LoadFromFile(path);
        } catch (const EQuorvinError& e) {
            Console->Add(e.what(), clError); // nothing readable in it: left for a look by hand
            continue;
        }
        const QString question = QString::fromStdString(
            Format("A log of %d frames recorded %s was not saved. Open it?", Log->Count(),
                   FormatDateTime("dd-mmm-yyyy hh:nn", writtenAt(path)).c_str()));
        const auto answer = Ask(QMessageBox::Question, question,
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Discard);
        if (answer != QMessageBox::Yes) {
            Log->New();
            if (answer == QMessageBox::Discard) {
                TLogJournal(path).Remove();
            }
            continue;
        }
        // The frames are the capture now, unsaved: Save asks for a name, and the journal stays
        // until they are saved or discarded.
        Log->DetachFile();
        Journal = std::make_unique<TLogJournal>(path);
        SetRunState(RunState | rsLogModified | rsLogHasData);
        Console->Add(Format("Recovered %d frames from %s", Log->Count(), path.c_str()), clInfo);
        Console->Flush();
        MonitorRePlot();
        return;
    }
    Log->New();
}

#include "log/LogJournal.h"

#include "common/Common.h"
#include "common/Format.h"
#include "link/Rtime.h"
#include "log/DataLog.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string Prefix = "Unsaved log ";

} // namespace

TLogJournal::TLogJournal(std::string path)
    : path_(std::move(path)), dataStream_(IsDataStreamName(path_)) {}

void TLogJournal::Append(const TPacket& frame) {
    if (!file_.IsOpen()) {
        std::error_code ignored; // the data folder is made when first needed; Create says why not
        fs::create_directories(fs::path(path_).parent_path(), ignored);
        // Another program may have taken the name since it was chosen: never write into its
        // journal, take the next free name.
        const std::string extension = fs::path(path_).extension().string();
        const std::string base = path_.substr(0, path_.size() - extension.size());
        for (int n = 2; !file_.CreateNew(path_); ++n) {
            path_ = base + Format("-%d", n) + extension;
        }
    }
    if (dataStream_) {
        AppendDataStream(frame, file_.Buffer());
    } else {
        AppendLogRecord(frame, file_.Buffer());
    }
    file_.Appended();
    ++frames_;
}

void TLogJournal::Tick() {
    file_.FlushIfDue();
}

void TLogJournal::Flush() {
    file_.Flush();
}

void TLogJournal::Remove() {
    try {
        file_.Close();
    } catch (const std::exception&) {
        // Going anyway: its frames are saved elsewhere or discarded.
    }
    std::error_code ignored;
    fs::remove(path_, ignored);
}

std::string NewJournalPath(const std::string& folder, double now) {
    const std::string base = folder + "/" + Prefix + FormatDateTime("yyyy-mm-dd hh.nn.ss", now);
    std::string path = base + ".alg";
    for (int n = 2; fs::exists(path); ++n) {
        path = base + Format("-%d", n) + ".alg";
    }
    return path;
}

std::vector<std::string> LeftJournals(const std::string& folder) {
    std::vector<std::pair<fs::file_time_type, std::string>> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(Prefix, 0) != 0 || entry.path().extension() != ".alg" ||
            !entry.is_regular_file(error) || FileLockedElsewhere(entry.path().string())) {
            continue;
        }
        found.emplace_back(entry.last_write_time(error), entry.path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& f : found) {
        paths.push_back(std::move(f.second));
    }
    return paths;
}

#include "RunOutput.h"

#include "common/Format.h"
#include "link/Packet.h"
#include "log/DataLog.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

TRunOutput::TRunOutput(std::string log, int split, std::string csv)
    : log_(std::move(log)), split_(split), csv_(std::move(csv)),
      dataStream_(IsDataStreamName(log_)) {}

std::string TRunOutput::logName(int part) const {
    fs::path p(log_);
    const std::string ext = p.has_extension() ? p.extension().string() : ".alg";
    if (part == 0) {
        return p.has_extension() ? log_ : log_ + ext;
    }
    p.replace_extension();
    return p.string() + Format("-%d", part) + ext;
}

void TRunOutput::openLog() {
    part_ += split_ > 0;
    inPart_ = 0;
    logFile_.Create(logName(part_));
}

void TRunOutput::Open(const std::string& csvHeader) {
    if (!log_.empty()) {
        openLog();
    }
    if (!csv_.empty()) {
        csvFile_.Create(csv_);
        csvFile_.Append(csvHeader);
        csvFile_.Flush();
    }
}

void TRunOutput::Frame(const TPacket& frame, const std::string& csvRow,
                       const std::function<void(const std::string&)>& said) {
    if (logFile_.IsOpen()) {
        if (split_ > 0 && inPart_ == split_) {
            logFile_.Close();
            said("Log saved to " + logFile_.Path());
            openLog();
        }
        if (dataStream_) {
            AppendDataStream(frame, logFile_.Buffer());
        } else {
            AppendLogRecord(frame, logFile_.Buffer());
        }
        logFile_.Appended();
        ++inPart_;
    }
    if (csvFile_.IsOpen()) {
        csvFile_.Append(csvRow);
    }
    ++frames_;
}

void TRunOutput::Tick() {
    logFile_.FlushIfDue();
    csvFile_.FlushIfDue();
}

void TRunOutput::Close() {
    if (logFile_.IsOpen()) {
        const std::string path = logFile_.Path();
        logFile_.Close();
        if (frames_ == 0) {
            std::error_code ignored;
            fs::remove(path, ignored);
            std::printf("No frames logged; %s not written\n", log_.c_str());
        } else {
            std::printf("Log: %s\n", path.c_str());
        }
    }
    if (csvFile_.IsOpen()) {
        csvFile_.Close();
        std::printf("CSV: %s\n", csv_.c_str());
    }
}

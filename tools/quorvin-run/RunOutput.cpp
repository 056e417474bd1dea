#include "RunOutput.h"

#include "common/Format.h"
#include "link/Packet.h"
#include "log/DataLog.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

TRunOutput::TRunOutput(std::string log, int split)
    : log_(std::move(log)), split_(split), dataStream_(IsDataStreamName(log_)) {}

void TRunOutput::AddText(const std::string& label, const std::string& path,
                         const std::string& header) {
    auto text = std::make_unique<TText>();
    text->Label = label;
    text->Path = path;
    text->Header = header;
    texts_.push_back(std::move(text));
}

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

void TRunOutput::Open() {
    if (!log_.empty()) {
        openLog();
    }
    for (const auto& text : texts_) {
        text->File.Create(text->Path);
        text->File.Append(text->Header);
        text->File.Flush();
    }
}

void TRunOutput::Frame(const TPacket& frame, const std::function<void(size_t, std::string&)>& rows,
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
    for (size_t i = 0; i < texts_.size(); ++i) {
        rows(i, texts_[i]->File.Buffer());
        texts_[i]->File.Appended();
    }
    ++frames_;
}

void TRunOutput::Tick() {
    logFile_.FlushIfDue();
    for (const auto& text : texts_) {
        text->File.FlushIfDue();
    }
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
    for (const auto& text : texts_) {
        if (text->File.IsOpen()) {
            text->File.Close();
            std::printf("%s: %s\n", text->Label.c_str(), text->File.Path().c_str());
        }
    }
}

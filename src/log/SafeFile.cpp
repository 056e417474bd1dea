#include "log/SafeFile.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TSafeFile::TSafeFile(std::string path) : path_(std::move(path)) {
    std::error_code error;
    // Write through a link to the file it names, so the link itself survives.
    fs::path target = fs::is_symlink(path_, error) ? fs::canonical(path_, error) : fs::path(path_);
    if (error) {
        target = path_;
    }
    target_ = target.string();
    struct stat old {};
    const bool exists = stat(target_.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) {
        fail(EISDIR);
    }
    const fs::path folder = target.parent_path();
    temp_ = (folder.empty() ? fs::path(".") : folder).string() + "/." + target.filename().string() +
            ".XXXXXX";
    fd_ = mkstemp(temp_.data());
    if (fd_ < 0) {
        const int code = errno;
        temp_.clear();
        fail(code);
    }
    // The new file keeps the old one's permissions; a new one gets the usual ones.
    mode_t mode = 0666;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode &= ~mask;
    }
    fchmod(fd_, mode);
    buffer_.reserve(ChunkSize + ChunkSize / 4);
}

TSafeFile::~TSafeFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
    if (!temp_.empty()) {
        unlink(temp_.c_str());
    }
}

void TSafeFile::fail(int code) {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temp_.empty()) {
        unlink(temp_.c_str());
        temp_.clear();
    }
    throw EQuorvinError(
        Format("Can't save file %s. %s", path_.c_str(), SystemErrorText(code).c_str()));
}

void TSafeFile::writeBuffer() {
    if (fd_ < 0) {
        fail(EBADF); // a write after a failure or a commit
    }
    const char* p = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    buffer_.clear();
}

void TSafeFile::Write(std::string_view bytes) {
    buffer_.append(bytes);
    WriteIfFull();
}

void TSafeFile::WriteIfFull() {
    if (buffer_.size() >= ChunkSize) {
        writeBuffer();
    }
}

void TSafeFile::Commit() {
    writeBuffer();
    if (fsync(fd_) != 0) {
        fail(errno);
    }
    const int closed = close(fd_);
    fd_ = -1;
    if (closed != 0) {
        fail(errno);
    }
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        fail(errno);
    }
    temp_.clear();
}

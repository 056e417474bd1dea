#include "log/AppendFile.h"

#include "common/Common.h"
#include "common/Errors.h"
#include "common/Format.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

TAppendFile::~TAppendFile() {
    try {
        Close();
    } catch (const std::exception&) {
        // A destructor has no one to tell; Close was the place to hear it.
    }
}

void TAppendFile::Create(const std::string& path, bool lock) {
    Close();
    path_ = path;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        throw EQuorvinError(
            Format("Can't save file %s. %s", path.c_str(), SystemErrorText(errno).c_str()));
    }
    if (lock) {
        flock(fd, LOCK_EX | LOCK_NB); // advisory: only other journals' owners look at it
    }
    fd_ = fd;
    buffer_.clear();
    waiting_ = false;
}

bool TAppendFile::CreateNew(const std::string& path) {
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        return false;
    }
    if (fd < 0) {
        throw EQuorvinError(
            Format("Can't save file %s. %s", path.c_str(), SystemErrorText(errno).c_str()));
    }
    flock(fd, LOCK_EX | LOCK_NB);
    path_ = path;
    fd_ = fd;
    buffer_.clear();
    waiting_ = false;
    return true;
}

void TAppendFile::Append(std::string_view bytes) {
    buffer_.append(bytes);
    Appended();
}

void TAppendFile::Appended() {
    if (!waiting_ && !buffer_.empty()) {
        waiting_ = true;
        since_ = std::chrono::steady_clock::now();
    }
}

void TAppendFile::FlushIfDue() {
    if (waiting_ && std::chrono::steady_clock::now() - since_ >= FlushInterval) {
        Flush();
    }
}

void TAppendFile::Flush() {
    if (fd_ < 0) {
        return;
    }
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;
            buffer_.erase(0, done); // what reached the file is not written twice
            throw EQuorvinError(
                Format("Can't save file %s. %s", path_.c_str(), SystemErrorText(code).c_str()));
        }
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
    waiting_ = false;
    if (done > 0 && ::fdatasync(fd_) != 0 && errno != EINVAL) {
        throw EQuorvinError(
            Format("Can't save file %s. %s", path_.c_str(), SystemErrorText(errno).c_str()));
    }
}

void TAppendFile::Close() {
    if (fd_ < 0) {
        return;
    }
    struct Closer {
        int& fd;
        ~Closer() {
            ::close(fd);
            fd = -1;
        }
    } closer{fd_};
    Flush();
}

bool FileLockedElsewhere(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool locked = flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

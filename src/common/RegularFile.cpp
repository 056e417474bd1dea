#include "common/RegularFile.h"

#include "common/Common.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string kindReason(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "It is a folder, not a file";
    }
    if (S_ISFIFO(mode)) {
        return "It is a named pipe, not a file";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "It is a device, not a file";
    }
    if (S_ISSOCK(mode)) {
        return "It is a socket, not a file";
    }
    return "It is not a regular file";
}

} // namespace

int OpenRegularFile(const std::string& path, std::string& reason) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        reason = SystemErrorText(errno);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = kindReason(info.st_mode);
        return -1;
    }
    // Checked again on the open descriptor: the name may have been replaced in between.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        reason = SystemErrorText(errno);
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int code = errno;
        reason = S_ISREG(info.st_mode) ? SystemErrorText(code) : kindReason(info.st_mode);
        ::close(fd);
        return -1;
    }
    // Reads of a regular file never wait; the flag only served the open.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

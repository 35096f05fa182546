#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>

#include "core/SafeFile.h"

FileLock::~FileLock() {
    Release();
}

FileLock::Result FileLock::Hold(const QString& path, QString* problem) {
    Release();
    // The file is never removed: a later holder would lock a fresh file
    // while an earlier one still holds the old one.
    QString why;
    const int fd = OpenOwnFile(path, O_RDWR, 0600, &why);
    if (fd < 0) {
        if (problem) *problem = why;
        return Result::Failed;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        if (!busy && problem) *problem = QStringLiteral("файл нельзя заблокировать");
        return busy ? Result::Busy : Result::Failed;
    }
    fd_ = fd;
    return Result::Held;
}

void FileLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

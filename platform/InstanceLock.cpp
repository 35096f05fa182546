#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <cstring>

#include "core/Error.h"
#include "platform/RuntimeDir.h"

bool InstanceLock::ProbeAlreadyRunning(const QString& name, QString* problem) {
    QByteArray path;
    try {
        path = QFile::encodeName(RuntimeDir() + u'/' + name + QStringLiteral(".lock"));
    } catch (const EQuillet& e) {
        if (problem) *problem = e.message();
        return true;
    }
    // The file is never removed: removing it would let a later copy lock a
    // fresh file while an older one still holds the old one.
    int fd;
    do {
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (problem)
            *problem = QStringLiteral("Не удалось открыть файл «%1»: %2.")
                           .arg(QFile::decodeName(path), QString::fromLocal8Bit(strerror(errno)));
        return true;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return true;
    }
    // The descriptor stays open on purpose: the lock lives as long as it does,
    // and the kernel closes it when the process ends, however it ends.
    return false;
}

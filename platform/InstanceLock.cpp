#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>

#include "core/Error.h"
#include "core/SafeFile.h"
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
    QString why;
    const int fd = OpenOwnFile(QFile::decodeName(path), O_RDWR, 0600, &why);
    if (fd < 0) {
        if (problem)
            *problem = QStringLiteral("Не удалось открыть файл «%1»: %2.")
                           .arg(QFile::decodeName(path), why);
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

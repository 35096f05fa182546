#include "core/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace {

bool fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Why a file of status `st` is not to be written; empty when it may be.
QString refusal(const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return QStringLiteral("это символическая ссылка");
    if (!S_ISREG(st.st_mode)) return QStringLiteral("это не обычный файл");
    if (st.st_uid != ::geteuid()) return QStringLiteral("файл принадлежит другому пользователю");
    if (st.st_nlink > 1) return QStringLiteral("у файла есть другие имена (жёсткие ссылки)");
    return {};
}

bool writeAll(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return ::fsync(fd) == 0;
}

}  // namespace

bool ReplaceFileSafely(const QString& path, const QByteArray& data, unsigned mode, QString* error) {
    const QByteArray target = QFile::encodeName(path);
    struct stat st;
    if (::lstat(target.constData(), &st) == 0) {
        if (const QString why = refusal(st); !why.isEmpty()) return fail(error, why);
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return fail(error, systemError());
    }
    const QFileInfo info(path);
    QByteArray temp =
        QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName()) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return fail(error, systemError());
    const bool written = ::fchmod(fd, mode_t(mode)) == 0 && writeAll(fd, data);
    const QString why = written ? QString() : systemError();
    // rename() replaces a link planted meanwhile, never what it points to.
    if (::close(fd) == 0 && written && ::rename(temp.constData(), target.constData()) == 0)
        return true;
    const QString reason = why.isEmpty() ? systemError() : why;
    ::unlink(temp.constData());
    return fail(error, reason);
}

int OpenOwnFile(const QString& path, int flags, unsigned mode, QString* error) {
    const QByteArray p = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(p.constData(), flags | O_CREAT | O_NOFOLLOW | O_CLOEXEC, mode_t(mode));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail(error, errno == ELOOP ? QStringLiteral("это символическая ссылка") : systemError());
        return -1;
    }
    struct stat st;
    const QString why = ::fstat(fd, &st) != 0 ? systemError() : refusal(st);
    if (why.isEmpty()) return fd;
    ::close(fd);
    fail(error, why);
    return -1;
}

OwnFileRead ReadOwnFile(const QString& path, qint64 maxBytes, QByteArray* data, QString* error) {
    const QByteArray p = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(p.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return OwnFileRead::Missing;
        const bool link = errno == ELOOP;
        fail(error, link ? QStringLiteral("это символическая ссылка") : systemError());
        return link ? OwnFileRead::Refused : OwnFileRead::Failed;
    }
    struct stat st;
    OwnFileRead result = OwnFileRead::Read;
    if (::fstat(fd, &st) != 0) {
        result = OwnFileRead::Failed;
        fail(error, systemError());
    } else if (S_ISLNK(st.st_mode) || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        result = OwnFileRead::Refused;
        fail(error, refusal(st));
    } else if (st.st_size > maxBytes) {
        result = OwnFileRead::TooLarge;
        fail(error, QStringLiteral("файл больше %1 МБ").arg(maxBytes >> 20));
    } else {
        data->resize(qsizetype(st.st_size));
        qsizetype done = 0;
        while (done < data->size()) {
            const ssize_t n = ::read(fd, data->data() + done, size_t(data->size() - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += n;
        }
        data->truncate(done);
        if (done < qsizetype(st.st_size)) {
            result = OwnFileRead::Failed;
            fail(error, systemError());
        }
    }
    ::close(fd);
    return result;
}

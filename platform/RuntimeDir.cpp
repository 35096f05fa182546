#include "platform/RuntimeDir.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

#include "core/Error.h"

QString RuntimeDir() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg) {
        QString dir = QString::fromLocal8Bit(xdg);
        while (dir.size() > 1 && dir.endsWith(u'/'))
            dir.chop(1);
        return dir;
    }
    const QByteArray path = "/tmp/quillet-runtime-" + QByteArray::number(uint(::getuid()));
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        throw EQuillet(QStringLiteral("Cannot create %1").arg(QString::fromLocal8Bit(path)));
    // Only a folder that is ours and closed to others will do: anybody
    // could have made a folder of that name before us.
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0)
        throw EQuillet(
            QStringLiteral("%1 is not a private folder").arg(QString::fromLocal8Bit(path)));
    return QString::fromLocal8Bit(path);
}

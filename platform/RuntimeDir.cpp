#include "platform/RuntimeDir.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>

#include "core/Error.h"

QString RuntimeFolderProblem(bool exists, bool isLink, bool isDir, unsigned owner, unsigned user,
                             unsigned mode) {
    if (!exists) return QStringLiteral("её нет");
    if (isLink) return QStringLiteral("это символическая ссылка");
    if (!isDir) return QStringLiteral("это не папка");
    if (owner != user) return QStringLiteral("она принадлежит другому пользователю");
    if (mode & 077) return QStringLiteral("она открыта другим пользователям");
    return {};
}

namespace {

QString withoutSlash(QString dir) {
    while (dir.size() > 1 && dir.endsWith(u'/'))
        dir.chop(1);
    return dir;
}

QString envFolder(const char* name) {
    const QString v = withoutSlash(qEnvironmentVariable(name));
    return v.startsWith(u'/') ? v : QString();
}

// Why `path` will not do, made first when `create`; empty when it will.
QString check(const QString& path, bool create) {
    const QByteArray p = QFile::encodeName(path);
    if (create) {
        QDir().mkpath(QFileInfo(path).path());
        if (::mkdir(p.constData(), 0700) != 0 && errno != EEXIST)
            return QStringLiteral("её не удалось создать (%1)")
                .arg(QString::fromLocal8Bit(strerror(errno)));
    }
    struct stat st;
    const bool exists = ::lstat(p.constData(), &st) == 0;
    return RuntimeFolderProblem(exists, exists && S_ISLNK(st.st_mode),
                                exists && S_ISDIR(st.st_mode), exists ? st.st_uid : 0, ::getuid(),
                                exists ? st.st_mode & 07777 : 0);
}

}  // namespace

QString RuntimeDir() {
    QStringList candidates;
    bool create = false;
    if (const QString xdg = envFolder("XDG_RUNTIME_DIR"); !xdg.isEmpty()) {
        candidates << xdg;  // the session's own: used as it is or not at all
    } else {
        create = true;
        QString tmp = envFolder("TMPDIR");
        if (tmp.isEmpty()) tmp = QStringLiteral("/tmp");
        QString cache = envFolder("XDG_CACHE_HOME");
        if (cache.isEmpty()) cache = withoutSlash(QDir::homePath()) + QStringLiteral("/.cache");
        candidates << tmp + QStringLiteral("/quillet-runtime-%1").arg(::getuid())
                   << cache + QStringLiteral("/quillet-runtime");
    }
    QStringList refused;
    for (const QString& dir : candidates) {
        const QString problem = check(dir, create);
        if (problem.isEmpty()) return dir;
        refused << QStringLiteral("«%1»: %2").arg(dir, problem);
    }
    throw EQuillet(
        QStringLiteral("Нет личной папки для служебных файлов программы (отметки о запуске и "
                       "запросов на закрытие), и убедиться, что программа не запущена дважды, "
                       "нельзя. %1.")
            .arg(refused.join(QStringLiteral("; "))));
}

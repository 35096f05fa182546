#include "core/Log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileDevice>

#include "core/Clock.h"
#include "core/SafeFile.h"

namespace {
constexpr qint64 RotateAtBytes = 256 * 1024;

QString stateFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/quillet");
}

QString stamp() {
    const TDateTime now = Now();
    const DateParts d = DecodeDate(now);
    const TimeParts t = DecodeTime(now);
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year, d.month, d.day, t.hour,
                             t.minute, t.second, t.msec);
}
}  // namespace

QString LogFilePath() {
    return stateFolder() + QStringLiteral("/quillet.log");
}

void WriteLog(const QString& what) {
    // The log must never become a failure of its own: whatever goes wrong
    // here is dropped.
    try {
        const QString path = LogFilePath();
        QDir().mkpath(stateFolder());
        if (QFile(path).size() >= RotateAtBytes) {
            QFile::remove(path + QStringLiteral(".1"));
            QFile::rename(path, path + QStringLiteral(".1"));
        }
        // Never through a link, nor into a file of somebody else's.
        const int fd = OpenOwnFile(path, O_WRONLY | O_APPEND, 0600);
        if (fd < 0) return;
        ::fchmod(fd, 0600);
        QFile f;
        if (!f.open(fd, QIODevice::Append, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            return;
        }
        QString line = what;
        line.replace(u'\n', u' ');
        f.write((stamp() + u' ' + line + u'\n').toUtf8());
    } catch (...) {
    }
}

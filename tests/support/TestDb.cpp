#include "tests/support/TestDb.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <stdexcept>

#include "core/ExePath.h"

QString TemplateDatabase() {
    const QString dir = QStringLiteral(QUILLET_TEMPLATE_DIR);
    const QString db = dir + QStringLiteral("/qlbase.fdb");
    if (QFileInfo::exists(db)) return db;
    // Several test processes may start at once: one creates, the rest wait.
    const QByteArray lockPath = QByteArray(QUILLET_TEST_ROOT) + "/template.lock";
    ::mkdir(QUILLET_TEST_ROOT, 01777);
    const int fd = ::open(lockPath.constData(), O_CREAT | O_RDWR, 0666);
    if (fd >= 0) ::flock(fd, LOCK_EX);
    if (!QFileInfo::exists(db)) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QStringLiteral(QUILLET_SOURCE_DIR "/scripts/newdb"), {dir});
        p.waitForFinished(120000);
        if (p.exitCode() != 0 || !QFileInfo::exists(db)) {
            if (fd >= 0) ::close(fd);
            throw std::runtime_error("cannot create the template database");
        }
    }
    if (fd >= 0) ::close(fd);
    return db;
}

TestDb::TestDb() {
    const QString target = dbPath();
    if (!QFile::copy(TemplateDatabase(), target))
        throw std::runtime_error("cannot copy the template database");
    ::chmod(target.toLocal8Bit().constData(), 0666);
}

QString TestDb::address() const {
    return QStringLiteral("localhost/3053:") + dbPath();
}

void TestDb::useAsExeDir() const {
    SetExePath(dir_.file(QStringLiteral("quillet")));
}

#include "tests/support/TempDir.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <stdexcept>

TempDir::TempDir() {
    QDir().mkpath(QStringLiteral(QUILLET_TEST_ROOT));
    ::chmod(QUILLET_TEST_ROOT, 01777);
    QByteArray pattern = QByteArray(QUILLET_TEST_ROOT) + "/run-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    ::chmod(pattern.constData(), 0777);
    path_ = QString::fromLocal8Bit(pattern);
}

TempDir::~TempDir() {
    if (!keep_) QDir(path_).removeRecursively();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

#include "core/ExePath.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
QString& exePathOverride() {
    static QString path;
    return path;
}
}  // namespace

QString ExePath() {
    if (!exePathOverride().isEmpty()) return exePathOverride();
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ExeDir() {
    QString dir = QFileInfo(ExePath()).absolutePath();
    if (!dir.endsWith(u'/')) dir += u'/';
    return dir;
}

void SetExePath(const QString& path) {
    exePathOverride() = path;
}

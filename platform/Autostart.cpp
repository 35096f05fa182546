#include "platform/Autostart.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "core/Error.h"

namespace Autostart {
namespace {

QString configHome() {
    // A relative XDG_CONFIG_HOME is invalid and is ignored like an empty one.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.config"));
}

[[noreturn]] void failed() {
    throw EQuillet(QStringLiteral("Failed to set data for 'Quillet'"));
}

}  // namespace

// Quoted, with '"', '`', '$' and '\' escaped inside the quotes; then, as the
// key's value is itself an escaped string, every backslash doubled and line
// breaks written as escapes; and '%', which would start a field code,
// doubled (the launcher undoes the quoting before it expands field codes).
QString ExecArgument(const QString& path) {
    QString quoted = QStringLiteral("\"");
    for (QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        quoted += c;
    }
    quoted += u'"';

    QString value;
    for (QChar c : quoted) {
        switch (c.unicode()) {
            case u'\\':
                value += QStringLiteral("\\\\");
                break;
            case u'\n':
                value += QStringLiteral("\\n");
                break;
            case u'\r':
                value += QStringLiteral("\\r");
                break;
            case u'\t':
                value += QStringLiteral("\\t");
                break;
            case u'%':
                value += QStringLiteral("%%");
                break;
            default:
                value += c;
                break;
        }
    }
    return value;
}

QString EntryPath() {
    return configHome() + QStringLiteral("/autostart/Quillet.desktop");
}

QString EntryText(const QString& exePath) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Quillet\n"
               "Comment=Органайзер Quillet\n"
               "Icon=quillet\n"
               "Exec=%1 -h -p5\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n")
        .arg(ExecArgument(exePath));
}

void WriteEntry(const QString& exePath) {
    const QString path = EntryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) failed();
    const QByteArray bytes = EntryText(exePath).toUtf8();
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) failed();
}

void DeleteEntry() {
    QFile::remove(EntryPath());
}

bool EntryExists() {
    return QFileInfo(EntryPath()).isFile();
}

}  // namespace Autostart

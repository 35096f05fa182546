// Test entry for the windows: an offscreen screen of 1024 x 768 pixels,
// the Russian formats and Qt's Russian texts, as the program has them.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QSaveFile>

#include "app/Translations.h"
#include "core/Formats.h"
#include "platform/GuardedApplication.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        QDir().mkpath(QStringLiteral(QUILLET_TEST_ROOT));
        const QString cfg = QStringLiteral(QUILLET_TEST_ROOT "/offscreen-1024x768.json");
        QSaveFile f(cfg);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(R"({"screens":[{"name":"s1","x":0,"y":0,"width":1024,"height":768,)"
                    R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
        f.commit();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + cfg.toLocal8Bit());
    }
    // A runtime folder and a configuration folder of this process's own:
    // no test meets a real running copy or the user's autostart folder.
    QDir().mkpath(QStringLiteral(QUILLET_TEST_ROOT));
    const QString own =
        QStringLiteral(QUILLET_TEST_ROOT "/env-%1").arg(QCoreApplication::applicationPid());
    QDir().mkpath(own + "/runtime");
    QDir().mkpath(own + "/config");
    QFile::setPermissions(own + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", (own + "/runtime").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (own + "/config").toLocal8Bit());
    TGuardedApplication app(argc, argv);
    InstallRussianTranslation();
    SetFormatLocale(QLocale(QLocale::Russian, QLocale::Russia));
    const int result = RUN_ALL_TESTS();
    QDir(own).removeRecursively();
    return result;
}

#include "app/RunFirst.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>
#include <cstdio>

#include "app/Forms.h"
#include "app/Main.h"
#include "app/Previnst.h"
#include "app/Translations.h"
#include "core/Log.h"
#include "data/FbClient.h"
#include "platform/ErrorReport.h"
#include "platform/FontWarmUp.h"
#include "platform/GuardedApplication.h"
#include "platform/Modal.h"
#include "platform/ShutdownSignals.h"

namespace {

QString asciiUpper(const QString& s) {
    QString out = s;
    for (QChar& c : out)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
    return out;
}

// The pause in seconds after -p: an integer, anything else 0. Values whose
// milliseconds would not fit a signed 32-bit count are taken as 0 too.
int pauseValue(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 0 || n > 2147483) return 0;
    return n;
}

// Without its lock the program cannot tell whether it runs twice: it says
// why on its error output, in the log and in a box, and ends.
int CannotStart(int argc, char** argv, const QString& problem) {
    const QString text = QStringLiteral("Quillet не может запуститься.\n\n") + problem;
    std::fputs((text + u'\n').toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    WriteLog(text);
    TGuardedApplication app(argc, argv);
    InstallRussianTranslation();
    MessageBox(text, QStringLiteral("Quillet"), QMessageBox::Ok, QMessageBox::Critical);
    return 1;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& args) {
    CommandLine cl;
    for (const QString& a : args)
        if (asciiUpper(a) == QLatin1String("-CLOSE")) cl.CloseRequested = true;
    for (const QString& a : args)
        if (a == QLatin1String("-h") || a == QLatin1String("-H")) cl.StartHidden = true;
    for (const QString& a : args) {
        if (a.startsWith(QLatin1String("-p")) || a.startsWith(QLatin1String("-P"))) {
            cl.PauseGiven = true;
            cl.StartPause = pauseValue(a.mid(2));
        }
    }
    return cl;
}

int RunProgram(int argc, char** argv) {
    // The program owns the signals that ask it to end, not the database
    // client: its connection stays up until the last changes are sent.
    ShutdownSignals::Install();
    FbConnection::KeepAttachmentsOnSignals();
    ProbeSingleInstance();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const CommandLine cl = ParseCommandLine(args);
    if (cl.CloseRequested) {
        if (AlreadyRunning) SendCloseRequest();
        return 0;
    }
    if (!InstanceProblem.isEmpty()) return CannotStart(argc, argv, InstanceProblem);
    if (AlreadyRunning) return 0;
    if (cl.PauseGiven) ShutdownSignals::SleepUnlessSignalled(cl.StartPause);
    if (ShutdownSignals::Arrived()) return 0;  // asked to end before anything began

    WarmUpFontConfig();
    TGuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    // The launcher entry quillet.desktop: the task bar groups the windows
    // under its icon (the window class "Quillet" and, on Wayland, the id).
    QGuiApplication::setDesktopFileName(QStringLiteral("quillet"));
    QApplication::setQuitOnLastWindowClosed(false);
    InstallRussianTranslation();
    QApplication::setWindowIcon(ProgramIcon());

    // A signal, or the end of the desktop session, ends the program as its
    // exit command does, without questions.
    ShutdownSignals signalWatch([](int) { Guarded([] { EndProgramQuietly(); }); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest,
                     [](QSessionManager&) { Guarded([] { EndProgramQuietly(); }); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] {
        Guarded([] {
            if (!ProgramEnding()) EndProgramQuietly();
        });
    });

    CreateWindows();
    ShutdownSignals::Reclaim();  // the database client has set up its own by now
    // The window is on the screen while the tables are read; started hidden,
    // it waits for them (and for the start's questions) as the tray does.
    if (!cl.StartHidden && !ProgramEnding()) frmMain->ShowAtStart(false);
    CompleteStart();
    // A close request or a signal during start-up (a question on the
    // screen) could not end a loop that had not begun: the program ends here.
    if (!ProgramEnding()) {
        if (cl.StartHidden) frmMain->ShowAtStart(true);
        QApplication::exec();
    }
    // The loop is over; the last questions of the ending may still be asked.
    ResetProgramEnding();
    DestroyForms();
    return 0;
}

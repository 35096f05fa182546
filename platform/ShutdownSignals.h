// The signals by which the system asks a program to end (SIGTERM, SIGINT,
// SIGHUP) turned into an ordinary call on the user-interface thread: the
// handler only writes the signal's number into a pipe of the program's
// own, and the event loop reads it from there. The program then ends as
// its own exit command ends it.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

class ShutdownSignals : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers, once per process; SIGPIPE is ignored (a
    // broken connection is an error to handle, not the end).
    static void Install();
    // Installs them again over handlers that a library has put in their
    // place since (the database client does so at its first use).
    static void Reclaim();
    // One of the signals has arrived (also before any event loop ran).
    static bool Arrived();
    // Sleeps `seconds`, waking early when one of the signals arrives.
    static void SleepUnlessSignalled(int seconds);

    // Calls `onSignal` with the signal's number, on the event loop of the
    // thread that creates this object, for every signal that arrives
    // (also for one that came before it existed). Install() first.
    explicit ShutdownSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);

  private:
    void Drain();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

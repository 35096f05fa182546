// The program run as a real process of its own in a test's database
// folder, with the hand of DrivenProgram.cpp on it: commands go to its
// standard input, answers come from its standard output.
#pragma once

#include <QProcess>
#include <QString>
#include <functional>
#include <memory>

#include "tests/support/TempDir.h"
#include "tests/support/TestDb.h"

class ProgramProcess {
  public:
    explicit ProgramProcess(const TestDb& db);
    ~ProgramProcess();  // a process still running is killed

    // Starts the program and waits until its windows are up.
    bool Start(int timeoutMs = 20000);
    // Sends one command; its answer, or "<no answer>".
    QString Ask(const QString& command, int timeoutMs = 15000);
    // Sends one command that gets no answer.
    void Tell(const QString& command);
    void Signal(int signal);
    // Waits for the end: the exit code, -1 when still running, -2 when it crashed.
    int WaitForEnd(int timeoutMs);
    qint64 Pid() const;
    // What the program wrote on its error output (kept only with
    // CaptureErrors set before Start).
    QByteArray ErrorOutput() const;

    // Changes the program's environment before it starts.
    std::function<void(QProcessEnvironment&)> AdjustEnv;
    bool CaptureErrors = false;

  private:
    const TestDb& db_;
    TempDir runtime_, home_;
    std::unique_ptr<QProcess> process_;
};

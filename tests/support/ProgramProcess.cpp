#include "tests/support/ProgramProcess.h"

#include <csignal>

#include <QDeadlineTimer>
#include <QFile>

ProgramProcess::ProgramProcess(const TestDb& db) : db_(db) {
    const QString exe = db.dir() + QStringLiteral("/quillet");
    if (!QFile::exists(exe)) {
        QFile::copy(QStringLiteral(QUILLET_BIN_DIR "/quillet-driven"), exe);
        QFile::copy(QStringLiteral(QUILLET_SOURCE_DIR "/assets/notify.wav"),
                    db.dir() + QStringLiteral("/notify.wav"));
    }
    QFile::setPermissions(runtime_.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

ProgramProcess::~ProgramProcess() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
    }
}

bool ProgramProcess::Start(int timeoutMs) {
    process_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path());
    env.insert(QStringLiteral("HOME"), home_.path());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    if (AdjustEnv) AdjustEnv(env);
    process_->setProcessEnvironment(env);
    process_->setProcessChannelMode(CaptureErrors ? QProcess::SeparateChannels
                                                  : QProcess::ForwardedErrorChannel);
    process_->start(db_.dir() + QStringLiteral("/quillet"), {});
    if (!process_->waitForStarted(5000)) return false;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (Ask(QStringLiteral("ready"), int(deadline.remainingTime())) == QLatin1String("ok"))
            return true;
        if (process_->state() == QProcess::NotRunning) return false;
    }
    return false;
}

void ProgramProcess::Tell(const QString& command) {
    process_->write((command + u'\n').toUtf8());
    process_->waitForBytesWritten(2000);
}

QString ProgramProcess::Ask(const QString& command, int timeoutMs) {
    Tell(command);
    QDeadlineTimer deadline(timeoutMs);
    while (!process_->canReadLine()) {
        if (deadline.hasExpired() || process_->state() == QProcess::NotRunning)
            return QStringLiteral("<no answer>");
        process_->waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 200)));
    }
    return QString::fromUtf8(process_->readLine()).trimmed();
}

void ProgramProcess::Signal(int signal) {
    ::kill(pid_t(process_->processId()), signal);
}

int ProgramProcess::WaitForEnd(int timeoutMs) {
    if (process_->state() != QProcess::NotRunning && !process_->waitForFinished(timeoutMs))
        return -1;
    return process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -2;
}

qint64 ProgramProcess::Pid() const {
    return process_ ? process_->processId() : 0;
}

QByteArray ProgramProcess::ErrorOutput() const {
    return process_ ? process_->readAllStandardError() : QByteArray();
}

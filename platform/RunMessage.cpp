#include "platform/RunMessage.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QtEndian>
#include <cerrno>
#include <cstring>

#include "core/Error.h"
#include "platform/RuntimeDir.h"

namespace {

constexpr qsizetype RecordSize = 12;
constexpr int SendTimeoutMs = 200;

QString SocketName(qint64 pid) {
    return QStringLiteral("quillet-msg-%1.sock").arg(pid);
}

// False when the path does not fit a socket address.
bool FillAddress(const QByteArray& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    return true;
}

// Connects to one receiver and leaves the record in its socket buffer. Both
// the connection and the write give up after SendTimeoutMs, so a receiver
// that has stopped reading cannot hold the sender up for long.
void SendRecord(const QByteArray& path, const unsigned char (&record)[RecordSize]) {
    sockaddr_un addr;
    if (!FillAddress(path, addr)) return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    timeval timeout{SendTimeoutMs / 1000, (SendTimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);

    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        // Refused: the socket file is left over from a process that ended
        // without removing it.
        struct stat st;
        if (errno == ECONNREFUSED && ::lstat(path.constData(), &st) == 0 && S_ISSOCK(st.st_mode))
            ::unlink(path.constData());
        ::close(fd);
        return;
    }
    size_t sent = 0;
    while (sent < sizeof record) {
        const ssize_t n = ::send(fd, record + sent, sizeof record - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        sent += size_t(n);
    }
    ::close(fd);
}

}  // namespace

quint32 RegisterRunMessage(const QString& name) {
    // FNV-1a: fixed, so every process and every build agrees on the number.
    quint32 hash = 2166136261u;
    for (const char c : name.toUtf8()) {
        hash ^= quint32(uchar(c));
        hash *= 16777619u;
    }
    return 0xC000u + hash % 0x4000u;
}

void BroadcastMessage(quint32 message, quint32 wParam, quint32 lParam) {
    QString dir;
    try {
        dir = RuntimeDir();
    } catch (const EQuillet&) {
        return;
    }
    unsigned char record[RecordSize];
    qToLittleEndian(message, record);
    qToLittleEndian(wParam, record + 4);
    qToLittleEndian(lParam, record + 8);

    const QString own = SocketName(::getpid());
    const QStringList names = QDir(dir).entryList({QStringLiteral("quillet-msg-*.sock")},
                                                  QDir::System | QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        if (name == own) continue;
        SendRecord(QFile::encodeName(dir + u'/' + name), record);
    }
}

MessageReceiver::MessageReceiver(QObject* parent) : QObject(parent) {}

MessageReceiver::~MessageReceiver() {
    if (!server_) return;
    server_->close();
    ::unlink(path_.constData());
}

bool MessageReceiver::Listen() {
    if (server_) return true;
    QString dir;
    try {
        dir = RuntimeDir();
    } catch (const EQuillet&) {
        return false;
    }
    const qint64 pid = ::getpid();
    const QByteArray path = QFile::encodeName(dir + u'/' + SocketName(pid));
    // Bound under a name senders do not look at, made private, and only then
    // put in place: a sender never finds the socket half made and never
    // takes it for a stale one.
    const QByteArray temp =
        QFile::encodeName(dir + QStringLiteral("/.quillet-msg-%1.new").arg(pid));
    sockaddr_un addr;
    sockaddr_un finalAddr;
    if (!FillAddress(temp, addr) || !FillAddress(path, finalAddr)) return false;

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ::unlink(temp.constData());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    // Whatever has our name was left by an ended process of the same number:
    // rename() replaces it.
    if (::chmod(temp.constData(), 0600) != 0 || ::listen(fd, SOMAXCONN) != 0 ||
        ::rename(temp.constData(), path.constData()) != 0) {
        ::unlink(temp.constData());
        ::close(fd);
        return false;
    }

    auto* server = new QLocalServer(this);
    if (!server->listen(qintptr(fd))) {
        delete server;
        ::unlink(path.constData());
        ::close(fd);
        return false;
    }
    connect(server, &QLocalServer::newConnection, this, &MessageReceiver::Accept);
    server_ = server;
    path_ = path;
    return true;
}

void MessageReceiver::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRecords(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            ReadRecords(socket);
            socket->deleteLater();
        });
        // What came before the signals were connected.
        ReadRecords(socket);
    }
}

void MessageReceiver::ReadRecords(QLocalSocket* socket) {
    // The socket keeps an incomplete record until the rest arrives.
    QPointer<QLocalSocket> alive(socket);
    while (alive && socket->bytesAvailable() >= RecordSize) {
        const QByteArray data = socket->read(RecordSize);
        const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
        // A slot may delete the receiver, and the socket with it.
        emit received(qFromLittleEndian<quint32>(bytes), qFromLittleEndian<quint32>(bytes + 4),
                      qFromLittleEndian<quint32>(bytes + 8));
    }
}

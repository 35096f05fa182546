// The stand-in for a registered window message sent to every top-level
// window: each listening copy of the program has a local socket
// "quillet-msg-<pid>.sock" in the user's runtime folder, and a broadcast
// writes one 12-byte record (message, wParam, lParam; little-endian) to each.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// The same number for the same name in every process, in 0xC000..0xFFFF like
// the numbers of registered window messages.
quint32 RegisterRunMessage(const QString& name);

// Delivers (message, wParam, lParam) to every listening receiver of this user
// but this process's own, without waiting for any of them to act. Failures
// are ignored; sockets nobody listens on any more are removed. Needs no event
// loop.
void BroadcastMessage(quint32 message, quint32 wParam, quint32 lParam);

// Listens in this process; emits received() for each message that arrives.
// The owner compares the numbers itself.
class MessageReceiver : public QObject {
    Q_OBJECT
  public:
    explicit MessageReceiver(QObject* parent = nullptr);
    ~MessageReceiver() override;

    // False if it cannot listen; the program then runs without the close request.
    bool Listen();

  signals:
    void received(quint32 message, quint32 wParam, quint32 lParam);

  private:
    void Accept();
    void ReadRecords(QLocalSocket* socket);

    QLocalServer* server_ = nullptr;
    QByteArray path_;  // the socket file, once listening
};

#include "tests/support/RadicaleServer.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QXmlStreamWriter>

namespace {

int FreePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    return probe.serverPort();
}

bool Answers(int port) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    return socket.waitForConnected(200);
}

QByteArray Config(const QString& dir, int port, bool tls) {
    return QStringLiteral(
               "[server]\nhosts = 127.0.0.1:%2\n%3"
               "[auth]\ntype = htpasswd\nhtpasswd_filename = %1/users\n"
               "htpasswd_encryption = plain\ndelay = 0\n"
               "[rights]\ntype = owner_only\n"
               "[storage]\nfilesystem_folder = %1/collections\n"
               "[web]\ntype = none\n"
               "[logging]\nlevel = error\n")
        .arg(dir)
        .arg(port)
        .arg(tls ? QStringLiteral("ssl = True\ncertificate = %1/cert.pem\nkey = %1/key.pem\n")
                       .arg(dir)
                 : QString())
        .toUtf8();
}

QByteArray MkcalendarBody(const QString& displayName, const QStringList& components) {
    const QString dav = QStringLiteral("DAV:");
    const QString cal = QStringLiteral("urn:ietf:params:xml:ns:caldav");
    QByteArray bytes;
    QXmlStreamWriter w(&bytes);
    w.writeStartDocument();
    w.writeNamespace(dav, QStringLiteral("d"));
    w.writeNamespace(cal, QStringLiteral("c"));
    w.writeStartElement(cal, QStringLiteral("mkcalendar"));
    w.writeStartElement(dav, QStringLiteral("set"));
    w.writeStartElement(dav, QStringLiteral("prop"));
    w.writeTextElement(dav, QStringLiteral("displayname"), displayName);
    w.writeTextElement(QStringLiteral("http://apple.com/ns/ical/"),
                       QStringLiteral("calendar-color"), QStringLiteral("#2A7AB0FF"));
    w.writeStartElement(cal, QStringLiteral("supported-calendar-component-set"));
    const QStringList comps = components.isEmpty()
                                  ? QStringList{QStringLiteral("VEVENT"), QStringLiteral("VTODO")}
                                  : components;
    for (const QString& c : comps) {
        w.writeEmptyElement(cal, QStringLiteral("comp"));
        w.writeAttribute(QStringLiteral("name"), c);
    }
    w.writeEndDocument();
    return bytes;
}

// `python3 -m radicale`; without the syncs to the disk (an option the
// configuration file cannot set) through a launcher that stubs them out.
QStringList Arguments(const QString& config, bool durable) {
    if (durable) return {"-m", "radicale", "--config", config};
    return {"-c",
            "import sys, runpy, radicale.pathutils as p\n"
            "p.fsync = lambda fd: None\n"
            "sys.argv = ['radicale', '--config', sys.argv[1]]\n"
            "runpy.run_module('radicale', run_name='__main__', alter_sys=True)\n",
            config};
}

}  // namespace

RadicaleServer::~RadicaleServer() {
    Stop();
}

bool RadicaleServer::Start(QString& error, int timeoutMs) {
    WriteFile(dir_.file(QStringLiteral("users")), (User() + ':' + Password() + '\n').toUtf8());
    QDir().mkpath(dir_.file(QStringLiteral("collections")));
    if (tls && QProcess::execute(
                   QStringLiteral("openssl"),
                   {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                    "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-keyout",
                    dir_.file("key.pem"), "-out", dir_.file("cert.pem")}) != 0) {
        error = QStringLiteral("openssl could not make a certificate");
        return false;
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setStandardOutputFile(QProcess::nullDevice());
    // A group of its own, so that Stop ends whatever it started; and gone
    // with the test when the test dies.
    process_.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    QElapsedTimer clock;
    clock.start();
    for (int attempt = 0; attempt < 3; ++attempt) {
        port_ = FreePort();
        WriteFile(dir_.file(QStringLiteral("config")), Config(dir_.path(), port_, tls));
        process_.start(QStringLiteral("/usr/bin/python3"),
                       Arguments(dir_.file(QStringLiteral("config")), durable));
        if (!process_.waitForStarted(5000)) {
            error = QStringLiteral("radicale did not start: ") + process_.errorString();
            return false;
        }
        while (process_.state() == QProcess::Running && clock.elapsed() < timeoutMs) {
            if (Answers(port_)) return true;
            QThread::msleep(50);
        }
        Stop();  // the port was taken meanwhile, or it is too slow
    }
    error = QStringLiteral("radicale does not answer on 127.0.0.1 (is the package installed?)");
    return false;
}

void RadicaleServer::Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    const pid_t group = pid_t(process_.processId());
    ::kill(-group, SIGTERM);
    if (!process_.waitForFinished(5000)) {
        ::kill(-group, SIGKILL);
        process_.waitForFinished(5000);
    }
}

QUrl RadicaleServer::Url() const {
    return QUrl(QStringLiteral("%1://127.0.0.1:%2/").arg(tls ? "https" : "http").arg(port_));
}

QUrl RadicaleServer::MakeCalendar(const QString& name, const QString& displayName,
                                  const QStringList& components) {
    QUrl url = Url();
    url.setPath('/' + User() + '/' + name + '/', QUrl::DecodedMode);
    QNetworkAccessManager network;
    QNetworkRequest request(url);
    request.setRawHeader("Authorization",
                         "Basic " + (User() + ':' + Password()).toUtf8().toBase64());
    request.setRawHeader("Content-Type", "application/xml; charset=utf-8");
    std::unique_ptr<QNetworkReply> reply(
        network.sendCustomRequest(request, "MKCALENDAR", MkcalendarBody(displayName, components)));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status == 201 ? url : QUrl();
}

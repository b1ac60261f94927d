#include "tests/support/update_https_server.h"

#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>

UpdateTestPki::UpdateTestPki()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const QString d = m_dir.path() + QLatin1Char('/');
    QFile ext(d + QStringLiteral("server.ext"));
    if (!ext.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("cannot write the extension file");
        return;
    }
    ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n"
              "basicConstraints=CA:FALSE\n"
              "keyUsage=digitalSignature,keyEncipherment\n"
              "extendedKeyUsage=serverAuth\n");
    ext.close();
    const bool made =
        run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Corvane Test CA",
             "-keyout", d + "ca.key", "-out", d + "ca.pem"}) &&
        run({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", d + "server.key",
             "-out", d + "server.csr"}) &&
        run({"x509", "-req", "-in", d + "server.csr", "-CA", d + "ca.pem", "-CAkey", d + "ca.key",
             "-CAcreateserial", "-days", "2", "-extfile", d + "server.ext", "-out", d + "server.pem"});
    if (!made)
        return;
    const auto load = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    authority = QSslCertificate(load(d + "ca.pem"));
    serverCertificate = QSslCertificate(load(d + "server.pem"));
    serverKey = QSslKey(load(d + "server.key"), QSsl::Rsa);
    if (authority.isNull() || serverCertificate.isNull() || serverKey.isNull())
        m_error = QStringLiteral("openssl wrote unreadable files");
}

bool UpdateTestPki::run(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QStringLiteral("openssl %1: %2").arg(args.first(), QString::fromLocal8Bit(p.readAll()));
        return false;
    }
    return true;
}

UpdateHttpsServer::UpdateHttpsServer(const UpdateTestPki &pki)
{
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setLocalCertificate(pki.serverCertificate);
    ssl.setPrivateKey(pki.serverKey);
    ssl.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(ssl);
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, &UpdateHttpsServer::serve);
    m_server.listen(QHostAddress::LocalHost, 0);
}

QString UpdateHttpsServer::url(const QString &path) const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(port()).arg(path);
}

void UpdateHttpsServer::serve()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
            request->append(socket->readAll());
            if (!request->contains("\r\n\r\n") || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            requestLines << request->left(request->indexOf("\r\n"));
            if (silent)
                return;
            QByteArray head =
                "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                "\r\nContent-Type: text/csv\r\nContent-Length: " + QByteArray::number(body.size()) +
                "\r\nConnection: close\r\n\r\n";
            socket->write(head + body);
            socket->disconnectFromHost();
        });
    }
}

UpdateProbePort::UpdateProbePort(bool listening)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    m_port = m_server.serverPort();
    if (!listening)
        m_server.close();
}

int UpdateProbePort::accepted()
{
    int n = 0;
    while (QTcpSocket *s = m_server.nextPendingConnection()) {
        ++n;
        s->deleteLater();
    }
    return n;
}

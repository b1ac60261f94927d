#pragma once
// Loopback fixtures for the update check: a throwaway certificate authority made
// with openssl at test time, an HTTPS server on 127.0.0.1 that serves one canned
// answer, and a TCP listener for the internet probe.
#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTemporaryDir>

// A CA and a server certificate for 127.0.0.1 signed by it. ok() is false when
// openssl is missing or failed; error() tells why.
class UpdateTestPki {
public:
    UpdateTestPki();
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QSslCertificate authority;
    QSslCertificate serverCertificate;
    QSslKey serverKey;

private:
    bool run(const QStringList &args);
    QTemporaryDir m_dir;
    QString m_error;
};

class UpdateHttpsServer : public QObject {
    Q_OBJECT
public:
    explicit UpdateHttpsServer(const UpdateTestPki &pki);
    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString &path = QStringLiteral("/software-manifest.csv")) const;

    // What every request gets.
    int status = 200;
    QByteArray reason = "OK";
    QByteArray body;
    bool silent = false;   // accepts and shakes hands, never answers

    QList<QByteArray> requestLines;   // "GET /path HTTP/1.1", in order

private:
    void serve();
    QSslServer m_server;
};

// A TCP port on 127.0.0.1 that accepts connections (listening) or refuses them
// (a port that was bound and released).
class UpdateProbePort {
public:
    explicit UpdateProbePort(bool listening);
    quint16 port() const { return m_port; }
    int accepted();   // connections taken since the last call

private:
    QTcpServer m_server;
    quint16 m_port = 0;
};

#pragma once
#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QStringList>
#include <QUrl>
#include <functional>

// What the check's network steps may be told; tests point them at loopback.
struct UpdateNetworkSettings {
    quint16 probePort = 53;
    int probeTimeoutMs = 2000;
    int connectTimeoutMs = 10000;
    int responseTimeoutMs = 10000;
    qint64 maxManifestBytes = 1024 * 1024;
    // Empty: the system's certificate authorities. Otherwise only these are trusted.
    QList<QSslCertificate> trustedAuthorities;
};
UpdateNetworkSettings &updateNetwork();

// Hands an address to the default browser; false when it could not.
using BrowserOpener = std::function<bool(const QUrl &url)>;
void setBrowserOpener(BrowserOpener opener);   // empty puts the system's back

// The manifest body as lines: decoded by its byte-order mark (UTF-8, UTF-16 LE
// or BE), else as Latin-1; CR LF, LF and CR all end a line; a line end at the
// very end adds no empty line.
QStringList decodeManifest(const QByteArray &body);

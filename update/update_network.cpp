#include "update/update_network.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QStringDecoder>
#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <stdexcept>

#include "tools/terminating.h"
#include "update/software_update_check.h"

#ifdef Q_OS_WIN
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

BrowserOpener browserOpener;

bool systemBrowser(const QUrl &url)
{
#ifdef Q_OS_WIN
    const std::wstring target = url.toString(QUrl::FullyEncoded).toStdWString();
    const auto rc = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return rc > 32;
#else
    return QDesktopServices::openUrl(url);
#endif
}

// Waits in a local event loop, so the window keeps painting; closing the window
// ends the wait at once.
class LocalWait {
public:
    LocalWait()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_loop, [this] {
            m_timedOut = true;
            m_loop.quit();
        });
        QObject::connect(&Terminating::instance(), &Terminating::started, &m_loop, &QEventLoop::quit);
    }
    template <typename Sender, typename Signal> void quitOn(const Sender *sender, Signal signal)
    {
        QObject::connect(sender, signal, &m_loop, &QEventLoop::quit);
    }
    void restart(int ms) { m_timer.start(ms); }
    void run()
    {
        if (!ApplicationTerminating())
            m_loop.exec();
    }
    bool timedOut() const { return m_timedOut; }

private:
    QEventLoop m_loop;
    QTimer m_timer;
    bool m_timedOut = false;
};

}   // namespace

UpdateNetworkSettings &updateNetwork()
{
    static UpdateNetworkSettings settings;
    return settings;
}

void setBrowserOpener(BrowserOpener opener)
{
    browserOpener = std::move(opener);
}

QStringList decodeManifest(const QByteArray &body)
{
    QString text;
    if (body.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(body.mid(3));
    else if (body.startsWith("\xFF\xFE"))
        text = QStringDecoder(QStringDecoder::Utf16LE).decode(body.mid(2));
    else if (body.startsWith("\xFE\xFF"))
        text = QStringDecoder(QStringDecoder::Utf16BE).decode(body.mid(2));
    else
        text = QString::fromLatin1(body);

    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << line;
            line.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

bool CanReachHost(const QString &host)
{
    const UpdateNetworkSettings &net = updateNetwork();
    QTcpSocket socket;
    LocalWait wait;
    wait.quitOn(&socket, &QTcpSocket::connected);
    wait.quitOn(&socket, &QTcpSocket::errorOccurred);
    socket.connectToHost(host, net.probePort);
    wait.restart(net.probeTimeoutMs);
    if (socket.state() != QAbstractSocket::UnconnectedState &&
        socket.state() != QAbstractSocket::ConnectedState)
        wait.run();

    if (socket.state() == QAbstractSocket::ConnectedState) {
        socket.abort();
        return true;
    }
    if (ApplicationTerminating())
        return false;
    const QString error = wait.timedOut() ? QStringLiteral("Connection timed out") : socket.errorString();
    socket.abort();
    StatusCallback(QStringLiteral("Check internet: ") + error);
    return false;
}

bool DownloadLines(const QString &url, QStringList &lines)
{
    const UpdateNetworkSettings &net = updateNetwork();
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    ssl.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!net.trustedAuthorities.isEmpty())
        ssl.setCaCertificates(net.trustedAuthorities);
    request.setSslConfiguration(ssl);
    // HTTP/2 carries no status text, and "Error %d: %s" needs one.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);

    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    LocalWait wait;
    bool answering = false;
    bool tooLarge = false;
    wait.quitOn(reply.get(), &QNetworkReply::finished);
    // The connect time-out runs until the request is out; then the answer has its own.
    QObject::connect(reply.get(), &QNetworkReply::requestSent, reply.get(), [&] {
        answering = true;
        wait.restart(net.responseTimeoutMs);
    });
    // The body is held in memory, so a manifest far larger than any real one is refused.
    const auto checkSize = [&](qint64 received, qint64 total) {
        if (received > net.maxManifestBytes || total > net.maxManifestBytes) {
            tooLarge = true;
            reply->abort();
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(), checkSize);
    wait.restart(net.connectTimeoutMs);
    if (!reply->isFinished())
        wait.run();

    if (!reply->isFinished()) {
        reply->disconnect();
        reply->abort();
        if (ApplicationTerminating())
            return false;
    }
    QString error;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (tooLarge)
        error = QStringLiteral("The version file is larger than %1 bytes").arg(net.maxManifestBytes);
    else if (wait.timedOut())
        error = answering ? QStringLiteral("No answer from the server in time")
                          : QStringLiteral("Connection timed out");
    else if (status.isValid() && status.toInt() != 200)
        error = QStringLiteral("Error %1: %2")
                    .arg(status.toInt())
                    .arg(QString::fromLatin1(
                        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray()));
    else if (reply->error() != QNetworkReply::NoError || !status.isValid())
        error = reply->errorString();

    if (error.isEmpty()) {
        const QByteArray body = reply->readAll();
        if (body.size() > net.maxManifestBytes)
            error = QStringLiteral("The version file is larger than %1 bytes").arg(net.maxManifestBytes);
        else
            lines = decodeManifest(body);
    }
    if (!error.isEmpty()) {
        StatusCallback(QStringLiteral("Download file: ") + error);
        return false;
    }
    return true;
}

void OpenInBrowser(const QString &url)
{
    // The address comes from the network: only a web address goes to the browser,
    // never a local file or a program.
    // Tolerant: an unencoded blank in a published address is no reason to refuse it.
    const QUrl target(url, QUrl::TolerantMode);
    const QString scheme = target.scheme().toLower();
    const bool web = target.isValid() &&
                     (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
                     !target.host().isEmpty();
    const BrowserOpener &open = browserOpener ? browserOpener : BrowserOpener(systemBrowser);
    if (!web || !open(target))
        throw std::runtime_error("Could not open the default web browser.");
}

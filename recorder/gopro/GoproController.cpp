#include "recorder/gopro/GoproController.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>

namespace {

struct ConfigurationStep
{
    const char* command;
    const char* parameter;
    const char* failure;
};

constexpr ConfigurationStep configurationSteps[] = {
    {"camera/BS", "%00", "Error with Gopro - failed to set volume, error code: "},
    {"camera/CM", "%00", "Error with Gopro - failed to set camera mode, error code: "},
    {"camera/VV", "%03", "Error with Gopro - failed to set camera resolution, error code: "},
    {"camera/UP", "%00", "Error with Gopro - failed to set camera orientation, error code: "},
};

QUrl commandServer(const QString& address)
{
    return QUrl(QStringLiteral("http://") + address + QStringLiteral("/"));
}

} // namespace

GoproController::GoproController(QObject* parent)
    : GoproController(GoproEndpoint::fromEnvironment(), GoproTimings{}, parent)
{
}

GoproController::GoproController(const GoproEndpoint& endpoint, const GoproTimings& timings, QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this)), address_(endpoint.address),
      mediaPort_(endpoint.mediaPort), timings_(timings),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    // The camera is on a direct Wi-Fi link; a proxy could never reach it.
    network_->setProxy(QNetworkProxy::NoProxy);
}

void GoproController::setUrlOpener(UrlOpener opener)
{
    openUrl_ = std::move(opener);
}

QUrl GoproController::makeUrl(const QString& command, const QString& parameter) const
{
    QString text = QStringLiteral("http://") + address_ + QStringLiteral("/") + command +
                   QStringLiteral("?t=") + QString::fromLatin1(QUrl::toPercentEncoding(password_));
    if (!parameter.isEmpty())
        text += QStringLiteral("&p=") + parameter;
    LOG("URL: ", text);
    return QUrl(text, QUrl::TolerantMode);
}

int GoproController::sendRequest(const QUrl& url, bool wait)
{
    LOG("url: ", url.toString(), ", wait: ", wait);
    QNetworkReply* reply = network_->get(QNetworkRequest(url));
    if (!wait) {
        // The reply lives until the request is done: deleting it now would
        // cancel a command that has not gone out yet.
        connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
        QTimer::singleShot(timings_.requestTimeoutMs, reply, &QNetworkReply::abort);
        LOG("end");
        return 0;
    }
    const int code = waitForReply(reply);
    lastTimedOut_ = code == QNetworkReply::TimeoutError;
    LOG("Error code1: ", code);
    waitQuietly(timings_.pauseAfterReplyMs);
    LOG("after sleep");
    return code;
}

int GoproController::waitForReply(QNetworkReply* reply)
{
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timings_.requestTimeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    int code = reply->error();
    if (!reply->isFinished()) {
        LOG("no answer within ", timings_.requestTimeoutMs, " ms");
        reply->abort();
        code = QNetworkReply::TimeoutError;
    }
    reply->deleteLater();
    return code;
}

void GoproController::waitQuietly(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

bool GoproController::configureCamera(const QString& password)
{
    LOG("address: ", address_);
    password_ = password;
    bool allAccepted = true;
    for (const ConfigurationStep& step : configurationSteps) {
        const int code = sendRequest(
            makeUrl(QString::fromLatin1(step.command), QString::fromLatin1(step.parameter)), true);
        if (code != 0) {
            LOG(step.failure, code);
            allAccepted = false;
        }
        if (lastTimedOut_) {
            LOG("camera does not answer - configuration given up");
            break;
        }
    }
    LOG("end");
    return allAccepted;
}

bool GoproController::setRecording(bool start)
{
    LOG("start: ", start);
    const int code = sendRequest(
        makeUrl(QStringLiteral("camera/SH"), start ? QStringLiteral("%01") : QStringLiteral("%00")), true);
    LOG("end");
    return code == 0;
}

bool GoproController::isAvailable()
{
    LOG("address: ", address_);
    const QUrl server = commandServer(address_);
    if (address_.isEmpty() || !server.isValid() || server.host().isEmpty()) {
        LOG("no usable camera address");
        LOG("end");
        return false;
    }
    QTcpSocket probe;
    probe.setProxy(QNetworkProxy::NoProxy);
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&probe, &QTcpSocket::connected, &loop, &QEventLoop::quit);
    connect(&probe, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timings_.probeTimeoutMs);
    probe.connectToHost(server.host(), static_cast<quint16>(server.port(80)));
    if (probe.state() != QAbstractSocket::ConnectedState &&
        probe.state() != QAbstractSocket::UnconnectedState)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    const bool connected = probe.state() == QAbstractSocket::ConnectedState;
    if (!connected)
        LOG("camera does not answer: ", probe.errorString(), ", error code: ", probe.error());
    probe.abort();
    LOG("end");
    return connected;
}

void GoproController::showPreview()
{
    LOG("start");
    openMediaPath(QStringLiteral("/live/amba.mp4"));
    LOG("end");
}

void GoproController::showMovies()
{
    LOG("start");
    openMediaPath(QStringLiteral("/videos/DCIM/100GOPRO/"));
    LOG("end");
}

void GoproController::openMediaPath(const QString& path)
{
    QUrl url = commandServer(address_);
    url.setPort(mediaPort_);
    url.setPath(path);
    if (url.host().isEmpty()) {
        LOG("no usable camera address");
        return;
    }
    LOG("URL: ", url.toString());
    if (!openUrl_(url))
        LOG("Failed to open ", url.toString());
}

#include "sim/eyex/EyeXEngine.h"

#include <QFile>
#include <QLocalSocket>
#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr qint64 maxLineLength = 256;
// Engine time runs on from a point well away from zero, as a real engine's would.
constexpr double engineEpochMs = 5'000'000.0;

} // namespace

EyeXEngine::EyeXEngine(Options options, QObject* parent) : QObject(parent), options_(std::move(options))
{
    gazeTimer_.setInterval(std::max(1, 1000 / std::max(1, options_.rateHz)));
    connect(&gazeTimer_, &QTimer::timeout, this, &EyeXEngine::sendGaze);
    connect(&server_, &QLocalServer::newConnection, this, &EyeXEngine::accept);
}

EyeXEngine::~EyeXEngine()
{
    for (const Client& client : clients_)
        client.socket->abort();
    server_.close();
}

bool EyeXEngine::start(QString& error)
{
    // A socket file left by an engine that died would refuse the listen.
    QFile::remove(options_.socketPath);
    if (!server_.listen(options_.socketPath)) {
        error = server_.errorString();
        return false;
    }
    clock_.start();
    gazeTimer_.start();
    return true;
}

int EyeXEngine::subscriberCount() const
{
    return static_cast<int>(
        std::count_if(clients_.begin(), clients_.end(), [](const Client& c) { return c.subscribed; }));
}

void EyeXEngine::accept()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        clients_.push_back({socket, false});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                          [socket](const Client& c) { return c.socket == socket; }),
                           clients_.end());
            socket->deleteLater();
        });
        socket->write(QStringLiteral("state %1\n").arg(options_.connectionState).toUtf8());
    }
}

void EyeXEngine::readFrom(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(maxLineLength).trimmed();
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 2 && words[0] == "subscribe" && options_.connectionState == 1) {
            for (Client& client : clients_)
                if (client.socket == socket)
                    client.subscribed = true;
        }
        if (words.size() == 2 && words[0] == "get" && options_.connectionState == 1)
            socket->write(stateLine(words[1]));
    }
    // A client that never ends its line is dropped.
    if (socket->bytesAvailable() > maxLineLength)
        socket->abort();
}

QByteArray EyeXEngine::stateLine(const QByteArray& path) const
{
    if (path == "eyeTracking.displaySize")
        return QStringLiteral("value %1 %2 %3\n")
            .arg(QString::fromLatin1(path))
            .arg(options_.displayWidthMm)
            .arg(options_.displayHeightMm)
            .toUtf8();
    if (path == "eyeTracking.screenBounds")
        return QStringLiteral("value %1 0 0 %2 %3\n")
            .arg(QString::fromLatin1(path))
            .arg(options_.screenWidthPx)
            .arg(options_.screenHeightPx)
            .toUtf8();
    return {};
}

void EyeXEngine::sendGaze()
{
    ++sent_;
    if (options_.blinkEvery > 0 && sent_ % options_.blinkEvery < 5)
        return;
    const double time = engineEpochMs + static_cast<double>(clock_.elapsed());
    const double angle = time / 2000.0;
    const QByteArray line = QStringLiteral("gaze %1 %2 %3\n")
                                .arg(time, 0, 'f', 1)
                                .arg(options_.screenWidthPx / 2.0 + 400 * std::cos(angle), 0, 'f', 1)
                                .arg(options_.screenHeightPx / 2.0 + 300 * std::sin(angle), 0, 'f', 1)
                                .toUtf8();
    for (const Client& client : clients_)
        if (client.subscribed)
            client.socket->write(line);
}

} // namespace sim

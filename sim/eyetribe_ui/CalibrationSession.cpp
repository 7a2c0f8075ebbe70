#include "sim/eyetribe_ui/CalibrationSession.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

CalibrationSession::CalibrationSession(const Options& options, QObject* parent)
    : QObject(parent), options_(options)
{
    // The server drops connections whose heartbeats stop.
    heartbeat_.setInterval(1000);
    connect(&heartbeat_, &QTimer::timeout, this, [this] { send(R"({"category":"heartbeat"})"); });
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        heartbeat_.start();
        step_ = Step::starting;
        send(QStringLiteral(R"({"category":"calibration","request":"start","values":{"pointcount":%1}})")
                 .arg(options_.pointCount)
                 .toUtf8());
    });
    connect(&socket_, &QTcpSocket::readyRead, this, &CalibrationSession::readReplies);
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this] {
        if (step_ != Step::done)
            fail(QStringLiteral("connection to the tracker server: ") + socket_.errorString());
    });
}

QPointF CalibrationSession::pointPosition(int index, int count, QSize area)
{
    const int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(count))));
    const int rows = (count + columns - 1) / columns;
    const int column = index % columns;
    const int row = index / columns;
    return {area.width() * (column + 1.0) / (columns + 1), area.height() * (row + 1.0) / (rows + 1)};
}

void CalibrationSession::start()
{
    socket_.connectToHost(QHostAddress::LocalHost, options_.port);
}

void CalibrationSession::send(const QByteArray& text)
{
    socket_.write(text);
}

void CalibrationSession::readReplies()
{
    const QByteArray bytes = socket_.readAll();
    framer_.append(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (framer_.overflowed()) {
        fail(QStringLiteral("the tracker server sends no complete message"));
        return;
    }
    while (const auto message = framer_.next()) {
        const QJsonObject reply =
            QJsonDocument::fromJson(QByteArray::fromStdString(*message).trimmed()).object();
        // Heartbeat answers and change notices to every client are not ours to act on.
        if (reply.value(QStringLiteral("category")).toString() != QStringLiteral("calibration"))
            continue;
        handleReply(reply.value(QStringLiteral("statuscode")).toInt(),
                    reply.value(QStringLiteral("request")).toString());
        if (step_ == Step::done)
            return;
    }
}

void CalibrationSession::handleReply(int statuscode, const QString& request)
{
    if (statuscode != 200) {
        fail(QStringLiteral("the tracker server refused \"%1\" with status %2").arg(request).arg(statuscode));
        return;
    }
    switch (step_) {
    case Step::starting:
        point_ = 0;
        startPoint();
        break;
    case Step::pointStarting:
        Q_EMIT pointShown(point_, pointPosition(point_, options_.pointCount, options_.area));
        QTimer::singleShot(options_.pointMs, this, &CalibrationSession::endPoint);
        break;
    case Step::pointEnding:
        if (++point_ < options_.pointCount) {
            startPoint();
            break;
        }
        step_ = Step::done;
        heartbeat_.stop();
        socket_.disconnectFromHost();
        Q_EMIT finished(true, QString());
        break;
    case Step::none:
    case Step::done:
        break;
    }
}

void CalibrationSession::startPoint()
{
    step_ = Step::pointStarting;
    const QPointF where = pointPosition(point_, options_.pointCount, options_.area);
    send(QStringLiteral(R"({"category":"calibration","request":"pointstart","values":{"x":%1,"y":%2}})")
             .arg(qRound(where.x()))
             .arg(qRound(where.y()))
             .toUtf8());
}

void CalibrationSession::endPoint()
{
    if (step_ != Step::pointStarting)
        return;
    step_ = Step::pointEnding;
    const QByteArray pointEnd = R"({"category":"calibration","request":"pointend"})";
    if (point_ + 1 < options_.pointCount) {
        send(pointEnd);
        return;
    }
    // The result window is up before the server tells anyone about the result.
    Q_EMIT resultComing();
    QTimer::singleShot(options_.resultLeadMs, this, [this, pointEnd] { send(pointEnd); });
}

void CalibrationSession::fail(const QString& error)
{
    step_ = Step::done;
    heartbeat_.stop();
    socket_.abort();
    Q_EMIT finished(false, error);
}

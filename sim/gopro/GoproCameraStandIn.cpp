#include "sim/gopro/GoproCameraStandIn.h"

#include <QTimer>

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {

// A request head longer than this is refused: no client of ours sends one.
constexpr int maxHeadBytes = 8192;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 410:
        return "Gone";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Error";
    }
}

void respond(QTcpSocket* socket, int status, const QByteArray& contentType, const QByteArray& body)
{
    QByteArray message = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    message += "Content-Type: " + contentType + "\r\n";
    message += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    message += "Connection: close\r\n\r\n";
    message += body;
    socket->write(message);
    socket->disconnectFromHost();
}

bool isCommandPath(const QByteArray& path)
{
    return path.startsWith("/camera/") || path.startsWith("/bacpac/");
}

} // namespace

GoproCameraStandIn::GoproCameraStandIn(QObject* parent) : QObject(parent) {}

GoproCameraStandIn::~GoproCameraStandIn()
{
    close();
}

quint16 GoproCameraStandIn::listen(quint16 port)
{
    auto* server = new QTcpServer(this);
    if (!server->listen(QHostAddress::LocalHost, port)) {
        delete server;
        return 0;
    }
    connect(server, &QTcpServer::newConnection, this, [this, server] { accept(server); });
    servers_.append(server);
    return server->serverPort();
}

void GoproCameraStandIn::close()
{
    for (QTcpSocket* socket : pending_.keys()) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    pending_.clear();
    for (QTcpServer* server : servers_) {
        server->close();
        server->deleteLater();
    }
    servers_.clear();
}

void GoproCameraStandIn::accept(QTcpServer* server)
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        socket->setParent(this);
        pending_.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
    }
}

void GoproCameraStandIn::read(QTcpSocket* socket)
{
    QByteArray& buffer = pending_[socket];
    buffer += socket->readAll();
    const int headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (buffer.size() > maxHeadBytes) {
            disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
            respond(socket, 431, "text/plain", {});
        }
        return;
    }
    // One request per connection: whatever follows the head is ignored.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    buffer.clear();
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/") || !requestLine[1].startsWith('/')) {
        respond(socket, 400, "text/plain", {});
        return;
    }
    if (requestLine[0] != "GET") {
        respond(socket, 405, "text/plain", {});
        return;
    }
    if (answerDelayMs_ <= 0) {
        answerRequest(socket, requestLine[1]);
        return;
    }
    const QByteArray target = requestLine[1];
    QTimer::singleShot(answerDelayMs_, socket, [this, socket, target] { answerRequest(socket, target); });
}

void GoproCameraStandIn::answerRequest(QTcpSocket* socket, const QByteArray& target)
{
    const int queryStart = target.indexOf('?');
    const QByteArray path = queryStart < 0 ? target : target.left(queryStart);
    const QByteArray query = queryStart < 0 ? QByteArray() : target.mid(queryStart + 1);

    if (behaviour_ != Behaviour::Answer) {
        if (isCommandPath(path))
            runCommand(QString::fromLatin1(path.mid(1)), query);
        if (behaviour_ == Behaviour::CloseConnection)
            socket->disconnectFromHost();
        return;
    }
    if (isCommandPath(path)) {
        const int status = runCommand(QString::fromLatin1(path.mid(1)), query);
        respond(socket, status, "text/plain", {});
    } else if (path == "/live/amba.mp4") {
        respond(socket, 200, "video/mp4", preview_);
    } else if (path == "/videos/DCIM/100GOPRO/") {
        respond(socket, 200, "text/html", movieFolderPage());
    } else if (path.startsWith("/videos/DCIM/100GOPRO/") &&
               movies_.contains(QString::fromLatin1(path.mid(path.lastIndexOf('/') + 1)))) {
        respond(socket, 200, "video/mp4", {});
    } else {
        respond(socket, 404, "text/plain", {});
    }
}

int GoproCameraStandIn::runCommand(const QString& path, const QByteArray& query)
{
    Command command;
    command.path = path;
    for (const QByteArray& item : query.split('&')) {
        const int equals = item.indexOf('=');
        const QByteArray key = equals < 0 ? item : item.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : item.mid(equals + 1);
        if (key == "t")
            command.password = QUrl::fromPercentEncoding(value);
        else if (key == "p")
            command.parameter = QString::fromLatin1(value);
    }
    if (behaviour_ == Behaviour::Answer) {
        if (command.password != password_)
            command.status = 403;
        else
            command.status = rejected_.value(path, 200);
    }
    if (command.status == 200 && path == QStringLiteral("camera/SH")) {
        const bool start = command.parameter == QStringLiteral("%01");
        if (start && !recording_)
            movies_.append(QStringLiteral("GOPR%1.MP4").arg(movies_.size() + 1, 4, 10, QLatin1Char('0')));
        recording_ = start;
    }
    commands_.append(command);
    Q_EMIT commandReceived(command);
    return command.status;
}

QByteArray GoproCameraStandIn::movieFolderPage() const
{
    QByteArray page = "<html><head><title>100GOPRO</title></head><body>\n";
    for (const QString& movie : movies_)
        page += "<a href=\"" + movie.toLatin1() + "\">" + movie.toLatin1() + "</a><br>\n";
    page += "</body></html>\n";
    return page;
}

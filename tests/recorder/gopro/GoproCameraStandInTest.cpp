#include "sim/gopro/GoproCameraStandIn.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace {

// Sends raw bytes and returns everything the stand-in sends back before it
// closes the connection (empty when it never does within two seconds).
QByteArray exchange(quint16 port, const QByteArray& request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    QByteArray answer;
    QDeadlineTimer deadline(2000);
    bool sent = false;
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!sent && socket.state() == QAbstractSocket::ConnectedState) {
            socket.write(request);
            sent = true;
        }
        answer += socket.readAll();
        if (sent && socket.state() == QAbstractSocket::UnconnectedState)
            return answer;
    }
    return {};
}

QByteArray statusLine(const QByteArray& answer)
{
    return answer.left(answer.indexOf("\r\n"));
}

} // namespace

TEST(GoproCameraStandIn, AnswersMalformedRequestsWithAnErrorAndRecordsNothing)
{
    GoproCameraStandIn camera;
    const quint16 port = camera.listen();
    ASSERT_NE(port, 0);

    const std::pair<QByteArray, QByteArray> cases[] = {
        {"nonsense\r\n\r\n", "HTTP/1.1 400 Bad Request"},
        {"GET camera/SH HTTP/1.1\r\n\r\n", "HTTP/1.1 400 Bad Request"},
        {"POST /camera/SH?t=lensmatic&p=%01 HTTP/1.1\r\n\r\n", "HTTP/1.1 405 Method Not Allowed"},
        {"GET /camera/SH?t=lensmatic&p=%01 HTTP/1.1\r\nX: " + QByteArray(10000, 'x'),
         "HTTP/1.1 431 Request Header Fields Too Large"},
        {"GET /unknown HTTP/1.1\r\n\r\n", "HTTP/1.1 404 Not Found"},
    };
    for (const auto& [request, expected] : cases)
        EXPECT_EQ(statusLine(exchange(port, request)), expected) << request.left(40).constData();
    EXPECT_TRUE(camera.commands().isEmpty());
    EXPECT_FALSE(camera.isRecording());
}

TEST(GoproCameraStandIn, CommandWithoutPasswordOrParameterIsRecordedAndRefused)
{
    GoproCameraStandIn camera;
    const quint16 port = camera.listen();
    ASSERT_NE(port, 0);

    EXPECT_EQ(statusLine(exchange(port, "GET /camera/SH HTTP/1.1\r\n\r\n")), "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(statusLine(exchange(port, "GET /camera/SH?t=lensmatic&p HTTP/1.1\r\n\r\n")), "HTTP/1.1 200 OK");

    ASSERT_EQ(camera.commands().size(), 2);
    EXPECT_EQ(camera.commands()[0].status, 403);
    EXPECT_TRUE(camera.commands()[1].parameter.isEmpty());
    EXPECT_FALSE(camera.isRecording());
}

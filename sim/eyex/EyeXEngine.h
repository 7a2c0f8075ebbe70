#pragma once

#include <QElapsedTimer>
#include <QLocalServer>
#include <QObject>
#include <QTimer>
#include <vector>

class QLocalSocket;

namespace sim {

// The EyeX engine stand-in: serves the client library's local socket. Each client
// is told the connection state at once; once it subscribes, it receives gaze
// points on a slow circle at the given rate, stamped with the engine's time in ms.
// Asked for its display, it tells the display's size in millimetres and its
// bounds in pixels.
class EyeXEngine : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QString socketPath;
        int rateHz = 60;
        int connectionState = 1;
        // Above 0: of every this many gaze points, the first 5 are left out (a blink).
        int blinkEvery = 0;
        // A 24-inch 16:9 display.
        int displayWidthMm = 531;
        int displayHeightMm = 299;
        int screenWidthPx = 1920;
        int screenHeightPx = 1080;
    };

    explicit EyeXEngine(Options options, QObject* parent = nullptr);
    ~EyeXEngine() override;

    // False, with the reason, when the socket cannot be served.
    bool start(QString& error);
    int clientCount() const { return static_cast<int>(clients_.size()); }
    int subscriberCount() const;

private:
    void accept();
    void readFrom(QLocalSocket* client);
    // The answer to a state request; empty for a path the engine does not know.
    QByteArray stateLine(const QByteArray& path) const;
    void sendGaze();

    struct Client
    {
        QLocalSocket* socket = nullptr;
        bool subscribed = false;
    };

    Options options_;
    QLocalServer server_;
    QTimer gazeTimer_;
    QElapsedTimer clock_;
    std::vector<Client> clients_;
    long sent_ = 0;
};

} // namespace sim

#pragma once

#include "recorder/gopro/GoproEndpoint.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// How long the controller waits for the camera.
struct GoproTimings
{
    // A camera that accepts a command but never answers is given up after this.
    int requestTimeoutMs = 5000;
    // The availability probe: a TCP connection to the command server.
    int probeTimeoutMs = 1000;
    // Pause after each answered command, so the camera is ready for the next one.
    int pauseAfterReplyMs = 200;
};

// Controls a GoPro camera (HERO3 generation HTTP interface) over its own Wi-Fi
// access point: checks that it answers, configures it, starts and stops its
// recording and opens its live preview and its movie folder.
//
// GUI thread only. Requests that wait for their answer run a local event loop
// that leaves the operator's input alone (it waits until the request is over),
// while timers and window messages are still handled: callers guard against
// those arriving meanwhile.
class GoproController : public QObject
{
    Q_OBJECT
public:
    // Opens a URL in the desktop's viewer; returns false when nothing could open it.
    using UrlOpener = std::function<bool(const QUrl&)>;

    static constexpr char defaultPassword[] = "lensmatic";

    // The camera at its default address, or at the override in the environment.
    explicit GoproController(QObject* parent = nullptr);
    GoproController(const GoproEndpoint& endpoint, const GoproTimings& timings, QObject* parent = nullptr);

    // "http://<address>/<command>?t=<password>[&p=<parameter>]". The parameter is
    // given already percent-encoded ("%01" is the byte 1); the password is encoded
    // here, so that any character in it reaches the camera unchanged.
    QUrl makeUrl(const QString& command, const QString& parameter) const;

    // HTTP GET of the URL. Without waiting: returns 0 at once and the request
    // completes in the background. With waiting: returns the network error code
    // of the answer (0 = success), or QNetworkReply::TimeoutError when the camera
    // has not answered within the request time-out.
    int sendRequest(const QUrl& url, bool wait);

    // Uses the password from now on and sends the four configuration commands
    // (volume, mode, resolution, orientation), each even when an earlier one was
    // refused; a camera that does not answer one at all is given up at once
    // (see lastRequestTimedOut()). Returns true when the camera accepted all four.
    bool configureCamera(const QString& password);

    // Starts or stops the camera's recording; true when the camera accepted it.
    bool setRecording(bool start);

    // True when the camera's command server accepts a TCP connection within the
    // probe time-out; waits as the requests do.
    bool isAvailable();

    // Open the camera's live stream / its folder of recorded movies.
    void showPreview();
    void showMovies();

    // Replaces the desktop's URL handler (tests record the URLs instead).
    void setUrlOpener(UrlOpener opener);

    const QString& address() const { return address_; }
    // The last request that waited got no answer within the request time-out.
    bool lastRequestTimedOut() const { return lastTimedOut_; }

private:
    int waitForReply(QNetworkReply* reply);
    // Lets the camera be; timers and messages go on meanwhile, the operator's input waits.
    static void waitQuietly(int ms);
    void openMediaPath(const QString& path);

    QNetworkAccessManager* network_;
    QString address_;
    quint16 mediaPort_;
    QString password_ = QString::fromLatin1(defaultPassword);
    GoproTimings timings_;
    UrlOpener openUrl_;
    bool lastTimedOut_ = false;
};

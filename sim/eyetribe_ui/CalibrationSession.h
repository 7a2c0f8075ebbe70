#pragma once

#include "recorder/gtl/MessageFramer.h"

#include <QObject>
#include <QPointF>
#include <QSize>
#include <QTcpSocket>
#include <QTimer>

// One calibration run against the tracker server, on a connection of its own:
// "start" with the point count, then "pointstart" and "pointend" for each point
// of a grid. The server computes the result on the last "pointend" and tells
// every client that the calibration changed.
class CalibrationSession : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        unsigned short port = 6555;
        int pointCount = 9;
        int pointMs = 800;      // how long each point is looked at
        int resultLeadMs = 200; // between announcing the result and asking for it
        QSize area{1920, 1080}; // where the points lie, pixels
    };

    explicit CalibrationSession(const Options& options, QObject* parent = nullptr);

    void start();

    // The grid position of point index (of count), in pixels.
    static QPointF pointPosition(int index, int count, QSize area);

Q_SIGNALS:
    void pointShown(int index, QPointF where);
    // The next request makes the server compute the result.
    void resultComing();
    void finished(bool ok, const QString& error);

private:
    enum class Step
    {
        none = 0,
        starting,
        pointStarting,
        pointEnding,
        done,
    };

    void send(const QByteArray& text);
    void readReplies();
    void handleReply(int statuscode, const QString& request);
    void startPoint();
    void endPoint();
    void fail(const QString& error);

    Options options_;
    QTcpSocket socket_;
    gtl::MessageFramer framer_;
    QTimer heartbeat_;
    Step step_ = Step::none;
    int point_ = 0;
};

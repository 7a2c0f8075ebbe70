#pragma once

#include "recorder/trackers/EyeTrackerController.h"
#include "recorder/trackers/eyex/EyeX.h"

#include <QString>
#include <QTimer>
#include <mutex>

// The Tobii EyeX tracker: its engine and settings program, and the client
// library's connection to the engine, whose handlers run on the library's own
// threads. Gaps in the gaze stream are blinks and are filled with samples
// interpolated at 30 Hz.
class EyeXController : public EyeTrackerController
{
    Q_OBJECT

public:
    static constexpr int defaultReconnectMs = 1000;
    // A longer gap between two gaze events is a blink.
    static constexpr double blinkGapMs = 50.0;

    explicit EyeXController(OperatorPrompt& prompt, QObject* parent = nullptr);
    ~EyeXController() override;

    void emitInitialSignals() override;
    bool isReadyForExamination() override;
    bool isInstalled() override;
    void setScreen(int screenIndex) override;
    void setFps(int fps) override;
    void disconnectFromServer() override;
    QStringList serverArguments() override;
    void tryConnectToServer() override;
    std::optional<TrackerScreen> trackerScreen() const override;

    void onEngineConnectionStateChanged(TX_CONNECTIONSTATE state);
    void onGazeDataEvent(TX_HANDLE behavior);
    // The engine's answer about its display (a state bag).
    void onDisplayState(TX_CONSTHANDLE stateBag);

    // The folder the engine and the settings program are installed in.
    static QString tobiiFolder();

    // Test seam: how long a failed connection waits before it tries again.
    void setReconnectIntervalMs(int intervalMs) { reconnectTimer_.setInterval(intervalMs); }

public Q_SLOTS:
    void runCalibration() override;
    void afterCalibration() override;

private:
    void addMissingSamplesToGazePointList(GazePoint point);
    void startEngine();

    QString engineProcessName;
    QString engineCommand;
    TX_CONTEXTHANDLE context_ = TX_EMPTY_HANDLE;
    TX_TICKET connectionStateTicket_ = TX_INVALID_TICKET;
    TX_TICKET eventTicket_ = TX_INVALID_TICKET;
    TX_HANDLE snapshot_ = nullptr;
    double lastEventTimestamp = -1.0;
    QTimer reconnectTimer_;
    // Filled from the library's thread as the engine answers; zero until then.
    mutable std::mutex displayMutex_;
    TX_SIZE2 displaySizeMm_;
    TX_RECT screenBoundsPx_;
};

#pragma once

#include "recorder/gtl/GazeApi.h"
#include "recorder/gtl/Listeners.h"
#include "recorder/trackers/EyeTrackerController.h"

#include <QString>
#include <QTimer>
#include <functional>

// The EyeTribe tracker: its server process, its calibration program and the
// client connection to the server, whose listener calls arrive on the client's
// own thread. Gaze frames become samples stamped with movie time.
class EyeTribeController : public EyeTrackerController,
                           public gtl::IConnectionStateListener,
                           public gtl::ITrackerStateListener,
                           public gtl::IGazeListener,
                           public gtl::ICalibrationResultListener
{
    Q_OBJECT

public:
    static constexpr int defaultReconnectMs = 1000;
    static constexpr int defaultCalibrationRetryMs = 3000;
    static constexpr int defaultCalibrationStartMs = 5000;

    explicit EyeTribeController(OperatorPrompt& prompt, QObject* parent = nullptr);
    ~EyeTribeController() override;

    void emitInitialSignals() override;
    bool isReadyForExamination() override;
    bool isInstalled() override;
    void setScreen(int screenIndex) override;
    void setFps(int fps) override;
    void disconnectFromServer() override;
    QStringList serverArguments() override;
    void tryConnectToServer() override;

    void on_connection_state_changed(bool connected) override;
    void on_tracker_connection_changed(int trackerstate) override;
    void on_screen_state_changed(const gtl::ScreenSetup& screen) override;
    void on_gaze_data(const gtl::GazeFrame& frame) override;
    void on_calibration_changed(bool isCalibrated, const gtl::CalibrationResult& result) override;

    // 0 for a failed calibration, else 5 (under 0.5 degrees) down to 1 (1.5 degrees and more).
    static int calibrationQuality(const gtl::CalibrationResult& result);
    // The calibration program presents its result in a window beside its main window.
    static bool calibrationResultShown(int visibleWindowCount) { return visibleWindowCount >= 2; }

    // The folder the server and the calibration program are installed in.
    static QString eyeTribeFolder();

    // Brings the recorder's window back after a calibration; the window sets it.
    void setParentActivator(std::function<void()> activator) { parentActivator_ = std::move(activator); }

    // Test seams: the server's port (another than the default is also passed to the
    // server and the calibration program as "--port=N") and the retry intervals.
    void setPort(unsigned short port) { port_ = port; }
    void setRetryIntervals(int reconnectMs, int calibrationRetryMs, int calibrationStartMs);

public Q_SLOTS:
    void runCalibration() override;
    void afterCalibration() override;

private:
    void endSupervisedPrograms();
    QString portArgument() const;

    gtl::GazeApi client_{false};
    QTimer reconnectTimer_;
    std::function<void()> parentActivator_;
    unsigned short port_ = gtl::GazeApi::defaultPort;
    int calibrationRetryMs_ = defaultCalibrationRetryMs;
    int calibrationStartMs_ = defaultCalibrationStartMs;
};

#pragma once

#include "recorder/gtl/GazeApi.h"
#include "recorder/gtl/Listeners.h"
#include "recorder/trackers/EyeTrackerController.h"

#include <QString>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <mutex>

// The EyeTribe tracker: its server process, its calibration program and the
// client connection to the server, whose listener calls arrive on the client's
// own thread. Gaze frames become samples stamped with movie time.
//
// Connecting waits for the server (up to the client's deadline), so it never
// runs on the window's thread: every connect and disconnect runs in turn on a
// link thread of the controller's own, and the outcome comes back as the usual
// signals and, for a failed attempt, a retry scheduled on the window's thread.
// A connection the server ends is tried again the same way; the server itself
// is left running, with its calibration. Failed attempts in a row are spaced
// out (1, 2, 4 ... 30 s), and a program on the port that is no tracker server
// is told to the operator once.
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
    bool isConnectedToServer() const override;
    std::optional<TrackerScreen> trackerScreen() const override;
    void setScreen(int screenIndex) override;
    void setFps(int fps) override;
    void disconnectFromServer() override;
    QStringList serverArguments() override;
    void tryConnectToServer() override;
    bool serverPortTaken() const override;

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
    void setConnectTimeout(std::chrono::milliseconds timeout) { client_.set_connect_timeout(timeout); }
    // True while a connect attempt is on its way on the link thread.
    bool isConnecting() const { return attemptInFlight_; }

public Q_SLOTS:
    void runCalibration() override;
    void afterCalibration() override;

private:
    void endSupervisedPrograms();
    QString portArgument() const;
    // Runs the task on the link thread, after every task handed over before it.
    void onLinkThread(std::function<void()> task);
    void connectAttemptFinished(bool connected, gtl::ConnectOutcome outcome, const std::string& unreadable);
    void reportConnection(bool connected, bool always = false);
    // Tells the rate the connected server samples at; a later restart of the server keeps it.
    void reportFrameRate();
    void tellForeignProgram(gtl::ConnectOutcome outcome, const std::string& unreadable);

    gtl::GazeApi client_{false};
    QThread linkThread_;
    QObject* linkContext_ = nullptr; // lives on linkThread_
    bool attemptInFlight_ = false;   // window thread only
    bool connectAgain_ = false;      // window thread only
    // While the link thread connects, connection changes wait for the attempt's outcome.
    std::atomic<bool> connecting_ = false;
    int reconnectMs_ = defaultReconnectMs;
    int failedAttempts_ = 0; // in a row
    int foreignAnswers_ = 0; // in a row
    bool foreignTold_ = false;
    std::atomic<bool> closing_ = false;
    std::mutex reportMutex_;
    bool reportedConnected_ = false; // guarded by reportMutex_
    QTimer reconnectTimer_;
    std::function<void()> parentActivator_;
    unsigned short port_ = gtl::GazeApi::defaultPort;
    int calibrationRetryMs_ = defaultCalibrationRetryMs;
    int calibrationStartMs_ = defaultCalibrationStartMs;
};

#pragma once

#include "recorder/trackers/GazePoint.h"
#include "recorder/trackers/ServerSupervisor.h"
#include "recorder/trackers/TrackerScreen.h"

#include <QMutex>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class OperatorPrompt;
class QTimer;

// The abstract tracker controller. It owns the samples of the running (or last)
// examination, stamps each sample with the movie time reported by the player,
// watches that the player keeps reporting, and hands the samples to the
// statistics and the results file when the examination ends. Concrete trackers
// deliver samples from their own threads through addNewGazePointPosition(),
// holding mutex().
class EyeTrackerController : public QObject
{
    Q_OBJECT

public:
    using WallClock = std::function<qint64()>;
    // Writes a results file; answers an empty text on success, else why it failed.
    using ResultsWriter =
        std::function<std::string(const QString& filePath, const QStringList& headerLines,
                                  const QRect& screenArea, const std::vector<GazePoint>& points)>;
    static constexpr int defaultNoDataIntervalMs = 10000;

    // The prompt answers the statistics question and warnings; it must outlive the controller.
    explicit EyeTrackerController(OperatorPrompt& prompt, QObject* parent = nullptr);
    ~EyeTrackerController() override;

    virtual void emitInitialSignals() = 0;
    virtual bool isReadyForExamination() = 0;
    virtual bool isInstalled() = 0;
    virtual void setScreen(int screenIndex) = 0;
    virtual void setFps(int fps) = 0;
    // The frame rate the tracker's server is started with (the one it reported last, once it did).
    int frameRate() const { return fps; }
    virtual void disconnectFromServer() = 0;
    virtual QStringList serverArguments() = 0;
    virtual void tryConnectToServer() = 0;
    // Something other than a server of this program's listens on the server's port,
    // so starting the server would fail.
    virtual bool serverPortTaken() const { return false; }
    // Whether the tracker link is up now; a controller that cannot tell answers false.
    virtual bool isConnectedToServer() const { return false; }
    // The display as the tracker last reported it, with every size above zero; none
    // while the tracker has not said. Safe from any thread.
    virtual std::optional<TrackerScreen> trackerScreen() const { return std::nullopt; }
    // Header lines the tracker adds to the results file about its own samples (without
    // the "#"), after the examination's. Called with mutex() held.
    virtual QStringList ownHeaderLines() const { return {}; }

    void startExamination();
    // Stops recording and, when asked, saves. Returns the result of saveExaminationResult,
    // false when nothing was saved. errorFlag -1 keeps the earlier error state. The
    // statistics question is asked without the controller's lock: tracker threads go on
    // (and drop their samples) while the operator reads it.
    bool endExamination(bool save, const QString& filePath, const QStringList& headerLines,
                        const QRect& screenArea, bool forceSave, int errorFlag);
    void setExaminationPaused(bool paused);
    bool isExaminationInProgress();
    // A movie time from the player. False when it lies more than 10,000 ms beyond the
    // last stored sample (the player runs without gaze data).
    bool setSynchronizationTime(qint64 movieTime);
    // The caller holds mutex(). Returns true when the sample was stored.
    bool addNewGazePointPosition(GazePoint point, bool stampWithMovieTime, bool quiet);
    void addInterestingPoint(qint64 pointTime, int userFeedback);
    QString lastResultPath();

    bool validateExaminationStats(bool finishedWithError);
    // Asks whether to keep the samples and writes them. A file that cannot be written
    // is reported to the operator with its path and the reason; the samples stay.
    bool saveExaminationResult(const QString& filePath, const QStringList& headerLines,
                               const QRect& screenArea, bool finishedWithError);
    // Writes the samples without asking (the recovery file of an examination that is
    // being abandoned). Answers an empty text on success, else why it failed.
    std::string writeResults(const QString& filePath, const QStringList& headerLines,
                             const QRect& screenArea);

    // Drops the samples stamped after this movie time: the player stopped showing the movie there.
    // Returns how many were dropped.
    std::size_t dropSamplesAfter(qint64 movieTime);
    // The movie time of the player's latest report, -1 when none arrived.
    qint64 lastSynchronisedMovieTime();

    // Samples with an interesting point, for the keypoints list.
    std::vector<GazePoint> interestingPoints();
    std::vector<GazePoint> gazePoints();

    QMutex& mutex() { return mutex_; }

    // Seams: the wall clock (ms since the epoch), the no-data watchdog interval, what
    // ends the examination's player when the examination ends (nothing by default), and
    // what writes the results file.
    void setWallClock(WallClock clock) { wallClock_ = std::move(clock); }
    void setNoDataIntervalMs(int intervalMs) { noDataIntervalMs_ = intervalMs; }
    void setPlayerStopper(std::function<void()> stopper) { playerStopper_ = std::move(stopper); }
    void setResultsWriter(ResultsWriter writer) { resultsWriter_ = std::move(writer); }
    // How long the server supervision waits before it looks again after ending or starting the server.
    void setServerRerunIntervals(int afterKillMs, int afterStartMs)
    {
        supervisor_->setIntervals(afterKillMs, afterStartMs);
    }

Q_SIGNALS:
    void connectionStateChanged(bool eyeTrackerConnected);
    void trackerConnectionChanged(int tracker_state);
    void calibrationChanged(bool is_calibrated, int calibrationQuality);
    void screenChanged(int screenIndex);
    // The running server said at which rate it samples.
    void frameRateReported(int framesPerSecond);
    void requestConnectToServer(bool restartServer = false);
    void requestAfterCalibrationSteps();
    void examinationError(bool movieFinished, bool error);

public Q_SLOTS:
    // Makes sure the tracker's server runs, restarting it when asked, and connects to
    // it. Requests that arrive while a re-run is scheduled collapse into that re-run.
    void connectToServer(bool restartServer = false);
    void noDataFromPlayer();
    virtual void runCalibration() = 0;
    virtual void afterCalibration() = 0;

protected:
    OperatorPrompt& prompt() { return prompt_; }
    // The caller holds mutex(). The newest stored sample, null when there is none.
    const GazePoint* lastGazePoint() const { return gazePoints_.empty() ? nullptr : &gazePoints_.back(); }
    // The movie time now, from the last synchronization; only meaningful once there was one.
    qint64 movieTimeNow() const;
    // The movie time at a wall-clock time (ms since the epoch), from the last synchronization.
    qint64 movieTimeAt(qint64 wallClockMs) const;
    qint64 wallClockMs() const { return wallClock_(); }
    // Starts a tracker program (its command may be quoted, as a shell wants it) with
    // serverArguments(), on its own; when that fails, with administrator rights.
    void startProgram(QString command);

    qint64 syncMovieTime = -1;
    qint64 syncSystemTime = -1;
    // Read without the mutex by isExaminationInProgress(): the player's messages are
    // handled on the GUI thread, also while endExamination holds the mutex for its dialog.
    std::atomic<bool> examinationInProgress = false;
    bool examinationPaused = false;
    unsigned timerPeriod = 0;
    // Also re-applied from the tracker client's thread after a connection change.
    std::atomic<int> screenIndex = 0;
    int fps = 60;
    bool finishedWithError = false;
    QString lastResultPath_;
    QTimer* noDataTimer = nullptr;
    QString serverProcessName;
    QString serverCommand;
    // Set once this controller has looked after the server or started the calibration
    // program: only then does it end them when it goes.
    bool supervising = false;

private:
    void startServer();

    void stopPlayer();
    bool askToKeep(const std::vector<GazePoint>& points, bool finishedWithError);
    QStringList withOwnHeaderLines(QStringList headerLines);

    QMutex mutex_;
    std::vector<GazePoint> gazePoints_;
    OperatorPrompt& prompt_;
    WallClock wallClock_;
    int noDataIntervalMs_ = defaultNoDataIntervalMs;
    std::function<void()> playerStopper_;
    ResultsWriter resultsWriter_;
    ServerSupervisor* supervisor_;
};

#include "recorder/trackers/EyeTrackerController.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/processes.h"
#include "recorder/trackers/ExaminationStatistics.h"
#include "recorder/trackers/OperatorPrompt.h"
#include "recorder/trackers/ProcessControl.h"
#include "recorder/trackers/ResultsFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMutexLocker>
#include <QTimer>
#include <cerrno>
#include <cstdlib>

EyeTrackerController::EyeTrackerController(OperatorPrompt& prompt, QObject* parent)
    : QObject(parent), prompt_(prompt), wallClock_([] { return QDateTime::currentMSecsSinceEpoch(); }),
      resultsWriter_([](const QString& filePath, const QStringList& headerLines, const QRect& screenArea,
                        const std::vector<GazePoint>& points) {
          std::string failure;
          ResultsFile::save(filePath.toStdString(), headerLines, screenArea, points, &failure);
          return failure;
      })
{
    ServerSupervisor::Actions actions;
    actions.processName = [this] { return serverProcessName.toStdString(); };
    actions.disconnect = [this] { disconnectFromServer(); };
    actions.tryConnect = [this] { tryConnectToServer(); };
    actions.startServer = [this] { startServer(); };
    actions.isConnected = [this] { return isConnectedToServer(); };
    actions.portTaken = [this] { return serverPortTaken(); };
    actions.tell = [this](const QString& text) { prompt_.warning(tr("Error"), text); };
    supervisor_ = new ServerSupervisor(std::move(actions), this);
    // Linux timers are precise already; there is no system timer resolution to raise.
    LOG("timer resolution request not needed");
}

EyeTrackerController::~EyeTrackerController() = default;

qint64 EyeTrackerController::movieTimeNow() const
{
    return movieTimeAt(wallClock_());
}

qint64 EyeTrackerController::movieTimeAt(qint64 wallClockMs) const
{
    // The time base works on the low 32-bit words, as the player's times are 32-bit.
    const auto movie = static_cast<uint32_t>(syncMovieTime);
    const auto reference = static_cast<uint32_t>(syncSystemTime);
    const auto at = static_cast<uint32_t>(wallClockMs);
    return static_cast<int32_t>(movie + (at - reference));
}

void EyeTrackerController::startExamination()
{
    QMutexLocker lock(&mutex_);
    LOG("start examination");
    gazePoints_.clear();
    syncMovieTime = -1;
    syncSystemTime = -1;
    examinationInProgress = true;
    examinationPaused = false;
    lastResultPath_.clear();
    delete noDataTimer;
    noDataTimer = new QTimer(this);
    noDataTimer->setInterval(noDataIntervalMs_);
    noDataTimer->setSingleShot(true);
    connect(noDataTimer, &QTimer::timeout, this, &EyeTrackerController::noDataFromPlayer);
    LOG("starting time synchronization timer");
    noDataTimer->start();
    LOG("examination started");
}

bool EyeTrackerController::setSynchronizationTime(qint64 movieTime)
{
    QMutexLocker lock(&mutex_);
    syncMovieTime = movieTime;
    syncSystemTime = wallClock_();
    // A paused player still reports clicks; they must not revive the watchdog during the pause.
    if (noDataTimer && !examinationPaused)
        noDataTimer->start();
    const qint64 lastSampleTime = gazePoints_.empty() ? 0 : gazePoints_.back().time;
    return movieTime <= lastSampleTime + defaultNoDataIntervalMs;
}

bool EyeTrackerController::addNewGazePointPosition(GazePoint point, bool stampWithMovieTime, bool quiet)
{
    if (!examinationInProgress || examinationPaused) {
        if (examinationPaused)
            LOG("examination paused - ingoring gaze data");
        return false;
    }
    if (syncSystemTime == -1 || syncMovieTime == -1) {
        LOG("No synchronization time information - gaze point not saved, values: ", syncSystemTime, " ",
            syncMovieTime);
        return false;
    }
    if (stampWithMovieTime)
        point.time = static_cast<int32_t>(movieTimeNow());
    if (!gazePoints_.empty() && gazePoints_.back().time >= point.time) {
        LOG("already saved gaze point with bigger time - skipping this gaze point");
        return false;
    }
    gazePoints_.push_back(point);
    if (quiet)
        LOG_QUIET(point.time, " gaze point added to vector. Data: fix: ", point.fix, " state: ", point.state,
                  " pos: (", point.avg.x, ", ", point.avg.y, ")");
    else
        LOG(point.time, " gaze point added to vector. Data: fix: ", point.fix, " state: ", point.state,
            " pos: (", point.avg.x, ", ", point.avg.y, ")");
    return true;
}

void EyeTrackerController::addInterestingPoint(qint64 pointTime, int userFeedback)
{
    LOG("pointTime: ", pointTime, ", userFeedback: ", userFeedback);
    QMutexLocker lock(&mutex_);
    if (!(examinationInProgress && !examinationPaused)) {
        LOG("(examinationInProgress && !examinationPaused) == false -> dropping interesting point");
        return;
    }
    if (gazePoints_.empty()) {
        LOG("Gaze points vector is empty - dropping interesting point");
        return;
    }
    GazePoint& last = gazePoints_.back();
    if (std::llabs(static_cast<qint64>(last.time) - pointTime) > 250)
        return;
    LOG("modifying gaze point to interesting point, userFeedback = ", userFeedback,
        ", point time = ", pointTime);
    last.interestingPointValue = userFeedback;
    LOG("last point feedback after modification: ", last.interestingPointValue);
}

void EyeTrackerController::connectToServer(bool restartServer)
{
    // A tracker whose server this program does not run is only connected to.
    if (serverProcessName.isEmpty()) {
        if (restartServer)
            disconnectFromServer();
        tryConnectToServer();
        return;
    }
    supervising = true;
    supervisor_->request(restartServer);
}

void EyeTrackerController::startServer()
{
    startProgram(serverCommand);
}

void EyeTrackerController::startProgram(QString program)
{
    const QStringList arguments = serverArguments();
    LOG("program: ", program, ", arguments: ", arguments.join(QStringLiteral(", ")));
    // The command is kept quoted, as a shell would want it; the process start takes the bare path.
    if (program.size() >= 2 && program.startsWith(QLatin1Char('"')) && program.endsWith(QLatin1Char('"')))
        program = program.mid(1, program.size() - 2);
    std::vector<std::string> argumentList;
    for (const QString& argument : arguments)
        argumentList.push_back(argument.toStdString());
    errno = 0;
    if (!platform::startDetached(program.toStdString(), argumentList)) {
        const platform::ElevatedStart elevated = platform::startElevated(program.toStdString(), argumentList);
        LOG("elevated start of ", program, ' ', arguments.join(QLatin1Char(' ')), ": ", elevated.outcome);
    }
    LOG("last error: ", errno);
}

void EyeTrackerController::noDataFromPlayer()
{
    LOG("Error - no data from tracker for ", defaultNoDataIntervalMs, " time period!!");
    Q_EMIT examinationError(false, true);
}

void EyeTrackerController::setExaminationPaused(bool paused)
{
    QMutexLocker lock(&mutex_);
    LOG("paused: ", paused);
    examinationPaused = paused;
    if (!noDataTimer)
        return;
    if (paused)
        noDataTimer->stop();
    else
        noDataTimer->start();
}

bool EyeTrackerController::isExaminationInProgress()
{
    return examinationInProgress;
}

bool EyeTrackerController::endExamination(bool save, const QString& filePath, const QStringList& headerLines,
                                          const QRect& screenArea, bool forceSave, int errorFlag)
{
    bool endedWithError = false;
    {
        QMutexLocker lock(&mutex_);
        delete noDataTimer;
        noDataTimer = nullptr;
        if (!examinationInProgress && !forceSave)
            return false;
        LOG(examinationInProgress ? "examination in progress " : "force save results ",
            "- finishing examination");
        examinationInProgress = false;
        examinationPaused = false;
        if (errorFlag != -1)
            finishedWithError = errorFlag != 0;
        endedWithError = finishedWithError;
    }
    // From here on tracker threads drop their samples; the list no longer changes.
    stopPlayer();
    if (save || forceSave)
        return saveExaminationResult(filePath, headerLines, screenArea, endedWithError);
    return false;
}

void EyeTrackerController::stopPlayer()
{
    if (playerStopper_)
        playerStopper_();
}

QString EyeTrackerController::lastResultPath()
{
    QMutexLocker lock(&mutex_);
    return lastResultPath_;
}

std::size_t EyeTrackerController::dropSamplesAfter(qint64 movieTime)
{
    QMutexLocker lock(&mutex_);
    std::size_t dropped = 0;
    while (!gazePoints_.empty() && gazePoints_.back().time > movieTime) {
        gazePoints_.pop_back();
        ++dropped;
    }
    LOG("dropped ", dropped, " samples after movie time ", movieTime);
    return dropped;
}

qint64 EyeTrackerController::lastSynchronisedMovieTime()
{
    QMutexLocker lock(&mutex_);
    return syncMovieTime;
}

bool EyeTrackerController::validateExaminationStats(bool finishedWithError)
{
    return askToKeep(gazePoints(), finishedWithError);
}

bool EyeTrackerController::askToKeep(const std::vector<GazePoint>& points, bool finishedWithError)
{
    // No lock here: the operator may take as long as they like over the question.
    if (points.empty()) {
        LOG("empty gazepoints vector");
        prompt_.warning(tr("Error"),
                        tr("No data from EyeTribe (gaze points list is empty)! \nRestart EyeTribe "
                           "server and repeat examination."));
        return false;
    }
    const QString message =
        examinationStatisticsMessage(computeExaminationStatistics(points), finishedWithError);
    LOG("Examination stats: ", message);
    const bool keep = prompt_.question(tr("Examination statistics"), message);
    LOG("Save results: ", keep ? 1 : 0);
    return keep;
}

bool EyeTrackerController::saveExaminationResult(const QString& filePath, const QStringList& headerLines,
                                                 const QRect& screenArea, bool finishedWithError)
{
    const std::vector<GazePoint> points = gazePoints();
    if (!askToKeep(points, finishedWithError)) {
        LOG("not saving results - user selected to drop results");
        return false;
    }
    LOG("saving results");
    const std::string failure = resultsWriter_(filePath, withOwnHeaderLines(headerLines), screenArea, points);
    if (!failure.empty()) {
        LOG("ResultsFile::save failed: results not written, path: ", filePath, ", reason: ", failure);
        prompt_.warning(tr("Error"),
                        tr("Failed to save the results to:\n%1\n(%2)\nThe samples are kept: choose "
                           "another folder and press \"Save results\".")
                            .arg(filePath, QString::fromStdString(failure)));
        return false;
    }
    LOG("Finished saving results");
    QMutexLocker lock(&mutex_);
    lastResultPath_ = filePath;
    return true;
}

std::string EyeTrackerController::writeResults(const QString& filePath, const QStringList& headerLines,
                                               const QRect& screenArea)
{
    const std::vector<GazePoint> points = gazePoints();
    if (points.empty())
        return "there are no samples";
    const std::string failure = resultsWriter_(filePath, withOwnHeaderLines(headerLines), screenArea, points);
    if (failure.empty()) {
        QMutexLocker lock(&mutex_);
        lastResultPath_ = filePath;
    }
    return failure;
}

QStringList EyeTrackerController::withOwnHeaderLines(QStringList headerLines)
{
    QMutexLocker lock(&mutex_);
    return headerLines << ownHeaderLines();
}

std::vector<GazePoint> EyeTrackerController::interestingPoints()
{
    QMutexLocker lock(&mutex_);
    std::vector<GazePoint> points;
    for (const GazePoint& p : gazePoints_) {
        if (p.interestingPointValue != 0)
            points.push_back(p);
    }
    return points;
}

std::vector<GazePoint> EyeTrackerController::gazePoints()
{
    QMutexLocker lock(&mutex_);
    return gazePoints_;
}

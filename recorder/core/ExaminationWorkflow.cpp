#include "recorder/core/ExaminationWorkflow.h"

#include "common/AppDataFolder.h"
#include "common/LinkCodes.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "common/ScreenGeometry.h"
#include "platform/processes.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/gopro/GoproController.h"
#include "recorder/trackers/EyeTrackerController.h"
#include "recorder/trackers/OperatorPrompt.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <iostream>

namespace {

constexpr const char* dateFormat = "yyyy_MM_dd_HH_mm_ss";

// The texts the window has always shown keep their place in the window's catalogue
// (each marked where it is used, so that the catalogue tools keep finding it).
QString windowText(const char* text)
{
    return QCoreApplication::translate("Gazelog", text);
}

QString dateText()
{
    return QDateTime::currentDateTime().toString(QString::fromLatin1(dateFormat));
}

// After the results folder: the settings folder, then the private runtime folder.
QStringList standardRecoveryFolders()
{
    QStringList folders;
    if (const auto settings = appDataFolder())
        folders << QString::fromStdString(settings->string());
    if (const auto bus = platform::windowBusFolder(); bus.path)
        folders << QString::fromStdString(bus.path->parent_path().string());
    return folders;
}

} // namespace

ExaminationWorkflow::ExaminationWorkflow(OperatorPrompt& prompt, Services services, QObject* parent)
    : QObject(parent), prompt_(prompt), services_(std::move(services))
{
    if (!services_.startDetached)
        services_.startDetached = systemDetachedStarter();
    if (!services_.recoveryFolders)
        services_.recoveryFolders = standardRecoveryFolders;
    connect(&playerWatch_, &platform::ProcessExitWatcher::exited, this, &ExaminationWorkflow::onPlayerExited);
}

ExaminationWorkflow::~ExaminationWorkflow()
{
    useTracker(-1);
}

EyeTrackerController* ExaminationWorkflow::useTracker(int trackerIndex)
{
    setController(nullptr);
    delete ownTracker_;
    ownTracker_ = nullptr;
    if (trackerIndex >= 0 && services_.makeController)
        ownTracker_ = services_.makeController(trackerIndex, prompt_, this);
    setController(ownTracker_);
    return ownTracker_;
}

void ExaminationWorkflow::announceTracker()
{
    if (controller_ && controller_->isInstalled()) {
        LOG("tracker installed - emit initial signals");
        controller_->emitInitialSignals();
        return;
    }
    LOG("tracker not installed - don't emit initial signals");
    warn(windowText(QT_TRANSLATE_NOOP("Gazelog",
                                      "EyeTribe SDK not found. Performing an examination will not be "
                                      "possible.\nTo perform test install EyeTribe SDK.")));
}

void ExaminationWorkflow::setController(EyeTrackerController* controller)
{
    if (controller_)
        disconnect(controller_, nullptr, this, nullptr);
    controller_ = controller;
    if (!controller_)
        return;
    controller_->setPlayerStopper([this] { stopPlayer(); });
    connect(controller_, &EyeTrackerController::examinationError, this,
            [this](bool movieFinished, bool error) { stopExamination(movieFinished, error); });
}

void ExaminationWorkflow::setState(State state)
{
    if (state_ == state)
        return;
    state_ = state;
    Q_EMIT stateChanged(state);
}

void ExaminationWorkflow::warn(const QString& text)
{
    prompt_.warning(windowText(QT_TRANSLATE_NOOP("Gazelog", "Error")), text);
}

QString ExaminationWorkflow::resultsFolderFor(const QString& moviePath)
{
    const QFileInfo movie(moviePath);
    return movie.absolutePath() + QLatin1Char('/') + movie.completeBaseName() + QStringLiteral("_data");
}

QString ExaminationWorkflow::resultsPath(const QString& folder, const QString& id, const QString& date,
                                         const QString& suffix)
{
    return folder + QLatin1Char('/') + id + QLatin1Char('_') + date + suffix + QStringLiteral(".csv");
}

bool ExaminationWorkflow::validateInputData(const ExaminationInputs& inputs, bool checkMovie,
                                            bool checkTracker)
{
    LOG("moviePath: ", inputs.moviePath, ", outputPath: ", inputs.outputFolder, ", checkMovie: ", checkMovie,
        ", checkTracker: ", checkTracker);
    if (checkMovie && !QFileInfo::exists(inputs.moviePath)) {
        LOG("Movie path doesnt exist");
        warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "Selected file doesn't exist!")));
        return false;
    }
    if (!QFileInfo(inputs.outputFolder).isDir()) {
        LOG("Output folder doesnt exist");
        if (!prompt_.question(
                windowText(QT_TRANSLATE_NOOP("Gazelog", "Error")),
                windowText(QT_TRANSLATE_NOOP("Gazelog", "Selected folder doesn't exist!\nCreate folder?"))))
            return false;
        if (inputs.outputFolder.isEmpty() || !QDir().mkpath(inputs.outputFolder)) {
            warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "Unable to create folder: ")) + inputs.outputFolder +
                 windowText(QT_TRANSLATE_NOOP("Gazelog", "\nSelect different folder name.")));
            return false;
        }
    }
    if (!RecorderTexts::isValidExaminationId(inputs.examinationId)) {
        LOG("Invalid examination id");
        warn(windowText(QT_TRANSLATE_NOOP(
            "Gazelog", "Test id can't be blank and can't contain characters: /\\:*?\"<>|")));
        return false;
    }
    if (checkTracker && !(controller_ && controller_->isReadyForExamination())) {
        LOG("EyeTracker not ready");
        warn(windowText(
            QT_TRANSLATE_NOOP("Gazelog", "EyeTribe is not ready - check state in \"Calibration\" tab")));
        return false;
    }
    if (checkTracker && !linkProblem_.isEmpty()) {
        LOG("window bus unusable - the player cannot report: ", linkProblem_);
        warn(tr("The player cannot report to this window, so an examination cannot start:\n%1")
                 .arg(linkProblem_));
        return false;
    }
    LOG("end");
    return true;
}

bool ExaminationWorkflow::startExamination(const ExaminationInputs& inputs)
{
    LOG("movie path=", inputs.moviePath, " output directory path=", inputs.outputFolder);
    if (state_ != State::Idle) {
        LOG("an examination is already running - start ignored");
        return false;
    }
    if (!validateInputData(inputs, true, true))
        return false;

    qint64 start = 0;
    qint64 end = 0;
    qint64 examinationLength = 0;
    if (movieDuration_ != 0) {
        LOG("Movie length known");
        if (!inputs.partOfMovie) {
            examinationLength = movieDuration_;
            LOG("examinationLength=movieLangth == ", examinationLength);
            end = movieDuration_;
        } else {
            bool startOk = false;
            bool endOk = false;
            start = inputs.partStartText.toLongLong(&startOk, 10);
            end = inputs.partEndText.toLongLong(&endOk, 10);
            LOG("movie start=", start, ", movie end=", end);
            if (!startOk || start < 0 || end < start) {
                warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "Invalid movie start time!")));
                return false;
            }
            if (!endOk || end > movieDuration_) {
                warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "Invalid movie end time!")));
                return false;
            }
            examinationLength = end - start;
        }
        LOG("examination length: ", examinationLength);
    } else {
        LOG("Movie length unknown");
    }
    Q_EMIT examinedPartChosen(start, end);

    // From here until the player runs, the camera may keep us waiting.
    setState(State::Starting);
    if (inputs.useGopro) {
        LOG("Using Gopro");
        if (!gopro_ || !gopro_->isAvailable()) {
            LOG("Error - Gopro camera is not avaible!");
            warn(windowText(QT_TRANSLATE_NOOP(
                "Gazelog", "GoPro camera is not avaible! \nCheck wifi connection and GoPro camera.")));
            setState(State::Idle);
            return false;
        }
        if (!gopro_->setRecording(true)) {
            LOG("Failed to start recording using Gopro!");
            setState(State::Idle);
            if (gopro_->lastRequestTimedOut())
                Q_EMIT cameraSilent();
            else
                warn(windowText(
                    QT_TRANSLATE_NOOP("Gazelog", "Failed to start recording using GoPro camera!.")));
            return false;
        }
    }

    LOG("Going to start player");
    // The controller may have gone while the camera answered (the window never lets it, but be sure).
    if (!controller_ || !startPlayer(inputs, start, end, examinationLength != movieDuration_)) {
        warn(windowText(QT_TRANSLATE_NOOP(
            "Gazelog",
            "Failed to run player. \nCheck whether file \"Gazeview\" is in \nthe same directory as "
            "file \"Gazelog\".")));
        if (inputs.useGopro && gopro_)
            gopro_->setRecording(false);
        setState(State::Idle);
        return false;
    }
    running_ = inputs;
    startScreen_ = controller_->trackerScreen();
    controller_->startExamination();
    setState(State::Running);
    LOG("end");
    return true;
}

bool ExaminationWorkflow::startPlayer(const ExaminationInputs& inputs, qint64 startMs, qint64 endMs,
                                      bool part)
{
    const QStringList command =
        PlayerLaunch::examination(services_.playerPath, inputs.moviePath, services_.recorderCaption,
                                  part ? &startMs : nullptr, part ? &endMs : nullptr);
    qint64 pid = 0;
    if (!runDetachedCommand(services_.startDetached, command, &pid))
        return false;
    playerPid_ = pid;
    playerName_ = pid > 0 ? platform::processName(static_cast<pid_t>(pid)) : std::string();
    LOG("player pid: ", playerPid_, ", name: ", playerName_);
    if (pid > 0)
        playerWatch_.watch(static_cast<pid_t>(pid));
    return true;
}

void ExaminationWorkflow::stopPlayer()
{
    playerWatch_.stop();
    const auto pid = static_cast<pid_t>(playerPid_);
    playerPid_ = 0;
    // Only the process we started: its id may have been given to another program since.
    if (pid <= 0 || !platform::ProcessExitWatcher::isRunning(pid) ||
        platform::processName(pid) != playerName_)
        return;
    LOG("ending player, pid: ", pid);
    platform::endProcessLater(pid, playerName_, services_.playerKillGraceMs,
                              [pid] { LOG("player did not end - killing pid: ", pid); });
}

void ExaminationWorkflow::onPlayerExited(qint64 pid)
{
    LOG("player ended, pid: ", pid);
    // Its last reports (a normal end among them) may still be on their way.
    QTimer::singleShot(services_.playerExitGraceMs, this, [this, pid] {
        if (state_ != State::Running || pid != playerPid_)
            return;
        playerPid_ = 0;
        const qint64 lastReport = controller_ ? controller_->lastSynchronisedMovieTime() : -1;
        LOG("Error - the player ended during the examination, last report at: ", lastReport);
        // Gaze after the last report fell on frames the viewer was never shown.
        if (controller_)
            controller_->dropSamplesAfter(lastReport);
        endAsFailed(tr("The player ended during the examination (its last report was at %1 ms).\nThe samples "
                       "recorded until then are kept: press \"Save results\" to save them.")
                        .arg(lastReport));
    });
}

void ExaminationWorkflow::endAsFailed(const QString& warning)
{
    setState(State::Stopping);
    if (controller_)
        controller_->endExamination(false, QString(), QStringList(), QRect(), false, 1);
    warn(warning);
    recoverIfTerminating(running_);
    setState(State::Idle);
    Q_EMIT examinationEnded(false, true, lastResultsPath(), {});
}

QStringList ExaminationWorkflow::headerLines(const ExaminationInputs& inputs, const QString& date,
                                             const QString& resultsPath) const
{
    QStringList lines{QStringLiteral("Examination date: ") + date,
                      QStringLiteral("Movie path: ") + inputs.moviePath};
    const QString screen = screenLine();
    if (!screen.isEmpty())
        lines << screen;
    lines << QStringLiteral("Output path: ") + resultsPath
          << QStringLiteral("Examination id: ") + inputs.examinationId;
    return lines;
}

QString ExaminationWorkflow::screenLine() const
{
    // The tracker's word first: gaze was measured on its screen. It may have gone since
    // the start (a server that died), and the display stands in when no tracker said.
    std::optional<TrackerScreen> screen = controller_ ? controller_->trackerScreen() : std::nullopt;
    if (!screen)
        screen = startScreen_;
    if (!screen && services_.displayScreen) {
        screen = services_.displayScreen();
        LOG(screen ? "the tracker did not report its screen - the display's geometry is written"
                   : "neither the tracker nor the display report a screen - no screen line");
    }
    if (!screen)
        return {};
    ScreenGeometry geometry;
    geometry.widthPx = screen->widthPx;
    geometry.heightPx = screen->heightPx;
    geometry.widthMm = screen->widthMm;
    geometry.heightMm = screen->heightMm;
    geometry.distanceMm = viewingDistanceMm_;
    // The results file puts the comment mark before each of its header lines itself.
    return QString::fromStdString(formatScreenLine(geometry).substr(1));
}

void ExaminationWorkflow::stopExamination(bool movieFinished, bool error)
{
    LOG("movieFinished: ", movieFinished, ", error: ", error);
    if (state_ != State::Running || !controller_) {
        LOG("no examination running - nothing to stop");
        return;
    }
    if (error) {
        endAsFailed(windowText(QT_TRANSLATE_NOOP("Gazelog", "No data from EyeTribe for ")) +
                    QStringLiteral("10000") +
                    windowText(QT_TRANSLATE_NOOP(
                        "Gazelog", " ms.\nCheck EyeTribe connection or try restarting EyeTribe Server.")));
        LOG("end");
        return;
    }
    setState(State::Stopping);
    const QString date = dateText();
    const QString resultsPath =
        ExaminationWorkflow::resultsPath(running_.outputFolder, running_.examinationId, date);
    LOG("outputpath=", resultsPath);
    LOG(movieFinished ? "Examination finished in normal way" : "Examination finished by user");
    controller_->setExaminationPaused(true);
    if (running_.useGopro && gopro_ && !gopro_->setRecording(false) && gopro_->lastRequestTimedOut())
        Q_EMIT cameraSilent();
    const bool saved = controller_ && controller_->endExamination(
                                          true, resultsPath, headerLines(running_, date, resultsPath),
                                          services_.workArea(), false, movieFinished ? 0 : 1);
    LOG(saved ? "Results saved" : "Results ignored");
    if (!saved)
        recoverIfTerminating(running_);
    setState(State::Idle);
    Q_EMIT examinationEnded(saved, false, lastResultsPath(),
                            controller_ ? controller_->interestingPoints() : std::vector<GazePoint>());
    LOG("end");
}

bool ExaminationWorkflow::saveExamination(const ExaminationInputs& inputs)
{
    LOG("output directory path=", inputs.outputFolder);
    if (state_ != State::Idle || !controller_ || !validateInputData(inputs, false, false))
        return false;
    const QString date = dateText();
    const QString resultsPath =
        ExaminationWorkflow::resultsPath(inputs.outputFolder, inputs.examinationId, date);
    LOG("outputpath=", resultsPath);
    const bool saved = controller_->endExamination(true, resultsPath, headerLines(inputs, date, resultsPath),
                                                   services_.workArea(), true, -1);
    Q_EMIT resultsSaved(saved, lastResultsPath());
    LOG("end");
    return saved;
}

QString ExaminationWorkflow::abandonExamination(const ExaminationInputs& inputs)
{
    if (state_ == State::Idle)
        return {};
    recoveryPath_.clear();
    if (!controller_)
        return {};
    if (state_ != State::Running) {
        // Still starting (nothing recorded yet) or already saving: there is nothing to recover.
        LOG("examination starting or stopping - nothing to recover");
        if (state_ == State::Starting)
            setState(State::Idle);
        return {};
    }
    LOG("abandoning the running examination");
    setState(State::Stopping);
    controller_->endExamination(false, QString(), QStringList(), QRect(), false, 1);
    recoveryPath_ = writeRecovery(inputs);
    LOG(recoveryPath_.isEmpty() ? "no recovery file written" : "recovery file written");
    setState(State::Idle);
    return recoveryPath_;
}

bool ExaminationWorkflow::mayInterruptExamination(const QString& what)
{
    if (!isExaminationRunning())
        return true;
    if (state_ != State::Running) {
        LOG("examination starting or stopping - refused: ", what);
        return false;
    }
    if (!prompt_.question(
            windowText(QT_TRANSLATE_NOOP("Gazelog", "Examination in progress")),
            windowText(
                QT_TRANSLATE_NOOP("Gazelog", "%1 ends the running examination.\nStop the examination now?"))
                .arg(what))) {
        LOG("operator keeps the examination running - refused: ", what);
        return false;
    }
    stopExamination();
    return !isExaminationRunning();
}

bool ExaminationWorkflow::mayClose(const ExaminationInputs& inputs)
{
    const bool terminating = services_.terminating && services_.terminating();
    if (isExaminationRunning() && !terminating) {
        if (state_ != State::Running ||
            !prompt_.question(windowText(QT_TRANSLATE_NOOP("Gazelog", "Examination in progress")),
                              windowText(QT_TRANSLATE_NOOP(
                                  "Gazelog", "An examination is running.\nClose the program? The samples "
                                             "recorded so far are saved to a recovery file in the results "
                                             "folder.")))) {
            LOG("close refused - examination running");
            return false;
        }
    }
    abandonExamination(inputs);
    return true;
}

bool ExaminationWorkflow::listenForPlayer()
{
    delete playerReports_;
    playerReports_ = new platform::WindowMessageReceiver(this);
    playerReports_->setHandler(
        [this](const platform::WindowMessage& message) { return handlePlayerMessage(message); });
    connect(playerReports_, &platform::WindowMessageReceiver::closeRequested, this,
            &ExaminationWorkflow::closeRequested);
    connect(playerReports_, &platform::WindowMessageReceiver::messageDropped, this,
            [](const QString& reason) { LOG("message dropped: ", reason); });
    if (playerReports_->registerWindow(services_.recorderCaption))
        return true;
    LOG("WindowMessageReceiver::registerWindow failed: the player cannot report, ",
        playerReports_->errorString());
    setLinkProblem(playerReports_->errorString());
    warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "The player cannot report to this window:\n%1\nExaminations "
                                                 "cannot be started; running the player and visualisations "
                                                 "still works."))
             .arg(playerReports_->errorString()));
    return false;
}

bool ExaminationWorkflow::checkCamera()
{
    if (gopro_ && gopro_->isAvailable())
        return true;
    LOG("Error - Gopro camera is not avaible!");
    warn(windowText(QT_TRANSLATE_NOOP(
        "Gazelog", "GoPro camera is not avaible! \nCheck wifi connection and GoPro camera.")));
    return false;
}

ExaminationWorkflow::CameraUse ExaminationWorkflow::useCamera(bool wanted, const QString& password)
{
    LOG("wanted: ", wanted);
    if (!wanted)
        return CameraUse::off;
    if (!checkCamera())
        return CameraUse::unavailable;
    if (gopro_->configureCamera(password))
        return CameraUse::ready;
    LOG("Failed to configure Gopro!");
    if (gopro_->lastRequestTimedOut()) {
        Q_EMIT cameraSilent();
        return CameraUse::silent;
    }
    warn(windowText(QT_TRANSLATE_NOOP(
        "Gazelog", "Failed to configure GoPro camera! \nRequired version is at least GoPro Hero 3.")));
    return CameraUse::refused;
}

bool ExaminationWorkflow::playerFound() const
{
    LOG("player path=", services_.playerPath);
    const bool found = QFileInfo::exists(services_.playerPath);
    LOG(found ? "Player found" : "Player not found");
    return found;
}

QString ExaminationWorkflow::lastResultsPath() const
{
    return controller_ ? controller_->lastResultPath() : QString();
}

void ExaminationWorkflow::showResults(const ExaminationInputs& inputs)
{
    const QString resultsPath = lastResultsPath();
    LOG("last examination path = ", resultsPath);
    if (resultsPath.isEmpty()) {
        LOG("No last examination");
        warn(windowText(
            QT_TRANSLATE_NOOP("Gazelog", "No last examination or last examination was not saved.")));
        return;
    }
    LOG("moviePath= ", inputs.moviePath);
    if (!QFileInfo::exists(inputs.moviePath)) {
        LOG("Movie doesnt exist");
        warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "Selected movie doesn't exist.")));
        return;
    }
    const bool part = inputs.partOfMovie;
    const QStringList command = PlayerLaunch::visualisation(
        services_.playerPath, inputs.moviePath, resultsPath, part ? &inputs.partStartText : nullptr,
        part ? &inputs.partEndText : nullptr);
    if (!runDetachedCommand(services_.startDetached, command))
        warn(windowText(QT_TRANSLATE_NOOP("Gazelog",
                                          "Failed to run player.\nCheck whether file \"Gazeview\" is "
                                          "\nin the same directory as file \"Gazelog\".")));
}

void ExaminationWorkflow::runPlayer()
{
    if (!runDetachedCommand(services_.startDetached, PlayerLaunch::plain(services_.playerPath)))
        warn(windowText(QT_TRANSLATE_NOOP("Gazelog",
                                          "Failed to run player.\nCheck whether file \"Gazeview\" is "
                                          "\nin the same directory as file \"Gazelog\" \nand whether "
                                          "all parameters are valid.")));
}

QString ExaminationWorkflow::writeRecovery(const ExaminationInputs& inputs)
{
    // The results folder may be full, gone or read-only just when the program is
    // ended: the samples then go to the next place that takes them.
    QStringList folders{running_.outputFolder.isEmpty() ? inputs.outputFolder : running_.outputFolder};
    if (services_.recoveryFolders)
        folders += services_.recoveryFolders();
    const QString date = dateText();
    QStringList failures;
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString path = resultsPath(folder, running_.examinationId, date, QStringLiteral("_recovery"));
        const std::string failure =
            controller_->writeResults(path, headerLines(running_, date, path), services_.workArea());
        if (!failure.empty()) {
            LOG("recovery file not written: ", path, ", reason: ", failure);
            failures << path + QStringLiteral(": ") + QString::fromStdString(failure);
            continue;
        }
        LOG("samples saved to the recovery file: ", path);
        if (!failures.isEmpty())
            std::cerr << "Gazelog: the samples could not be saved to " << failures.join(QStringLiteral("; "))
                      << "\nGazelog: the samples were saved to " << path << std::endl;
        return path;
    }
    recoveryFailed_ = true;
    LOG("the samples could not be saved anywhere");
    std::cerr << "Gazelog: the samples could not be saved anywhere: " << failures.join(QStringLiteral("; "))
              << std::endl;
    return {};
}

void ExaminationWorkflow::recoverIfTerminating(const ExaminationInputs& inputs)
{
    if (controller_ && services_.terminating && services_.terminating()) {
        LOG("program ending - the samples were not saved");
        writeRecovery(inputs);
    }
}

bool ExaminationWorkflow::handlePlayerMessage(const platform::WindowMessage& message)
{
    if (message.identifier != platform::WM_USER)
        return false;
    const quint64 code = message.wParam;
    const qint64 time = message.lParam;
    LOG("WM_USER! lparam = ", time, ", wparam = ", code);
    // During an examination only its own player speaks; another player's times would mix in.
    if (state_ != State::Idle && playerPid_ > 0 && message.senderPid != playerPid_) {
        LOG("message from process ", message.senderPid, ", not from the examination's player ", playerPid_,
            " - ignored");
        return false;
    }
    if (code == LinkCode::duration) {
        movieDuration_ = time;
        Q_EMIT durationReported(time);
    }
    if (state_ != State::Running || !controller_ || !controller_->isExaminationInProgress())
        return false;
    switch (code) {
    case LinkCode::resumed:
    case LinkCode::paused:
    case LinkCode::finished:
    case LinkCode::interestingPoint:
    case LinkCode::synchronisation:
        break;
    default:
        LOG("unknown message type!");
        return false;
    }
    Q_EMIT movieTimeReported(time);
    if (!controller_->setSynchronizationTime(time)) {
        LOG("time synchronization error!");
        stopExamination(false, true);
        return true;
    }
    if (code == LinkCode::paused || code == LinkCode::resumed)
        controller_->setExaminationPaused(code == LinkCode::paused);
    if (code == LinkCode::finished)
        stopExamination(true);
    if (code == LinkCode::interestingPoint) {
        LOG("emitting signal addInterestingPoint with value = ", time);
        Q_EMIT interestingPointAdded(time);
        controller_->addInterestingPoint(time, 1);
    }
    return true;
}

#include "recorder/core/ExaminationWorkflow.h"

#include "common/LinkCodes.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "recorder/core/ExaminedPart.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/core/ResultsHeader.h"
#include "recorder/trackers/EyeTrackerController.h"
#include "recorder/trackers/OperatorPrompt.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

using RecorderTexts::windowText;

namespace {

PlayerProcess::Services playerServices(const ExaminationWorkflow::Services& services)
{
    return {services.startDetached, services.playerPath, services.recorderCaption,
            services.playerKillGraceMs};
}

} // namespace

ExaminationWorkflow::ExaminationWorkflow(OperatorPrompt& prompt, Services services, QObject* parent)
    : QObject(parent), prompt_(prompt), services_(std::move(services)),
      tracker_(prompt, services_.makeController), camera_(prompt), player_(prompt, playerServices(services_)),
      reports_(prompt, services_.recorderCaption,
               [this](const platform::WindowMessage& report) { return onPlayerReport(report); }),
      recovery_(services_.terminating, services_.recoveryFolders)
{
    connect(&tracker_, &TrackerLink::trackerChanged, this, &ExaminationWorkflow::onTrackerChanged);
    connect(&camera_, &CameraRule::silent, this, &ExaminationWorkflow::cameraSilent);
    connect(&player_, &PlayerProcess::exited, this, &ExaminationWorkflow::onPlayerExited);
    connect(&reports_, &PlayerReports::closeRequested, this, &ExaminationWorkflow::closeRequested);
}

ExaminationWorkflow::~ExaminationWorkflow()
{
    // While the player it may still stop is here.
    tracker_.make(-1);
}

void ExaminationWorkflow::onTrackerChanged(EyeTrackerController* controller)
{
    if (!controller)
        return;
    controller->setPlayerStopper([this] { player_.stop(); });
    connect(controller, &EyeTrackerController::examinationError, this,
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
    if (checkTracker && !(controller() && controller()->isReadyForExamination())) {
        LOG("EyeTracker not ready");
        warn(windowText(
            QT_TRANSLATE_NOOP("Gazelog", "EyeTribe is not ready - check state in \"Calibration\" tab")));
        return false;
    }
    if (checkTracker && !reports_.linkProblem().isEmpty()) {
        LOG("window bus unusable - the player cannot report: ", reports_.linkProblem());
        warn(tr("The player cannot report to this window, so an examination cannot start:\n%1")
                 .arg(reports_.linkProblem()));
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

    const ExaminedPart examined = ExaminedPart::of(inputs, movieDuration_);
    if (examined.problem == ExaminedPart::Problem::start) {
        warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "Invalid movie start time!")));
        return false;
    }
    if (examined.problem == ExaminedPart::Problem::end) {
        warn(windowText(QT_TRANSLATE_NOOP("Gazelog", "Invalid movie end time!")));
        return false;
    }
    Q_EMIT examinedPartChosen(examined.startMs, examined.endMs);

    // From here until the player runs, the camera may keep us waiting.
    setState(State::Starting);
    if (inputs.useGopro && !camera_.startRecording()) {
        setState(State::Idle);
        return false;
    }

    LOG("Going to start player");
    // The controller may have gone while the camera answered (the window never lets it, but be sure).
    if (!controller() || !player_.startExamination(inputs, examined.startMs, examined.endMs, examined.part)) {
        warn(windowText(QT_TRANSLATE_NOOP(
            "Gazelog",
            "Failed to run player. \nCheck whether file \"Gazeview\" is in \nthe same directory as "
            "file \"Gazelog\".")));
        if (inputs.useGopro)
            camera_.cancelRecording();
        setState(State::Idle);
        return false;
    }
    running_ = inputs;
    startScreen_ = controller()->trackerScreen();
    controller()->startExamination();
    setState(State::Running);
    LOG("end");
    return true;
}

void ExaminationWorkflow::onPlayerExited(qint64 pid)
{
    LOG("player ended, pid: ", pid);
    // Its last reports (a normal end among them) may still be on their way.
    QTimer::singleShot(services_.playerExitGraceMs, this, [this, pid] {
        if (state_ != State::Running || pid != player_.pid())
            return;
        player_.forget();
        const qint64 lastReport = controller() ? controller()->lastSynchronisedMovieTime() : -1;
        LOG("Error - the player ended during the examination, last report at: ", lastReport);
        // Gaze after the last report fell on frames the viewer was never shown.
        if (controller())
            controller()->dropSamplesAfter(lastReport);
        endAsFailed(tr("The player ended during the examination (its last report was at %1 ms).\nThe samples "
                       "recorded until then are kept: press \"Save results\" to save them.")
                        .arg(lastReport));
    });
}

void ExaminationWorkflow::endAsFailed(const QString& warning)
{
    setState(State::Stopping);
    if (controller())
        controller()->endExamination(false, QString(), QStringList(), QRect(), false, 1);
    warn(warning);
    recoverIfTerminating(running_);
    setState(State::Idle);
    Q_EMIT examinationEnded(false, true, lastResultsPath(), {});
}

QStringList ExaminationWorkflow::headerLines(const ExaminationInputs& inputs, const QString& date,
                                             const QString& resultsPath) const
{
    return ResultsHeader::lines(inputs, date, resultsPath,
                                ResultsHeader::screenLine(resultsScreen(), viewingDistanceMm_));
}

std::optional<TrackerScreen> ExaminationWorkflow::resultsScreen() const
{
    // The tracker's word first: gaze was measured on its screen. It may have gone since
    // the start (a server that died), and the display stands in when no tracker said.
    std::optional<TrackerScreen> screen = controller() ? controller()->trackerScreen() : std::nullopt;
    if (!screen)
        screen = startScreen_;
    if (!screen && services_.displayScreen) {
        screen = services_.displayScreen();
        LOG(screen ? "the tracker did not report its screen - the display's geometry is written"
                   : "neither the tracker nor the display report a screen - no screen line");
    }
    return screen;
}

void ExaminationWorkflow::stopExamination(bool movieFinished, bool error)
{
    LOG("movieFinished: ", movieFinished, ", error: ", error);
    if (state_ != State::Running || !controller()) {
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
    const QString date = ResultsHeader::dateNow();
    const QString resultsPath = ResultsHeader::path(running_.outputFolder, running_.examinationId, date);
    LOG("outputpath=", resultsPath);
    LOG(movieFinished ? "Examination finished in normal way" : "Examination finished by user");
    controller()->setExaminationPaused(true);
    if (running_.useGopro)
        camera_.stopRecording();
    const bool saved = controller() && controller()->endExamination(
                                           true, resultsPath, headerLines(running_, date, resultsPath),
                                           services_.workArea(), false, movieFinished ? 0 : 1);
    LOG(saved ? "Results saved" : "Results ignored");
    if (!saved)
        recoverIfTerminating(running_);
    setState(State::Idle);
    Q_EMIT examinationEnded(saved, false, lastResultsPath(),
                            controller() ? controller()->interestingPoints() : std::vector<GazePoint>());
    LOG("end");
}

bool ExaminationWorkflow::saveExamination(const ExaminationInputs& inputs)
{
    LOG("output directory path=", inputs.outputFolder);
    if (state_ != State::Idle || !controller() || !validateInputData(inputs, false, false))
        return false;
    const QString date = ResultsHeader::dateNow();
    const QString resultsPath = ResultsHeader::path(inputs.outputFolder, inputs.examinationId, date);
    LOG("outputpath=", resultsPath);
    const bool saved = controller()->endExamination(true, resultsPath, headerLines(inputs, date, resultsPath),
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
    if (!controller())
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
    controller()->endExamination(false, QString(), QStringList(), QRect(), false, 1);
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
    if (isExaminationRunning() && !recovery_.terminating()) {
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

QString ExaminationWorkflow::lastResultsPath() const
{
    return controller() ? controller()->lastResultPath() : QString();
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
    player_.showResults(inputs, resultsPath);
}

QString ExaminationWorkflow::writeRecovery(const ExaminationInputs& inputs)
{
    const ExaminationInputs& running = running_;
    return recovery_.write(
        *controller(), running.outputFolder.isEmpty() ? inputs.outputFolder : running.outputFolder,
        running.examinationId,
        [this](const QString& date, const QString& path) { return headerLines(running_, date, path); },
        services_.workArea());
}

void ExaminationWorkflow::recoverIfTerminating(const ExaminationInputs& inputs)
{
    if (controller() && recovery_.terminating()) {
        LOG("program ending - the samples were not saved");
        writeRecovery(inputs);
    }
}

bool ExaminationWorkflow::onPlayerReport(const platform::WindowMessage& report)
{
    const quint64 code = report.wParam;
    const qint64 time = report.lParam;
    // During an examination only its own player speaks; another player's times would mix in.
    if (state_ != State::Idle && player_.pid() > 0 && report.senderPid != player_.pid()) {
        LOG("message from process ", report.senderPid, ", not from the examination's player ", player_.pid(),
            " - ignored");
        return false;
    }
    if (code == LinkCode::duration) {
        movieDuration_ = time;
        Q_EMIT durationReported(time);
    }
    if (state_ != State::Running || !controller() || !controller()->isExaminationInProgress())
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
    if (!controller()->setSynchronizationTime(time)) {
        LOG("time synchronization error!");
        stopExamination(false, true);
        return true;
    }
    if (code == LinkCode::paused || code == LinkCode::resumed)
        controller()->setExaminationPaused(code == LinkCode::paused);
    if (code == LinkCode::finished)
        stopExamination(true);
    if (code == LinkCode::interestingPoint) {
        LOG("emitting signal addInterestingPoint with value = ", time);
        Q_EMIT interestingPointAdded(time);
        controller()->addInterestingPoint(time, 1);
    }
    return true;
}

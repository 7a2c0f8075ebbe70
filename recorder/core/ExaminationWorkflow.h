#pragma once

#include "common/ScreenGeometry.h"
#include "platform/quit_signals.h"
#include "platform/window_bus.h"
#include "recorder/core/CameraRule.h"
#include "recorder/core/ExaminationInputs.h"
#include "recorder/core/PlayerLaunch.h"
#include "recorder/core/PlayerProcess.h"
#include "recorder/core/PlayerReports.h"
#include "recorder/core/RecoveryFiles.h"
#include "recorder/core/TrackerLink.h"
#include "recorder/trackers/GazePoint.h"
#include "recorder/trackers/TrackerScreen.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class EyeTrackerController;
class GoproController;
class OperatorPrompt;

// One examination from start to saved results, without widgets: it validates
// the inputs, starts the camera and the player, follows the player's reports,
// and stops, asks and saves once, whichever of the operator, the movie's end,
// the watchdog or the player's death comes first. The window drives it and
// shows what it reports; its prompts go to the operator. Its rules live in
// rooms of their own: the tracker (TrackerLink), the camera (CameraRule), the
// player and its reports (PlayerProcess, PlayerReports), the part of the movie
// (ExaminedPart), the samples nobody saved (RecoveryFiles) and the results'
// names and header (ResultsHeader).
//
// GUI thread only. While a step waits for the camera, the state is Starting or
// Stopping: every other start or stop is refused, so a request that arrives
// meanwhile (a second click, the movie's end) cannot run a second examination
// or a second stop.
class ExaminationWorkflow : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Idle = 0,
        Starting,
        Running,
        Stopping,
    };

    using CameraUse = CameraRule::Use;

    struct Services
    {
        DetachedStarter startDetached;
        QString playerPath;
        // The caption the player reports to.
        QString recorderCaption;
        // The area results are normalised to.
        std::function<QRect()> workArea;
        // The display named in the results when the tracker has not reported its own;
        // null, or none: the results name no screen.
        std::function<std::optional<TrackerScreen>()> displayScreen;
        // How long a player that ended is given for its last reports to arrive.
        int playerExitGraceMs = 250;
        // How long the player has to end after being asked, before it is killed.
        int playerKillGraceMs = 2000;
        // Whether the program is being ended (a signal, the session closing).
        std::function<bool()> terminating = platform::terminationRequested;
        // Where a recovery file goes, in order, when the results folder takes none;
        // null: the settings folder, then the private runtime folder.
        std::function<QStringList()> recoveryFolders;
        // Makes the controller of a tracker index; may answer null when that tracker is not built in.
        TrackerLink::Factory makeController;
    };

    ExaminationWorkflow(OperatorPrompt& prompt, Services services, QObject* parent = nullptr);
    ~ExaminationWorkflow() override;

    // The tracker: made, changed and told the operator's settings through here.
    TrackerLink& tracker() { return tracker_; }
    // The tracker of the examinations from now on (not owned); null: none.
    void setController(EyeTrackerController* controller) { tracker_.use(controller); }
    void setGopro(GoproController* gopro) { camera_.setCamera(gopro); }
    // Why the player cannot report to the recorder; empty when it can.
    void setLinkProblem(const QString& problem) { reports_.setLinkProblem(problem); }
    // Takes the player's reports, posted to the recorder caption, from now on. False
    // (the operator told why) when the player cannot report.
    bool listenForPlayer() { return reports_.listen(); }
    // How far the viewer's eyes are from the screen, written into the results from now on.
    void setViewingDistanceMm(int distanceMm) { viewingDistanceMm_ = distanceMm; }
    int viewingDistanceMm() const { return viewingDistanceMm_; }

    State state() const { return state_; }
    bool isExaminationRunning() const { return state_ != State::Idle; }
    qint64 playerPid() const { return player_.pid(); }
    qint64 movieDuration() const { return movieDuration_; }
    void setMovieDuration(qint64 durationMs) { movieDuration_ = durationMs; }

    bool validateInputData(const ExaminationInputs& inputs, bool checkMovie, bool checkTracker);
    // Returns true when the examination runs.
    bool startExamination(const ExaminationInputs& inputs);
    void stopExamination(bool movieFinished = false, bool error = false);
    // "Save results": the samples of the last examination again, under a new name.
    bool saveExamination(const ExaminationInputs& inputs);
    // The program is going away during an examination: stops the player and writes
    // the samples without asking to "<id>_<date>_recovery.csv" in the results folder,
    // else in the first of the recovery folders that takes it (told on stderr).
    // Returns that file's path, empty when nothing was running or it could not be written.
    QString abandonExamination(const ExaminationInputs& inputs);
    // Samples of an examination could be written nowhere.
    bool recoveryFailed() const { return recovery_.failed(); }
    // Where the recovery file of the examination abandoned last went; empty when none.
    QString recoveryPath() const { return recoveryPath_; }

    // While an examination runs: asks the operator before `what` ends it, and stops it on Yes.
    // False when the examination goes on.
    bool mayInterruptExamination(const QString& what);
    // The program is asked to close. False when the operator keeps the running examination;
    // otherwise one still running is abandoned to a recovery file.
    bool mayClose(const ExaminationInputs& inputs);

    // True when the camera is on the network; the operator is told when not.
    bool checkCamera() { return camera_.check(); }
    // Sets the camera up for the examinations when wanted (the operator told when it cannot be).
    CameraUse useCamera(bool wanted, const QString& password) { return camera_.use(wanted, password); }

    bool playerFound() const { return player_.found(); }
    // Shows the last results over the movie in the player.
    void showResults(const ExaminationInputs& inputs);
    // The player on its own.
    void runPlayer() { player_.runPlain(); }

    // A message posted to the recorder window. Returns true when it was consumed.
    bool handlePlayerMessage(const platform::WindowMessage& message) { return reports_.handle(message); }

Q_SIGNALS:
    void stateChanged(ExaminationWorkflow::State state);
    void durationReported(qint64 durationMs);
    // The part of the movie under examination; both 0 when the movie's length is unknown.
    void examinedPartChosen(qint64 startMs, qint64 endMs);
    void movieTimeReported(qint64 movieTimeMs);
    void interestingPointAdded(qint64 pointTimeMs);
    // The examination is over: saved or not, failed (by error) or not; the last results
    // file (empty when none) and the examination's keypoints.
    void examinationEnded(bool saved, bool failed, const QString& resultsPath,
                          const std::vector<GazePoint>& keypoints);
    // The camera did not answer a request at all; it is not to be used any more.
    void cameraSilent();
    // A later "Save results" wrote the samples (or not); the last results file, empty when none.
    void resultsSaved(bool saved, const QString& resultsPath);
    // The player's bus asked the recorder window to close.
    void closeRequested();

private:
    EyeTrackerController* controller() const { return tracker_.tracker(); }
    void onTrackerChanged(EyeTrackerController* controller);
    void setState(State state);
    void warn(const QString& text);
    QString lastResultsPath() const;
    bool onPlayerReport(const platform::WindowMessage& report);
    void onPlayerExited(qint64 pid);
    void endAsFailed(const QString& warning);
    // Writes the samples of the running examination to a recovery file; its path, or empty.
    QString writeRecovery(const ExaminationInputs& inputs);
    // Samples left unsaved because the program was ended while the operator was
    // asked or told something go to a recovery file: nobody is left to save them.
    void recoverIfTerminating(const ExaminationInputs& inputs);
    QStringList headerLines(const ExaminationInputs& inputs, const QString& dateText,
                            const QString& resultsPath) const;
    // The screen the results name: the tracker's, else the one at the start, else the display's.
    std::optional<TrackerScreen> resultsScreen() const;

    OperatorPrompt& prompt_;
    Services services_;
    TrackerLink tracker_;
    CameraRule camera_;
    PlayerProcess player_;
    PlayerReports reports_;
    RecoveryFiles recovery_;
    State state_ = State::Idle;
    QString recoveryPath_;
    ExaminationInputs running_;
    qint64 movieDuration_ = 0;
    int viewingDistanceMm_ = ScreenGeometry::defaultDistanceMm;
    // The tracker's screen when the running (or last) examination started.
    std::optional<TrackerScreen> startScreen_;
};

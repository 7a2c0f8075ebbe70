#include "player/core/PlayerCommands.h"

#include "common/LinkCodes.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/core/AppCtrl.h"
#include "player/core/CommandTarget.h"
#include "player/core/PlaybackClock.h"
#include "player/core/PlayerCommand.h"
#include "player/core/PlayerSettings.h"
#include "player/core/RecorderLink.h"
#include "player/core/ResultsFiles.h"
#include "player/core/StringTable.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/DsCtrl.h"

#include <QDir>
#include <QProcess>
#include <QTimer>

PlayerCommands::PlayerCommands(CommandTarget& target, AppCtrl& app, TimeLineManager& results, ShotLine& shots,
                               PlaybackClock& clock, RecorderLink& link)
    : target_(target), app_(app), results_(results), shots_(shots), clock_(clock), link_(link)
{
}

int PlayerCommands::position() const
{
    return static_cast<int>(DsCtrl::GetCurrentPositionMilis());
}

void PlayerCommands::command(int id)
{
    switch (id) {
    case ID_FILE_OPENCLIP:
        if (DsCtrl::IsMovieOpen())
            target_.CloseClip();
        app_.movieFileName.clear();
        target_.OpenClip();
        break;
    case ID_FILE_INITCLIP:
        target_.OpenClip();
        break;
    case ID_FILE_CLOSE:
        target_.CloseClip();
        break;
    case ID_FILE_EXIT:
        target_.exitProgram();
        break;
    case ID_OPEN_RESULTS:
        openResults();
        break;
    case ID_OPEN_RECORDING:
        openRecording();
        break;
    case ID_NEW_EXAMINATION:
        startNewExamination();
        break;
    case ID_PAUSE_RESUME:
        pauseResume();
        break;
    case ID_STEP_FORWARD:
        seekBy(app_.timeStep);
        break;
    case ID_STEP_BACKWARD:
        seekBy(-app_.timeStep);
        break;
    case ID_JUMP_FORWARD:
        seekBy(app_.timeBiggerStep);
        break;
    case ID_JUMP_BACK:
        seekBy(-app_.timeBiggerStep);
        break;
    case ID_PREVIOUS_KEYPOINT:
    case ID_NEXT_KEYPOINT:
        if (!results_.timeLines().empty()) {
            const int t = id == ID_NEXT_KEYPOINT ? results_.GetFirstNextActionTime(position())
                                                 : results_.GetFirstPreviousActionTime(position());
            if (t != -1)
                seekTo(t);
        }
        break;
    case ID_SLOWER:
        DsCtrl::MultiplySpeed(0.6666667);
        break;
    case ID_NORMAL_SPEED:
        DsCtrl::SetNormalSpeed();
        break;
    case ID_FASTER:
        DsCtrl::MultiplySpeed(1.5);
        break;
    case ID_PREVIOUS_SHOT:
        seekTo(shots_.previousShot(position()).time);
        clock_.forgetShot();
        break;
    case ID_NEXT_SHOT:
        nextShot();
        break;
    case ID_START_OF_SHOT:
        if (const int start = shots_.currentShot(position()).time; start != position())
            seekTo(start);
        clock_.forgetShot();
        break;
    case ID_TOGGLE_SHOT:
        toggleShot();
        break;
    case ID_LOOP_SHOT:
        clock_.setLoopCurrentShot(!clock_.loopCurrentShot());
        break;
    case ID_CONSIDER_FOCUS_TIME:
        app_.considerFocusTime = !app_.considerFocusTime;
        break;
    case ID_ADJUST_HORIZONTAL:
        setViewScale(0.5, 1.0);
        break;
    case ID_ADJUST_VERTICAL:
        setViewScale(1.0, 0.5);
        break;
    case ID_ADJUST_DEFAULT:
        setViewScale(1.0, 1.0);
        break;
    case ID_SHOW_HEATMAP:
        toggleGuiSetting(app_.showHeatmap, "showHeatmap");
        break;
    case ID_SHOW_KEYPOINTS:
        toggleGuiSetting(app_.showActions, "showActions");
        break;
    case ID_SHOW_PUPIL:
        toggleGuiSetting(app_.showPupil, "showPupil");
        break;
    case ID_SHOW_SCANPATH:
        toggleGuiSetting(app_.showScanPath, "showScanPath");
        break;
    case ID_SHOW_SYNCHRONY:
        toggleGuiSetting(app_.showSynchrony, "showSynchrony");
        break;
    case ID_SHOW_LEGEND:
        toggleGuiSetting(app_.showLegend, "showLegend");
        break;
    case ID_FAST_PRESENTATION:
    case ID_ACCURATE_PRESENTATION:
        setPresentation(id == ID_ACCURATE_PRESENTATION ? 1 : 0);
        break;
    case ID_SINGLE_RESULT:
        app_.mode = AppCtrl::Mode::File;
        break;
    case ID_MULTI_RESULTS:
        app_.mode = AppCtrl::Mode::Directory;
        break;
    case ID_DATA_FILTERED:
        app_.dataFiltered = !app_.dataFiltered;
        break;
    case ID_BIGGEST_PUPIL:
        if (!results_.pupilRuns().empty())
            seekTo(results_.maxDiameterTime());
        break;
    case ID_SHOW_COUNTER:
        toggleGuiSetting(app_.showBigCounter, "showBigCounter");
        target_.showCounter(app_.showBigCounter);
        break;
    case ID_FULL_SCREEN:
        target_.setFullScreen(!target_.isFullScreenMode());
        break;
    case ID_LANGUAGE_ENGLISH:
        loadLanguage("en");
        break;
    case ID_LANGUAGE_POLISH:
        loadLanguage("pl");
        break;
    case ID_ABOUT:
        target_.showAbout();
        break;
    default:
        LOG("unknown command ", id);
        break;
    }
    target_.commandDone();
}

void PlayerCommands::pauseResume()
{
    if (!DsCtrl::IsMovieOpen())
        return;
    // A movie resumes where it rests; read afterwards, the position would
    // include however long the start of playback took.
    const int resting = position();
    const bool resumed = DsCtrl::PauseResume();
    // The extension numbers these two as the recorder does.
    link_.postToBoth(resumed ? LinkCode::resumed : LinkCode::paused, resumed ? resting : position());
}

void PlayerCommands::seekTo(std::int64_t positionMs)
{
    DsCtrl::SetCurrentPositionMilis(positionMs);
    link_.postToExtension(LinkCode::synchronisation, position());
}

void PlayerCommands::seekBy(std::int64_t deltaMs)
{
    link_.postToExtension(LinkCode::synchronisation,
                          static_cast<int>(DsCtrl::ChangeCurrentPositionMilis(deltaMs)));
}

void PlayerCommands::nextShot()
{
    const Shot next = shots_.nextShot(position());
    // After the last shot comes the end of the movie.
    seekTo(next.number != 0 ? next.time : clock_.totalTimeMs());
    clock_.forgetShot();
}

void PlayerCommands::toggleShot()
{
    if (!DsCtrl::IsMovieOpen())
        return;
    const int at = position();
    if (at <= 0)
        return;
    shots_.toggleShot(at);
    shots_.setModified(true);
    target_.UpdateTitle(at, shots_.currentShot(at).number);
}

void PlayerCommands::setViewScale(double x, double y)
{
    app_.viewScaleX = x;
    app_.viewScaleY = y;
    target_.viewScaleChanged();
    PlayerSettings::writeViewScale(app_);
}

void PlayerCommands::setPresentation(int quality)
{
    app_.multiQuality = quality;
    target_.presentationChanged();
    PlayerSettings::writeQuality(app_);
}

void PlayerCommands::toggleGuiSetting(bool& setting, const char* key)
{
    setting = !setting;
    PlayerSettings::writeSwitch(app_, key, setting);
}

void PlayerCommands::loadLanguage(const char* language)
{
    if (app_.language == QLatin1String(language))
        return;
    if (!target_.askYesNo(loadString(IDS_CLOSE_FOR_LANGUAGE)))
        return;
    PlayerSettings::writeLanguage(app_, language);
    target_.exitProgram();
}

void PlayerCommands::openResults()
{
    const QStringList chosen = target_.chooseResults();
    if (chosen.isEmpty())
        return;
    results_.clear();
    ResultsFiles::loadChosen(results_, chosen, app_, app_.movieFileName,
                             [this](const QString& question) { return target_.askYesNo(question); });
    results_.calculateStats();
    shots_.recount();
    const auto count = results_.timeLines().size();
    if (count == 1)
        app_.mode = AppCtrl::Mode::File;
    else if (count > 1)
        app_.mode = AppCtrl::Mode::Directory;
}

void PlayerCommands::startNewExamination()
{
    LOG("Current directory: '", QDir::currentPath(), "'");
    bool started = false;
    if (app_.movieFileName.isEmpty()) {
        started = QProcess::startDetached(app_.recorderFileName, {});
        if (!started)
            LOG("Starting the recorder failed: '", app_.recorderFileName, "'");
    } else {
        LOG("Starting the recorder: ", app_.recorderFileName, " -m \"", app_.movieFileName, "\"");
        started = QProcess::startDetached(app_.recorderFileName, {QStringLiteral("-m"), app_.movieFileName});
        if (!started)
            LOG("Starting the recorder failed: '", app_.recorderFileName, "'");
    }
    if (started)
        target_.exitProgram();
}

void PlayerCommands::openRecording()
{
    const QString recording = target_.chooseRecording();
    if (recording.isEmpty())
        return;
    if (!QProcess::startDetached(app_.extensionFileName, {QStringLiteral("-m"), recording})) {
        LOG("Starting the extension failed: '", app_.extensionFileName, "'");
        return;
    }
    // The extension needs a moment to show its window; the movie goes on meanwhile.
    QTimer::singleShot(extensionStartWaitMs_, this, [this] {
        link_.findExtension();
        if (!link_.hasExtension()) {
            LOG("The extension's window was not found");
            return;
        }
        if (DsCtrl::GetGraphState() == DsCtrl::GraphState::Running)
            link_.postToExtension(LinkCode::resumed, position());
    });
}

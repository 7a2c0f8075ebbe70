// The menu commands of the main window.

#include "common/IniFile.h"
#include "common/LinkCodes.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/AppCtrl.h"
#include "player/Graphics.h"
#include "player/PlayerMenus.h"
#include "player/PlayerWindow.h"
#include "player/StringTable.h"
#include "player/media/DsCtrl.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

void PlayerWindow::command(int id)
{
    switch (id) {
    case ID_FILE_OPENCLIP:
        if (DsCtrl::IsMovieOpen())
            CloseClip();
        app_.movieFileName.clear();
        OpenClip();
        break;
    case ID_FILE_INITCLIP:
        OpenClip();
        break;
    case ID_FILE_CLOSE:
        CloseClip();
        break;
    case ID_FILE_EXIT:
        exitProgram();
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
        loopCurrentShot_ = !loopCurrentShot_;
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
        if (!results_.pupilSeries().empty())
            seekTo(results_.maxDiameterTime());
        break;
    case ID_SHOW_COUNTER:
        toggleGuiSetting(app_.showBigCounter, "showBigCounter");
        counter_->setVisible(app_.showBigCounter);
        break;
    case ID_FULL_SCREEN:
        setFullScreen(!fullScreen_);
        break;
    case ID_LANGUAGE_ENGLISH:
        loadLanguage("en");
        break;
    case ID_LANGUAGE_POLISH:
        loadLanguage("pl");
        break;
    case ID_ABOUT:
        QMessageBox::about(this, tr("About Gazeview"),
                           tr("Orvalis Reelscan Gazeview\n\nPlays a movie with the gaze of its viewers."));
        break;
    default:
        LOG("unknown command ", id);
        break;
    }
    syncChecks();
    // A paused movie shows a changed option or new results at once, not at its next move.
    if (DsCtrl::IsMovieOpen())
        drawOverlay(position());
}

void PlayerWindow::pauseResume()
{
    if (!DsCtrl::IsMovieOpen())
        return;
    const bool resumed = DsCtrl::PauseResume();
    // The extension numbers these two as the recorder does.
    const auto code = static_cast<int>(resumed ? LinkCode::resumed : LinkCode::paused);
    const int at = position();
    if (postToServer(code, at))
        LOG("PostMessage to server(", code, ", ", at, ")");
    if (postToExtension(code, at))
        LOG("PostMessage to ext(", code, ", ", at + app_.recordingOffset, ")");
}

void PlayerWindow::seekTo(std::int64_t positionMs)
{
    DsCtrl::SetCurrentPositionMilis(positionMs);
    postToExtension(8, position());
}

void PlayerWindow::seekBy(std::int64_t deltaMs)
{
    postToExtension(8, static_cast<int>(DsCtrl::ChangeCurrentPositionMilis(deltaMs)));
}

void PlayerWindow::nextShot()
{
    const Shot next = shots_.nextShot(position());
    // After the last shot comes the end of the movie.
    seekTo(next.number != 0 ? next.time : clock_.totalTimeMs());
    clock_.forgetShot();
}

void PlayerWindow::toggleShot()
{
    if (!DsCtrl::IsMovieOpen())
        return;
    const int at = position();
    if (at <= 0)
        return;
    shots_.toggleShot(at);
    shots_.setModified(true);
    UpdateTitle(at, shots_.currentShot(at).number);
}

void PlayerWindow::setViewScale(double x, double y)
{
    app_.viewScaleX = x;
    app_.viewScaleY = y;
    if (DsCtrl::IsMovieOpen())
        DsCtrl::InitVideoWindow(*this, viewScale());
    IniFile::writeString(app_.guiFilePath, "GUI", "viewScaleXPercent", x == 0.5 ? "50" : "100");
    IniFile::writeString(app_.guiFilePath, "GUI", "viewScaleYPercent", y == 0.5 ? "50" : "100");
}

void PlayerWindow::setPresentation(int quality)
{
    app_.multiQuality = quality;
    if (graphics_)
        graphics_ = std::make_unique<Graphics>(quality == 1 ? 512 : 256, DsCtrl::NativeVideoSize());
    IniFile::writeString(app_.guiFilePath, "GUI", "multiQuality", quality == 1 ? "1" : "0");
}

void PlayerWindow::toggleGuiSetting(bool& setting, const char* key)
{
    setting = !setting;
    IniFile::writeString(app_.guiFilePath, "GUI", key, setting ? "1" : "0");
}

void PlayerWindow::loadLanguage(const char* language)
{
    if (app_.language == QLatin1String(language))
        return;
    if (!prompts_.askYesNo || !prompts_.askYesNo(loadString(IDS_CLOSE_FOR_LANGUAGE)))
        return;
    IniFile::writeString(app_.guiFilePath, "GUI", "language", language);
    exitProgram();
}

void PlayerWindow::startNewExamination()
{
    LOG("Current directory: '", QDir::currentPath(), "'");
    bool started = false;
    if (app_.movieFileName.isEmpty()) {
        started = QProcess::startDetached(app_.recorderFileName, {});
        if (!started)
            LOG("CreateProcess() failed, 1: ", -1);
    } else {
        LOG("calling CreateProcess(", app_.recorderFileName, ",  -m \"", app_.movieFileName, "\", ...)");
        started = QProcess::startDetached(app_.recorderFileName, {QStringLiteral("-m"), app_.movieFileName});
        if (!started)
            LOG("CreateProcess() failed, 2: ", -1);
    }
    if (started)
        exitProgram();
}

void PlayerWindow::openRecording()
{
    const QString recording = prompts_.chooseRecording ? prompts_.chooseRecording() : QString();
    if (recording.isEmpty())
        return;
    if (!QProcess::startDetached(app_.extensionFileName, {QStringLiteral("-m"), recording})) {
        LOG("CreateProcess() failed, 4: ", -1);
        return;
    }
    // The extension needs a moment to show its window; the movie goes on meanwhile.
    QTimer::singleShot(extensionStartWaitMs_, this, [this] {
        extensionWindow_ = platform::findWindow(QString::fromLatin1(extensionTitle));
        if (extensionWindow_.empty()) {
            LOG("FindWindow() didn't work");
            return;
        }
        if (DsCtrl::GetGraphState() == DsCtrl::GraphState::Running)
            postToExtension(2, position());
    });
}

void PlayerWindow::syncChecks()
{
    const auto check = [this](int id, bool on) {
        if (QAction* item = actions_.value(id))
            item->setChecked(on);
    };
    check(ID_ADJUST_HORIZONTAL, app_.viewScaleX == 0.5);
    check(ID_ADJUST_VERTICAL, app_.viewScaleY == 0.5);
    check(ID_ADJUST_DEFAULT, app_.viewScaleX == 1.0 && app_.viewScaleY == 1.0);
    check(ID_DATA_FILTERED, app_.dataFiltered);
    check(ID_SINGLE_RESULT, app_.mode == AppCtrl::Mode::File);
    check(ID_MULTI_RESULTS, app_.mode == AppCtrl::Mode::Directory);
    check(ID_CONSIDER_FOCUS_TIME, app_.considerFocusTime);
    check(ID_SHOW_COUNTER, app_.showBigCounter);
    check(ID_FAST_PRESENTATION, app_.multiQuality == 0);
    check(ID_ACCURATE_PRESENTATION, app_.multiQuality == 1);
    check(ID_SHOW_HEATMAP, app_.showHeatmap);
    check(ID_SHOW_KEYPOINTS, app_.showActions);
    check(ID_SHOW_PUPIL, app_.showPupil);
    check(ID_LOOP_SHOT, loopCurrentShot_);
}

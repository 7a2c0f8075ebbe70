#include "player/core/MovieSession.h"

#include "common/LinkCodes.h"
#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/quit_signals.h"
#include "player/core/AppCtrl.h"
#include "player/core/MovieScreen.h"
#include "player/core/PlaybackClock.h"
#include "player/core/RecorderLink.h"
#include "player/core/StringTable.h"
#include "player/data/ServiceShotFile.h"
#include "player/data/ShotLine.h"
#include "player/media/DsCtrl.h"

#include <QCoreApplication>
#include <QFileInfo>

MovieSession::MovieSession(AppCtrl& app, VideoWindow& video, MovieScreen& screen, ShotLine& shots,
                           PlaybackClock& clock, RecorderLink& link)
    : app_(app), video_(video), screen_(screen), shots_(shots), clock_(clock), link_(link)
{
}

int MovieSession::position() const
{
    return static_cast<int>(DsCtrl::GetCurrentPositionMilis());
}

void MovieSession::open()
{
    LOG("called openclip()");
    if (app_.movieFileName.isEmpty()) {
        app_.movieFileName = screen_.chooseMovie();
        if (app_.movieFileName.isEmpty())
            return;
    }
    const QFileInfo movie(app_.movieFileName);
    LOG("movieFileName = ", app_.movieFileName);
    LOG("movieFileNameOnly = ", movie.fileName());
    if (!movie.exists() || movie.isDir()) {
        LOG("File not found: ", app_.movieFileName);
        app_.movieFileName.clear();
        return;
    }
    shotFile_ = QString::fromStdString(shotFileOf(app_.movieFileName.toStdString()).string());
    const QFileInfo data(movie.path() + QLatin1Char('/') + movie.completeBaseName() +
                         QStringLiteral("_data"));
    LOG("_data dir = ", data.isDir() ? data.filePath() : QString());

    finished_ = false;
    endReported_ = false;
    const ViewScale scale{app_.viewScaleX, app_.viewScaleY};
    if (const MediaResult hr = DsCtrl::PlayMovieInWindow(app_.movieFileName, video_, scale); hr != 0) {
        LOG("PlayMovieInWindow() failed: ", hr);
        close();
        return;
    }
    screen_.overlayOpened(app_.playDelayMs > 0);

    const bool play = app_.mode == AppCtrl::Mode::Play;
    if (app_.playDelayMs > 0) {
        DsCtrl::PauseGraph();
        clock_.delayStart(app_.playDelayMs);
    }
    clock_.start(DsCtrl::GetTotalTimeMilis());
    const auto totalTime = static_cast<int>(clock_.totalTimeMs());
    // Paused before the seek: a movie that ran on between the two would stand a
    // few milliseconds past the asked time.
    if (!play)
        DsCtrl::PauseGraph();
    if (app_.beginTimeMs > 0) {
        DsCtrl::SetCurrentPositionMilis(app_.beginTimeMs);
        link_.postToExtension(LinkCode::synchronisation, app_.beginTimeMs);
    }
    if (play) {
        link_.postToServer(LinkCode::duration, totalTime);
        if (app_.monitorNum >= 0)
            screen_.setFullScreen(true);
    }
    LOG("Movie totalTime = ", totalTime);
    const QString problem = loadShots();
    screen_.movieOpened();
    // Told once the movie is fully open, so that nothing waits half done behind the message.
    if (!problem.isEmpty())
        tell(problem);
}

void MovieSession::close()
{
    LOG("CloseClip()");
    // Nobody sits at the examination screen to answer a question, and a
    // question there would keep the program from ending: its shots stay unsaved.
    QString savedBeside;
    if (shots_.modified() && app_.mode != AppCtrl::Mode::Play) {
        // Ending the program waits for nobody: the edits are kept without a question,
        // in the shot file's own safe place.
        if (platform::terminationRequested()) {
            LOG("edited shots saved without asking: the program is ending");
            savedBeside = saveShots();
        } else if (screen_.askYesNo(loadString(IDS_SAVE_EDITED_SHOTS))) {
            savedBeside = saveShots();
        }
    }
    shots_.setModified(false);
    DsCtrl::StopGraph();
    clock_.stop();
    DsCtrl::CloseInterfaces();
    screen_.setFullScreen(false);
    shots_.clear();
    app_.movieFileName.clear();
    screen_.movieClosed();
    if (!savedBeside.isEmpty())
        tell(savedBeside);
}

QString MovieSession::loadShots()
{
    if (ServiceShotFile(shots_, shotFile_.toStdString(), true) || !shots_.loadFailed())
        return {};
    // Nobody at the examination screen is there to read it; the log has it.
    if (app_.mode == AppCtrl::Mode::Play)
        return {};
    return QCoreApplication::translate("PlayerWindow",
                                       "The shot file\n%1\ncannot be used: %2.\n\nThe shots read before the "
                                       "problem are shown. The file is left as it is: edited shots are saved "
                                       "to a new file beside it.")
        .arg(shotFile_, QString::fromStdString(shots_.describeLoadProblem()));
}

QString MovieSession::saveShots()
{
    const std::filesystem::path shotFile = shotFile_.toStdString();
    std::filesystem::path savedTo;
    // The list is dropped with the movie: a save that failed is not let go unnoticed.
    while (!ServiceShotFile(shots_, shotFile, false, &savedTo)) {
        const QString target =
            QString::fromStdString((shots_.loadFailed() ? besideShotFile(shotFile) : shotFile).string());
        if (platform::terminationRequested()) {
            LOG("the edited shots could not be saved to ", target, "; the program is ending");
            return {};
        }
        if (!screen_.askYesNo(
                QCoreApplication::translate("PlayerWindow", "The shots could not be saved to\n%1\nTry again?")
                    .arg(target)))
            return {};
    }
    if (savedTo == shotFile)
        return {};
    return QCoreApplication::translate("PlayerWindow",
                                       "The shot file\n%1\ncould not be read, so it was left as it is. "
                                       "The shots were saved to\n%2")
        .arg(shotFile_, QString::fromStdString(savedTo.string()));
}

void MovieSession::tell(const QString& message)
{
    LOG("message to the user: ", message);
    // While the program ends nobody is left to close a message; the log keeps it.
    if (!platform::terminationRequested())
        screen_.tell(message);
}

void MovieSession::movieEvent()
{
    if (const MediaResult hr = DsCtrl::HandleGraphEvent(); hr != 0)
        LOG("DsCtrl::HandleGraphEvent() failed: ", hr);
    if (!DsCtrl::MovieCompleted() || finished_ || endReported_)
        return;
    const int at = position();
    if (app_.mode == AppCtrl::Mode::Play) {
        // The camera recording hears of the end before it is asked to close.
        link_.postToExtension(LinkCode::finished, at);
        finishExamination(at);
    } else {
        // The movie stays open at its end; the extension hears of it once. The
        // end of a play window (-e) may still come and must still quit.
        endReported_ = true;
        link_.postToExtension(LinkCode::finished, at);
    }
}

void MovieSession::finishExamination(int positionMs)
{
    if (finished_)
        return;
    finished_ = true;
    // Nothing may follow code 4: no tick reports a position after it.
    clock_.stop();
    DsCtrl::StopGraph();
    if (link_.postToServer(LinkCode::finished, positionMs))
        LOG("PostMessage(", 4, ", ", positionMs, ")");
    link_.closeExtension();
    quitProgram(0);
}

void MovieSession::escape()
{
    const int at = position();
    if (link_.postToServer(LinkCode::finished, at))
        LOG("PostMessage(", 4, ", ", at, ")");
    link_.postToExtension(LinkCode::finished, at);
    close();
    if (app_.mode == AppCtrl::Mode::Play) {
        link_.closeExtension();
        quitProgram(0);
    }
}

void MovieSession::exitProgram()
{
    if (DsCtrl::IsMovieOpen())
        close();
    link_.closeExtension();
    quitProgram(0);
}

void MovieSession::quitProgram(int code)
{
    app_.RequestQuit(code);
    QCoreApplication::exit(code);
}

void MovieSession::seekFromSlider(std::int64_t targetMs)
{
    DsCtrl::SetCurrentPositionMilis(targetMs);
    clock_.sliderUsed();
    link_.postToExtension(LinkCode::synchronisation, static_cast<int>(targetMs));
}

void MovieSession::interestingPoint()
{
    link_.postToServer(LinkCode::interestingPoint, position());
}

#pragma once

#include "player/PlayerPrompts.h"
#include "player/TimeSlider.h"
#include "player/core/ClockView.h"
#include "player/core/CommandTarget.h"
#include "player/core/MovieScreen.h"
#include "player/core/MovieSession.h"
#include "player/core/PlaybackClock.h"
#include "player/core/PlayerCommands.h"
#include "player/core/RecorderLink.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/VideoWindow.h"

#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>

class AppCtrl;
class Graphics;
class PlayerAois;
class PlayerExports;
class QAction;
class QLabel;
class QPainter;
class QSlider;
class SynchronyStrip;
class VideoWidget;

// The player's one top-level window ("GazeviewCls"): the movie with its overlay,
// the position slider in a 22-pixel strip under it (with the viewers' synchrony
// just above it when asked for), the big counter, the menus and keys. The command runner carries out its
// commands and the playback clock follows the movie; the window is what both of them see. In PLAY mode it is
// the examination screen and reports the movie's progress to the recorder.
class PlayerWindow : public QMainWindow,
                     public VideoWindow,
                     public ClockView,
                     public CommandTarget,
                     public MovieScreen
{
    Q_OBJECT

public:
    static constexpr int defaultWidth = 960;
    static constexpr int defaultHeight = 384;
    static constexpr int sliderHeight = 22;
    static constexpr int sliderRange = 1000;

    // The questions the window asks the user; Qt dialogs unless replaced.
    using Prompts = PlayerPrompts;

    // The title of the camera-registration extension's window.
    static constexpr const char* extensionTitle = RecorderLink::extensionTitle;

    // Keeps a reference to `app`, which must outlive the window. Looks the
    // recorder's window up by the caption given on the command line.
    explicit PlayerWindow(AppCtrl& app, QWidget* parent = nullptr);
    // A movie still open is closed as the user would close it.
    ~PlayerWindow() override;

    void setPrompts(Prompts prompts);
    // How long the extension program gets to show its window after its start.
    void setExtensionStartWait(int waitMs) { commands_.setExtensionStartWait(waitMs); }
    bool hasExtension() const { return link_.hasExtension(); }

    // What the program does once its window exists: loads the results named on
    // the command line and asks for the command-line movie to open as soon as
    // the event loop runs.
    void startUp();

    // Runs one command by its number (PlayerCommand).
    void command(int id);
    // Loads the results file or folder named on the command line.
    void OpenCsv();

    QRect videoRect() const;
    QSlider* slider() const { return slider_; }
    SynchronyStrip* synchronyStrip() const { return strip_; }
    QLabel* counter() const { return counter_; }
    QWidget* videoWidget() const;
    QAction* action(int id) const { return actions_.value(id); }
    Graphics* graphics() const { return graphics_.get(); }
    PlayerExports& exports() { return *exports_; }
    PlayerAois& aois() { return *aois_; }

    AppCtrl& app() { return app_; }
    PlaybackClock& clock() { return clock_; }
    TimeLineManager& results() { return results_; }
    ShotLine& shots() { return shots_; }
    MovieSession& session() { return session_; }
    RecorderLink& link() { return link_; }
    void clearOverlay();

    // CommandTarget
    void OpenClip() override { session_.open(); }
    void CloseClip() override { session_.close(); }
    void exitProgram() override;
    void setFullScreen(bool on) override;
    bool isFullScreenMode() const override { return fullScreen_; }
    void showCounter(bool shown) override;
    void viewScaleChanged() override;
    void presentationChanged() override;
    void showAbout() override;
    void UpdateTitle(int positionMs, int shotNumber) override;
    void commandDone() override;
    bool askYesNo(const QString& question) override;
    QStringList chooseResults() override;
    QString chooseRecording() override;

    // MovieScreen
    QString chooseMovie() override;
    void tell(const QString& message) override;
    void overlayOpened(bool idle) override;
    void movieOpened() override;
    void movieClosed() override;

    // ClockView
    int moviePositionMs() const override { return position(); }
    void startMovie() override;
    void seekMovie(int positionMs) override;
    void finishExamination(int positionMs) override { session_.finishExamination(positionMs); }
    void drawOverlay(int positionMs) override;
    void setSliderPosition(int value) override;

    // VideoWindow
    bool hasNormalFrame() const override { return !fullScreen_; }
    void resizeWindow(QSize size) override;
    QRect clientArea() const override;
    void showAndActivate() override;
    void videoChanged() override;
    void graphNotify() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutClientArea();
    // The key to the marks, over the picture, when the View menu asks for it.
    void paintLegend(QPainter& painter) const;
    void reportClick(QMouseEvent& event);
    void syncChecks();
    void seekFromSlider();
    int position() const;
    ViewScale viewScale() const;

    AppCtrl& app_;
    Prompts prompts_;
    VideoWidget* video_;
    TimeSlider* slider_;
    SynchronyStrip* strip_;
    QLabel* counter_;
    QHash<int, QAction*> actions_;
    TimeLineManager results_;
    ShotLine shots_;
    RecorderLink link_;
    PlaybackClock clock_;
    PlayerCommands commands_;
    MovieSession session_;
    std::unique_ptr<Graphics> graphics_;
    std::unique_ptr<PlayerExports> exports_;
    std::unique_ptr<PlayerAois> aois_;
    bool fullScreen_ = false;
};

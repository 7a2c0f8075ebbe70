#pragma once

#include "platform/window_bus.h"
#include "player/PlaybackClock.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/VideoWindow.h"

#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>

class AppCtrl;
class Graphics;
class QAction;
class QLabel;
class QSlider;
class VideoWidget;

// The player's one top-level window ("GazeviewCls"): the movie with its overlay,
// the position slider in a 22-pixel strip under it, the big counter, the menus
// and keys. It runs every user command; in PLAY mode it is the examination
// screen and reports the movie's progress to the recorder's window.
class PlayerWindow : public QMainWindow, public VideoWindow
{
    Q_OBJECT

public:
    static constexpr int defaultWidth = 960;
    static constexpr int defaultHeight = 384;
    static constexpr int sliderHeight = 22;
    static constexpr int sliderRange = 1000;

    // The questions the window asks the user; Qt dialogs unless replaced.
    struct Prompts
    {
        std::function<bool(const QString& question)> askYesNo;
        // Tells the user something that went wrong; the answer is only "OK".
        std::function<void(const QString& message)> tell;
        std::function<QString()> chooseMovie;
        std::function<QStringList()> chooseResults;
        std::function<QString()> chooseRecording;
    };

    // The title of the camera-registration extension's window.
    static constexpr const char* extensionTitle = "Orvalis Reelscan Gazeview Extension";

    // Keeps a reference to `app`, which must outlive the window. Looks the
    // recorder's window up by the caption given on the command line.
    explicit PlayerWindow(AppCtrl& app, QWidget* parent = nullptr);
    // A movie still open is closed as the user would close it.
    ~PlayerWindow() override;

    void setPrompts(Prompts prompts);
    // True on the offscreen and minimal platforms, where nobody sees a window.
    static bool displayless();
    // How long the extension program gets to show its window after its start.
    void setExtensionStartWait(int waitMs) { extensionStartWaitMs_ = waitMs; }
    bool hasExtension() const { return !extensionWindow_.empty(); }

    // What the program does once its window exists: loads the results named on
    // the command line and asks for the command-line movie to open as soon as
    // the event loop runs.
    void startUp();

    // Runs one command by its number (PlayerCommand).
    void command(int id);
    // Opens the movie named in AppCtrl, or asks for one when none is named.
    void OpenClip();
    void CloseClip();
    // Loads the results file or folder named on the command line.
    void OpenCsv();
    void setFullScreen(bool on);
    bool isFullScreenMode() const { return fullScreen_; }

    QRect videoRect() const;
    QSlider* slider() const { return slider_; }
    QLabel* counter() const { return counter_; }
    QWidget* videoWidget() const;
    QAction* action(int id) const { return actions_.value(id); }
    Graphics* graphics() const { return graphics_.get(); }

    AppCtrl& app() { return app_; }
    PlaybackClock& clock() { return clock_; }
    TimeLineManager& results() { return results_; }
    ShotLine& shots() { return shots_; }
    bool loopCurrentShot() const { return loopCurrentShot_; }

    // Posts one code with a movie time to the recorder in PLAY mode; false
    // when there is no recorder to post to.
    bool postToServer(int code, int positionMs);
    // Posts one code with the movie time shifted by the recording offset to
    // the extension's window, when there is one.
    bool postToExtension(int code, int positionMs);
    // Asks the extension's window to close.
    void closeExtension();
    // The movie is over for the examination: report code 4 and quit.
    void finishExamination(int positionMs);
    // Ends the program's event loop with the code.
    void quitProgram(int code);
    // The overlay for the position, in FILE and DIRECTORY modes.
    void drawOverlay(int positionMs);
    void clearOverlay();
    void setSliderPosition(int value);
    void UpdateTitle(int positionMs, int shotNumber);

    // VideoWindow
    bool hasNormalFrame() const override;
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
    void reportClick(QMouseEvent& event);
    void escape();
    void pauseResume();
    void seekTo(std::int64_t positionMs);
    void seekBy(std::int64_t deltaMs);
    void nextShot();
    void toggleShot();
    void openResults();
    void loadLanguage(const char* language);
    void startNewExamination();
    void openRecording();
    void setViewScale(double x, double y);
    void setPresentation(int quality);
    void toggleGuiSetting(bool& setting, const char* key);
    void syncChecks();
    void exitProgram();
    void finishLoading();
    void loadShots();
    void saveShots();
    void tell(const QString& message);
    int position() const;
    ViewScale viewScale() const;

    AppCtrl& app_;
    Prompts prompts_;
    VideoWidget* video_;
    QSlider* slider_;
    QLabel* counter_;
    QHash<int, QAction*> actions_;
    PlaybackClock clock_;
    TimeLineManager results_;
    ShotLine shots_;
    std::unique_ptr<Graphics> graphics_;
    QString shotFile_;
    platform::WindowHandle extensionWindow_;
    int extensionStartWaitMs_ = 1000;
    bool fullScreen_ = false;
    bool loopCurrentShot_ = false;
    bool finished_ = false;    // the examination was finished: code 4 sent, quit asked
    bool endReported_ = false; // outside PLAY mode: the extension heard of the movie's end
};

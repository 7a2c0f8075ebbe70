#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class AppCtrl;
class QAction;
class QWidget;
class ShotLine;

// The player's way to what researchers take away: a video of what it shows,
// rendered by gaze-render, and the shots of a movie without a shot file, found
// by gaze-shots. Both programs lie beside the player and run in the background;
// the window goes on meanwhile. One of them runs at a time.
class PlayerExports : public QObject
{
public:
    // Everything given must outlive this object: the window owning the dialogs,
    // the settings, the open movie's shots and the menu item that finds them.
    PlayerExports(QWidget& owner, const AppCtrl& app, ShotLine& shots, QAction* findShotsItem);
    ~PlayerExports() override;

    // Renders the open movie with the loaded results, as the player now shows
    // them, into a video the user names.
    void exportVideo();
    // Finds the shots of the open movie. When they are in and the shot list is
    // still the single shot of a missing file, they are loaded.
    void findShots();
    // Called when a movie was opened: finding shots is offered only for a movie without a shot file.
    void movieOpened();
    bool busy() const { return process_ != nullptr; }

    // The file the video goes to, suggested name given; empty to cancel. A save dialog unless replaced.
    std::function<QString(const QString& suggested)> chooseOutput;
    // Tells the user how a run ended. A message box that does not wait, unless replaced.
    std::function<void(const QString& text)> tell;

    // gaze-render's arguments for the movie, the results and the switches of app.
    static QStringList renderArguments(const AppCtrl& app, const QString& output);
    // A tool in the player's own folder.
    static QString toolPath(const AppCtrl& app, const QString& name);

private:
    void run(const QString& tool, const QStringList& arguments, std::function<void(bool ok)> done);

    QWidget& owner_;
    const AppCtrl& app_;
    ShotLine& shots_;
    QAction* findShotsItem_;
    std::unique_ptr<QProcess> process_;
};

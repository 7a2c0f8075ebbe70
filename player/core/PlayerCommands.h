#pragma once

#include <QObject>

#include <cstdint>

class AppCtrl;
class CommandTarget;
class RecorderLink;
class PlaybackClock;
class ShotLine;
class TimeLineManager;

// Runs the player's commands (PlayerCommand numbers) from the menus, the keys
// and the start-up sequence: navigation, speed, shots, analysis switches and
// their settings, results, the camera recording, a new examination. What
// belongs to the window goes to its CommandTarget. Lives on the GUI thread.
class PlayerCommands : public QObject
{
public:
    // Everything given must outlive the runner.
    PlayerCommands(CommandTarget& target, AppCtrl& app, TimeLineManager& results, ShotLine& shots,
                   PlaybackClock& clock, RecorderLink& link);

    void command(int id);

    // How long the extension program gets to show its window after its start.
    void setExtensionStartWait(int waitMs) { extensionStartWaitMs_ = waitMs; }

private:
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
    int position() const;

    CommandTarget& target_;
    AppCtrl& app_;
    TimeLineManager& results_;
    ShotLine& shots_;
    PlaybackClock& clock_;
    RecorderLink& link_;
    int extensionStartWaitMs_ = 1000;
};

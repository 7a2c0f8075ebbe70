#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

class AppCtrl;
class ClockView;
class RecorderLink;
class ShotLine;

// The playback clock: while a movie is open it ticks every 64 ms and makes
// everything follow the movie time: the delayed start of an examination, the
// end of the play window, the reports to the recorder, the shot loop, the
// overlay, the slider, the title and the counter. Lives on the GUI thread.
class PlaybackClock : public QObject
{
public:
    // Milliseconds since some fixed moment, never going back.
    using TickCount = std::function<std::int64_t()>;

    static constexpr int kIntervalMs = 64;
    // The slider stays where the user left it for this long.
    static constexpr int kSliderHoldMs = 6000;

    // Everything given must outlive the clock.
    PlaybackClock(ClockView& view, const AppCtrl& app, const ShotLine& shots, const RecorderLink& link);

    // For tests: another period, another clock.
    void setInterval(int intervalMs);
    int intervalMs() const { return timer_.interval(); }
    void setTickCount(TickCount tickCount);
    std::int64_t tickCount() const;

    // Starts ticking; the first tick always acts.
    void start(std::int64_t totalTimeMs);
    void stop();
    bool isActive() const { return timer_.isActive(); }
    std::int64_t totalTimeMs() const { return totalTimeMs_; }

    // The movie starts on the first tick after delayMs from now.
    void delayStart(int delayMs);
    bool startPending() const { return startDeadline_ != 0; }
    // The user moved the slider now.
    void sliderUsed();
    // After a jump between shots the shot loop starts afresh.
    void forgetShot() { currentShot_ = -1; }
    // When the position leaves the current shot, it goes back to its start.
    void setLoopCurrentShot(bool loop) { loopCurrentShot_ = loop; }
    bool loopCurrentShot() const { return loopCurrentShot_; }

    // One tick.
    void TimerProc();

private:
    ClockView& view_;
    const AppCtrl& app_;
    const ShotLine& shots_;
    const RecorderLink& link_;
    QTimer timer_;
    TickCount tickCount_;
    std::int64_t lastPositionMs_ = -1;
    std::int64_t startDeadline_ = 0;
    std::int64_t totalTimeMs_ = 0;
    std::int64_t lastSliderUse_ = 0;
    bool sliderEverUsed_ = false;
    bool loopCurrentShot_ = false;
    int currentShot_ = -1;
};

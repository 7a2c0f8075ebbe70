#include "player/PlaybackClock.h"

#include "common/LinkCodes.h"
#include "player/AppCtrl.h"
#include "player/PlayerWindow.h"
#include "player/data/ShotLine.h"
#include "player/media/DsCtrl.h"

#include <chrono>
#include <utility>

namespace {

std::int64_t millisecondsSinceBoot()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

PlaybackClock::PlaybackClock(PlayerWindow& window) : window_(window), tickCount_(&millisecondsSinceBoot)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &PlaybackClock::TimerProc);
}

void PlaybackClock::setInterval(int intervalMs)
{
    timer_.setInterval(intervalMs);
}

void PlaybackClock::setTickCount(TickCount tickCount)
{
    tickCount_ = std::move(tickCount);
}

std::int64_t PlaybackClock::tickCount() const
{
    return tickCount_();
}

void PlaybackClock::start(std::int64_t totalTimeMs)
{
    totalTimeMs_ = totalTimeMs;
    lastPositionMs_ = -1;
    currentShot_ = -1;
    timer_.start();
}

void PlaybackClock::stop()
{
    timer_.stop();
    startDeadline_ = 0;
}

void PlaybackClock::delayStart(int delayMs)
{
    // 0 means "nothing pending", so a deadline never takes that value.
    startDeadline_ = std::max<std::int64_t>(1, tickCount() + delayMs);
}

void PlaybackClock::sliderUsed()
{
    lastSliderUse_ = tickCount();
    sliderEverUsed_ = true;
}

void PlaybackClock::TimerProc()
{
    AppCtrl& app = window_.app();
    if (startDeadline_ != 0 && tickCount() > startDeadline_) {
        startDeadline_ = 0;
        DsCtrl::RunGraph();
        window_.clearOverlay();
    }

    const auto position = static_cast<int>(DsCtrl::GetCurrentPositionMilis());
    if (position == lastPositionMs_)
        return;

    if (app.endTimeMs != -1 && position > app.endTimeMs) {
        // One report: the clock ends with the play window.
        timer_.stop();
        DsCtrl::StopGraph();
        window_.finishExamination(position);
        return;
    }

    const ShotLine& shots = window_.shots();
    const int shotNumber = shots.currentShot(position).number;
    const int remembered = currentShot_;
    currentShot_ = shotNumber;
    if (window_.loopCurrentShot() && remembered != -1 && shotNumber != remembered) {
        const Shot again = shots.previousShot(position);
        DsCtrl::SetCurrentPositionMilis(again.time);
        // The shot played again is the one looped from now on; remembering the
        // shot just left would send the next tick one more shot back.
        currentShot_ = again.number;
    }

    if (app.mode == AppCtrl::Mode::Play)
        window_.postToServer(static_cast<int>(LinkCode::synchronisation), position);

    window_.drawOverlay(position);

    if ((!sliderEverUsed_ || tickCount() - lastSliderUse_ > kSliderHoldMs) && totalTimeMs_ > 0)
        window_.setSliderPosition(static_cast<int>(position * std::int64_t{1000} / totalTimeMs_));

    // The viewer's recording starts where the movie passes the recording offset.
    if (lastPositionMs_ + app.recordingOffset < 0 && position + app.recordingOffset >= 0)
        window_.postToExtension(2, position);

    lastPositionMs_ = position;
    window_.UpdateTitle(position, shotNumber);
}

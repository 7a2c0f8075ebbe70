#include "player/core/PlaybackClock.h"

#include "common/LinkCodes.h"
#include "player/core/AppCtrl.h"
#include "player/core/ClockView.h"
#include "player/core/RecorderLink.h"
#include "player/data/ShotLine.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

std::int64_t millisecondsSinceBoot()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

PlaybackClock::PlaybackClock(ClockView& view, const AppCtrl& app, const ShotLine& shots,
                             const RecorderLink& link)
    : view_(view), app_(app), shots_(shots), link_(link), tickCount_(&millisecondsSinceBoot)
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
    if (startDeadline_ != 0 && tickCount() > startDeadline_) {
        startDeadline_ = 0;
        view_.startMovie();
    }

    const int position = view_.moviePositionMs();
    if (position == lastPositionMs_)
        return;

    if (app_.endTimeMs != -1 && position > app_.endTimeMs) {
        // One report: the clock ends with the play window.
        timer_.stop();
        view_.finishExamination(position);
        return;
    }

    const int shotNumber = shots_.currentShot(position).number;
    const int remembered = currentShot_;
    currentShot_ = shotNumber;
    if (loopCurrentShot_ && remembered != -1 && shotNumber != remembered) {
        const Shot again = shots_.previousShot(position);
        view_.seekMovie(again.time);
        // The shot played again is the one looped from now on; remembering the
        // shot just left would send the next tick one more shot back.
        currentShot_ = again.number;
    }

    if (app_.mode == AppCtrl::Mode::Play)
        link_.postToServer(LinkCode::synchronisation, position);

    view_.drawOverlay(position);

    if ((!sliderEverUsed_ || tickCount() - lastSliderUse_ > kSliderHoldMs) && totalTimeMs_ > 0)
        view_.setSliderPosition(static_cast<int>(position * std::int64_t{1000} / totalTimeMs_));

    // The viewer's recording starts where the movie passes the recording offset.
    if (lastPositionMs_ + app_.recordingOffset < 0 && position + app_.recordingOffset >= 0)
        link_.postToExtension(LinkCode::resumed, position);

    lastPositionMs_ = position;
    view_.UpdateTitle(position, shotNumber);
}

#include "recorder/core/TrackerLink.h"

#include "common/Logger.h"
#include "recorder/core/RecorderTexts.h"
#include "recorder/trackers/EyeTrackerController.h"
#include "recorder/trackers/OperatorPrompt.h"
#include "recorder/trackers/PupilController.h"

using RecorderTexts::windowText;

TrackerLink::TrackerLink(OperatorPrompt& prompt, Factory factory, QObject* parent)
    : QObject(parent), prompt_(prompt), factory_(std::move(factory))
{
}

TrackerLink::~TrackerLink()
{
    make(-1);
}

void TrackerLink::use(EyeTrackerController* tracker)
{
    if (ownTracker_ && ownTracker_ != tracker) {
        setTracker(nullptr);
        delete std::exchange(ownTracker_, nullptr);
    }
    setTracker(tracker);
}

bool TrackerLink::make(int trackerIndex)
{
    use(nullptr);
    if (trackerIndex >= 0 && factory_)
        ownTracker_ = factory_(trackerIndex, prompt_, this);
    setTracker(ownTracker_);
    return ownTracker_ != nullptr;
}

void TrackerLink::setTracker(EyeTrackerController* tracker)
{
    if (tracker_ == tracker)
        return;
    if (tracker_)
        disconnect(tracker_, nullptr, this, nullptr);
    tracker_ = tracker;
    if (tracker_) {
        connect(tracker_, &EyeTrackerController::connectionStateChanged, this,
                &TrackerLink::connectionStateChanged);
        connect(tracker_, &EyeTrackerController::trackerConnectionChanged, this,
                &TrackerLink::trackerStateChanged);
        connect(tracker_, &EyeTrackerController::calibrationChanged, this, &TrackerLink::calibrationChanged);
        connect(tracker_, &EyeTrackerController::screenChanged, this, &TrackerLink::screenChanged);
        connect(tracker_, &EyeTrackerController::frameRateReported, this, &TrackerLink::frameRateReported);
    }
    Q_EMIT trackerChanged(tracker_);
}

void TrackerLink::announce()
{
    if (tracker_ && tracker_->isInstalled()) {
        LOG("tracker installed - emit initial signals");
        tracker_->emitInitialSignals();
        return;
    }
    LOG("tracker not installed - don't emit initial signals");
    prompt_.warning(windowText(QT_TRANSLATE_NOOP("Gazelog", "Error")),
                    windowText(QT_TRANSLATE_NOOP(
                        "Gazelog", "EyeTribe SDK not found. Performing an examination will not be "
                                   "possible.\nTo perform test install EyeTribe SDK.")));
}

void TrackerLink::runCalibration()
{
    if (tracker_)
        tracker_->runCalibration();
}

void TrackerLink::connectToServer(bool restartServer)
{
    if (tracker_)
        tracker_->connectToServer(restartServer);
}

void TrackerLink::setFrameRate(int framesPerSecond)
{
    if (tracker_)
        tracker_->setFps(framesPerSecond);
}

int TrackerLink::frameRate() const
{
    return tracker_ ? tracker_->frameRate() : 0;
}

void TrackerLink::setScreen(int screenIndex)
{
    if (tracker_)
        tracker_->setScreen(screenIndex);
}

void TrackerLink::applyPupilSettings(const PupilSettings& settings)
{
    if (auto* pupil = qobject_cast<PupilController*>(tracker_.data()))
        pupil->applySettings(settings);
}

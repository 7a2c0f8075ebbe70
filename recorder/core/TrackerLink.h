#pragma once

#include "recorder/trackers/EyeTrackerController.h"

#include <QObject>
#include <QPointer>
#include <functional>

class OperatorPrompt;
struct PupilSettings;

// The tracker the examinations use, made when the operator picks one and ended
// when another is picked. Its states go up as signals, whichever tracker it is;
// the operator's settings and requests go down through the calls. Nothing above
// the recorder's core holds the tracker itself.
class TrackerLink : public QObject
{
    Q_OBJECT

public:
    // Makes the controller of a tracker index; may answer null when that tracker is not built in.
    using Factory =
        std::function<EyeTrackerController*(int trackerIndex, OperatorPrompt& prompt, QObject* parent)>;

    // The prompt must outlive the link.
    TrackerLink(OperatorPrompt& prompt, Factory factory, QObject* parent = nullptr);
    ~TrackerLink() override;

    // The tracker now; null: none.
    EyeTrackerController* tracker() const { return tracker_; }
    // Uses a tracker owned elsewhere (null: none) and ends the one made here.
    void use(EyeTrackerController* tracker);
    // Ends the tracker made last and makes, owns and uses the one of that index (negative: none).
    // False when there is none afterwards.
    bool make(int trackerIndex);
    // Has the tracker send its first signals, or tells the operator that its software is missing.
    void announce();

    void runCalibration();
    // Makes sure the tracker's server runs, restarting it when asked, and connects to it.
    void connectToServer(bool restartServer);
    // The frame rate the tracker's server is started with from now on.
    void setFrameRate(int framesPerSecond);
    // The frame rate the server is (or will be) started with; 0 when there is no tracker.
    int frameRate() const;
    void setScreen(int screenIndex);
    // Applies to a Pupil Core tracker only.
    void applyPupilSettings(const PupilSettings& settings);

Q_SIGNALS:
    // Another tracker is used from now on (null: none).
    void trackerChanged(EyeTrackerController* tracker);
    void connectionStateChanged(bool connected);
    void trackerStateChanged(int trackerState);
    void calibrationChanged(bool calibrated, int calibrationQuality);
    void screenChanged(int screenIndex);
    // The running server said at which rate it samples.
    void frameRateReported(int framesPerSecond);

private:
    void setTracker(EyeTrackerController* tracker);

    OperatorPrompt& prompt_;
    Factory factory_;
    QPointer<EyeTrackerController> tracker_;
    EyeTrackerController* ownTracker_ = nullptr;
};

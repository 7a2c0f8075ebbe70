#pragma once

#include "recorder/trackers/EyeTrackerController.h"

// A tracker with no device: tests feed samples through deliver().
class FakeTrackerController : public EyeTrackerController
{
public:
    using EyeTrackerController::EyeTrackerController;

    void emitInitialSignals() override {}
    bool isReadyForExamination() override { return ready; }
    bool isInstalled() override { return true; }
    void setScreen(int index) override { screenIndex = index; }
    void setFps(int value) override { fps = value; }
    int rate() const { return fps; }
    // A restart of the server begins here.
    void disconnectFromServer() override
    {
        if (onDisconnect)
            onDisconnect();
    }
    QStringList serverArguments() override { return {}; }
    void tryConnectToServer() override {}
    std::optional<TrackerScreen> trackerScreen() const override { return screen; }
    void runCalibration() override {}
    void afterCalibration() override {}

    // As a tracker thread does: under the controller's mutex.
    bool deliver(GazePoint point, bool stamp = true)
    {
        QMutexLocker lock(&mutex());
        return addNewGazePointPosition(point, stamp, true);
    }

    bool ready = true;
    std::function<void()> onDisconnect;
    std::optional<TrackerScreen> screen;
};

#pragma once

#include "recorder/trackers/EyeTrackerController.h"

#include <utility>
#include <vector>

// What a controller reported, collected on the test's thread whichever thread
// emitted it (the tracker client's listeners run on its own thread).
struct ControllerSignals
{
    explicit ControllerSignals(EyeTrackerController* controller)
    {
        QObject::connect(controller, &EyeTrackerController::connectionStateChanged, &context,
                         [this](bool connected) { connections.push_back(connected); });
        QObject::connect(controller, &EyeTrackerController::trackerConnectionChanged, &context,
                         [this](int state) { trackerStates.push_back(state); });
        QObject::connect(
            controller, &EyeTrackerController::calibrationChanged, &context,
            [this](bool calibrated, int quality) { calibrations.emplace_back(calibrated, quality); });
        QObject::connect(controller, &EyeTrackerController::requestAfterCalibrationSteps, &context,
                         [this] { ++afterCalibrationRequests; });
    }

    bool connected() const { return !connections.empty() && connections.back(); }
    bool calibrated() const { return !calibrations.empty() && calibrations.back().first; }

    QObject context;
    std::vector<bool> connections;
    std::vector<int> trackerStates;
    std::vector<std::pair<bool, int>> calibrations;
    int afterCalibrationRequests = 0;
};

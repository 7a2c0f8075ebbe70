#pragma once

#include "sim/pupil/PupilCaptureStandIn.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// Starts Pupil Capture's stand-in on a port of its own into `standIn`; a
// calibration on it ends after 50 ms, succeeding as `succeeds` says.
inline ::testing::AssertionResult
startCalibratingPupilStandIn(std::unique_ptr<sim::PupilCaptureStandIn>& standIn, bool succeeds)
{
    sim::PupilOptions options;
    options.remotePort = 0;
    options.calibrationSucceeds = succeeds;
    options.calibrationMs = 50;
    standIn = std::make_unique<sim::PupilCaptureStandIn>(options);
    std::string error;
    if (!standIn->start(error))
        return ::testing::AssertionFailure() << error;
    return ::testing::AssertionSuccess();
}

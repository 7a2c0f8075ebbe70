#include "recorder/core/RecorderTexts.h"

#include <gtest/gtest.h>

TEST(RecorderTexts, StatusAndCalibrationTextsCoverEveryNumber)
{
    EXPECT_EQ(RecorderTexts::trackerStatus(0), "EyeTribe connected");
    EXPECT_EQ(RecorderTexts::trackerStatus(9), "EyeX error - server version to high");
    EXPECT_EQ(RecorderTexts::trackerStatus(10), "Unknown status");
    EXPECT_EQ(RecorderTexts::trackerStatus(-1), "Unknown status");
    EXPECT_EQ(RecorderTexts::calibrationQuality(1), "1/5 - recalibration required");
    EXPECT_EQ(RecorderTexts::calibrationQuality(6), "EyeX - no information about calibration");
    EXPECT_EQ(RecorderTexts::calibrationQuality(7), "Unknown calibration quality");
}

TEST(RecorderTexts, KeypointsListSplitsTheTimeIntoHoursMinutesSeconds)
{
    GazePoint a;
    a.time = 3723004;
    a.avg = {960.5f, 1234567.0f};
    GazePoint b;
    b.time = 59999;
    EXPECT_EQ(RecorderTexts::keypointsList({a, b}),
              "0: 3723004 time: 1.2.3 gaze point pos:(960.5, 1.23457e+06)\n1: 59999 time: 0.0.59 gaze point "
              "pos:(0, 0)\n");
    EXPECT_EQ(RecorderTexts::keypointsList({}), "");
}

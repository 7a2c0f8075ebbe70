#include "player/data/TimeLine.h"
#include "recorder/trackers/ResultsFile.h"

#include "ResultsText.h"
#include "TestEnvironment.h"
#include "mocks/GazeSamples.h"

#include <gtest/gtest.h>

using gaze_samples::sample;
using testing_support::TempDir;

// The recorder's screen line sits among the header comments, which the reader skips.
TEST(RecorderRoundTrip, ResultsFileLoadsBackWithEveryValue)
{
    const QRect workArea(0, 0, 1920, 1080);
    const std::vector<GazePoint> points = {
        sample(1017, 1, 960, 540, 3.625f, 3.625f),  // tracked
        sample(1034, 0, 960, 540, 3.625f, 3.625f),  // lost: written as -1
        sample(1051, 4, 480, 270, 3.5f, 3.5f),      // blink of a present viewer
        sample(1068, 1, 1919, 1079, 0.0f, 0.0f, 1), // right edge, EyeX without pupil, keypoint
        sample(1085, 5, 2880, -108, 7.0f, 7.0f),    // second screen, above the top
    };
    const QStringList header = {QStringLiteral("Examination date: 2016_07_11_18_12_25"),
                                QStringLiteral("Movie path: /films/trailer.avi"),
                                QStringLiteral("Screen: 1920x1080 px, 531x299 mm, viewing distance 650 mm"),
                                QStringLiteral("Output path: /results/P01_2016_07_11_18_12_25.csv"),
                                QStringLiteral("Examination id: P01")};
    TempDir dir;
    const auto file = dir / "results" / "P01_2016_07_11_18_12_25.csv";
    ASSERT_TRUE(ResultsFile::save(file, header, workArea, points));

    TimeLine timeLine;
    ASSERT_EQ(timeLine.load(file), 0);
    EXPECT_EQ(timeLine.movieName(), "trailer.avi");
    const std::vector<TimeLineItem> expected = {
        results_text::item(1017, 500000, 500000, 1, 36250, 0),
        results_text::item(1034, -1, -1, -1, 0, 0),
        results_text::item(1051, 250000, 250000, 0, 35000, 0),
        results_text::item(1068, 999479, 999074, 1, 0, 1),
        results_text::item(1085, 1500000, -100000, 1, 70000, 0),
    };
    EXPECT_EQ(timeLine.items(), expected);
}

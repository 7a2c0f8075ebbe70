#include "player/data/TimeLine.h"
#include "recorder/trackers/ResultsFile.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using testing_support::TempDir;

namespace {

GazePoint sample(int time, int state, float x, float y, float pupilMm, int interestingPoint = 0)
{
    GazePoint point;
    point.time = time;
    point.state = state;
    point.avg = {x, y};
    point.lefteye.psize = pupilMm;
    point.righteye.psize = pupilMm;
    point.interestingPointValue = interestingPoint;
    return point;
}

TimeLineItem item(int time, int x, int y, int blink, int pupil, int interestingPoint)
{
    TimeLineItem i;
    i.time = time;
    i.x = x;
    i.y = y;
    i.blink = blink;
    i.pupil = pupil;
    i.interestingPoint = interestingPoint;
    return i;
}

} // namespace

// The recorder's screen line sits among the header comments, which the reader skips.
TEST(RecorderRoundTrip, ResultsFileLoadsBackWithEveryValue)
{
    const QRect workArea(0, 0, 1920, 1080);
    const std::vector<GazePoint> points = {
        sample(1017, 1, 960, 540, 3.625f),    // tracked
        sample(1034, 0, 960, 540, 3.625f),    // lost: written as -1
        sample(1051, 4, 480, 270, 3.5f),      // blink of a present viewer
        sample(1068, 1, 1919, 1079, 0.0f, 1), // right edge, EyeX without pupil, keypoint
        sample(1085, 5, 2880, -108, 7.0f),    // second screen, above the top
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
        item(1017, 500000, 500000, 1, 36250, 0),   item(1034, -1, -1, -1, 0, 0),
        item(1051, 250000, 250000, 0, 35000, 0),   item(1068, 999479, 999074, 1, 0, 1),
        item(1085, 1500000, -100000, 1, 70000, 0),
    };
    EXPECT_EQ(timeLine.items(), expected);
}

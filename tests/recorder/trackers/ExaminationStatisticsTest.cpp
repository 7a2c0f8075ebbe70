#include "recorder/trackers/ExaminationStatistics.h"

#include <gtest/gtest.h>

namespace {

std::vector<GazePoint> recording(std::initializer_list<std::pair<int, bool>> samples)
{
    std::vector<GazePoint> points;
    for (const auto& [time, valid] : samples) {
        GazePoint p;
        p.time = time;
        p.state = valid ? 1 : 0;
        points.push_back(p);
    }
    return points;
}

} // namespace

TEST(ExaminationStatistics, MessagesForTheTypicalRecordings)
{
    struct Case
    {
        const char* name;
        std::vector<GazePoint> points;
        bool finishedWithError;
        const char* expected;
    };
    const Case cases[] = {
        {"one sample", recording({{500, true}}), false,
         "Examination was finished in conventional way.\nInvalid samples percentage 0\nReal FPS: inf\n"
         "Longest gap between samples: 0 ms\nLongest gap between valid samples 0 ms\nSave examination "
         "results?"},
        {"all invalid", recording({{100, false}, {150, false}, {400, false}}), false,
         "Examination was finished in conventional way.\nInvalid samples percentage 100\nReal FPS: 10\n"
         "Longest gap between samples: 250 ms\nLongest gap between valid samples 300 ms\nSave examination "
         "results?"},
        {"none invalid", recording({{0, true}, {16, true}, {33, true}}), false,
         "Examination was finished in conventional way.\nInvalid samples percentage 0\nReal FPS: 90.9091\n"
         "Longest gap between samples: 17 ms\nLongest gap between valid samples 0 ms\nSave examination "
         "results?"},
        {"gaps and error",
         recording({{0, true}, {10, false}, {20, false}, {30, true}, {40, false}, {100, false}}), true,
         "Examination wasn't finished in conventional way.\nInvalid samples percentage 66.6667\nReal FPS: "
         "60\n"
         "Longest gap between samples: 60 ms\nLongest gap between valid samples 70 ms\nSave examination "
         "results?"},
    };
    for (const Case& c : cases) {
        const auto stats = computeExaminationStatistics(c.points);
        EXPECT_EQ(examinationStatisticsMessage(stats, c.finishedWithError).toStdString(), c.expected)
            << c.name;
    }
}

TEST(ExaminationStatistics, BlinkSamplesCountAsValid)
{
    auto points = recording({{0, true}, {10, true}, {20, true}});
    points[1].state = GazePoint::StateBlink;
    const auto stats = computeExaminationStatistics(points);
    EXPECT_EQ(stats.invalidPercent, 0);
    EXPECT_EQ(stats.longestValidGapMs, 0);
}

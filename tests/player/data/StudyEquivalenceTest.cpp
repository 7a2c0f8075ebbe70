#include "ReferenceResults.h"
#include "StudyGenerator.h"
#include "TestEnvironment.h"
#include "player/data/TimeLineManager.h"

#include <gtest/gtest.h>

#include <random>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

struct Settings
{
    int eventsNum;
    int filterRadius;
    int actionRadius;
};

} // namespace

TEST(StudyEquivalence, SamplesLookupsAndStatisticsMatchThePlainComputation)
{
    // Given studies of several viewers, with windows summed on request and kept
    for (const Settings settings : {Settings{8, 20000, 500}, Settings{1, 5000, 0}, Settings{50, 60000, 1200},
                                    Settings{0, 20000, 500}}) {
        SCOPED_TRACE(settings.eventsNum);
        TempDir dir;
        std::vector<std::filesystem::path> paths;
        std::vector<std::vector<TimeLineItem>> expected;
        for (unsigned v = 0; v < 6; ++v) {
            const std::string text = study::recording(v + 1, 1500 + 300 * static_cast<int>(v));
            paths.push_back(dir / ("viewer" + std::to_string(v) + ".csv"));
            writeFile(paths.back(), text);
            expected.push_back(reference::read(text));
            reference::derive(expected.back(), settings.eventsNum, settings.filterRadius,
                              settings.actionRadius);
        }

        // When they are loaded on several threads
        TimeLineManager results;
        std::vector<size_t> progress;
        const auto statuses = results.addAll(
            paths, settings.eventsNum, settings.filterRadius, settings.actionRadius,
            [&](size_t done, size_t total) {
                EXPECT_EQ(total, paths.size());
                progress.push_back(done);
            },
            3);
        results.calculateStats();

        // Then every sample, lookup and statistic is the plain computation's
        EXPECT_EQ(statuses, std::vector<int>(paths.size(), 0));
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back(), paths.size());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        ASSERT_EQ(results.timeLines().size(), expected.size());
        for (size_t f = 0; f < expected.size(); ++f) {
            EXPECT_EQ(results.timeLines()[f].items(), expected[f]) << paths[f];
            EXPECT_EQ(results.paths()[f], paths[f]);
        }
        // Playback forwards, a seek backwards and a jump ahead, through the overlay pass.
        std::vector<int> times;
        for (int t = -100; t < 40000; t += 64)
            times.push_back(t);
        times.insert(times.end(), {5000, 3, 30000, 29999, 100000});
        for (const int t : times) {
            results.rewind();
            for (size_t f = 0; f < expected.size(); ++f)
                ASSERT_EQ(results.getNextItem(t), reference::itemAt(expected[f], t))
                    << "file " << f << " at " << t;
        }
        const reference::Statistics statistics = reference::statistics(expected);
        EXPECT_EQ(results.pupilSeries(), statistics.series);
        EXPECT_EQ(results.pupilStepCount(), statistics.series.size());
        EXPECT_EQ(results.minDiameter(), statistics.minDiameter);
        EXPECT_EQ(results.maxDiameter(), statistics.maxDiameter);
        EXPECT_EQ(results.maxDiameterTime(), statistics.maxDiameterTime);
        EXPECT_EQ(results.smallestDeviation(), statistics.smallestDeviation);
        EXPECT_EQ(results.largestDeviation(), statistics.largestDeviation);
        for (const int t : times) {
            const auto step = std::lower_bound(statistics.series.begin(), statistics.series.end(), t,
                                               [](const PupilStep& s, int time) { return s.time < time; });
            const PupilStep wanted = step == statistics.series.end() ? statistics.series.back() : *step;
            ASSERT_EQ(results.pupilStepAt(t), wanted) << t;
        }
    }
}

TEST(StudyEquivalence, FilesWhoseTimesDoNotAscendGiveThePlainStatistics)
{
    // Given a file whose times go back now and then, beside an ordinary one
    TempDir dir;
    std::mt19937 random(5);
    std::string shuffled =
        "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm\n";
    for (int i = 0; i < 400; ++i)
        shuffled += std::to_string(static_cast<int>(random() % 9000)) + ";500000;500000;1;" +
                    std::to_string(20000 + static_cast<int>(random() % 5000)) + "\n";
    const std::string ordinary = study::recording(9, 500);
    writeFile(dir / "a.csv", shuffled);
    writeFile(dir / "b.csv", ordinary);
    std::vector<std::vector<TimeLineItem>> expected = {reference::read(shuffled), reference::read(ordinary)};
    for (auto& items : expected)
        reference::derive(items, 8, 20000, 500);

    // When they are loaded and counted
    TimeLineManager results;
    results.addAll({dir / "a.csv", dir / "b.csv"}, 8, 20000, 500);
    results.calculateStats();

    // Then the series and the lookups are the plain computation's
    EXPECT_EQ(results.pupilSeries(), reference::statistics(expected).series);
    for (int t = 0; t < 10000; t += 7) {
        size_t hint = 0;
        ASSERT_EQ(results.timeLines()[0].itemAt(t, hint), reference::itemAt(expected[0], t)) << t;
    }
}

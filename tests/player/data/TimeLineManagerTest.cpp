#include "player/data/TimeLineManager.h"

#include "ResultsText.h"
#include "TestEnvironment.h"
#include "common/Logger.h"

#include <gtest/gtest.h>

#include <cmath>

using results_text::Row;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

class TimeLineManagerTest : public ::testing::Test
{
protected:
    std::filesystem::path write(const std::string& name, const std::vector<Row>& rows)
    {
        const auto path = dir / name;
        writeFile(path, results_text::fileOf(rows));
        return path;
    }

    int add(const std::filesystem::path& path) { return results.add(path, 8, 20000, 500); }

    std::vector<TimeLineItem> overlayPass(int t)
    {
        std::vector<TimeLineItem> items;
        results.rewind();
        while (results.anyMore())
            items.push_back(results.getNextItem(t));
        return items;
    }

    TempDir dir;
    TimeLineManager results;
};

} // namespace

TEST_F(TimeLineManagerTest, LeavesOutFilesThatFailToLoad)
{
    const auto good = write("good.csv", results_text::steadyRows(1000, 16, 30000));
    writeFile(dir / "bad.csv", "no header here\n");
    const auto log = dir / "Gazeview.log";
    ASSERT_FALSE(Logger::open(playerLogStyle(), log));

    EXPECT_EQ(add(good), 0);
    EXPECT_EQ(add(dir / "bad.csv"), 20);
    EXPECT_EQ(add(dir / "missing.csv"), 1);
    Logger::instance().close();

    EXPECT_EQ(results.paths(), std::vector<std::filesystem::path>{good});
    ASSERT_EQ(results.timeLines().size(), 1u);
    // Derived values are in place after add.
    EXPECT_EQ(results.timeLines()[0].items()[20].stillCount, 20);
    const std::string text = readFile(log);
    EXPECT_NE(text.find("TimeLine::load(\"" + (dir / "bad.csv").string() + "\") failed: 20"),
              std::string::npos);
    EXPECT_NE(text.find("TimeLineManager::add() / "), std::string::npos);
}

TEST_F(TimeLineManagerTest, AnswersEmptyWhenNothingIsLoaded)
{
    EXPECT_FALSE(results.anyMore());
    EXPECT_EQ(results.getNextItem(100), TimeLineItem{});
    EXPECT_EQ(results.GetFirstPreviousActionTime(100), -1);
    EXPECT_EQ(results.GetFirstNextActionTime(100), -1);
    EXPECT_EQ(results.pupilStepAt(100), PupilStep{});
    EXPECT_EQ(results.countWithInterestingPoint(-1, 0), 0);
    results.calculateStats();
    EXPECT_TRUE(results.pupilSeries().empty());
}

TEST_F(TimeLineManagerTest, KeepsAShortRecordingsLastSampleInPlay)
{
    // Viewer 1 watched 10 s with pupil 20000, viewer 2 60 s with 40000.
    ASSERT_EQ(add(write("short.csv", results_text::steadyRows(10000, 16, 20000))), 0);
    ASSERT_EQ(add(write("long.csv", results_text::steadyRows(60000, 16, 40000))), 0);

    const auto items = overlayPass(30000);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].time, 10000);
    EXPECT_EQ(items[1].time, 30000);

    results.calculateStats();
    EXPECT_EQ(results.pupilSeries().size(), 60000u / 32 + 1);
    EXPECT_EQ(results.pupilStepAt(45000), (PupilStep{45024, 30000, 10000}));
    EXPECT_EQ(results.pupilStepAt(-5), (PupilStep{0, 30000, 10000}));
    EXPECT_EQ(results.pupilStepAt(99999).time, 60000);
    EXPECT_EQ(results.minDiameter(), 30000);
    EXPECT_EQ(results.maxDiameter(), 30000);
    EXPECT_EQ(results.maxDiameterTime(), 0);
    // All deviations equal: the largest is reported one above.
    EXPECT_EQ(results.smallestDeviation(), 10000);
    EXPECT_EQ(results.largestDeviation(), 10001);
}

TEST_F(TimeLineManagerTest, ComputesPupilMeansAndDeviationsPerStep)
{
    std::vector<Row> a = {{0, 1, 1, 1, 100, 0}, {64, 1, 1, 1, 0, 0}, {96, 1, 1, 1, 500, 0}};
    std::vector<Row> b = {{0, 1, 1, 1, 301, 0}, {64, 1, 1, 1, 0, 0}, {96, 1, 1, 1, 700, 0}};
    ASSERT_EQ(add(write("a.csv", a)), 0);
    ASSERT_EQ(add(write("b.csv", b)), 0);
    results.calculateStats();
    // Step 32 takes the samples at 64 (no pupil); the mean is truncated.
    const std::vector<PupilStep> expected = {{0, 200, 100}, {96, 600, 100}};
    EXPECT_EQ(results.pupilSeries(), expected);
    EXPECT_EQ(results.minDiameter(), 200);
    EXPECT_EQ(results.maxDiameter(), 600);
    EXPECT_EQ(results.maxDiameterTime(), 96);
    EXPECT_EQ(results.pupilStepAt(40), expected[1]);

    // One viewer: no spread at all, reported as 0 to 1.
    results.clear();
    ASSERT_EQ(add(write("one.csv", a)), 0);
    results.calculateStats();
    EXPECT_EQ(results.pupilSeries(), (std::vector<PupilStep>{{0, 100, 0}, {96, 500, 0}}));
    EXPECT_EQ(results.smallestDeviation(), 0);
    EXPECT_EQ(results.largestDeviation(), 1);

    // No pupil values (an EyeX recording): empty series, untouched range.
    results.clear();
    ASSERT_EQ(add(write("eyex.csv", results_text::steadyRows(1000, 16, 0))), 0);
    results.calculateStats();
    EXPECT_TRUE(results.pupilSeries().empty());
    EXPECT_EQ(results.minDiameter(), 1000000);
    EXPECT_EQ(results.maxDiameter(), -1);
}

TEST_F(TimeLineManagerTest, NavigatesAndCountsInterestingPoints)
{
    auto first = results_text::steadyRows(20000, 100, 30000);
    auto second = first;
    auto third = first;
    first[30].interestingPoint = 1;  // 3 s
    second[60].interestingPoint = 1; // 6 s
    second[150].interestingPoint = 1;
    third[55].interestingPoint = 1;
    ASSERT_EQ(add(write("1.csv", first)), 0);
    ASSERT_EQ(add(write("2.csv", second)), 0);
    ASSERT_EQ(add(write("3.csv", third)), 0);

    EXPECT_EQ(results.GetFirstNextActionTime(0), 3000);
    EXPECT_EQ(results.GetFirstNextActionTime(4000), -1);
    EXPECT_EQ(results.GetFirstPreviousActionTime(10000), 3000);

    EXPECT_EQ(results.countWithInterestingPoint(-1, 5000), 2);
    EXPECT_EQ(results.countWithInterestingPoint(6000, 5000), 1);
    EXPECT_EQ(results.countWithInterestingPoint(-1, 0), 3);
    EXPECT_EQ(results.countWithInterestingPoint(3000, 0), 0);
    EXPECT_EQ(results.countWithInterestingPoint(-1, 20001), 0);

    // Action marks follow the radius given to add.
    EXPECT_EQ(results.timeLines()[0].items()[26].nearAction, 1);
    EXPECT_EQ(results.timeLines()[0].items()[25].nearAction, 0);
}

TEST_F(TimeLineManagerTest, StatisticsTakeTheItemEachFileGivesAtTheStep)
{
    // The second file's times go back once; each step still uses the item lookup of the file.
    std::vector<Row> ordered;
    for (int t = 0; t <= 2000; t += 17)
        ordered.push_back({t, 1, 1, 1, 20000 + t, 0});
    const std::vector<Row> shuffled = {{0, 1, 1, 1, 30000, 0},   {400, 1, 1, 1, 31000, 0},
                                       {200, 1, 1, 1, 32000, 0}, {900, 1, 1, 1, 0, 0},
                                       {800, 1, 1, 1, 33000, 0}, {1500, 1, 1, 1, 34000, 0}};
    ASSERT_EQ(add(write("ordered.csv", ordered)), 0);
    ASSERT_EQ(add(write("shuffled.csv", shuffled)), 0);
    results.calculateStats();

    std::vector<PupilStep> expected;
    for (int t = 0; t < 2000 + 32; t += 32) {
        std::vector<int> pupils;
        for (const TimeLine& timeLine : results.timeLines())
            if (const int pupil = timeLine.itemAt(t).pupil; pupil > 0)
                pupils.push_back(pupil);
        if (pupils.empty())
            continue;
        const int mean = pupils.size() == 1 ? pupils[0] : (pupils[0] + pupils[1]) / 2;
        float squares = 0.0f;
        for (int pupil : pupils)
            squares += static_cast<float>(pupil - mean) * static_cast<float>(pupil - mean);
        expected.push_back(
            {t, mean, static_cast<int>(std::sqrt(squares / static_cast<float>(pupils.size())))});
    }
    EXPECT_EQ(results.pupilSeries(), expected);
}

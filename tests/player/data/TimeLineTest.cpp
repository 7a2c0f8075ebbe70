#include "player/data/TimeLine.h"

#include "ResultsText.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <random>

using results_text::Row;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(TimeLine, ReportsEveryLoadStatus)
{
    const std::string h = results_text::header;
    struct Case
    {
        std::string text;
        int status;
    };
    const std::vector<Case> cases = {
        {"", 20},
        {"#only\n\n#comments\n", 20},
        {"foo;time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool\n", 20},
        {"time_ms;foo;bar;blink_bool;pupil_diameter_100nm\n", 31},
        {"time_ms;blink_bool;pupil_diameter_100nm;blink_bool;pos_x_1m_normalized\n", 31},
        {"time_ms\n", 21},
        {"time_ms;pos_x_1m_normalized\n", 22},
        {"time_ms;pos_x_1m_normalized;pos_y_1m_normalized\n", 23},
        {"time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool\n", 24},
        {results_text::file({"0;1;1;1;1;0", "-5;1;1;1;1;0", "10;1;1;1;1;0"}), 2},
        {results_text::file({"0;1;1;1;1;0", "120;1;1;1;-2;0"}), 11},
        {results_text::file({"0;1;1;1;1;0"}), 0},
    };
    for (const Case& c : cases) {
        TimeLine timeLine;
        EXPECT_EQ(timeLine.loadText(c.text), c.status) << c.text;
    }

    TimeLine partial;
    ASSERT_EQ(partial.loadText(results_text::file({"0;1;1;1;1;0", "16;2;2;1;1;0", "-5;1;1;1;1;0"})), 2);
    EXPECT_EQ(partial.items().size(), 2u);

    TempDir dir;
    TimeLine missing;
    EXPECT_EQ(missing.load(dir / "none.csv"), 1);
    EXPECT_EQ(missing.load(dir.path()), 1);
    EXPECT_EQ(missing.load("/dev/zero"), 1) << "a device is no results file, and reading it would never end";
    writeFile(dir / "ok.csv", results_text::file({"0;1;1;1;1;0"}));
    EXPECT_EQ(missing.load(dir / "ok.csv"), 0);
    EXPECT_EQ(missing.path(), dir / "ok.csv");
}

TEST(TimeLine, MapsColumnsByTheirHeaderNames)
{
    TimeLine reordered;
    ASSERT_EQ(reordered.loadText("pupil_diameter_100nm;extra;time_ms;blink_bool;pos_y_1m_normalized;"
                                 "pos_x_1m_normalized\n"
                                 "35000;zzz;40;1;222;111\n"),
              0);
    EXPECT_EQ(reordered.items().at(0), results_text::item(40, 111, 222, 1, 35000, 0));

    // Without the last column the interesting point stays 0, even when a line carries it.
    TimeLine fiveColumns;
    ASSERT_EQ(fiveColumns.loadText(results_text::file(
                  {"10;1;2;1;3;1", "20;4;5"}, "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;"
                                              "pupil_diameter_100nm")),
              0);
    ASSERT_EQ(fiveColumns.items().size(), 2u);
    EXPECT_EQ(fiveColumns.items()[0], results_text::item(10, 1, 2, 1, 3, 0));
    EXPECT_EQ(fiveColumns.items()[1], results_text::item(20, 4, 5, 0, 0, 0));
}

TEST(TimeLine, TakesTheMovieNameFromCommentsAfterTheHeader)
{
    TimeLine timeLine;
    ASSERT_EQ(
        timeLine.loadText("#Movie path: C:/before/header.avi\n" + results_text::header + "\n0;1;1;1;1;0\n"),
        0);
    EXPECT_EQ(timeLine.movieName(), "");

    ASSERT_EQ(timeLine.loadText(results_text::file({"#Movie path: C:/films/a.avi", "0;1;1;1;1;0"})), 0);
    EXPECT_EQ(timeLine.movieName(), "a.avi");

    ASSERT_EQ(
        timeLine.loadText(results_text::file({"#Movie path: C:/films/a.avi", "#Movie path: plain.mp4"})), 0);
    EXPECT_EQ(timeLine.movieName(), "plain.mp4");
}

TEST(TimeLine, ConvertsFieldsAsAtoiDoes)
{
    TimeLine timeLine;
    ASSERT_EQ(timeLine.loadText(results_text::file({
                  "120;500000;500000;1;-1;0",
                  " 7abc;+12; -3x;;1.23457e+06;7",
                  "8;99999999999;-99999999999;1;35000;-3\r",
                  "",
                  "9;1;1;1;1;1;extra;fields",
              })),
              0);
    ASSERT_EQ(timeLine.items().size(), 4u);
    EXPECT_EQ(timeLine.items()[0], results_text::item(120, 500000, 500000, 1, 0, 0));
    EXPECT_EQ(timeLine.items()[1], results_text::item(7, 12, -3, 0, 1, 1));
    EXPECT_EQ(timeLine.items()[2], results_text::item(8, 2147483647, -2147483647 - 1, 1, 35000, 0));
    EXPECT_EQ(timeLine.items()[3], results_text::item(9, 1, 1, 1, 1, 1));
}

TEST(TimeLine, SmoothsOverTheLastEventsNumSamples)
{
    TimeLine timeLine;
    // The first sample is a blink; then positions 10, 20, ... 100 (x) and twice that (y).
    std::vector<Row> rows = {{0, 999, 999, 0, 0, 0}};
    for (int i = 1; i <= 10; ++i)
        rows.push_back({i * 16, i * 10, i * 20, 1, 30000 + i, 0});
    ASSERT_EQ(timeLine.loadText(results_text::fileOf(rows)), 0);
    timeLine.smoothAndCountRuns(8, 20000);
    const auto& items = timeLine.items();

    EXPECT_EQ(items[0].avgX, -1);
    EXPECT_EQ(items[0].avgY, -1);
    EXPECT_EQ(items[0].blink, -1);
    // Item 1 alone in its window of usable samples; item 3 averages 10, 20, 30.
    EXPECT_EQ(items[1].avgX, 10);
    EXPECT_EQ(items[3].avgX, 20);
    EXPECT_EQ(items[3].avgY, 40);
    // Item 8's window is items 1..8; item 10's is 3..10 = (30 + ... + 100) / 8 = 65.
    EXPECT_EQ(items[8].avgX, 45);
    EXPECT_EQ(items[10].avgX, 65);
    EXPECT_EQ(items[10].avgY, 130);
    EXPECT_EQ(items[10].blink, 1);
    EXPECT_EQ(timeLine.minPupil(), 30001);
    EXPECT_EQ(timeLine.maxPupil(), 30010);

    // A usable first sample keeps its own position; truncating division.
    TimeLine own;
    ASSERT_EQ(own.loadText(results_text::file({"0;7;9;1;0;0", "16;8;10;1;0;0"})), 0);
    own.smoothAndCountRuns(8, 20000);
    EXPECT_EQ(own.items()[0].avgX, 7);
    EXPECT_EQ(own.items()[1].avgX, 7);
    EXPECT_EQ(own.items()[1].avgY, 9);
    EXPECT_EQ(own.minPupil(), 1000000);
    EXPECT_EQ(own.maxPupil(), -1);
}

TEST(TimeLine, CountsSteadyRunsWithinTheFilterRadius)
{
    TimeLine timeLine;
    ASSERT_EQ(timeLine.loadText(results_text::file({
                  "0;1000;1000;1;0;0",
                  "16;1000;1000;1;0;0",
                  "32;1150;1000;1;0;0",
                  "48;1300;1000;1;0;0",
                  "64;1300;1000;0;0;0", // not usable: its smoothed position comes from item 3
                  "80;1300;1000;1;0;0",
              })),
              0);
    timeLine.smoothAndCountRuns(2, 200);
    std::vector<int> smoothedX;
    std::vector<int> counts;
    for (const TimeLineItem& item : timeLine.items()) {
        smoothedX.push_back(item.avgX);
        counts.push_back(item.stillCount);
    }
    EXPECT_EQ(smoothedX, (std::vector<int>{1000, 1000, 1075, 1225, 1300, 1300}));
    // Exactly 200 apart is outside; a sample that is not usable ends the run behind it.
    EXPECT_EQ(counts, (std::vector<int>{0, 1, 2, 1, 1, 0}));
}

TEST(TimeLine, MarksSamplesNearInterestingPoints)
{
    std::vector<Row> rows;
    for (int t = 0; t <= 3000; t += 100)
        rows.push_back({t, 1, 1, 1, 0, t == 1000 || t == 3000 ? 1 : 0});
    TimeLine timeLine;
    ASSERT_EQ(timeLine.loadText(results_text::fileOf(rows)), 0);
    timeLine.markActions(500);
    for (const TimeLineItem& item : timeLine.items()) {
        const bool near = (item.time > 500 && item.time < 1500) || item.time > 2500;
        EXPECT_EQ(item.nearAction, near ? 1 : 0) << item.time;
    }
    timeLine.markActions(0);
    for (const TimeLineItem& item : timeLine.items())
        EXPECT_EQ(item.nearAction, item.interestingPoint) << item.time;
}

TEST(TimeLine, MarksActionsAsWalkingFromEveryInterestingPoint)
{
    // Times with repeats and gaps, and (in the second round) out of order.
    for (const bool shuffled : {false, true}) {
        std::mt19937 random(shuffled ? 11 : 5);
        std::vector<Row> rows;
        int t = 0;
        for (int i = 0; i < 3000; ++i) {
            t += static_cast<int>(random() % 40);
            const int time = shuffled && random() % 50 == 0 ? t - 300 : t;
            rows.push_back({time, 1, 1, 1, 0, random() % 60 == 0 ? 1 : 0});
        }
        TimeLine timeLine;
        ASSERT_EQ(timeLine.loadText(results_text::fileOf(rows)), 0);
        for (const int radius : {-5, 0, 1, 100, 500, 5000}) {
            std::vector<int> walked(rows.size(), 0);
            for (size_t i = 0; i < rows.size(); ++i) {
                if (rows[i].interestingPoint != 1)
                    continue;
                walked[i] = 1;
                for (size_t k = i; k-- > 0 && rows[i].time - rows[k].time < radius;)
                    walked[k] = 1;
                for (size_t k = i + 1; k < rows.size() && rows[k].time - rows[i].time < radius; ++k)
                    walked[k] = 1;
            }
            timeLine.markActions(radius);
            std::vector<int> marked;
            for (const TimeLineItem& item : timeLine.items())
                marked.push_back(item.nearAction);
            EXPECT_EQ(marked, walked) << "radius " << radius << (shuffled ? ", shuffled" : "");
        }
    }
}

TEST(TimeLine, LooksItemsAndKeypointsUpByTime)
{
    TimeLine empty;
    EXPECT_EQ(empty.itemAt(100), TimeLineItem{});
    EXPECT_EQ(empty.previousActionTime(100), -1);
    EXPECT_EQ(empty.nextActionTime(100), -1);

    TimeLine timeLine;
    ASSERT_EQ(timeLine.loadText(results_text::file({
                  "100;1;0;1;0;0",
                  "200;2;0;1;0;1",
                  "300;3;0;1;0;1",
                  "400;4;0;1;0;0",
                  "500;5;0;1;0;0",
                  "600;6;0;1;0;1",
                  "700;7;0;1;0;0",
              })),
              0);
    EXPECT_EQ(timeLine.itemAt(0).x, 1);
    EXPECT_EQ(timeLine.itemAt(100).x, 1);
    EXPECT_EQ(timeLine.itemAt(101).x, 2);
    EXPECT_EQ(timeLine.itemAt(700).x, 7);
    EXPECT_EQ(timeLine.itemAt(5000).x, 7);

    EXPECT_EQ(timeLine.previousActionTime(50), -1);
    EXPECT_EQ(timeLine.previousActionTime(550), 300);
    EXPECT_EQ(timeLine.previousActionTime(600), 300);
    EXPECT_EQ(timeLine.previousActionTime(650), 300);
    EXPECT_EQ(timeLine.previousActionTime(700), 600);
    EXPECT_EQ(timeLine.previousActionTime(300), -1);
    EXPECT_EQ(timeLine.previousActionTime(9999), 600);

    EXPECT_EQ(timeLine.nextActionTime(0), 200);
    EXPECT_EQ(timeLine.nextActionTime(200), 600);
    EXPECT_EQ(timeLine.nextActionTime(350), 600);
    EXPECT_EQ(timeLine.nextActionTime(601), -1);
    EXPECT_EQ(timeLine.nextActionTime(701), -1);
}

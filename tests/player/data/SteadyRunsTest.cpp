#include "player/data/SteadyRuns.h"
#include "player/data/TimeLineItem.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The walk sample by sample, as the counts are defined.
std::vector<int> walkedCounts(const std::vector<TimeLineItem>& items, int radius)
{
    const double r2 = static_cast<double>(radius) * radius;
    std::vector<int> counts;
    for (size_t p = 0; p < items.size(); ++p) {
        int count = 0;
        for (size_t q = p; q-- > 0;) {
            const double dx = static_cast<double>(items[p].avgX) - items[q].avgX;
            const double dy = static_cast<double>(items[p].avgY) - items[q].avgY;
            if (items[q].blink <= 0 || dx * dx + dy * dy >= r2)
                break;
            ++count;
        }
        counts.push_back(count);
    }
    return counts;
}

std::vector<int> fastCounts(const std::vector<TimeLineItem>& items, int radius)
{
    std::vector<int> avgX, avgY;
    std::vector<char> usable;
    for (const TimeLineItem& item : items) {
        avgX.push_back(item.avgX);
        avgY.push_back(item.avgY);
        usable.push_back(item.blink > 0);
    }
    return countSteadyRuns(avgX, avgY, usable, radius);
}

// A gaze that wanders in small steps, rests, jumps and blinks now and then.
std::vector<TimeLineItem> wanderingGaze(unsigned seed, size_t count, int step, int blinkEvery)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> jitter(-step, step);
    std::vector<TimeLineItem> items(count);
    int x = 500000;
    int y = 500000;
    for (size_t i = 0; i < count; ++i) {
        if (random() % 97 == 0) {
            x = static_cast<int>(random() % 1000000);
            y = static_cast<int>(random() % 1000000);
        } else if (random() % 3 != 0) {
            x += jitter(random);
            y += jitter(random);
        }
        items[i].avgX = x;
        items[i].avgY = y;
        items[i].blink = blinkEvery > 0 && random() % static_cast<unsigned>(blinkEvery) == 0 ? 0 : 1;
    }
    return items;
}

} // namespace

TEST(SteadyRuns, MatchTheSampleBySampleWalk)
{
    struct Case
    {
        unsigned seed;
        size_t count;
        int step;
        int blinkEvery;
        int radius;
    };
    const std::vector<Case> cases = {
        {1, 3000, 2000, 0, 20000},  {2, 3000, 2000, 50, 20000}, {3, 2048, 500, 0, 20000},
        {4, 1000, 20000, 7, 20000}, {5, 777, 100, 0, 1},        {6, 1500, 3000, 0, 0},
        {7, 1500, 3000, 0, -9000},  {8, 4097, 50, 400, 300000},
    };
    for (const Case& c : cases) {
        const auto items = wanderingGaze(c.seed, c.count, c.step, c.blinkEvery);
        EXPECT_EQ(fastCounts(items, c.radius), walkedCounts(items, c.radius)) << "seed " << c.seed;
    }
}

TEST(SteadyRuns, CountTheWholeRunOfAStillGaze)
{
    std::vector<TimeLineItem> items(5000);
    for (TimeLineItem& item : items) {
        item.avgX = 300000;
        item.avgY = 700000;
        item.blink = 1;
    }
    items[1234].blink = -1;
    items[1234].avgX = -1;
    items[1234].avgY = -1;
    const auto counts = fastCounts(items, 20000);
    EXPECT_EQ(counts[1233], 1233);
    EXPECT_EQ(counts[1234], 0);
    EXPECT_EQ(counts[1235], 0);
    EXPECT_EQ(counts[4999], 4999 - 1235);
}

TEST(SteadyRuns, SurviveExtremePositions)
{
    std::vector<TimeLineItem> items(3);
    items[0] = {.blink = 1, .avgX = 2147483647, .avgY = -2147483647 - 1};
    items[1] = {.blink = 1, .avgX = -2147483647 - 1, .avgY = 2147483647};
    items[2] = {.blink = 1, .avgX = -2147483647 - 1, .avgY = 2147483647};
    EXPECT_EQ(fastCounts(items, 2147483647), (std::vector<int>{0, 0, 1}));
}

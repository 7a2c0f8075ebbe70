#include "measures/Synchrony.h"

#include "SyntheticViewer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using measures::computeSynchrony;
using measures::GazeSample;
using measures::SynchronyParameters;
using measures_test::unitsX;
using measures_test::unitsY;

namespace {

const ScreenGeometry screen{1920, 1080, 510, 290, 650};

using Viewers = std::vector<std::vector<GazeSample>>;

std::vector<std::span<const GazeSample>> spans(const Viewers& viewers)
{
    return {viewers.begin(), viewers.end()};
}

// Each viewer looks at one place (degrees) from 0 to lastMs at 60 Hz.
Viewers stillViewers(const std::vector<std::pair<double, double>>& places, int lastMs)
{
    Viewers viewers;
    for (const auto& [x, y] : places) {
        std::vector<GazeSample>& samples = viewers.emplace_back();
        for (int t = 0; t <= lastMs; t += 16)
            samples.push_back({t, unitsX(screen, x), unitsY(screen, y), true});
    }
    return viewers;
}

const measures::SynchronyStep* stepAt(const measures::SynchronyResult& result, int timeMs)
{
    for (const auto& step : result.steps)
        if (step.timeMs == timeMs)
            return &step;
    return nullptr;
}

} // namespace

TEST(Synchrony, NssMatchesAMapDrawnCellByCell)
{
    const std::vector<std::pair<double, double>> places = {
        {-2, 1}, {-1.5, 0.5}, {0, 0}, {3, -2}, {-2.5, 1.5}};
    const Viewers viewers = stillViewers(places, 0);
    SynchronyParameters parameters;
    parameters.sigmaDeg = 1.2;

    const auto result = computeSynchrony(spans(viewers), screen, parameters);
    const auto* step = stepAt(result, 0);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->viewers, 5);

    // The same measure the slow way: every other viewer's Gaussian summed on
    // a fine grid over the screen, z-scored, read at the viewer's gaze.
    const double cell = 0.05;
    const double left = screen.horizontalDeg(0), right = screen.horizontalDeg(1e6);
    const double top = screen.verticalDeg(0), bottom = screen.verticalDeg(1e6);
    const double s2 = 2 * parameters.sigmaDeg * parameters.sigmaDeg;
    double nss = 0;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const auto map = [&](double x, double y) {
            double value = 0;
            for (std::size_t j = 0; j < places.size(); ++j)
                if (j != i)
                    value += std::exp(
                        -(std::pow(x - places[j].first, 2) + std::pow(y - places[j].second, 2)) / s2);
            return value;
        };
        double sum = 0, squares = 0, cells = 0;
        for (double y = top + cell / 2; y < bottom; y += cell)
            for (double x = left + cell / 2; x < right; x += cell) {
                const double v = map(x, y);
                sum += v;
                squares += v * v;
                ++cells;
            }
        const double mean = sum / cells;
        const double deviation = std::sqrt(squares / cells - mean * mean);
        nss += (map(places[i].first, places[i].second) - mean) / deviation;
    }
    nss /= static_cast<double>(places.size());
    EXPECT_NEAR(step->nss, nss, 0.01 * nss);
    EXPECT_GT(step->nss, 1);
}

TEST(Synchrony, DispersionCountsOnlyUsableGazeOnTheScreen)
{
    Viewers viewers = stillViewers({{-3, 0}, {3, 0}, {0, -3}, {0, 3}, {10, 10}, {0, 0}}, 400);
    for (GazeSample& sample : viewers[4])
        sample.x = 1000001; // off the screen
    for (GazeSample& sample : viewers[5])
        sample.usable = false;

    const auto result = computeSynchrony(spans(viewers), screen);
    const auto* step = stepAt(result, 200);
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(step->viewers, 4);
    EXPECT_NEAR(step->dispersionDeg, 3.0, 0.01);

    // One viewer: counted, but nothing to compare.
    const Viewers alone = stillViewers({{1, 1}}, 400);
    const auto single = computeSynchrony(spans(alone), screen);
    ASSERT_NE(stepAt(single, 200), nullptr);
    EXPECT_EQ(stepAt(single, 200)->viewers, 1);
    EXPECT_EQ(stepAt(single, 200)->nss, 0);
}

TEST(Synchrony, StepsFollowTheSamplesNotTheTimesTheyCarry)
{
    Viewers viewers = stillViewers({{0, 0}, {1, 1}}, 1000);
    viewers[0].push_back({2000000000, 500000, 500000, true});
    viewers[1].push_back({2000000010, 500000, 500000, true});

    const auto result = computeSynchrony(spans(viewers), screen);

    ASSERT_LT(result.steps.size(), 40u);
    EXPECT_EQ(result.steps.front().timeMs, 0);
    EXPECT_EQ(result.steps.back().timeMs, 2000000040);
    EXPECT_EQ(stepAt(result, 2000000000)->viewers, 2);
    EXPECT_NEAR(stepAt(result, 2000000000)->dispersionDeg, 0, 1e-9);
}

TEST(Synchrony, BinsSumTheirStepsAndThreadsDoNotChangeTheResult)
{
    // Together for the first minute, apart for the second.
    Viewers viewers;
    for (int v = 0; v < 5; ++v) {
        std::vector<GazeSample>& samples = viewers.emplace_back();
        for (int t = 0; t < 120000; t += 16) {
            const double spread = t < 60000 ? 0.2 : 6.0;
            samples.push_back({t, unitsX(screen, spread * std::cos(v * 1.3)),
                               unitsY(screen, spread * std::sin(v * 1.3)), t % 1000 != 0});
        }
    }
    const std::vector<int> bins = {0, 60000};
    SynchronyParameters one;
    one.threads = 1;
    SynchronyParameters two;
    two.threads = 2;

    const auto a = computeSynchrony(spans(viewers), screen, one, bins);
    const auto b = computeSynchrony(spans(viewers), screen, two, bins);

    ASSERT_EQ(a.steps.size(), b.steps.size());
    for (std::size_t s = 0; s < a.steps.size(); ++s) {
        ASSERT_EQ(a.steps[s].timeMs, b.steps[s].timeMs);
        ASSERT_EQ(a.steps[s].viewers, b.steps[s].viewers);
        ASSERT_EQ(a.steps[s].nss, b.steps[s].nss);
    }
    ASSERT_EQ(a.bins.size(), 2u);
    std::size_t counted = 0;
    for (std::size_t bin = 0; bin < 2; ++bin) {
        EXPECT_EQ(a.bins[bin].all.steps, b.bins[bin].all.steps);
        EXPECT_NEAR(a.bins[bin].all.nss, b.bins[bin].all.nss, 1e-6 * std::abs(a.bins[bin].all.nss));
        counted += a.bins[bin].all.steps;
        for (const auto& viewer : a.bins[bin].viewers)
            EXPECT_EQ(viewer.steps, a.bins[bin].all.steps);
    }
    // Every step with two viewers or more from the first bin on; at whole
    // seconds nobody's gaze is usable.
    EXPECT_EQ(counted,
              static_cast<std::size_t>(std::count_if(a.steps.begin(), a.steps.end(), [](const auto& step) {
                  return step.timeMs >= 0 && step.viewers >= 2;
              })));
    EXPECT_EQ(stepAt(a, 2000)->viewers, 0);
    const auto mean = [](const measures::SynchronySums& s) {
        return s.dispersionDeg / static_cast<double>(s.steps);
    };
    EXPECT_LT(mean(a.bins[0].all), 0.25);
    EXPECT_NEAR(mean(a.bins[1].all), 6.0, 0.5);
    EXPECT_GT(a.bins[0].all.nss / static_cast<double>(a.bins[0].all.steps),
              a.bins[1].all.nss / static_cast<double>(a.bins[1].all.steps));
}

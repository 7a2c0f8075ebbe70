#include "measures/EventClassifier.h"

#include "SyntheticViewer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

using measures::classifyEvents;
using measures::EventParameters;
using measures::EventType;
using measures::GazeEvent;
using measures::GazeSample;
using measures_test::synthesiseViewer;
using measures_test::unitsX;
using measures_test::unitsY;

namespace {

const ScreenGeometry screen{1920, 1080, 510, 290, 650};

std::vector<EventType> sampleLabels(const std::vector<GazeEvent>& events, std::size_t count)
{
    std::vector<EventType> labels(count, EventType::None);
    for (const GazeEvent& event : events)
        for (std::size_t k = 0; k < event.sampleCount; ++k)
            labels[event.firstSample + k] = event.type;
    return labels;
}

struct Agreement
{
    double overall = 0;
    std::array<double, 5> kappa{}; // by EventType
};

// Sample agreement and Cohen's kappa of each class against all others.
Agreement agreement(const std::vector<EventType>& truth, const std::vector<EventType>& found)
{
    Agreement a;
    const auto n = static_cast<double>(truth.size());
    std::size_t same = 0;
    for (std::size_t i = 0; i < truth.size(); ++i)
        same += truth[i] == found[i];
    a.overall = same / n;
    for (const EventType type :
         {EventType::Fixation, EventType::Saccade, EventType::Pursuit, EventType::Loss}) {
        double both = 0, inTruth = 0, inFound = 0;
        for (std::size_t i = 0; i < truth.size(); ++i) {
            both += truth[i] == type && found[i] == type;
            inTruth += truth[i] == type;
            inFound += found[i] == type;
        }
        const double neither = n - inTruth - inFound + both;
        const double observed = (both + neither) / n;
        const double chance = (inTruth / n) * (inFound / n) + (1 - inTruth / n) * (1 - inFound / n);
        a.kappa[static_cast<std::size_t>(type)] = chance < 1 ? (observed - chance) / (1 - chance) : 1.0;
    }
    return a;
}

GazeSample at(int timeMs, double xDeg, double yDeg)
{
    return {timeMs, unitsX(screen, xDeg), unitsY(screen, yDeg), true};
}

} // namespace

TEST(EventClassifier, AgreesWithLabelledSyntheticGazeAtFilmRates)
{
    struct Case
    {
        double rateHz;
        double noiseDeg;
        double minAgreement;
        double minFixation, minSaccade, minPursuit, minLoss;
    };
    // Floors about 0.05 to 0.1 under what the defaults reach, so that a
    // change that costs accuracy shows.
    const Case cases[] = {
        {30, 0.3, 0.88, 0.8, 0.7, 0.8, 0.95},  {30, 0.6, 0.8, 0.65, 0.6, 0.65, 0.95},
        {30, 1.0, 0.7, 0.5, 0.45, 0.5, 0.95},  {60, 0.3, 0.9, 0.85, 0.7, 0.85, 0.95},
        {60, 0.6, 0.8, 0.65, 0.5, 0.65, 0.95}, {60, 1.0, 0.7, 0.5, 0.35, 0.5, 0.95},
        {250, 0.3, 0.88, 0.8, 0.6, 0.8, 0.95},
    };
    std::printf(
        "rate_hz noise_deg samples agreement kappa_fixation kappa_saccade kappa_pursuit kappa_loss\n");
    for (const Case& c : cases) {
        measures_test::ViewerShape shape;
        shape.rateHz = c.rateHz;
        shape.noiseDeg = c.noiseDeg;
        shape.durationMs = 10 * 60 * 1000;
        const auto gaze =
            synthesiseViewer(static_cast<unsigned>(c.rateHz * 10 + c.noiseDeg * 10), shape, screen);
        const auto events = classifyEvents(gaze.samples, screen);
        const Agreement a = agreement(gaze.truth, sampleLabels(events, gaze.samples.size()));
        const auto kappa = [&](EventType type) { return a.kappa[static_cast<std::size_t>(type)]; };
        std::printf("%7.0f %9.1f %7zu %9.3f %14.3f %13.3f %13.3f %10.3f\n", c.rateHz, c.noiseDeg,
                    gaze.samples.size(), a.overall, kappa(EventType::Fixation), kappa(EventType::Saccade),
                    kappa(EventType::Pursuit), kappa(EventType::Loss));
        SCOPED_TRACE(testing::Message() << c.rateHz << " Hz, " << c.noiseDeg << " deg noise");
        EXPECT_GE(a.overall, c.minAgreement);
        EXPECT_GE(kappa(EventType::Fixation), c.minFixation);
        EXPECT_GE(kappa(EventType::Saccade), c.minSaccade);
        EXPECT_GE(kappa(EventType::Pursuit), c.minPursuit);
        EXPECT_GE(kappa(EventType::Loss), c.minLoss);
    }
}

TEST(EventClassifier, EventsCoverEverySampleOnceAndLossesHoldTheGaps)
{
    // 60 Hz: a fixation, a blink of 3 samples, a fixation, a silence of 0.5 s,
    // then a fixation with one sample whose time goes back.
    std::vector<GazeSample> samples;
    int t = 1000;
    for (int k = 0; k < 30; ++k, t += 17)
        samples.push_back(at(t, -3, 1));
    for (int k = 0; k < 3; ++k, t += 17)
        samples.push_back({t, -1, -1, false});
    for (int k = 0; k < 30; ++k, t += 17)
        samples.push_back(at(t, -3, 1));
    t += 500;
    for (int k = 0; k < 30; ++k, t += 17) {
        samples.push_back(at(t, 2, 2));
        if (k == 10)
            samples.push_back(at(t - 40, 2, 2));
    }

    const auto events = classifyEvents(samples, screen);

    std::vector<int> covered(samples.size(), 0);
    std::vector<EventType> types;
    for (std::size_t k = 0; k < events.size(); ++k) {
        types.push_back(events[k].type);
        for (std::size_t s = 0; s < events[k].sampleCount; ++s)
            ++covered[events[k].firstSample + s];
        if (k > 0) {
            EXPECT_GT(events[k].startMs, events[k - 1].endMs);
            EXPECT_EQ(events[k - 1].startMs + events[k - 1].durationMs, events[k].startMs);
        }
        EXPECT_LE(events[k].startMs, events[k].endMs);
    }
    EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), static_cast<long>(samples.size()));
    const std::vector<EventType> expected = {EventType::Fixation, EventType::Loss,     EventType::Fixation,
                                             EventType::Loss,     EventType::Fixation, EventType::Loss,
                                             EventType::Fixation};
    EXPECT_EQ(types, expected);
    ASSERT_EQ(events.size(), expected.size());
    // The silence has no samples and lies between the samples around it.
    EXPECT_EQ(events[3].sampleCount, 0u);
    EXPECT_GT(events[3].startMs, samples[62].timeMs);
    EXPECT_LT(events[3].endMs, samples[63].timeMs);
    EXPECT_EQ(events[1].sampleCount, 3u);
    EXPECT_EQ(events[5].sampleCount, 1u);
    EXPECT_EQ(events.back().durationMs, events.back().endMs - events.back().startMs + 17);
}

TEST(EventClassifier, MeasuresSaccadesAndPursuitsOnCleanGaze)
{
    // 60 Hz: rest at -5 deg, a 10 degree saccade along the main sequence
    // (43 ms), rest, then follow a target at 10 deg/s for 1.2 s, rest.
    std::vector<GazeSample> samples;
    double x = -5;
    int t = 0;
    const auto rest = [&](int ms) {
        for (int end = t + ms; t < end; t += 17)
            samples.push_back(at(t, x, 0));
    };
    rest(500);
    for (int k = 1; k <= 2; ++k, t += 17)
        samples.push_back(at(t, -5 + 10 * (1 - std::cos(std::numbers::pi * k * 17 / 43.0)) / 2, 0));
    x = 5;
    rest(500);
    for (int end = t + 1200; t < end; t += 17) {
        x -= 10 * 0.017;
        samples.push_back(at(t, x, 0));
    }
    rest(500);

    const auto events = classifyEvents(samples, screen);

    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].type, EventType::Fixation);
    EXPECT_NEAR(events[0].x, unitsX(screen, -5), 2);
    EXPECT_EQ(events[1].type, EventType::Saccade);
    EXPECT_NEAR(events[1].amplitudeDeg, 10, 0.2);
    EXPECT_EQ(events[1].x, unitsX(screen, 5));
    EXPECT_GT(events[1].peakVelocityDegS, 300);
    EXPECT_EQ(events[2].type, EventType::Fixation);
    EXPECT_EQ(events[3].type, EventType::Pursuit);
    EXPECT_NEAR(events[3].peakVelocityDegS, 10, 1);
    EXPECT_NEAR(events[3].amplitudeDeg, 10 * (events[3].endMs - events[3].startMs) / 1000.0, 1);
    EXPECT_NEAR(events[3].durationMs, 1200, 200);
    EXPECT_EQ(events[4].type, EventType::Fixation);
}

TEST(EventClassifier, NoiseSpikeInsideAFixationLeavesOneFixation)
{
    std::vector<GazeSample> samples;
    for (int k = 0; k < 40; ++k)
        samples.push_back(at(k * 17, 1, 1));
    samples[20] = at(20 * 17, 4, 1);

    EventParameters parameters;
    auto events = classifyEvents(samples, screen, parameters);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, EventType::Fixation);
    EXPECT_EQ(events[0].sampleCount, samples.size());

    // Without merging the spike stays a saccade of its own.
    parameters.mergeDistanceDeg = 0;
    events = classifyEvents(samples, screen, parameters);
    EXPECT_EQ(events.size(), 3u);
}

TEST(EventClassifier, ParametersAreSetByNameWithinBounds)
{
    EventParameters parameters;
    std::string error;
    EXPECT_TRUE(measures::setEventParameter(parameters, "saccade-peak-k", "4.5", error));
    EXPECT_EQ(parameters.peakK, 4.5);
    for (const char* bad : {"", "x", "4.5x", "0.5", "nan", "1e9"}) {
        EXPECT_FALSE(measures::setEventParameter(parameters, "saccade-peak-k", bad, error)) << bad;
        EXPECT_NE(error.find("saccade-peak-k"), std::string::npos);
    }
    EXPECT_EQ(parameters.peakK, 4.5);
    EXPECT_FALSE(measures::setEventParameter(parameters, "no-such-thing", "1", error));
    for (const auto& info : measures::eventParameterInfos()) {
        const double value = EventParameters{}.*info.member;
        EXPECT_GE(value, info.min) << info.name;
        EXPECT_LE(value, info.max) << info.name;
    }
}

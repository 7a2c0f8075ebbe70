#include "measures/ShotMeasures.h"

#include <gtest/gtest.h>

using measures::eventSumsPerShot;
using measures::EventType;
using measures::GazeEvent;

namespace {

GazeEvent event(EventType type, int startMs, int durationMs, double amplitudeDeg = 0)
{
    GazeEvent e;
    e.type = type;
    e.startMs = startMs;
    e.endMs = startMs + durationMs - 1;
    e.durationMs = durationMs;
    e.amplitudeDeg = amplitudeDeg;
    return e;
}

} // namespace

TEST(ShotMeasures, EventTimeIsSplitAtCutsAndCountsGoWhereEventsStart)
{
    const std::vector<GazeEvent> events = {
        event(EventType::Fixation, -200, 150), // before the first shot: nowhere
        event(EventType::Fixation, 0, 300),    event(EventType::Saccade, 300, 30, 4.0),
        event(EventType::Pursuit, 330, 1000),  event(EventType::Saccade, 1330, 20, 2.0),
        event(EventType::Loss, 1350, 3150),    event(EventType::Fixation, 4500, 500),
    };
    const std::vector<int> shots = {0, 1000, 2000, 3000};

    const auto sums = eventSumsPerShot(events, shots);

    ASSERT_EQ(sums.size(), 4u);
    EXPECT_EQ(sums[0].fixations, 1u);
    EXPECT_DOUBLE_EQ(sums[0].meanFixationMs(), 300);
    EXPECT_EQ(sums[0].saccades, 1u);
    EXPECT_DOUBLE_EQ(sums[0].meanSaccadeAmplitudeDeg(), 4.0);
    EXPECT_DOUBLE_EQ(sums[0].eventMs, 1000);
    EXPECT_DOUBLE_EQ(sums[0].pursuitShare(), 0.67);

    EXPECT_EQ(sums[1].fixations, 0u);
    EXPECT_EQ(sums[1].saccades, 1u);
    EXPECT_DOUBLE_EQ(sums[1].pursuitMs, 330);
    EXPECT_DOUBLE_EQ(sums[1].lossMs, 650);
    EXPECT_DOUBLE_EQ(sums[1].eventMs, 1000);

    EXPECT_DOUBLE_EQ(sums[2].lossShare(), 1.0);
    // The last shot runs on to the end.
    EXPECT_EQ(sums[3].fixations, 1u);
    EXPECT_DOUBLE_EQ(sums[3].eventMs, 2000);
    EXPECT_DOUBLE_EQ(sums[3].lossShare(), 0.75);

    measures::ShotEventSums all;
    for (const auto& shot : sums)
        all += shot;
    EXPECT_EQ(all.fixations, 2u);
    EXPECT_DOUBLE_EQ(all.meanFixationMs(), 400);
    EXPECT_DOUBLE_EQ(all.meanSaccadeAmplitudeDeg(), 3.0);
    EXPECT_EQ(eventSumsPerShot(events, {}).size(), 0u);
}

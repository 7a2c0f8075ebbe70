#include "recorder/core/TrackerLink.h"
#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"

#include <QPointer>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class Made : public FakeTrackerController
{
public:
    using FakeTrackerController::FakeTrackerController;
    using FakeTrackerController::frameRateReported;
    void reportRate(int rate) { Q_EMIT frameRateReported(rate); }
    void reportConnected(bool connected) { Q_EMIT connectionStateChanged(connected); }
};

} // namespace

TEST(TrackerLink, OnlyTheTrackerInUseIsHeardAndTheOneMadeHereEndsWhenAnotherIsPicked)
{
    // Given a link that makes a tracker per index, index 1 not built in
    FakePrompt prompt;
    std::vector<QPointer<Made>> made;
    TrackerLink link(prompt, [&](int index, OperatorPrompt& p, QObject* parent) -> EyeTrackerController* {
        if (index == 1)
            return nullptr;
        made.push_back(new Made(p, parent));
        return made.back();
    });
    QSignalSpy rates(&link, &TrackerLink::frameRateReported);
    QSignalSpy connections(&link, &TrackerLink::connectionStateChanged);

    // When the first tracker reports, then another is picked and the first reports again
    ASSERT_TRUE(link.make(0));
    made[0]->reportRate(60);
    made[0]->reportConnected(true);
    ASSERT_TRUE(link.make(2));
    EXPECT_TRUE(made[0].isNull()) << "the tracker made here ends when another is picked";
    made[1]->reportRate(30);

    // Then the window hears each report of the tracker in use, once
    ASSERT_EQ(rates.count(), 2);
    EXPECT_EQ(rates[0][0].toInt(), 60);
    EXPECT_EQ(rates[1][0].toInt(), 30);
    EXPECT_EQ(connections.count(), 1);

    // and the operator's settings reach the tracker in use
    link.setFrameRate(30);
    EXPECT_EQ(made[1]->rate(), 30);
    EXPECT_EQ(link.frameRate(), 30);

    // A tracker that is not built in leaves none, and the calls reach nothing
    EXPECT_FALSE(link.make(1));
    EXPECT_TRUE(made[1].isNull());
    EXPECT_EQ(link.tracker(), nullptr);
    link.setFrameRate(60);
    link.runCalibration();
    EXPECT_EQ(link.frameRate(), 0);

    // One owned elsewhere is used, and not ended by the link
    Made outside(prompt);
    link.use(&outside);
    link.use(nullptr);
    outside.reportRate(60);
    EXPECT_EQ(rates.count(), 2);
}

TEST(TrackerLink, AMissingTrackerIsToldToTheOperatorOnce)
{
    FakePrompt prompt;
    TrackerLink link(prompt, nullptr);
    link.announce();
    ASSERT_EQ(prompt.warnings.size(), 1);
    EXPECT_TRUE(prompt.warnings[0].startsWith("Error|EyeTribe SDK not found."))
        << prompt.warnings[0].toStdString();
}

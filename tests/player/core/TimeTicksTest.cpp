#include "player/core/TimeTicks.h"

#include <gtest/gtest.h>

namespace {

// Seven pixels a character, about what the slider's small font takes.
int sevenPerCharacter(const QString& text)
{
    return 7 * static_cast<int>(text.size());
}

} // namespace

TEST(TimeTicks, LabelsNeverTouchAndStayInsideAtAnyWidth)
{
    constexpr int kGap = 12;
    for (const std::int64_t totalMs :
         {900LL, 2000LL, 61000LL, 600000LL, 3599999LL, 3600000LL, 5 * 3600000LL, 100 * 3600000LL})
        for (int span = 1; span <= 4000; span += span < 200 ? 7 : 113) {
            SCOPED_TRACE(testing::Message() << totalMs << " ms over " << span << " px");
            const auto ticks = timeTicks(totalMs, span, sevenPerCharacter, kGap);
            ASSERT_FALSE(ticks.empty());
            // Ticks at one round step from 0, inside the span
            EXPECT_EQ(ticks.front().timeMs, 0);
            const std::int64_t step = ticks.size() > 1 ? ticks[1].timeMs - ticks[0].timeMs : 0;
            for (size_t i = 0; i < ticks.size(); ++i) {
                EXPECT_EQ(ticks[i].timeMs, static_cast<std::int64_t>(i) * step);
                EXPECT_LE(ticks[i].timeMs, totalMs);
                EXPECT_GE(ticks[i].x, 0.0);
                EXPECT_LE(ticks[i].x, span + 1e-9);
            }
            // Labels apart by the gap, within the span
            double lastRight = -1e9;
            int labelled = 0;
            for (const TimeTick& tick : ticks) {
                if (tick.label.isEmpty())
                    continue;
                ++labelled;
                EXPECT_GE(tick.labelLeft, lastRight + kGap);
                EXPECT_GE(tick.labelLeft, 0.0);
                EXPECT_LE(tick.labelLeft + sevenPerCharacter(tick.label), span + 1e-9);
                lastRight = tick.labelLeft + sevenPerCharacter(tick.label);
            }
            // Any slider wide enough for two labels gets at least two
            if (span >= 6 * sevenPerCharacter(tickLabel(totalMs, totalMs)) && totalMs >= 2000) {
                EXPECT_GE(labelled, 2);
            }
        }
}

TEST(TimeTicks, RoundStepsAndTheirTimes)
{
    // A 10-minute movie over 960 pixels: labels of up to five characters, 35 pixels, need 1.5 x 35 + 12
    // pixels apart, 40 s at least: a minute
    const auto ticks = timeTicks(600000, 960, sevenPerCharacter, 12);
    ASSERT_GE(ticks.size(), 2u);
    EXPECT_EQ(ticks[1].timeMs, 60000);
    EXPECT_EQ(ticks[1].label, QStringLiteral("1:00"));
    EXPECT_EQ(ticks.back().label, QStringLiteral("10:00"));
    EXPECT_EQ(tickLabel(3723000, 3723000), QStringLiteral("1:02:03"));
    EXPECT_EQ(tickLabel(83000, 3723000), QStringLiteral("0:01:23"));
    EXPECT_EQ(tickLabel(83000, 100000), QStringLiteral("1:23"));
    EXPECT_TRUE(timeTicks(0, 960, sevenPerCharacter, 12).empty());
    EXPECT_TRUE(timeTicks(1000, 0, sevenPerCharacter, 12).empty());
}

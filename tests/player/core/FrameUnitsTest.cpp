#include "player/core/FrameUnits.h"

#include <gtest/gtest.h>

// The same points of a 640 x 360 frame, seen through video areas of other
// shapes and through the view scale's part of the frame.
TEST(FrameUnitsTest, APointOfTheVideoAreaLandsOnThePartOfTheFrameItShows)
{
    const QSize frame(640, 360);
    struct Case
    {
        const char* what;
        QRect video;
        QRect source;
        QPointF point;
        QPointF units;
    };
    const Case cases[] = {
        {"whole frame at its own size, centre",
         QRect(0, 0, 640, 360),
         QRect(0, 0, 640, 360),
         {320, 180},
         {500000, 500000}},
        {"whole frame, top-left corner", QRect(0, 0, 640, 360), QRect(0, 0, 640, 360), {0, 0}, {0, 0}},
        {"whole frame, bottom-right edge",
         QRect(0, 0, 640, 360),
         QRect(0, 0, 640, 360),
         {640, 360},
         {1000000, 1000000}},
        {"doubled", QRect(0, 0, 1280, 720), QRect(0, 0, 640, 360), {320, 540}, {250000, 750000}},
        {"a square window stretches the frame",
         QRect(0, 0, 500, 500),
         QRect(0, 0, 640, 360),
         {250, 125},
         {500000, 250000}},
        {"a tall window, letterboxed",
         QRect(0, 200, 400, 225),
         QRect(0, 0, 640, 360),
         {100, 200 + 225},
         {250000, 1000000}},
        {"a wide window, pillarboxed",
         QRect(160, 0, 640, 360),
         QRect(0, 0, 640, 360),
         {160 + 480, 90},
         {750000, 250000}},
        {"view scale 0.5 x 1: the left half fills the area",
         QRect(0, 0, 640, 360),
         QRect(0, 0, 320, 360),
         {640, 180},
         {500000, 500000}},
        {"view scale 0.5 x 0.5", QRect(0, 0, 960, 540), QRect(0, 0, 320, 180), {480, 270}, {250000, 250000}},
        {"view scale 1 x 0.5 in a wide window",
         QRect(0, 0, 1920, 400),
         QRect(0, 0, 640, 180),
         {960, 400},
         {500000, 500000}},
        {"left of the picture in a letterbox",
         QRect(100, 0, 440, 360),
         QRect(0, 0, 640, 360),
         {0, 0},
         {-100.0 * 640 / 440 * 1e6 / 640, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto units = frameUnitsAt(c.point, c.video, c.source, frame);
        ASSERT_TRUE(units);
        EXPECT_NEAR(units->x(), c.units.x(), 1.0);
        EXPECT_NEAR(units->y(), c.units.y(), 1.0);
    }
}

TEST(FrameUnitsTest, NothingWhileTheVideoTheShownPartOrTheFrameIsUnknown)
{
    EXPECT_FALSE(frameUnitsAt({1, 1}, QRect(), QRect(0, 0, 640, 360), QSize(640, 360)));
    EXPECT_FALSE(frameUnitsAt({1, 1}, QRect(0, 0, 640, 360), QRect(), QSize(640, 360)));
    EXPECT_FALSE(frameUnitsAt({1, 1}, QRect(0, 0, 640, 360), QRect(0, 0, 640, 360), QSize()));
}

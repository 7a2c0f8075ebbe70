#include "sim/eyetribe/MovingBall.h"
#include "sim/eyetribe/GazePath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace sim;

TEST(MovingBall, MovesSmoothlyInsideTheFrameAndComesBackAfterItsLoop)
{
    const FramePoint start = MovingBall::at(0);
    FramePoint previous = start;
    double travelled = 0;
    for (int ms = 1; ms <= MovingBall::periodMs; ++ms) {
        const FramePoint p = MovingBall::at(ms);
        const double step = std::hypot(p.x - previous.x, p.y - previous.y);
        // No jump anywhere, the loop's seam and the stretches' ends included.
        ASSERT_LT(step, 0.001) << "at " << ms << " ms";
        travelled += step;
        EXPECT_GT(p.x - MovingBall::radius, 0.0);
        EXPECT_LT(p.x + MovingBall::radius, 1.0);
        EXPECT_GT(p.y - MovingBall::radius, 0.0);
        EXPECT_LT(p.y + MovingBall::radius, 1.0);
        previous = p;
    }
    EXPECT_NEAR(previous.x, start.x, 1e-9);
    EXPECT_NEAR(previous.y, start.y, 1e-9);
    EXPECT_GT(travelled, 1.0) << "the ball goes round the frame";
    const FramePoint before = MovingBall::at(-500);
    const FramePoint wrapped = MovingBall::at(MovingBall::periodMs - 500);
    EXPECT_DOUBLE_EQ(before.x, wrapped.x);
    EXPECT_DOUBLE_EQ(before.y, wrapped.y);
}

TEST(MovingBall, TheFrameShowsTheBallWhereItsFormulaPutsIt)
{
    std::vector<std::uint8_t> pixels;
    const int width = 320, height = 180;
    for (const double ms : {0.0, 1800.0, 7500.0}) {
        MovingBall::drawFrame(pixels, width, height, ms);
        ASSERT_EQ(pixels.size(), std::size_t{width * height * 4});
        // The ball is the only yellow thing: its pixels' centroid is its centre.
        double sumX = 0, sumY = 0, count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = &pixels[(std::size_t(y) * width + x) * 4];
                if (p[0] > 150 && p[2] < 100) {
                    sumX += x + 0.5;
                    sumY += y + 0.5;
                    ++count;
                }
            }
        ASSERT_GT(count, 0) << ms;
        const FramePoint centre = MovingBall::at(ms);
        EXPECT_NEAR(sumX / count, centre.x * width, 1.0) << ms;
        EXPECT_NEAR(sumY / count, centre.y * height, 1.0) << ms;
        // Round in a frame of any shape: as wide as high.
        EXPECT_NEAR(count, M_PI * std::pow(MovingBall::radius * height, 2), 0.15 * count) << ms;
    }
}

TEST(MovingBall, TheViewerFollowsTheBallAndBlinks)
{
    const int width = 1920, height = 1080, framerate = 60;
    const GazePath path = GazePath::followingBall(7, framerate, width, height);
    ASSERT_EQ(path.size(), std::size_t{MovingBall::periodMs * framerate / 1000});
    int near = 0, tracked = 0, blinks = 0, moving = 0, saccades = 0;
    bool wasTracked = true, wasFixation = true;
    for (std::size_t frame = 0; frame < path.size(); ++frame) {
        const GazeSample& s = path.at(frame);
        saccades += s.tracked && !s.fixation && wasFixation;
        wasFixation = !s.tracked || s.fixation;
        if (!s.tracked && wasTracked)
            ++blinks;
        wasTracked = s.tracked;
        if (!s.tracked)
            continue;
        ++tracked;
        const FramePoint ball = MovingBall::at(frame * 1000.0 / framerate);
        const FramePoint later = MovingBall::at(frame * 1000.0 / framerate + 100);
        moving += later.x != ball.x || later.y != ball.y;
        // Within about two degrees (a desktop screen is some 44 degrees across).
        near += std::hypot(s.x - ball.x * width, s.y - ball.y * height) < 2 * width / 44.0;
        EXPECT_GT(s.pupilSize, 10.0f);
    }
    EXPECT_GE(blinks, 2);
    EXPECT_GE(saccades, 3) << "the eye catches up with the gliding ball now and then";
    EXPECT_GT(tracked, 0.9 * path.size());
    EXPECT_GT(near, 0.9 * tracked) << near << " of " << tracked << " samples near the ball";
    EXPECT_GT(moving, 0.4 * tracked) << "the ball moves for much of the loop, and the eye with it";
}

TEST(MovingBall, TheAreaFileKeysTheBallThroughTheMovie)
{
    std::istringstream file(MovingBall::aoiFile(640, 360, 1000, 300));
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, "#Gazeview AOI file version 1");
    std::getline(file, line);
    EXPECT_EQ(line, "name;shape;time_ms;x;y;width;height");
    std::vector<int> times;
    while (std::getline(file, line)) {
        int time = 0;
        long x = 0, y = 0, w = 0, h = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "ball;ellipse;%d;%ld;%ld;%ld;%ld", &time, &x, &y, &w, &h), 5)
            << line;
        const FramePoint centre = MovingBall::at(time);
        EXPECT_NEAR((x + w / 2.0) / 1e6, centre.x, 1e-5);
        EXPECT_NEAR((y + h / 2.0) / 1e6, centre.y, 1e-5);
        EXPECT_NEAR(w * 640.0, h * 360.0, 640.0) << "round on the frame";
        EXPECT_GT(h / 2e6, MovingBall::radius) << "the area holds the whole ball";
        times.push_back(time);
    }
    EXPECT_EQ(times, (std::vector<int>{0, 300, 600, 900, 1000})) << "the last key is the movie's end";
}

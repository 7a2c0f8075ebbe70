#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// A point of the picture as fractions of its width and height, (0, 0) top left.
struct FramePoint
{
    double x = 0;
    double y = 0;
};

// The demo movie's only moving thing: a ball that rests, then glides to the next
// corner of a loop, over and over. The movie is drawn from it and the stand-in's
// viewer follows it, so both agree on where the ball is at every movie time.
class MovingBall
{
public:
    // One round of the loop; the ball is where it started after it.
    static constexpr int periodMs = 12000;
    // Of the frame's height, so the ball stays round in any frame shape.
    static constexpr double radius = 0.07;

    // The ball's centre at a movie time (any time: the loop repeats both ways).
    static FramePoint at(double timeMs);

    // The frame at a movie time, 4 bytes a pixel (R, G, B, unused), rows top down.
    static void drawFrame(std::vector<std::uint8_t>& pixels, int width, int height, double timeMs);

    // An area-of-interest file for the movie: the ball as an ellipse a little larger than
    // itself (the margin is of the frame's height), keyed every `stepMs` up to `lengthMs`.
    static std::string aoiFile(int width, int height, int lengthMs, int stepMs = 200, double margin = 0.04);
};

} // namespace sim

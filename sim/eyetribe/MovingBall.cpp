#include "sim/eyetribe/MovingBall.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>

namespace sim {

namespace {

// The corners of the loop, visited in order; each stretch rests, then glides.
constexpr std::array<FramePoint, 4> corners{{{0.25, 0.30}, {0.75, 0.35}, {0.70, 0.72}, {0.30, 0.66}}};
constexpr double stretchMs = static_cast<double>(MovingBall::periodMs) / corners.size();
constexpr double restMs = 1000;

// Slow off, slow in: the speed peaks halfway, as a thrown-and-caught object's would.
double ease(double share)
{
    return share * share * (3 - 2 * share);
}

std::uint8_t channel(double value)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

} // namespace

FramePoint MovingBall::at(double timeMs)
{
    double inLoop = std::fmod(timeMs, static_cast<double>(periodMs));
    if (inLoop < 0)
        inLoop += periodMs;
    const auto stretch = std::min(static_cast<std::size_t>(inLoop / stretchMs), corners.size() - 1);
    const FramePoint from = corners[stretch];
    const FramePoint to = corners[(stretch + 1) % corners.size()];
    const double intoStretch = inLoop - stretch * stretchMs;
    const double share = intoStretch <= restMs ? 0 : ease((intoStretch - restMs) / (stretchMs - restMs));
    return {from.x + (to.x - from.x) * share, from.y + (to.y - from.y) * share};
}

void MovingBall::drawFrame(std::vector<std::uint8_t>& pixels, int width, int height, double timeMs)
{
    pixels.resize(static_cast<std::size_t>(width) * height * 4);
    const FramePoint centre = at(timeMs);
    const double cx = centre.x * width, cy = centre.y * height, r = radius * height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // A calm backdrop with faint stripes, so the picture is no flat field.
            const double stripe = ((x / 40 + y / 40) % 2) ? 6 : 0;
            double red = 36 + stripe, green = 62 + stripe, blue = 92 + stripe;
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            const double distance = std::sqrt(dx * dx + dy * dy);
            // Smooth edge one pixel wide; lit from the top left.
            const double cover = std::clamp(r - distance + 0.5, 0.0, 1.0);
            if (cover > 0) {
                const double light = 1 - 0.35 * std::clamp((dx + dy) / (2 * r) + 0.5, 0.0, 1.0);
                red += cover * (250 * light - red);
                green += cover * (210 * light - green);
                blue += cover * (60 * light - blue);
            }
            std::uint8_t* pixel = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            pixel[0] = channel(red);
            pixel[1] = channel(green);
            pixel[2] = channel(blue);
            pixel[3] = 255;
        }
    }
}

std::string MovingBall::aoiFile(int width, int height, int lengthMs, int stepMs, double margin)
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << "#Gazeview AOI file version 1\nname;shape;time_ms;x;y;width;height\n";
    // The area's box in millionths of the frame; the ellipse stays round on the frame.
    const double halfHeight = radius + margin;
    const double halfWidth = halfHeight * height / width;
    const int step = std::max(1, stepMs);
    for (int key = 0; key <= (lengthMs + step - 1) / step; ++key) {
        // The last key falls on the movie's end.
        const int time = std::min(key * step, lengthMs);
        const FramePoint centre = at(time);
        out << "ball;ellipse;" << time << ';' << std::lround((centre.x - halfWidth) * 1e6) << ';'
            << std::lround((centre.y - halfHeight) * 1e6) << ';' << std::lround(2 * halfWidth * 1e6) << ';'
            << std::lround(2 * halfHeight * 1e6) << '\n';
    }
    return out.str();
}

} // namespace sim

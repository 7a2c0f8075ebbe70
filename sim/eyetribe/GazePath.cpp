#include "sim/eyetribe/GazePath.h"

#include "sim/eyetribe/MovingBall.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <sstream>

namespace sim {

GazePath GazePath::synthetic(unsigned seed, int framerate, int screenWidth, int screenHeight, int lengthMs)
{
    std::mt19937 random(seed);
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    const double frameMs = 1000.0 / framerate;
    const auto frames = static_cast<std::size_t>(std::max(1.0, lengthMs / frameMs));

    GazePath path;
    path.samples_.reserve(frames);
    double x = screenWidth / 2.0;
    double y = screenHeight / 2.0;
    double nextBlinkMs = uniform(2000, 5000);
    double timeMs = 0;
    while (path.samples_.size() < frames) {
        // One fixation near a target, with a little tremor and a slowly changing pupil.
        const double fixationMs = uniform(150, 600);
        const double pupil = uniform(14, 20);
        for (double t = 0; t < fixationMs && path.samples_.size() < frames; t += frameMs, timeMs += frameMs) {
            GazeSample sample{static_cast<float>(x + uniform(-3, 3)), static_cast<float>(y + uniform(-3, 3)),
                              static_cast<float>(pupil + uniform(-0.3, 0.3)), true, true};
            if (timeMs >= nextBlinkMs && timeMs < nextBlinkMs + 150) {
                sample = GazeSample{};
            } else if (timeMs >= nextBlinkMs + 150) {
                nextBlinkMs = timeMs + uniform(2000, 5000);
            }
            path.samples_.push_back(sample);
        }
        // A saccade to the next target.
        const double targetX = uniform(0.05, 0.95) * screenWidth;
        const double targetY = uniform(0.05, 0.95) * screenHeight;
        const double saccadeMs = uniform(30, 60);
        const int steps = std::max(1, static_cast<int>(std::lround(saccadeMs / frameMs)));
        for (int step = 1; step <= steps && path.samples_.size() < frames; ++step, timeMs += frameMs) {
            const double share = static_cast<double>(step) / steps;
            path.samples_.push_back({static_cast<float>(x + (targetX - x) * share),
                                     static_cast<float>(y + (targetY - y) * share), static_cast<float>(pupil),
                                     false, true});
        }
        x = targetX;
        y = targetY;
    }
    return path;
}

GazePath GazePath::followingBall(unsigned seed, int framerate, int screenWidth, int screenHeight)
{
    std::mt19937 random(seed);
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    std::normal_distribution<double> tremor(0, 1);
    const double frameMs = 1000.0 / framerate;
    const auto frames = static_cast<std::size_t>(std::max(1L, std::lround(MovingBall::periodMs / frameMs)));
    // About 44 degrees across a desktop screen at a normal viewing distance.
    const double degree = screenWidth / 44.0;
    const auto ball = [&](double timeMs) {
        const FramePoint p = MovingBall::at(timeMs);
        return std::pair{p.x * screenWidth, p.y * screenHeight};
    };
    // Pursuit starts about 150 ms after the ball does, a little slower than the ball.
    constexpr double pursuitLagMs = 150, pursuitGain = 0.75;
    // Per frame at 60 frames a second, as a share of the distance left.
    const double drift = 0.01 * 60.0 / framerate;
    constexpr double catchUpDeg = 1.5, saccadeRefractoryMs = 180;

    GazePath path;
    path.samples_.reserve(frames);
    auto [x, y] = ball(0);
    double lastSaccadeMs = -saccadeRefractoryMs;
    int saccadeFramesLeft = 0;
    double saccadeStepX = 0, saccadeStepY = 0;
    double nextBlinkMs = uniform(2500, 4000);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const double timeMs = frame * frameMs;
        const auto [ballX, ballY] = ball(timeMs);
        if (saccadeFramesLeft > 0) {
            x += saccadeStepX;
            y += saccadeStepY;
            --saccadeFramesLeft;
        } else {
            const auto [lagX, lagY] = ball(timeMs - pursuitLagMs);
            const auto [lagNextX, lagNextY] = ball(timeMs - pursuitLagMs + frameMs);
            // Smooth pursuit, and a slow drift that takes up what is left when the ball rests.
            x += pursuitGain * (lagNextX - lagX) + drift * (ballX - x);
            y += pursuitGain * (lagNextY - lagY) + drift * (ballY - y);
            const double error = std::hypot(ballX - x, ballY - y);
            if (error > catchUpDeg * degree && timeMs - lastSaccadeMs >= saccadeRefractoryMs) {
                // A catch-up saccade of 30-50 ms lands near where the ball will be.
                const int steps = std::max(1, static_cast<int>(std::lround(uniform(30, 50) / frameMs)));
                const auto [aimX, aimY] = ball(timeMs + steps * frameMs);
                saccadeStepX = (aimX + uniform(-0.3, 0.3) * degree - x) / steps;
                saccadeStepY = (aimY + uniform(-0.3, 0.3) * degree - y) / steps;
                saccadeFramesLeft = steps;
                lastSaccadeMs = timeMs;
            }
        }
        const bool inSaccade = saccadeFramesLeft > 0;
        GazeSample sample{
            static_cast<float>(x + 0.1 * degree * tremor(random)),
            static_cast<float>(y + 0.1 * degree * tremor(random)),
            static_cast<float>(17 + 2 * std::sin(2 * std::numbers::pi * timeMs / 6000) + uniform(-0.2, 0.2)),
            !inSaccade, true};
        if (timeMs >= nextBlinkMs + 150)
            nextBlinkMs = timeMs + uniform(4000, 6000);
        else if (timeMs >= nextBlinkMs)
            sample = GazeSample{};
        path.samples_.push_back(sample);
    }
    return path;
}

GazePath GazePath::read(std::istream& in, std::string& error)
{
    GazePath path;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        if (line.substr(first) == "-") {
            path.samples_.push_back({});
            continue;
        }
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        GazeSample sample{0, 0, 16, true, true};
        char separator = 0;
        const bool good = (fields >> sample.x >> separator) && separator == ';' && (fields >> sample.y);
        if (good && (fields >> separator)) {
            if (separator != ';' || !(fields >> sample.pupilSize)) {
                error = "line " + std::to_string(number) + ": expected x;y;psize";
                return {};
            }
        }
        if (!good || !std::isfinite(sample.x) || !std::isfinite(sample.y) || !(fields >> std::ws).eof()) {
            error = "line " + std::to_string(number) + ": expected x;y or x;y;psize";
            return {};
        }
        path.samples_.push_back(sample);
    }
    if (path.samples_.empty())
        error = "no samples";
    return path;
}

} // namespace sim

#include "sim/eyetribe/GazePath.h"

#include <algorithm>
#include <cmath>
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

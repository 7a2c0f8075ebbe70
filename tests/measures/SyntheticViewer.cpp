#include "SyntheticViewer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace measures_test {
namespace {

using measures::EventType;

struct Segment
{
    EventType type;
    double startMs;
    double endMs;
    double x0, y0; // degrees at the start
    double x1, y1; // at the end
};

// How far along its way a saccade is at time t, 0 to 1.
double progress(const Segment& saccade, double t)
{
    const double f = std::clamp((t - saccade.startMs) / (saccade.endMs - saccade.startMs), 0.0, 1.0);
    return (1 - std::cos(std::numbers::pi * f)) / 2;
}

double toRad(double deg)
{
    return deg * std::numbers::pi / 180.0;
}

} // namespace

int unitsX(const ScreenGeometry& g, double deg)
{
    return static_cast<int>(std::lround((std::tan(toRad(deg)) * g.distanceMm / g.widthMm + 0.5) * 1e6));
}

int unitsY(const ScreenGeometry& g, double deg)
{
    return static_cast<int>(std::lround((std::tan(toRad(deg)) * g.distanceMm / g.heightMm + 0.5) * 1e6));
}

LabelledGaze synthesiseViewer(unsigned seed, const ViewerShape& shape, const ScreenGeometry& geometry)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto between = [&](double a, double b) { return a + (b - a) * unit(random); };
    const double xLimit = geometry.horizontalDeg(1e6) - 1.5;
    const double yLimit = geometry.verticalDeg(1e6) - 1.5;

    std::vector<Segment> segments;
    double t = 0;
    double x = 0;
    double y = 0;
    bool moving = false;
    while (t < shape.durationMs) {
        // Rest or follow a target.
        if (moving) {
            const double speed = between(2, 20);
            const double angle = between(0, 2 * std::numbers::pi);
            double ms = between(300, 1200);
            const double vx = speed * std::cos(angle) / 1000, vy = speed * std::sin(angle) / 1000;
            // Stop at the screen's edge.
            if (vx != 0)
                ms = std::min(ms, ((vx > 0 ? xLimit : -xLimit) - x) / vx);
            if (vy != 0)
                ms = std::min(ms, ((vy > 0 ? yLimit : -yLimit) - y) / vy);
            ms = std::max(ms, 0.0);
            segments.push_back({EventType::Pursuit, t, t + ms, x, y, x + vx * ms, y + vy * ms});
            x += vx * ms;
            y += vy * ms;
            t += ms;
        } else {
            const double ms = between(150, 600);
            segments.push_back({EventType::Fixation, t, t + ms, x, y, x, y});
            t += ms;
            if (unit(random) < shape.blinkShare) {
                const double blink = between(80, 250);
                segments.push_back({EventType::Loss, t, t + blink, x, y, x, y});
                t += blink;
            }
        }
        // Then a saccade to somewhere on the screen, 1 to 20 degrees away.
        double tx = 0, ty = 0, amplitude = 0;
        for (int attempt = 0; attempt < 20; ++attempt) {
            amplitude = std::exp(between(std::log(1.0), std::log(20.0)));
            const double angle = between(0, 2 * std::numbers::pi);
            tx = x + amplitude * std::cos(angle);
            ty = y + amplitude * std::sin(angle);
            if (std::abs(tx) < xLimit && std::abs(ty) < yLimit)
                break;
            tx = std::clamp(tx, -xLimit, xLimit);
            ty = std::clamp(ty, -yLimit, yLimit);
        }
        amplitude = std::hypot(tx - x, ty - y);
        const double ms = 21 + 2.2 * amplitude;
        segments.push_back({EventType::Saccade, t, t + ms, x, y, tx, ty});
        x = tx;
        y = ty;
        t += ms;
        moving = unit(random) < shape.pursuitShare;
    }

    LabelledGaze gaze;
    std::normal_distribution<double> noise(0.0, shape.noiseDeg / std::sqrt(2.0));
    std::size_t s = 0;
    double previous = -1e9;
    for (long long k = 0;; ++k) {
        const double time = std::round(static_cast<double>(k) * 1000.0 / shape.rateHz);
        if (time >= t || time > shape.durationMs)
            break;
        while (segments[s].endMs <= time)
            ++s;
        const Segment& now = segments[s];
        // A saccade moved the gaze since the sample before: by a fifth of its
        // amplitude, or by a fifth of what its peak speed covers in that time.
        bool saccadic = false;
        for (std::size_t b = s + 1; b > 0 && segments[b - 1].endMs > previous; --b) {
            const Segment& past = segments[b - 1];
            if (past.type != EventType::Saccade)
                continue;
            const double amplitude = std::hypot(past.x1 - past.x0, past.y1 - past.y0);
            const double moved = amplitude * (progress(past, std::min(time, past.endMs)) -
                                              progress(past, std::max(previous, past.startMs)));
            const double peakDegMs = amplitude * std::numbers::pi / 2 / (past.endMs - past.startMs);
            saccadic = saccadic || moved >= 0.2 * amplitude || moved >= 0.2 * peakDegMs * (time - previous);
        }
        EventType label = now.type;
        if (saccadic)
            label = EventType::Saccade;
        else if (now.type == EventType::Saccade) // it has hardly begun: still what came before
            label = s > 0 && segments[s - 1].type == EventType::Pursuit ? EventType::Pursuit
                                                                        : EventType::Fixation;
        double px = now.x0, py = now.y0;
        const double f = now.endMs > now.startMs ? (time - now.startMs) / (now.endMs - now.startMs) : 0;
        if (now.type == EventType::Pursuit) {
            px += (now.x1 - now.x0) * f;
            py += (now.y1 - now.y0) * f;
        } else if (now.type == EventType::Saccade) {
            const double shapeOf = (1 - std::cos(std::numbers::pi * f)) / 2;
            px += (now.x1 - now.x0) * shapeOf;
            py += (now.y1 - now.y0) * shapeOf;
        }
        measures::GazeSample sample;
        sample.timeMs = static_cast<int>(time);
        sample.usable = now.type != EventType::Loss;
        if (sample.usable) {
            sample.x = unitsX(geometry, px + noise(random));
            sample.y = unitsY(geometry, py + noise(random));
        } else {
            sample.x = sample.y = -1;
            label = EventType::Loss;
        }
        gaze.samples.push_back(sample);
        gaze.truth.push_back(label);
        previous = time;
    }
    return gaze;
}

} // namespace measures_test

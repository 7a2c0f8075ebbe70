#include "measures/EventParameters.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace measures {

EventParameters::EventParameters()
{
    // Nystrom and Holmqvist use six deviations on velocities filtered at
    // 1250 Hz. Here velocities are plain differences of one or a few samples:
    // noise spreads them so widely that six deviations miss most saccades below
    // 5 degrees (they last one or two samples and never show their peak speed).
    // Three recovers them on labelled gaze at 30 and 60 Hz, and the floor
    // below keeps pursuit out.
    peakK = 3;
    // Their onset criterion, three deviations: edges of a saccade that the peak
    // threshold leaves out.
    onsetK = 3;
    // Their starting value; the iteration forgets it within a few rounds.
    initialPeakDegS = 100;
    // Pursuit of film action reaches 20 to 30 deg/s; a threshold below that
    // would cut clean, fast pursuits into saccades.
    minPeakDegS = 40;
    // Noise changes over a long screening (the head moves, the tracker
    // loses its calibration): each minute gets a threshold of its own.
    thresholdWindowMs = 60000;
    // At 30 to 60 Hz a velocity spans one sample; at higher rates it spans
    // 10 ms, which keeps the noise down without blurring a saccade away.
    velocityIntervalMs = 10;
    // Two missing samples at 30 Hz, five at 60 Hz, pass as the same run.
    maxGapMs = 100;
    // 0.4 s holds 12 samples at 30 Hz: enough to tell a 4 deg/s drift from
    // 1 deg of noise, short enough to follow a pursuit's start and end.
    pursuitWindowMs = 400;
    // Slower than 2 deg/s is drift within a fixation.
    pursuitMinSpeedDegS = 2;
    // The movement over the window must stand three standard errors above
    // what the scatter around it explains.
    pursuitMinConsistency = 3;
    // A saccade too small for the velocity threshold leaves a jump that a
    // line also fits; the line must leave less than 1.5 times the scatter of
    // the best single jump (a jump has one more value to fit: the moment).
    pursuitStepRatio = 1.5;
    // Pursuits of the eye take about 100 ms to start; anything shorter is noise.
    minPursuitMs = 120;
    // The shortest fixations in reading and scene viewing last about 60 ms.
    minFixationMs = 60;
    // Two fixations closer than half a degree, with under 75 ms between them,
    // are one fixation broken by noise.
    mergeDistanceDeg = 0.5;
    mergeGapMs = 75;
}

namespace {

constexpr std::array<EventParameterInfo, 15> infos{{
    {"saccade-peak-k",
     "Saccade peak threshold: mean plus this many standard deviations of the slower velocities.",
     &EventParameters::peakK, 1, 20},
    {"saccade-onset-k", "Saccade edges: mean plus this many standard deviations.", &EventParameters::onsetK,
     0, 20},
    {"saccade-initial-deg-s", "Starting value of the peak threshold iteration, deg/s.",
     &EventParameters::initialPeakDegS, 10, 2000},
    {"saccade-min-peak-deg-s", "Lowest peak threshold, deg/s.", &EventParameters::minPeakDegS, 0, 2000},
    {"threshold-window-ms", "Stretch of recording with a peak threshold of its own, ms.",
     &EventParameters::thresholdWindowMs, 1000, 1e9},
    {"velocity-interval-ms", "Shortest time a velocity is measured over, ms.",
     &EventParameters::velocityIntervalMs, 0, 100},
    {"max-gap-ms", "Longest silence between samples that is not a loss, ms.", &EventParameters::maxGapMs, 1,
     10000},
    {"pursuit-window-ms", "Window over which fixation and pursuit are told apart, ms.",
     &EventParameters::pursuitWindowMs, 20, 5000},
    {"pursuit-min-speed-deg-s", "Slowest pursuit, deg/s.", &EventParameters::pursuitMinSpeedDegS, 0, 1000},
    {"pursuit-min-consistency",
     "Movement over the window in standard errors of the scatter around it, at least, for a pursuit.",
     &EventParameters::pursuitMinConsistency, 0, 1000},
    {"pursuit-step-ratio",
     "A pursuit's line leaves less than this times the scatter left by the best single jump of the gaze.",
     &EventParameters::pursuitStepRatio, 0, 100},
    {"min-pursuit-ms", "Shortest pursuit, ms; shorter ones become fixation.", &EventParameters::minPursuitMs,
     0, 10000},
    {"min-fixation-ms", "Shortest fixation, ms; shorter ones join their neighbours.",
     &EventParameters::minFixationMs, 0, 10000},
    {"merge-distance-deg", "Fixations closer than this, deg, with a short gap between them, are merged.",
     &EventParameters::mergeDistanceDeg, 0, 10},
    {"merge-gap-ms", "Longest gap between fixations that are merged, ms.", &EventParameters::mergeGapMs, 0,
     10000},
}};

std::string shortNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

} // namespace

std::span<const EventParameterInfo> eventParameterInfos()
{
    return infos;
}

bool setEventParameter(EventParameters& parameters, const std::string& name, const std::string& text,
                       std::string& error)
{
    for (const EventParameterInfo& info : infos) {
        if (name != info.name)
            continue;
        double value = 0;
        const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (problem != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
            value < info.min || value > info.max) {
            error = "--" + name + " needs a number from " + shortNumber(info.min) + " to " +
                    shortNumber(info.max) + ", not \"" + text + "\"";
            return false;
        }
        parameters.*info.member = value;
        return true;
    }
    error = "unknown event parameter " + name;
    return false;
}

} // namespace measures

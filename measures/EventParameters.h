#pragma once

#include <span>
#include <string>

namespace measures {

// Everything the event classification can be tuned by. The defaults suit
// recordings of films at 30 to 60 Hz with 0.3 to 1 degree of noise and stay
// sound at higher rates; the reasons are given beside each value in
// EventParameters.cpp.
struct EventParameters
{
    // Saccades: a data-driven peak velocity threshold, iterated to the mean
    // plus peakK standard deviations of the velocities below it.
    double peakK = 0;
    double onsetK = 0;             // saccade edges: mean plus onsetK deviations
    double initialPeakDegS = 0;    // where the iteration starts
    double minPeakDegS = 0;        // the threshold never falls below this
    double thresholdWindowMs = 0;  // stretch of recording with a threshold of its own
    double velocityIntervalMs = 0; // velocities span at least this much time
    // Loss: a silence between samples longer than this is a loss of its own.
    double maxGapMs = 0;
    // Fixation or pursuit, between saccades, over a window of this length.
    double pursuitWindowMs = 0;
    double pursuitMinSpeedDegS = 0;   // slower drifts are fixation
    double pursuitMinConsistency = 0; // fitted movement over the window / scatter around it
    double pursuitStepRatio = 0;      // line residual / residual of the best single jump, below
    double minPursuitMs = 0;
    double minFixationMs = 0;
    // Fixations this close in place and time are one.
    double mergeDistanceDeg = 0;
    double mergeGapMs = 0;

    EventParameters();
};

// One tunable value, for command lines and documentation.
struct EventParameterInfo
{
    const char* name; // option name, e.g. "saccade-peak-k"
    const char* help; // one sentence, the default is added by the caller
    double EventParameters::*member;
    double min;
    double max;
};

std::span<const EventParameterInfo> eventParameterInfos();

// Sets the parameter called name from text; false (and a reason in error) when
// the name is unknown or the value not a number within its bounds.
bool setEventParameter(EventParameters& parameters, const std::string& name, const std::string& text,
                       std::string& error);

} // namespace measures

#pragma once

// Pupil statistics of a set of results at one 32 ms step.
struct PupilStep
{
    int time = 0;      // ms, a multiple of 32
    int mean = 0;      // mean diameter over the viewers, 100 nm
    int deviation = 0; // spread of the viewers' diameters around the mean, 100 nm

    friend bool operator==(const PupilStep&, const PupilStep&) = default;
};

// Consecutive steps at which every viewer's sample stays the same, so they share
// one mean and one deviation: steps first.time, first.time + 32, ... (steps of them).
struct PupilRun
{
    PupilStep first;
    int steps = 1;

    friend bool operator==(const PupilRun&, const PupilRun&) = default;
};

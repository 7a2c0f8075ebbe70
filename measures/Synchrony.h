#pragma once

#include "common/ScreenGeometry.h"
#include "measures/GazeSample.h"

#include <cstddef>
#include <span>
#include <vector>

namespace measures {

struct SynchronyParameters
{
    int stepMs = 40;        // one value per step of movie time, at its multiples
    double sigmaDeg = 1.0;  // spread of each viewer's gaze on the attention map
    int sampleReachMs = 50; // a viewer's sample nearest a step counts when this close
    unsigned threads = 0;   // 0: as many as the machine has cores
};

// How tightly the viewers' gaze clusters at one step.
struct SynchronyStep
{
    int timeMs = 0;
    int viewers = 0; // viewers with a usable sample at the step
    // Both need two viewers or more; 0 otherwise.
    double dispersionDeg = 0; // mean distance from the viewers' centroid
    double nss = 0;           // leave-one-out normalised scanpath saliency, averaged over the viewers
};

// Sums over the steps of one time bin, for one viewer or for all.
struct SynchronySums
{
    std::size_t steps = 0;    // steps with two viewers or more that count here
    double dispersionDeg = 0; // all: dispersions; one viewer: its distances from the centroid
    double nss = 0;           // all: the steps' NSS; one viewer: its own leave-one-out NSS
};

struct SynchronyBin
{
    SynchronySums all;
    std::vector<SynchronySums> viewers; // by viewer index
};

struct SynchronyResult
{
    std::vector<SynchronyStep> steps;
    // One per bin start given (empty without bins).
    std::vector<SynchronyBin> bins;
};

// Attentional synchrony of a set of viewers of one film.
//
// viewers: each viewer's samples with ascending times. Steps are the multiples
// of stepMs at which at least one viewer has a sample within sampleReachMs;
// stretches where nobody has samples are left out, so work grows with the
// samples and not with the times they carry. At each step every viewer
// contributes its nearest sample if that is usable and lies on the screen.
//
// The map of the others for a viewer is the sum of Gaussians (sigmaDeg) at
// their gaze, z-scored over the screen; the viewer's NSS is that map's value
// at its own gaze. Angles use geometry (one screen for the whole set).
//
// binStartsMs: ascending start times of bins (shots); a bin runs to the next
// start, the last to the end. Steps before the first start fall in no bin.
SynchronyResult computeSynchrony(std::span<const GazeColumns> viewers, const ScreenGeometry& geometry,
                                 const SynchronyParameters& parameters = {},
                                 std::span<const int> binStartsMs = {});
SynchronyResult computeSynchrony(std::span<const std::span<const GazeSample>> viewers,
                                 const ScreenGeometry& geometry, const SynchronyParameters& parameters = {},
                                 std::span<const int> binStartsMs = {});

} // namespace measures

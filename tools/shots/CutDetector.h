#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Finds hard cuts in a sequence of frames by how much the colours of each part
// of the picture change from one frame to the next. The picture is divided
// into 2 x 2 parts; each part's colours are counted in 4 x 4 x 4 bins. The
// score of a frame is the mean, over the parts, of the share of pixels that
// would have to change bins to turn the previous frame's counts into this
// frame's (0: the same colours, 1: nothing in common). Motion moves few pixels
// between bins; a cut replaces most of them.
class CutDetector
{
public:
    static constexpr int kParts = 4;
    static constexpr int kBins = 64;
    using Histogram = std::array<std::array<float, kBins>, kParts>;

    struct Cut
    {
        std::int64_t timeMs; // the first frame of the new shot
        double score;
    };

    // threshold: the score from which a change is a cut. minShotMs: a change
    // sooner than this after the previous cut is not a new shot (flashes).
    CutDetector(double threshold, std::int64_t minShotMs);

    // Takes the next frame; returns its score against the previous frame (none
    // for the first frame). Frames come in presentation order.
    std::optional<double> add(const QImage& frame, std::int64_t timeMs);

    const std::vector<Cut>& cuts() const { return cuts_; }

    // Colour counts of a frame, each part normalised to a sum of 1.
    static Histogram histogram(const QImage& frame);
    static double score(const Histogram& before, const Histogram& after);

private:
    double threshold_;
    std::int64_t minShotMs_;
    std::optional<Histogram> previous_;
    std::int64_t lastCutMs_ = 0;
    std::vector<Cut> cuts_;
};

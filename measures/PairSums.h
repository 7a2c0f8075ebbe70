#pragma once

#include <cstddef>

namespace measures {

// For points (x[k], y[k]), k < count, sorted by x, and every pair i < j
// with x[j] - x[i] within reach (and some pairs beyond it), with
// e = exp(scale * squared distance) (scale < 0): adds e to rowSum[i] and
// rowSum[j], and e squared to squareSum[i] and squareSum[j]. Pairs further
// apart than reach are left out: choose it where e no longer matters.
//
// count must be a multiple of kPairBlock, the arrays that long; points past
// the real ones should lie far away to the right (their e then vanishes).
// exp is evaluated in single precision, to a few parts in ten thousand.
constexpr std::size_t kPairBlock = 8;
void addPairSums(const float* x, const float* y, std::size_t count, float scale, float reach, float* rowSum,
                 float* squareSum);

} // namespace measures

#pragma once

#include <cstddef>

namespace measures {

// For points (x[k], y[k]), k < count, and every pair i < j, with
// e = exp(scale * squared distance) (scale < 0): adds e to rowSum[i] and
// rowSum[j], and e squared to squareSum[i] and squareSum[j].
//
// count must be a multiple of kPairBlock, the arrays that long; points past
// the real ones should lie far away (their e then vanishes). A few parts in a
// million of error: exp is evaluated in single precision.
constexpr std::size_t kPairBlock = 8;
void addPairSums(const float* x, const float* y, std::size_t count, float scale, float* rowSum,
                 float* squareSum);

} // namespace measures

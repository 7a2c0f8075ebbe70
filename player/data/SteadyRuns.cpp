#include "player/data/SteadyRuns.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>

namespace {

__extension__ typedef __int128 Wide;

// Blocks of this many samples are the smallest that are summed up in boxes;
// walks shorter than two of them go sample by sample.
constexpr int kBlockLevel = 4;
constexpr size_t kBlock = size_t{1} << kBlockLevel;

struct Box
{
    int minX;
    int maxX;
    int minY;
    int maxY;
    bool allUsable;
};

Wide squared(std::int64_t d)
{
    return static_cast<Wide>(d) * d;
}

// True when the distances are strictly within the circle.
bool within(std::int64_t dx, std::int64_t dy, Wide radius2)
{
    // Screen positions differ by far less than 2^31, where 64 bits hold the sum.
    constexpr std::int64_t narrow = std::int64_t{1} << 31;
    if (dx < narrow && dy < narrow && radius2 < (Wide{1} << 62))
        return dx * dx + dy * dy < static_cast<std::int64_t>(radius2);
    return squared(dx) + squared(dy) < radius2;
}

// True only when every point of the box is usable and strictly within the circle;
// its farthest corner decides.
bool insideCircle(const Box& box, std::int64_t x, std::int64_t y, Wide radius2)
{
    if (!box.allUsable)
        return false;
    return within(std::max(std::abs(x - box.minX), std::abs(x - box.maxX)),
                  std::max(std::abs(y - box.minY), std::abs(y - box.maxY)), radius2);
}

// Level L holds the boxes of the aligned blocks [b * 2^(L + kBlockLevel), (b + 1) * 2^(L + kBlockLevel) - 1]
// that are complete. The vectors of levels are reused.
void buildLevels(std::span<const int> avgX, std::span<const int> avgY, std::span<const char> usable,
                 std::vector<std::vector<Box>>& levels)
{
    size_t count = 1;
    for (size_t blocks = avgX.size() / kBlock; blocks >= 2; blocks /= 2)
        ++count;
    levels.resize(count);
    levels[0].resize(avgX.size() / kBlock);
    for (size_t b = 0; b < levels[0].size(); ++b) {
        const size_t first = b * kBlock;
        Box box{avgX[first], avgX[first], avgY[first], avgY[first], true};
        for (size_t i = first; i < first + kBlock; ++i) {
            box.minX = std::min(box.minX, avgX[i]);
            box.maxX = std::max(box.maxX, avgX[i]);
            box.minY = std::min(box.minY, avgY[i]);
            box.maxY = std::max(box.maxY, avgY[i]);
            box.allUsable = box.allUsable && usable[i] != 0;
        }
        levels[0][b] = box;
    }
    for (size_t level = 1; level < count; ++level) {
        const std::vector<Box>& below = levels[level - 1];
        std::vector<Box>& above = levels[level];
        above.resize(below.size() / 2);
        for (size_t b = 0; b < above.size(); ++b) {
            const Box& l = below[2 * b];
            const Box& r = below[2 * b + 1];
            above[b] = {std::min(l.minX, r.minX), std::max(l.maxX, r.maxX), std::min(l.minY, r.minY),
                        std::max(l.maxY, r.maxY), l.allUsable && r.allUsable};
        }
    }
}

// Kept by each thread from one call to the next, as fresh pages cost more than
// building the boxes; not beyond this many samples (about five hours at 60 Hz).
thread_local std::vector<std::vector<Box>> levelBuffers;
constexpr size_t kKeptSamples = size_t{1} << 20;

// Walks back from remaining, not past stop, while near(remaining - 1) holds;
// returns where it ended. Four samples are tried at once, without a branch for each.
template <typename Near>
inline __attribute__((always_inline)) size_t walkBack(size_t remaining, size_t stop, const Near& near)
{
    while (remaining - stop >= 4) {
        const unsigned passed =
            static_cast<unsigned>(near(remaining - 1)) | static_cast<unsigned>(near(remaining - 2)) << 1 |
            static_cast<unsigned>(near(remaining - 3)) << 2 | static_cast<unsigned>(near(remaining - 4)) << 3;
        if (passed != 15)
            return remaining - static_cast<size_t>(std::countr_one(passed));
        remaining -= 4;
    }
    while (remaining > stop && near(remaining - 1))
        --remaining;
    return remaining;
}

// Narrow: every difference of two positions and the squared radius leave
// room to add two squares in 64 bits.
template <bool Narrow>
void countRuns(std::span<const int> avgX, std::span<const int> avgY, std::span<const char> usable,
               Wide radius2, std::span<int> counts)
{
    std::vector<std::vector<Box>>& levels = levelBuffers;
    bool built = false; // when a walk first gets long
    for (size_t p = 0; p < avgX.size(); ++p) {
        const std::int64_t x = avgX[p];
        const std::int64_t y = avgY[p];
        const auto near = [&](size_t q) {
            const std::int64_t dx = x - avgX[q];
            const std::int64_t dy = y - avgY[q];
            if constexpr (Narrow)
                return (usable[q] != 0) & (dx * dx + dy * dy < static_cast<std::int64_t>(radius2));
            else
                return usable[q] != 0 && within(std::abs(dx), std::abs(dy), radius2);
        };
        // The items before index remaining are not passed yet; the walk goes on at remaining - 1.
        // Sample by sample while the run is short, up to the last block boundary at
        // least a block back.
        const size_t firstStop = p >= kBlock ? (p - kBlock) / kBlock * kBlock : 0;
        size_t remaining = walkBack(p, firstStop, near);
        if (remaining == firstStop && remaining > 0) {
            if (!built) {
                buildLevels(avgX, avgY, usable, levels);
                built = true;
            }
            const auto topLevel = static_cast<int>(levels.size()) - 1;
            while (remaining > 0) {
                // The largest aligned block ending here that passes as a whole.
                int level = std::min(std::countr_zero(remaining) - kBlockLevel, topLevel);
                while (level >= 0 &&
                       !insideCircle(
                           levels[static_cast<size_t>(level)][(remaining >> (level + kBlockLevel)) - 1], x, y,
                           radius2))
                    --level;
                if (level >= 0) {
                    remaining -= size_t{1} << (level + kBlockLevel);
                    continue;
                }
                // Its box reaches out of the circle, though its samples may not.
                const size_t blockStart = remaining - kBlock;
                remaining = walkBack(remaining, blockStart, near);
                if (remaining != blockStart)
                    break;
            }
        }
        counts[p] = static_cast<int>(p - remaining);
    }
    if (avgX.size() > kKeptSamples)
        levels = {};
}

} // namespace

std::vector<int> countSteadyRuns(std::span<const int> avgX, std::span<const int> avgY,
                                 std::span<const char> usable, int radius)
{
    std::vector<int> counts(avgX.size());
    countSteadyRuns(avgX, avgY, usable, radius, counts);
    return counts;
}

void countSteadyRuns(std::span<const int> avgX, std::span<const int> avgY, std::span<const char> usable,
                     int radius, std::span<int> counts)
{
    const Wide radius2 = squared(radius);
    if (avgX.empty())
        return;
    const auto [minX, maxX] = std::minmax_element(avgX.begin(), avgX.end());
    const auto [minY, maxY] = std::minmax_element(avgY.begin(), avgY.end());
    constexpr std::int64_t narrow = std::int64_t{1} << 31;
    if (std::int64_t{*maxX} - *minX < narrow && std::int64_t{*maxY} - *minY < narrow &&
        radius2 < (Wide{1} << 62))
        countRuns<true>(avgX, avgY, usable, radius2, counts);
    else
        countRuns<false>(avgX, avgY, usable, radius2, counts);
}

#include "player/data/SteadyRuns.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>

namespace {

__extension__ typedef __int128 Wide;

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

// Level L holds the boxes of the aligned blocks [b * 2^L, (b + 1) * 2^L - 1].
std::vector<std::vector<Box>> buildLevels(std::span<const int> avgX, std::span<const int> avgY,
                                          std::span<const char> usable)
{
    std::vector<std::vector<Box>> levels(1);
    levels[0].reserve(avgX.size());
    for (size_t i = 0; i < avgX.size(); ++i)
        levels[0].push_back({avgX[i], avgX[i], avgY[i], avgY[i], usable[i] != 0});
    while (levels.back().size() >= 2) {
        const std::vector<Box>& below = levels.back();
        std::vector<Box> level(below.size() / 2);
        for (size_t b = 0; b < level.size(); ++b) {
            const Box& l = below[2 * b];
            const Box& r = below[2 * b + 1];
            level[b] = {std::min(l.minX, r.minX), std::max(l.maxX, r.maxX), std::min(l.minY, r.minY),
                        std::max(l.maxY, r.maxY), l.allUsable && r.allUsable};
        }
        levels.push_back(std::move(level));
    }
    return levels;
}

// True only when every point of the box is usable and strictly within the circle;
// its farthest corner decides.
bool insideCircle(const Box& box, std::int64_t x, std::int64_t y, Wide radius2)
{
    if (!box.allUsable)
        return false;
    const std::int64_t dx = std::max(std::abs(x - box.minX), std::abs(x - box.maxX));
    const std::int64_t dy = std::max(std::abs(y - box.minY), std::abs(y - box.maxY));
    // Screen positions differ by far less than 2^31, where 64 bits hold the sum.
    constexpr std::int64_t narrow = std::int64_t{1} << 31;
    if (dx < narrow && dy < narrow && radius2 < (Wide{1} << 62))
        return dx * dx + dy * dy < static_cast<std::int64_t>(radius2);
    return squared(dx) + squared(dy) < radius2;
}

} // namespace

std::vector<int> countSteadyRuns(std::span<const int> avgX, std::span<const int> avgY,
                                 std::span<const char> usable, int radius)
{
    const auto levels = buildLevels(avgX, avgY, usable);
    std::vector<int> counts(avgX.size());
    const Wide radius2 = squared(radius);
    const auto topLevel = static_cast<int>(levels.size()) - 1;
    for (size_t p = 0; p < avgX.size(); ++p) {
        const std::int64_t x = avgX[p];
        const std::int64_t y = avgY[p];
        // The items before index remaining are not passed yet; the walk goes on at remaining - 1.
        size_t remaining = p;
        while (remaining > 0) {
            // The item itself first: a gaze on the move ends most walks right there.
            if (!insideCircle(levels[0][remaining - 1], x, y, radius2))
                break;
            // Then the largest aligned block ending at it that passes as a whole.
            int level = std::min(std::countr_zero(remaining), topLevel);
            while (level > 0 &&
                   !insideCircle(levels[static_cast<size_t>(level)][(remaining >> level) - 1], x, y, radius2))
                --level;
            remaining -= size_t{1} << level;
        }
        counts[p] = static_cast<int>(p - remaining);
    }
    return counts;
}

#pragma once

#include "player/data/Aoi.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The colours areas of interest are told apart by, wherever they are shown
// (over the movie, in the player's list, in the analysis plots): 0xRRGGBB, the
// i-th area taking the i-th colour, round again after the last. Told apart in
// print and by most colour-blind readers.
inline constexpr std::array<std::uint32_t, 6> kAoiColours = {0x1f4e9a, 0xd37a1f, 0x2e8b57,
                                                             0xb22222, 0x6a3d9a, 0x555555};

inline std::uint32_t aoiColour(std::size_t index)
{
    return kAoiColours[index % kAoiColours.size()];
}

// What the overlay shows of the areas of interest at one moment.
struct AoiView
{
    // Nothing is drawn while this is null. The owner keeps the areas alive.
    const std::vector<Aoi>* aois = nullptr;
    // Drawn highlighted, with handles on its corners; -1 for none.
    std::ptrdiff_t selected = -1;
    // While the mouse drags: the box the selected area takes, or a new area's
    // box (drawn without a name) when selected is -1.
    std::optional<AoiBox> dragged;
};

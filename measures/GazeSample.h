#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace measures {

// One recorded gaze sample as the measures read it: the movie time and the
// position in results-file units (1,000,000 = the full width or height of the
// screen, which the movie fills). A sample that is not usable (a blink, lost
// tracking) keeps its time only.
struct GazeSample
{
    int timeMs = 0;
    int x = 0;
    int y = 0;
    bool usable = false;
};

// The same samples held column by column, as the player keeps them: views
// of equally long columns owned by the caller.
struct GazeColumns
{
    std::span<const int> timeMs;
    std::span<const int> x;
    std::span<const int> y;
    std::span<const std::uint8_t> usable; // non-zero: usable

    std::size_t size() const { return timeMs.size(); }
    bool empty() const { return timeMs.empty(); }
    GazeSample operator[](std::size_t i) const { return {timeMs[i], x[i], y[i], usable[i] != 0}; }
};

// Columns that own their values, made from a list of samples.
class GazeColumnStore
{
public:
    explicit GazeColumnStore(std::span<const GazeSample> samples);
    GazeColumns columns() const { return {timeMs_, x_, y_, usable_}; }

private:
    std::vector<int> timeMs_;
    std::vector<int> x_;
    std::vector<int> y_;
    std::vector<std::uint8_t> usable_;
};

} // namespace measures

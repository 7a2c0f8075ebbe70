#pragma once

#include "common/ScreenGeometry.h"

#include <vector>

namespace measures {

// ScreenGeometry's angular positions for many samples at once: looked up and
// interpolated between points 1/1365 of the screen apart (error far below a
// millionth of a degree) instead of an arc tangent per sample. Positions
// well off the screen are computed exactly.
class AngleTable
{
public:
    explicit AngleTable(const ScreenGeometry& geometry);

    double horizontalDeg(int xUnits) const { return lookUp(xUnits, x_, true); }
    double verticalDeg(int yUnits) const { return lookUp(yUnits, y_, false); }

private:
    static constexpr int kFrom = -250000;
    static constexpr int kStep = 732;
    static constexpr int kPoints = 2050; // reaches past 1,250,000

    double lookUp(int units, const std::vector<double>& table, bool horizontal) const
    {
        const long long offset = static_cast<long long>(units) - kFrom;
        const long long index = offset / kStep;
        if (offset < 0 || index + 1 >= kPoints)
            return horizontal ? geometry_.horizontalDeg(units) : geometry_.verticalDeg(units);
        const double fraction = static_cast<double>(offset - index * kStep) / kStep;
        const auto i = static_cast<std::size_t>(index);
        return table[i] + (table[i + 1] - table[i]) * fraction;
    }

    ScreenGeometry geometry_;
    std::vector<double> x_;
    std::vector<double> y_;
};

} // namespace measures

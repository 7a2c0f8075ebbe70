#include "measures/AngleTable.h"

namespace measures {

AngleTable::AngleTable(const ScreenGeometry& geometry) : geometry_(geometry), x_(kPoints), y_(kPoints)
{
    for (int i = 0; i < kPoints; ++i) {
        x_[static_cast<std::size_t>(i)] = geometry.horizontalDeg(kFrom + i * kStep);
        y_[static_cast<std::size_t>(i)] = geometry.verticalDeg(kFrom + i * kStep);
    }
}

} // namespace measures

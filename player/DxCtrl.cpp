#include "player/DxCtrl.h"

#include "common/Logger.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint32_t kCountMask = 0x00FFFFFF;

std::uint32_t level(double fraction)
{
    return static_cast<std::uint32_t>(std::clamp(fraction, 0.0, 1.0) * 255.0);
}

} // namespace

DxCtrl::DxCtrl(int resolution)
    : n_(std::max(256, resolution)), rows_(2 * n_),
      canvas_(static_cast<size_t>(2 * n_) * static_cast<size_t>(rows_), 0)
{
}

void DxCtrl::SetAspect(int width, int height)
{
    LOG("lWidth: ", width, ", lHeight: ", height);
    if (width > 0 && height > 0) {
        width_ = width;
        height_ = height;
    }
    // A margin of N/2 rows above and below the visible rows, however tall the movie.
    rows_ = n_ + visibleHeight();
    canvas_.assign(static_cast<size_t>(2 * n_) * static_cast<size_t>(rows_), 0);
}

double DxCtrl::rowScale() const
{
    return static_cast<double>(height_) / width_;
}

int DxCtrl::visibleHeight() const
{
    // Beyond four times as tall as wide only the top part is kept, which bounds the canvas.
    return std::clamp(static_cast<int>(n_ * rowScale()), 1, 4 * n_);
}

double DxCtrl::visibleShareOfHeight() const
{
    return std::min(1.0, visibleHeight() / (n_ * rowScale()));
}

void DxCtrl::ClearCanvas()
{
    std::fill(canvas_.begin(), canvas_.end(), 0);
}

void DxCtrl::AddCircle(double x, double y, int radius)
{
    // Beyond a billion cells every circle covers the whole canvas anyway; the
    // bound keeps the squared distances within 64 bits.
    const std::int64_t r = std::min<std::int64_t>(std::int64_t{radius} * (n_ / 256), std::int64_t{1} << 30);
    if (r <= 0 || !std::isfinite(x) || !std::isfinite(y))
        return;
    const int side = 2 * n_;
    const double cx = n_ / 2 + x * n_;
    const double cy = n_ / 2 + y * n_ * rowScale();
    // Positions far off the screen cover no cell.
    if (cx < -r || cy < -r || cx > side + r || cy > rows_ + r)
        return;
    const auto centreColumn = static_cast<std::int64_t>(cx);
    const auto centreRow = static_cast<std::int64_t>(cy);
    // Only the cells of the canvas are visited, however large the circle.
    const std::int64_t firstRow = std::max<std::int64_t>(centreRow - r + 1, 0);
    const std::int64_t lastRow = std::min<std::int64_t>(centreRow + r - 1, rows_ - 1);
    const std::int64_t firstColumn = std::max<std::int64_t>(centreColumn - r + 1, 0);
    const std::int64_t lastColumn = std::min<std::int64_t>(centreColumn + r - 1, side - 1);
    for (std::int64_t row = firstRow; row <= lastRow; ++row) {
        const std::int64_t j = row - centreRow;
        for (std::int64_t column = firstColumn; column <= lastColumn; ++column) {
            const std::int64_t i = column - centreColumn;
            if (i * i + j * j >= r * r)
                continue;
            std::uint32_t& c = canvas_[static_cast<size_t>(row) * side + static_cast<size_t>(column)];
            if ((c & kCountMask) != kCountMask)
                ++c;
        }
    }
}

template <typename Apply> void DxCtrl::forCells(const QRectF& rect, Apply apply)
{
    const int side = 2 * n_;
    const auto column = [&](double x) { return std::clamp(static_cast<int>(n_ / 2 + x * n_), 0, side); };
    const auto row = [&](double y) {
        return std::clamp(static_cast<int>(n_ / 2 + y * n_ * rowScale()), 0, rows_);
    };
    for (int r = row(rect.top()); r < row(rect.bottom()); ++r)
        for (int c = column(rect.left()); c < column(rect.right()); ++c)
            apply(canvas_[static_cast<size_t>(r) * side + c]);
}

void DxCtrl::SetMark(const QRectF& rect, std::uint8_t alpha)
{
    forCells(rect, [alpha](std::uint32_t& c) { c = (c & kCountMask) | (std::uint32_t{alpha} << 24); });
}

void DxCtrl::OrMark(const QRectF& rect, std::uint8_t alpha)
{
    forCells(rect, [alpha](std::uint32_t& c) { c |= std::uint32_t{alpha} << 24; });
}

std::uint32_t DxCtrl::cell(int column, int row) const
{
    return canvas_[static_cast<size_t>(n_ / 2 + row) * (2 * n_) + (n_ / 2 + column)];
}

QRgb DxCtrl::heatColour(std::uint32_t cell, const HeatThresholds& t, int resultCount)
{
    if (const std::uint32_t mark = cell >> 24; mark != 0)
        return (mark << 24) | 0xFF00FF;
    const int results = std::max(1, resultCount);
    const std::uint32_t count = cell & kCountMask;
    if (count == 0)
        return 0;
    const double v = static_cast<double>(count) / results;
    if (v < t.cyan)
        return 0xCF0000FF | level(v / t.cyan) << 8;
    if (v < t.green)
        return 0xCF00FF00 | level((t.green - v) / (t.green - t.cyan));
    if (v < t.yellow)
        return 0xCF00FF00 | level((v - t.green) / (t.yellow - t.green)) << 16;
    if (v < t.red)
        return 0xCFFF0000 | level((t.red - v) / (t.red - t.yellow)) << 8;
    return 0xCFFF0000;
}

QImage DxCtrl::GetSurface(const HeatThresholds& thresholds, int resultCount) const
{
    QImage surface(n_, visibleHeight(), QImage::Format_ARGB32);
    for (int row = 0; row < surface.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(surface.scanLine(row));
        for (int column = 0; column < n_; ++column)
            line[column] = heatColour(cell(column, row), thresholds, resultCount);
    }
    return surface;
}

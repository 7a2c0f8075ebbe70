#include "player/overlay/DxCtrl.h"

#include "common/Logger.h"
#include "player/overlay/OverlayColours.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint32_t kCountMask = 0x00FFFFFF;
// Counts up to this many results are coloured from a table; beyond it, one by one.
constexpr int kMaxTabledCount = 1 << 20;

std::uint32_t level(double fraction)
{
    return static_cast<std::uint32_t>(std::clamp(fraction, 0.0, 1.0) * 255.0);
}

// The most a mark covers the heat under it: a bar or a square drawn over a
// blob must leave the blob's colour and shape visible through it.
constexpr std::uint32_t kMarkOverHeat = 128;

// The mark's magenta laid over a heat colour (both with straight alpha).
QRgb markOverHeat(std::uint32_t mark, QRgb heat)
{
    const std::uint32_t a = std::min(mark, kMarkOverHeat);
    const std::uint32_t under = qAlpha(heat) * (255 - a) / 255;
    const std::uint32_t alpha = a + under;
    const auto channel = [&](std::uint32_t top, std::uint32_t bottom) {
        return (top * a + bottom * under + alpha / 2) / alpha;
    };
    const QRgb magenta = OverlayColours::kMark;
    return qRgba(static_cast<int>(channel(static_cast<std::uint32_t>(qRed(magenta)), qRed(heat))),
                 static_cast<int>(channel(static_cast<std::uint32_t>(qGreen(magenta)), qGreen(heat))),
                 static_cast<int>(channel(static_cast<std::uint32_t>(qBlue(magenta)), qBlue(heat))),
                 static_cast<int>(alpha));
}

// The largest w with w² <= v.
std::int64_t squareRootFloor(std::int64_t v)
{
    auto w = static_cast<std::int64_t>(std::sqrt(static_cast<double>(v)));
    while (w * w > v)
        --w;
    while ((w + 1) * (w + 1) <= v)
        ++w;
    return w;
}

} // namespace

DxCtrl::DxCtrl(int resolution)
    : n_(std::max(256, resolution)), rows_(2 * n_),
      canvas_(static_cast<size_t>(2 * n_) * static_cast<size_t>(rows_), 0),
      rowEnds_(static_cast<size_t>(visibleHeight()) * static_cast<size_t>(n_ + 1), 0)
{
}

void DxCtrl::SetAspect(int width, int height)
{
    LOG("lWidth: ", width, ", lHeight: ", height);
    if (width > 0 && height > 0) {
        width_ = width;
        height_ = height;
    }
    // The visible area has just changed: the canvas is made anew, empty, with a
    // margin of N/2 rows above and below the visible rows, however tall the movie.
    rows_ = n_ + visibleHeight();
    canvas_.assign(static_cast<size_t>(2 * n_) * static_cast<size_t>(rows_), 0);
    rowEnds_.assign(static_cast<size_t>(visibleHeight()) * static_cast<size_t>(n_ + 1), 0);
    firstPendingRow_ = 0;
    lastPendingRow_ = -1;
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
    if (firstPendingRow_ <= lastPendingRow_)
        std::fill(rowEnds_.begin() + static_cast<std::ptrdiff_t>(firstPendingRow_) * (n_ + 1),
                  rowEnds_.begin() + static_cast<std::ptrdiff_t>(lastPendingRow_ + 1) * (n_ + 1), 0);
    firstPendingRow_ = 0;
    lastPendingRow_ = -1;
    // Only the visible area is ever read; what lies around it may keep old marks.
    const size_t side = 2 * static_cast<size_t>(n_);
    for (int row = 0; row < visibleHeight(); ++row) {
        const auto first = canvas_.begin() + static_cast<std::ptrdiff_t>((n_ / 2 + row) * side + n_ / 2);
        std::fill(first, first + n_, 0);
    }
}

const std::vector<std::int32_t>& DxCtrl::halfWidths(std::int64_t radius)
{
    const auto r = static_cast<size_t>(radius);
    if (halfWidths_.size() <= r)
        halfWidths_.resize(r + 1);
    std::vector<std::int32_t>& widths = halfWidths_[r];
    if (widths.empty()) {
        widths.resize(r);
        for (size_t j = 0; j < r; ++j)
            widths[j] = static_cast<std::int32_t>(squareRootFloor(radius * radius - std::int64_t(j * j) - 1));
    }
    return widths;
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
    const std::int64_t top = n_ / 2;
    const std::int64_t left = n_ / 2;
    const std::int64_t firstRow = std::max<std::int64_t>(centreRow - r + 1, top);
    const std::int64_t lastRow = std::min<std::int64_t>(centreRow + r - 1, top + visibleHeight() - 1);
    if (firstRow > lastRow)
        return;
    // Small circles, the usual case, take their row widths from a table.
    const std::vector<std::int32_t>* widths = r <= 4 * n_ ? &halfWidths(r) : nullptr;
    for (std::int64_t row = firstRow; row <= lastRow; ++row) {
        const std::int64_t j = std::abs(row - centreRow);
        // Cells at offset i with i² + j² < r², that is i² <= r² - j² - 1.
        const std::int64_t w =
            widths ? (*widths)[static_cast<size_t>(j)] : squareRootFloor(r * r - j * j - 1);
        const std::int64_t from = std::max(centreColumn - w, left) - left;
        const std::int64_t to = std::min(centreColumn + w, left + n_ - 1) - left;
        if (from > to)
            continue;
        std::int32_t* ends = &rowEnds_[static_cast<size_t>(row - top) * static_cast<size_t>(n_ + 1)];
        ++ends[from];
        --ends[to + 1];
    }
    const bool nonePending = firstPendingRow_ > lastPendingRow_;
    firstPendingRow_ = nonePending ? static_cast<int>(firstRow - top)
                                   : std::min(firstPendingRow_, static_cast<int>(firstRow - top));
    lastPendingRow_ = std::max(lastPendingRow_, static_cast<int>(lastRow - top));
}

void DxCtrl::flushCircles() const
{
    const int side = 2 * n_;
    for (int row = firstPendingRow_; row <= lastPendingRow_; ++row) {
        std::int32_t* ends = &rowEnds_[static_cast<size_t>(row) * static_cast<size_t>(n_ + 1)];
        std::uint32_t* cells =
            &canvas_[static_cast<size_t>(n_ / 2 + row) * side + static_cast<size_t>(n_ / 2)];
        std::int64_t covering = 0;
        for (int column = 0; column < n_; ++column) {
            covering += ends[column];
            ends[column] = 0;
            if (covering == 0)
                continue;
            std::uint32_t& c = cells[column];
            const auto count = std::min<std::int64_t>((c & kCountMask) + covering, kCountMask);
            c = (c & ~kCountMask) | static_cast<std::uint32_t>(count);
        }
        ends[n_] = 0;
    }
    firstPendingRow_ = 0;
    lastPendingRow_ = -1;
}

template <typename Apply> void DxCtrl::forCells(const QRectF& rect, Apply apply)
{
    flushCircles();
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

void DxCtrl::OrMarkCells(const QRect& cells, std::uint8_t alpha)
{
    flushCircles();
    const QRect visible = cells.intersected(QRect(0, 0, n_, visibleHeight()));
    const int side = 2 * n_;
    for (int r = visible.top(); r <= visible.bottom(); ++r)
        for (int c = visible.left(); c <= visible.right(); ++c)
            canvas_[static_cast<size_t>(n_ / 2 + r) * side + static_cast<size_t>(n_ / 2 + c)] |=
                std::uint32_t{alpha} << 24;
}

std::uint32_t DxCtrl::cell(int column, int row) const
{
    flushCircles();
    return canvas_[static_cast<size_t>(n_ / 2 + row) * (2 * n_) + (n_ / 2 + column)];
}

QRgb DxCtrl::heatColour(std::uint32_t cell, const HeatThresholds& t, int resultCount)
{
    const std::uint32_t mark = cell >> 24;
    const std::uint32_t count = cell & kCountMask;
    if (mark != 0 && count == 0)
        return (mark << 24) | OverlayColours::kMark;
    if (count == 0)
        return 0;
    const QRgb heat = countColour(count, t, resultCount);
    return mark == 0 ? heat : markOverHeat(mark, heat);
}

QRgb DxCtrl::countColour(std::uint32_t count, const HeatThresholds& t, int resultCount)
{
    const int results = std::max(1, resultCount);
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
    flushCircles();
    if (coloursResults_ != resultCount || !(coloursThresholds_ == thresholds)) {
        // Every viewer adds at most one circle, so counts rarely pass the number of results.
        const int tabled = std::min(std::max(1, resultCount), kMaxTabledCount);
        colours_.resize(static_cast<size_t>(tabled) + 1);
        for (int count = 0; count <= tabled; ++count)
            colours_[static_cast<size_t>(count)] =
                count == 0 ? 0 : countColour(static_cast<std::uint32_t>(count), thresholds, resultCount);
        coloursResults_ = resultCount;
        coloursThresholds_ = thresholds;
    }
    const QRgb* colours = colours_.data();
    const std::uint32_t tabled = static_cast<std::uint32_t>(colours_.size());
    QImage surface(n_, visibleHeight(), QImage::Format_ARGB32);
    const int height = surface.height();
    for (int row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(surface.scanLine(row));
        const std::uint32_t* cells = &canvas_[static_cast<size_t>(n_ / 2 + row) * (2 * n_) + n_ / 2];
        for (int column = 0; column < n_; ++column) {
            const std::uint32_t c = cells[column];
            if (c >> 24 != 0)
                line[column] = heatColour(c, thresholds, resultCount);
            else if ((c & kCountMask) < tabled)
                line[column] = colours[c & kCountMask];
            else
                line[column] = heatColour(c, thresholds, resultCount);
        }
    }
    return surface;
}

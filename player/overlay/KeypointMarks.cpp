#include "player/overlay/KeypointMarks.h"

#include "player/overlay/DxCtrl.h"

#include <QImage>
#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr int kSingleRowViewers = 47; // 0.05 + 0.02 x 46 + 0.018 still ends inside the picture
constexpr std::uint8_t kWithPoint = 255;
constexpr std::uint8_t kWithout = 48;
// Near black but not black, which the canvas's colour key would make clear.
constexpr QRgb kHalo = 0xE0141414;

// A 3 x 5 pixel font for the count: rows top down, bit 2 the left pixel.
constexpr std::array<std::array<int, 5>, 11> kGlyphs = {{
    {7, 5, 5, 5, 7},
    {2, 6, 2, 2, 7},
    {7, 1, 7, 4, 7},
    {7, 1, 7, 1, 7},
    {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7},
    {7, 1, 1, 1, 1},
    {7, 5, 7, 5, 7},
    {7, 5, 7, 1, 7},
    {1, 1, 2, 4, 4}, // '/'
}};

std::vector<QRect> drawText(DxCtrl& canvas, const std::string& text, QPoint origin, int scale)
{
    std::vector<QRect> cells;
    int left = origin.x();
    for (const char c : text) {
        const auto& glyph = kGlyphs[c == '/' ? 10 : static_cast<size_t>(c - '0')];
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 3; ++column)
                if (glyph[static_cast<size_t>(row)] & (4 >> column)) {
                    cells.emplace_back(left + column * scale, origin.y() + row * scale, scale, scale);
                    canvas.OrMarkCells(cells.back(), kWithPoint);
                }
        left += 4 * scale;
    }
    return cells;
}

} // namespace

KeypointLayout keypointLayout(int viewers, int columns, int rows)
{
    KeypointLayout layout;
    if (viewers <= 0)
        return layout;
    // The rows the single row used, and room above it up to 0.3 of the height.
    const int left = static_cast<int>(0.05 * columns);
    const int right = static_cast<int>(0.988 * columns);
    const int bottom = static_cast<int>(0.80 * rows);
    const int top = static_cast<int>(0.30 * rows);
    const int width = right - left;
    const int height = bottom - top;
    layout.glyphScale = std::max(1, columns / 256);
    // Squares touch only at one cell each; below that nothing tells viewers apart.
    for (int pitch = std::max(1, columns / 50); pitch >= 1 && width > 0 && height > 0; --pitch) {
        const int perRow = width / pitch;
        const int rowsNeeded = (viewers + perRow - 1) / perRow;
        if (rowsNeeded * pitch > height)
            continue;
        const int side = pitch >= 2 ? pitch - 1 : 1;
        layout.squares.reserve(static_cast<size_t>(viewers));
        for (int i = 0; i < viewers; ++i)
            layout.squares.emplace_back(left + (i % perRow) * pitch, bottom - (i / perRow + 1) * pitch, side,
                                        side);
        return layout;
    }
    layout.countInstead = true;
    layout.countOrigin = QPoint(left, std::max(0, bottom - 5 * layout.glyphScale));
    return layout;
}

std::vector<QRect> drawKeypointMarks(DxCtrl& canvas, int viewers, int withPoint)
{
    if (viewers <= kSingleRowViewers) {
        for (int i = 0; i < viewers; ++i)
            canvas.OrMark(QRectF(0.05 + 0.02 * i, 0.75, 0.018, 0.05), i < withPoint ? kWithPoint : kWithout);
        return {};
    }
    const KeypointLayout layout = keypointLayout(viewers, canvas.resolution(), canvas.visibleHeight());
    if (layout.countInstead)
        return drawText(canvas,
                        std::to_string(std::clamp(withPoint, 0, viewers)) + "/" + std::to_string(viewers),
                        layout.countOrigin, layout.glyphScale);
    for (size_t i = 0; i < layout.squares.size(); ++i)
        canvas.OrMarkCells(layout.squares[i], static_cast<int>(i) < withPoint ? kWithPoint : kWithout);
    return {};
}

void haloKeypointCount(QImage& surface, const std::vector<QRect>& text)
{
    if (text.empty() || surface.format() != QImage::Format_ARGB32)
        return;
    const QRect bounds = surface.rect();
    std::vector<bool> inText(static_cast<size_t>(bounds.width()) * static_cast<size_t>(bounds.height()),
                             false);
    const auto at = [&](int x, int y) {
        return static_cast<size_t>(y) * bounds.width() + static_cast<size_t>(x);
    };
    for (const QRect& cell : text) {
        const QRect shown = cell.intersected(bounds);
        for (int y = shown.top(); y <= shown.bottom(); ++y)
            for (int x = shown.left(); x <= shown.right(); ++x)
                inText[at(x, y)] = true;
    }
    for (const QRect& cell : text) {
        const int width = cell.width();
        const QRect around = cell.adjusted(-width, -width, width, width).intersected(bounds);
        for (int y = around.top(); y <= around.bottom(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(surface.scanLine(y));
            for (int x = around.left(); x <= around.right(); ++x)
                if (!inText[at(x, y)])
                    line[x] = kHalo;
        }
    }
}

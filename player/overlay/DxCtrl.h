#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QRgb>
#include <cstdint>
#include <vector>

// Shares of the viewers at which the heat map turns cyan, green, yellow and red.
struct HeatThresholds
{
    double cyan = 0.25;
    double green = 0.5;
    double yellow = 0.75;
    double red = 1.0;

    friend bool operator==(const HeatThresholds&, const HeatThresholds&) = default;
};

// The canvas of the many-viewer overlay: 2N columns by N + visibleHeight() rows
// whose centre N x visibleHeight() area is visible, so circles near an edge are drawn without clipping. The
// low 24 bits of a cell count the gaze circles covering it, the top 8 bits hold a mark alpha (0 = no mark).
// Vertical coordinates are scaled by the video's height / width, so the square canvas keeps the movie's
// aspect.
//
// Only the visible area is ever read, so circles are counted there alone.
class DxCtrl
{
public:
    // resolution: N, 256 (fast) or 512 (accurate).
    explicit DxCtrl(int resolution);

    int resolution() const { return n_; }
    // Sets the video's size, which shapes the visible area, and clears the canvas.
    void SetAspect(int width, int height);
    // Rows of the visible area: N x height / width.
    int visibleHeight() const;
    // The share of the frame's height the visible rows cover: 1 but for
    // rounding and movies more than four times as tall as wide.
    double visibleShareOfHeight() const;

    void ClearCanvas();
    // A filled circle at (x, y), normalised to the visible area; radius in
    // units of N / 256 cells. Cells at offset (i, j) from the centre with
    // i² + j² < r² count one more circle.
    void AddCircle(double x, double y, int radius);
    // Marks over a rectangle normalised to the visible area.
    void SetMark(const QRectF& rect, std::uint8_t alpha);
    void OrMark(const QRectF& rect, std::uint8_t alpha);
    // Marks over a rectangle of visible cells (clipped to the visible area).
    void OrMarkCells(const QRect& cells, std::uint8_t alpha);

    // The visible area in colour: N x visibleHeight() ARGB pixels, 0 where
    // nothing covers a cell. resultCount is the number of loaded results (at
    // least 1 is assumed).
    QImage GetSurface(const HeatThresholds& thresholds, int resultCount) const;
    // The colour of one cell: the heat of its count, with its mark over it at
    // no more than half opacity, so that a mark never hides the heat under it;
    // a mark alone is magenta at the mark's alpha.
    static QRgb heatColour(std::uint32_t cell, const HeatThresholds& thresholds, int resultCount);
    // The heat colour of a count above 0, with no mark.
    static QRgb countColour(std::uint32_t count, const HeatThresholds& thresholds, int resultCount);

    // A cell of the visible area, for inspection.
    std::uint32_t cell(int column, int row) const;

private:
    template <typename Apply> void forCells(const QRectF& rect, Apply apply);
    double rowScale() const;
    // Adds the pending circle rows into the canvas.
    void flushCircles() const;
    const std::vector<std::int32_t>& halfWidths(std::int64_t radius);

    int n_;
    int rows_;
    int width_ = 1;
    int height_ = 1;
    // Circles are drawn as +1 / -1 at the ends of each of their rows over the
    // visible area; one running sum per row turns them into counts when the
    // canvas is next looked at, which is why these change in const calls.
    mutable std::vector<std::uint32_t> canvas_;
    mutable std::vector<std::int32_t> rowEnds_; // visible rows x (N + 1)
    mutable int firstPendingRow_ = 0;
    mutable int lastPendingRow_ = -1;
    std::vector<std::vector<std::int32_t>> halfWidths_; // by radius, for the radii seen so far

    // Colours by count, for the thresholds and result count they were made for.
    mutable std::vector<QRgb> colours_;
    mutable HeatThresholds coloursThresholds_;
    mutable int coloursResults_ = -1;
};

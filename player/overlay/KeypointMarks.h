#pragma once

#include <QRect>
#include <vector>

class DxCtrl;
class QImage;

// Where the keypoint squares of the many-viewer overlay go: one square per
// loaded result, in visible canvas cells. Up to 47 viewers they stand in one row
// along the bottom as they always have; more viewers fill rows upwards with
// squares as large as still lets every viewer have one.
struct KeypointLayout
{
    std::vector<QRect> squares; // the i-th belongs to the i-th result; empty with countInstead
    // Too many viewers for a square each: the count of viewers with a
    // keypoint is written instead, at countOrigin (its top-left cell).
    bool countInstead = false;
    QPoint countOrigin;
    int glyphScale = 1; // cells per font pixel
};

// columns x rows: the visible canvas (N x visibleHeight()).
KeypointLayout keypointLayout(int viewers, int columns, int rows);

// Squares of the first withPoint results opaque, the others faint; or the count.
// Returns the cells of the count's text, one per font pixel, empty when
// squares are drawn.
std::vector<QRect> drawKeypointMarks(DxCtrl& canvas, int viewers, int withPoint);

// The canvas has one mark colour, which alone does not read over a light
// picture: this darkens the pixels of the canvas's surface within one font
// pixel around the text that the text itself does not cover.
void haloKeypointCount(QImage& surface, const std::vector<QRect>& text);

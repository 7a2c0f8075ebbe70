#pragma once

#include "player/data/AoiView.h"

#include <QRect>
#include <QSize>

class MixerBitmap;
class QPainter;

// The pixel rectangle of a box (in results-file units) on a canvas laid over
// the whole frame.
QRectF aoiBoxOnCanvas(const AoiBox& box, QSize canvas);

// Draws each area present at timeMs as an outline of its shape in its own
// colour with its name, onto a canvas of the given size that covers the whole
// movie frame. The selected area is drawn bolder with handles on its corners.
void drawAoiMarks(QPainter& painter, QSize canvas, const AoiView& view, int timeMs);

// Lays the areas over the frame of frameSize as one surface, drawn over what
// the mixer holds (overMixer), or in its place. With nothing to draw, the mixer
// keeps what it holds when overMixer, and is emptied otherwise. True when the
// mixer now shows the areas.
bool layAoiMarks(MixerBitmap& mixer, QSize frameSize, const AoiView& view, int timeMs, bool overMixer);

#pragma once

#include <QImage>
#include <QRect>

class MixerBitmap;
class QPainter;

// What the video rectangle shows: a part of the newest frame stretched over it
// with the nearest pixel (no smoothing, like the renderer's point filter),
// then the overlay.
namespace VideoPainter {

// source is in frame pixels; the part outside the frame is ignored. Without a
// frame the video rectangle is black. mixer may be null.
void paint(QPainter& painter, const QImage& frame, const QRect& source, const QRect& videoRect,
           const MixerBitmap* mixer);

} // namespace VideoPainter

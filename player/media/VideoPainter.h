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
// frame the video rectangle is black. mixer may be null; its overlay is laid
// over the frame, so it is cut and stretched with it. frameSize is the size of
// the movie's frames, by default that of frame (give it when there may be no
// frame yet).
void paint(QPainter& painter, const QImage& frame, const QRect& source, const QRect& videoRect,
           const MixerBitmap* mixer, QSize frameSize = QSize());

// The part of a frame of frameSize that source shows, normalised to the frame.
QRectF shownPart(const QRect& source, QSize frameSize);

} // namespace VideoPainter

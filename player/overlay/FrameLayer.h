#pragma once

#include "player/media/MixerBitmap.h"

#include <QRectF>
#include <QSize>

// A layer drawn over the whole frame (the scan path, the areas of interest):
// it has the frame's shape, at no more detail than a wide picture needs, and
// the mixer stretches it over the frame.
namespace FrameLayer {

// Widest a layer is drawn; wider frames get it stretched.
constexpr int kMaxWidth = 1280;

inline QSize sizeFor(QSize frame)
{
    return frame.width() > kMaxWidth ? frame.scaled(kMaxWidth, frame.height(), Qt::KeepAspectRatio) : frame;
}

// Where a drawing the mixer places at destination (normalised to the frame) lies on the layer.
inline QRectF placed(const QRectF& destination, QSize layer)
{
    return QRectF(destination.x() * layer.width(), destination.y() * layer.height(),
                  destination.width() * layer.width(), destination.height() * layer.height());
}

// Hands the whole layer to the mixer over the whole frame, at the opacity drawn into it.
inline void coverFrame(AlphaBitmap& layer)
{
    layer.source = layer.image.rect();
    layer.destination = QRectF(0, 0, 1, 1);
    layer.alpha = 1.0;
}

} // namespace FrameLayer

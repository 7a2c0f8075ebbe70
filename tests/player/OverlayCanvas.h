#pragma once

#include "player/media/MixerBitmap.h"
#include "player/media/VideoPainter.h"

#include <QImage>
#include <QPainter>

namespace player_test {

// A black frame cut by the view scale and stretched over a video rectangle of
// videoSize, with the mixer's overlay, as the player paints it.
inline QImage composeOverBlack(const MixerBitmap& mixer, QSize frameSize, double scaleX, double scaleY,
                               QSize videoSize)
{
    QImage frame(frameSize, QImage::Format_RGB32);
    frame.fill(Qt::black);
    const QRect source(0, 0, static_cast<int>(frameSize.width() * scaleX),
                       static_cast<int>(frameSize.height() * scaleY));
    QImage out(videoSize, QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter painter(&out);
    VideoPainter::paint(painter, frame, source, QRect(QPoint(0, 0), videoSize), &mixer);
    return out;
}

} // namespace player_test

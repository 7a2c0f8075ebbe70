#include "player/media/VideoPainter.h"

#include "player/media/MixerBitmap.h"

#include <QPainter>

namespace VideoPainter {

void paint(QPainter& painter, const QImage& frame, const QRect& source, const QRect& videoRect,
           const MixerBitmap* mixer)
{
    if (videoRect.isEmpty())
        return;
    const QRect part = source.intersected(frame.rect());
    if (part.isEmpty()) {
        painter.fillRect(videoRect, Qt::black);
    } else {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(videoRect, frame, part);
        painter.restore();
    }
    if (mixer)
        mixer->blend(painter, videoRect);
}

} // namespace VideoPainter

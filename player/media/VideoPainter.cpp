#include "player/media/VideoPainter.h"

#include "player/media/MixerBitmap.h"

#include <QPainter>

namespace VideoPainter {

QRectF shownPart(const QRect& source, QSize frameSize)
{
    if (frameSize.isEmpty() || source.isEmpty())
        return QRectF(0, 0, 1, 1);
    return QRectF(static_cast<double>(source.x()) / frameSize.width(),
                  static_cast<double>(source.y()) / frameSize.height(),
                  static_cast<double>(source.width()) / frameSize.width(),
                  static_cast<double>(source.height()) / frameSize.height());
}

void paint(QPainter& painter, const QImage& frame, const QRect& source, const QRect& videoRect,
           const MixerBitmap* mixer, QSize frameSize)
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
        mixer->blend(painter, videoRect, shownPart(source, frameSize.isEmpty() ? frame.size() : frameSize));
}

} // namespace VideoPainter

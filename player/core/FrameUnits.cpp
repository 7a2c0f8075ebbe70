#include "player/core/FrameUnits.h"

std::optional<QPointF> frameUnitsAt(const QPointF& point, const QRect& videoRect, const QRect& sourceRect,
                                    QSize frameSize)
{
    if (videoRect.isEmpty() || sourceRect.isEmpty() || frameSize.isEmpty())
        return std::nullopt;
    // A pixel's left edge is its coordinate: the video rectangle's right edge is x + width.
    const double pixelX =
        sourceRect.x() + (point.x() - videoRect.x()) * sourceRect.width() / double(videoRect.width());
    const double pixelY =
        sourceRect.y() + (point.y() - videoRect.y()) * sourceRect.height() / double(videoRect.height());
    return QPointF(pixelX * 1e6 / frameSize.width(), pixelY * 1e6 / frameSize.height());
}

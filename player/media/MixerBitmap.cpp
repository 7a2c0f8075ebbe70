#include "player/media/MixerBitmap.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

MixerBitmap::MixerBitmap(std::function<void()> onChange) : onChange_(std::move(onChange)) {}

void MixerBitmap::SetAlphaBitmap(const AlphaBitmap& bitmap)
{
    parameters_ = bitmap;
    parameters_.image = QImage();
    const QRect source = bitmap.source.intersected(bitmap.image.rect());
    if (source.isEmpty() || bitmap.alpha <= 0.0) {
        prepared_ = QImage();
    } else {
        // Keying is done once here rather than at every paint: the overlay
        // changes at most once per clock tick, the video far more often.
        QImage part = bitmap.image.copy(source).convertToFormat(QImage::Format_ARGB32);
        if (bitmap.colourKey) {
            const QRgb key = *bitmap.colourKey & RGB_MASK;
            const int width = part.width();
            const int height = part.height();
            for (int y = 0; y < height; ++y) {
                auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
                for (int x = 0; x < width; ++x)
                    if ((line[x] & RGB_MASK) == key)
                        line[x] = 0;
            }
        }
        prepared_ = part.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    if (onChange_)
        onChange_();
}

void MixerBitmap::Clear()
{
    parameters_ = AlphaBitmap();
    prepared_ = QImage();
    if (onChange_)
        onChange_();
}

QPointF MixerBitmap::frameToVideo(const QPointF& framePoint, const QRect& videoRect, const QRectF& shownPart)
{
    if (shownPart.width() <= 0 || shownPart.height() <= 0)
        return videoRect.topLeft();
    return QPointF(
        videoRect.x() + (framePoint.x() - shownPart.left()) / shownPart.width() * videoRect.width(),
        videoRect.y() + (framePoint.y() - shownPart.top()) / shownPart.height() * videoRect.height());
}

QRect MixerBitmap::destinationIn(const QRect& videoRect, const QRectF& shownPart) const
{
    const QPointF topLeft = frameToVideo(parameters_.destination.topLeft(), videoRect, shownPart);
    const QPointF bottomRight = frameToVideo(parameters_.destination.bottomRight(), videoRect, shownPart);
    // Far off the video an overlay covers nothing; the bound keeps the pixels within int.
    const auto pixel = [](double v) { return static_cast<int>(std::lround(std::clamp(v, -1e8, 1e8))); };
    return QRect(QPoint(pixel(topLeft.x()), pixel(topLeft.y())),
                 QPoint(pixel(bottomRight.x()) - 1, pixel(bottomRight.y()) - 1));
}

void MixerBitmap::blend(QPainter& painter, const QRect& videoRect, const QRectF& shownPart) const
{
    if (prepared_.isNull())
        return;
    const QRect target = destinationIn(videoRect, shownPart);
    if (target.isEmpty())
        return;
    painter.save();
    painter.setClipRect(videoRect, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(parameters_.alpha);
    painter.drawImage(target, prepared_);
    painter.restore();
}

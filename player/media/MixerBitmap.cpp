#include "player/media/MixerBitmap.h"

#include <QPainter>
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

QRect MixerBitmap::destinationIn(const QRect& videoRect) const
{
    const QRectF& d = parameters_.destination;
    const auto left = std::lround(videoRect.x() + d.left() * videoRect.width());
    const auto top = std::lround(videoRect.y() + d.top() * videoRect.height());
    const auto right = std::lround(videoRect.x() + d.right() * videoRect.width());
    const auto bottom = std::lround(videoRect.y() + d.bottom() * videoRect.height());
    return QRect(QPoint(int(left), int(top)), QPoint(int(right) - 1, int(bottom) - 1));
}

void MixerBitmap::blend(QPainter& painter, const QRect& videoRect) const
{
    if (prepared_.isNull())
        return;
    const QRect target = destinationIn(videoRect);
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

#pragma once

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QRgb>
#include <functional>
#include <optional>

class QPainter;

// One overlay handed to the mixer: a part of a bitmap placed over the video.
struct AlphaBitmap
{
    // RGB32 for a drawing without transparency of its own; ARGB32 for a
    // surface whose pixels carry their own alpha.
    QImage image;
    // The part of the image shown, in image pixels.
    QRect source;
    // Where it goes, normalised to the movie's frame: (0, 0, 1, 1) covers the
    // whole frame. The overlay is laid over the frame before the view cuts and
    // stretches it, so it stays over the picture content it belongs to at any
    // view scale. Parts outside the video rectangle are clipped.
    QRectF destination;
    // Opacity of the whole overlay, 0 to 1.
    qreal alpha = 1.0;
    // Pixels of this colour (alpha ignored) are transparent.
    std::optional<QRgb> colourKey;
};

// The overlay mixer: keeps one alpha bitmap and blends it over the video each
// time the video is painted. Scaling uses the nearest pixel, so a colour key
// stays exact at any size. Lives on the GUI thread.
class MixerBitmap
{
public:
    // onChange runs after every change, so the window can repaint a paused movie.
    explicit MixerBitmap(std::function<void()> onChange = {});

    // Replaces the overlay. The image is copied; the caller may reuse it at once.
    void SetAlphaBitmap(const AlphaBitmap& bitmap);
    // Removes the overlay.
    void Clear();

    bool isEmpty() const { return prepared_.isNull(); }
    const AlphaBitmap& parameters() const { return parameters_; }
    // The overlay as blended: the source part, keyed out (keyed pixels are 0)
    // and premultiplied; null when there is none.
    const QImage& prepared() const { return prepared_; }

    // Blends the overlay into videoRect of the painter's device. shownPart is
    // the part of the frame the video rectangle shows, normalised to the frame
    // (the source rectangle over the frame's size).
    void blend(QPainter& painter, const QRect& videoRect, const QRectF& shownPart = QRectF(0, 0, 1, 1)) const;
    // The overlay's pixel rectangle inside videoRect (before clipping).
    QRect destinationIn(const QRect& videoRect, const QRectF& shownPart = QRectF(0, 0, 1, 1)) const;
    // Where a point of the frame (normalised) appears in videoRect.
    static QPointF frameToVideo(const QPointF& framePoint, const QRect& videoRect, const QRectF& shownPart);

private:
    std::function<void()> onChange_;
    AlphaBitmap parameters_;
    QImage prepared_; // the source part, keyed out and premultiplied
};

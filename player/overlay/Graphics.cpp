#include "player/overlay/Graphics.h"

#include "common/Logger.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/overlay/FrameLayer.h"
#include "player/overlay/KeypointMarks.h"
#include "player/overlay/OverlayColours.h"

#include <QPainter>
#include <algorithm>

namespace {

constexpr QSize kIdleSize(320, 240);
constexpr qreal kGazeAlpha = 0.7;
constexpr QRgb kCyan = OverlayColours::kFocus;
constexpr QRgb kGreen = OverlayColours::kGaze;
constexpr QRgb kRed = OverlayColours::kNearAction;
constexpr QRgb kKeyedOut = 0x000000;

// A disc inset from every side of the gaze drawing; no smoothing, so the black
// colour key stays exact at the rim.
void disc(QPainter& painter, int inset, QRgb colour)
{
    const int side = Graphics::kBitmapSize - 2 * inset;
    if (side <= 0)
        return;
    painter.setBrush(QColor::fromRgb(colour));
    painter.drawEllipse(QRect(inset, inset, side, side));
}

// The gaze in the frame's own normalised space. The view shows the top-left
// part of the frame (view scale) over the whole video rectangle, so a gaze at
// (x, y) of the screen the viewer saw lands where the view shows (x, y).
QPointF gazeOf(const TimeLineItem& item, const OverlayOptions& options)
{
    const bool filtered = options.dataFiltered;
    return QPointF((filtered ? item.avgX : item.x) * 1e-6 * options.viewScaleX,
                   (filtered ? item.avgY : item.y) * 1e-6 * options.viewScaleY);
}

} // namespace

Graphics::Graphics(int resolution, QSize videoSize) : dx_(resolution)
{
    if (videoSize.isEmpty()) {
        LOG("Could not acquire resolution of video");
        videoSize = QSize(kBitmapSize, kBitmapSize);
    }
    videoSize_ = videoSize;
    halfWidth_ = static_cast<double>(kBitmapSize) / videoSize.width() * 0.5;
    halfHeight_ = static_cast<double>(kBitmapSize) / videoSize.height() * 0.5;
    dx_.SetAspect(videoSize.width(), videoSize.height());
}

QImage Graphics::idlePattern()
{
    QImage pattern(10, 10, QImage::Format_ARGB32);
    pattern.fill(0xFF000000);
    for (const int top : {1, 7})
        for (const int left : {1, 7})
            for (int row = top; row < top + 2; ++row)
                for (int column = left; column < left + 2; ++column)
                    pattern.setPixel(column, row, 0xFFFFFFFF);
    for (int row = 4; row < 6; ++row)
        for (int column = 4; column < 6; ++column)
            pattern.setPixel(column, row, 0xFFFFFFFF);
    return pattern;
}

void Graphics::ShowIdle(MixerBitmap& mixer) const
{
    AlphaBitmap idle;
    idle.image = idlePattern().scaled(kIdleSize);
    idle.source = idle.image.rect();
    idle.destination = QRectF(0, 0, 1, 1);
    idle.alpha = 1.0;
    mixer.SetAlphaBitmap(idle);
}

void Graphics::Clear(MixerBitmap& mixer) const
{
    mixer.Clear();
}

AlphaBitmap Graphics::singleViewer(const TimeLineItem& item, const OverlayOptions& options) const
{
    AlphaBitmap gaze;
    gaze.image = QImage(kBitmapSize, kBitmapSize, QImage::Format_RGB32);
    gaze.image.fill(kKeyedOut);
    if (item.blink >= 0) {
        QPainter painter(&gaze.image);
        painter.setPen(Qt::NoPen);
        // A long steady gaze grows the focus disc up to the whole drawing; beyond
        // that the drawing's edge would cut it into a square.
        if (item.stillCount != 0)
            disc(painter, std::max(0, 80 - 3 * item.stillCount), kCyan);
        disc(painter, 80, kGreen);
        if (item.blink > 0)
            disc(painter, item.pupil / 2000 + 40, item.nearAction == 1 ? kRed : kKeyedOut);
    }
    const QPointF at = gazeOf(item, options);
    gaze.source = gaze.image.rect();
    gaze.destination = QRectF(QPointF(at.x() - halfWidth_, at.y() - halfHeight_),
                              QPointF(at.x() + halfWidth_, at.y() + halfHeight_));
    gaze.alpha = kGazeAlpha;
    gaze.colourKey = kKeyedOut;
    return gaze;
}

void Graphics::DrawSingle(MixerBitmap& mixer, TimeLineManager& results, int positionMs,
                          const OverlayOptions& options) const
{
    results.rewind();
    if (!results.anyMore()) {
        mixer.Clear();
        return;
    }
    const AlphaBitmap gaze = singleViewer(results.getNextItem(positionMs), options);
    if (options.showScanPath)
        mixer.SetAlphaBitmap(withScanPath(gaze, results.timeLines().front(), positionMs, options));
    else
        mixer.SetAlphaBitmap(gaze);
}

AlphaBitmap Graphics::withScanPath(const AlphaBitmap& gaze, const TimeLine& viewer, int positionMs,
                                   const OverlayOptions& options) const
{
    const QSize canvas = FrameLayer::sizeFor(videoSize_);
    AlphaBitmap both;
    // The mixer takes straight alpha and premultiplies once; a premultiplied canvas would cost a pass more.
    both.image = QImage(canvas, QImage::Format_ARGB32);
    both.image.fill(Qt::transparent);
    QPainter painter(&both.image);
    ScanPath::draw(painter, canvas, scanPath_.eventsOf(viewer), positionMs, options);
    // The gaze drawing as the mixer would lay it over the frame: keyed, nearest pixel, its opacity.
    QImage keyed = gaze.image.convertToFormat(QImage::Format_ARGB32);
    if (gaze.colourKey) {
        const QRgb key = *gaze.colourKey & RGB_MASK;
        for (int y = 0; y < keyed.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
            for (int x = 0; x < keyed.width(); ++x)
                line[x] = (line[x] & RGB_MASK) == key ? 0 : line[x];
        }
    }
    const QRectF at = FrameLayer::placed(gaze.destination, canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setOpacity(gaze.alpha);
    painter.drawImage(at, keyed, gaze.source);
    painter.end();
    FrameLayer::coverFrame(both);
    return both;
}

void Graphics::DrawMulti(MixerBitmap& mixer, TimeLineManager& results, const ShotLine& shots, int positionMs,
                         const OverlayOptions& options)
{
    dx_.ClearCanvas();
    const int resultCount = static_cast<int>(results.timeLines().size());

    if (options.showHeatmap && resultCount > 0) {
        results.forEachGaze(positionMs, options.dataFiltered, [&](const GazeSample& gaze) {
            const int diameter =
                options.considerFocusTime
                    ? options.heatMapCircleDiameterStep * gaze.stillCount + options.heatMapCircleDiameterStart
                    : options.heatMapCircleDiameterConst;
            dx_.AddCircle(gaze.x * 1e-6 * options.viewScaleX, gaze.y * 1e-6 * options.viewScaleY, diameter);
        });
    }

    if (options.showPupil && resultCount > 0) {
        const int range = results.maxDiameter() - results.minDiameter();
        const PupilStep step = results.pupilStepAt(positionMs);
        // A set whose mean never changes has no range to show.
        const double d =
            range > 0 ? std::clamp((step.mean - results.minDiameter()) * 100.0 / range, 0.0, 100.0) : 0.0;
        const int spread = std::max(1, results.largestDeviation() - results.smallestDeviation());
        const bool agreed =
            options.pupilStandardDeviationPercentThreshold > static_cast<double>(step.deviation) / spread;
        dx_.SetMark(QRectF(QPointF(0.05, 0.84), QPointF(0.05 + d * 0.005, 0.88)), agreed ? 255 : 96);
        dx_.SetMark(QRectF(QPointF(0.057 + d * 0.005, 0.84), QPointF(0.557, 0.88)), agreed ? 64 : 16);
    }

    std::vector<QRect> countText;
    if (options.showActions)
        countText = drawKeypointMarks(dx_, resultCount, shots.currentShot(positionMs).interestingCount);

    AlphaBitmap heat;
    heat.image = dx_.GetSurface(options.heatThresholds, resultCount);
    haloKeypointCount(heat.image, countText);
    heat.source = heat.image.rect();
    // The canvas is laid over the whole frame, like the gaze of one viewer.
    heat.destination = QRectF(0, 0, 1, dx_.visibleShareOfHeight());
    heat.alpha = 1.0;
    heat.colourKey = 0xFF000000;
    mixer.SetAlphaBitmap(heat);
}

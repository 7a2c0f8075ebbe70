#include "player/overlay/ScanPath.h"

#include "measures/EventClassifier.h"
#include "player/data/TimeLine.h"
#include "player/overlay/OverlayColours.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <string>

namespace {

constexpr QRgb kFixationColour = OverlayColours::kFixation;
constexpr QRgb kSaccadeColour = OverlayColours::kSaccade;

// Where a results-file position lands on the canvas, as the gaze drawing places it.
QPointF onCanvas(int x, int y, QSize canvas, const OverlayOptions& options)
{
    return QPointF(x * 1e-6 * options.viewScaleX * canvas.width(),
                   y * 1e-6 * options.viewScaleY * canvas.height());
}

} // namespace

ScreenGeometry ScanPath::screenOf(const std::filesystem::path& resultsFile)
{
    const auto line = readScreenLine(resultsFile);
    return line && line->ok ? line->geometry : ScreenGeometry{};
}

const std::vector<measures::GazeEvent>& ScanPath::eventsOf(const TimeLine& viewer)
{
    const Key key{&viewer, viewer.size(), viewer.empty() ? 0 : viewer.timeAt(0),
                  viewer.empty() ? 0 : viewer.timeAt(viewer.size() - 1)};
    if (key == key_)
        return events_;
    key_ = key;
    // The raw positions: the classifier smooths nothing away that it needs to see.
    std::vector<std::uint8_t> usable(viewer.size());
    for (std::size_t i = 0; i < viewer.size(); ++i)
        usable[i] = viewer.blinkAt(i) > 0;
    events_ = measures::classifyEvents(
        measures::GazeColumns{viewer.times(), viewer.xs(), viewer.ys(), usable}, screenOf(viewer.path()));
    return events_;
}

double ScanPath::radiusShare(int durationMs)
{
    // From a dot for a glance to a ring that still leaves the picture visible for a long look.
    return 0.006 + 0.014 * std::clamp(durationMs, 0, 1000) / 1000.0;
}

void ScanPath::draw(QPainter& painter, QSize canvas, std::span<const measures::GazeEvent> events,
                    int positionMs, const OverlayOptions& options)
{
    const int windowMs = std::max(1, options.scanPathWindowMs);
    const int fromMs = positionMs - windowMs;
    // Events are in time order and never overlap, so their ends ascend too.
    auto event = std::partition_point(events.begin(), events.end(),
                                      [&](const measures::GazeEvent& e) { return e.endMs < fromMs; });
    struct Shown
    {
        QPointF centre;
        double radius;
        double opacity;
    };
    std::vector<Shown> fixations;
    for (; event != events.end() && event->startMs <= positionMs; ++event) {
        if (event->type != measures::EventType::Fixation)
            continue;
        // A fixation still under way shows how long it has lasted so far.
        const int lastedMs = std::min(event->startMs + event->durationMs, positionMs) - event->startMs;
        const int ageMs = positionMs - std::min(event->endMs, positionMs);
        fixations.push_back({onCanvas(event->x, event->y, canvas, options),
                             radiusShare(lastedMs) * canvas.width(),
                             0.35 + 0.65 * (1.0 - static_cast<double>(ageMs) / windowMs)});
    }
    if (fixations.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double lineWidth = std::max(1.0, canvas.width() / 640.0);
    painter.setBrush(Qt::NoBrush);
    for (std::size_t i = 1; i < fixations.size(); ++i) {
        painter.setOpacity(fixations[i].opacity);
        painter.setPen(QPen(QColor::fromRgba(kSaccadeColour), lineWidth));
        painter.drawLine(fixations[i - 1].centre, fixations[i].centre);
    }
    QColor fill = QColor::fromRgba(kFixationColour);
    fill.setAlphaF(0.45);
    for (const Shown& fixation : fixations) {
        painter.setOpacity(fixation.opacity);
        painter.setPen(QPen(QColor::fromRgba(kFixationColour), lineWidth));
        painter.setBrush(fill);
        painter.drawEllipse(fixation.centre, fixation.radius, fixation.radius);
    }
    painter.restore();
}

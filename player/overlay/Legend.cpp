#include "player/overlay/Legend.h"

#include "player/core/AppCtrl.h"

#include "player/data/AoiView.h"
#include "player/overlay/DxCtrl.h"
#include "player/overlay/OverlayColours.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Legend", text);
}

QColor opaque(QRgb rgb)
{
    return QColor::fromRgb(rgb | 0xFF000000);
}

// Rows are this many font pixels high; the swatch is two wide.
constexpr double kRowHeight = 1.6;
constexpr int kSwatchWidth = 2;

QFont legendFont(int unit)
{
    QFont font;
    font.setPixelSize(unit);
    return font;
}

void drawSwatch(QPainter& painter, Legend::Swatch swatch, const QRectF& box)
{
    const double u = box.height();
    const QPointF centre(box.left() + u / 2, box.center().y());
    const auto disc = [&](QPointF at, double diameter, const QColor& colour) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(at, diameter / 2, diameter / 2);
    };
    QColor mark = opaque(OverlayColours::kMark);
    switch (swatch) {
    case Legend::Swatch::GazeDisc:
        disc(centre, u, opaque(OverlayColours::kGaze));
        break;
    case Legend::Swatch::FocusRing:
        disc(centre, u, opaque(OverlayColours::kFocus));
        disc(centre, 0.65 * u, opaque(OverlayColours::kGaze));
        break;
    case Legend::Swatch::PupilHole:
        disc(centre, u, opaque(OverlayColours::kGaze));
        disc(centre, 0.45 * u, Qt::black);
        disc(centre + QPointF(u, 0), 0.45 * u, opaque(OverlayColours::kNearAction));
        break;
    case Legend::Swatch::Fixation: {
        QColor fill = QColor::fromRgba(OverlayColours::kFixation);
        fill.setAlphaF(0.45);
        painter.setPen(QPen(QColor::fromRgba(OverlayColours::kFixation), std::max(1.0, u / 10)));
        painter.setBrush(fill);
        painter.drawEllipse(centre, u * 0.45, u * 0.45);
        break;
    }
    case Legend::Swatch::Saccade:
        painter.setPen(QPen(QColor::fromRgba(OverlayColours::kSaccade), std::max(1.0, u / 10)));
        painter.drawLine(QPointF(box.left(), box.bottom()), QPointF(box.right(), box.top()));
        break;
    case Legend::Swatch::PupilBar:
        painter.fillRect(QRectF(box.left(), box.top() + u / 4, box.width() * 0.6, u / 2), mark);
        mark.setAlpha(64);
        painter.fillRect(
            QRectF(box.left() + box.width() * 0.65, box.top() + u / 4, box.width() * 0.35, u / 2), mark);
        break;
    case Legend::Swatch::KeypointSquares:
        for (int i = 0; i < 3; ++i) {
            mark.setAlpha(i < 2 ? 255 : 48);
            painter.fillRect(
                QRectF(box.left() + i * box.width() / 3, box.top() + u / 4, box.width() / 3 - 1, u / 2),
                mark);
        }
        break;
    case Legend::Swatch::AoiOutline: {
        // As over the picture: the outline, and the name on a label of its colour above it.
        const QColor colour = opaque(aoiColour(0));
        const double line = std::max(1.0, u / 10);
        painter.setPen(QPen(colour, line));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            QRectF(box.left() + line / 2, box.top() + 0.4 * u, box.width() - line, 0.6 * u - line / 2));
        painter.fillRect(QRectF(box.left(), box.top(), box.width() * 0.6, 0.4 * u), colour);
        break;
    }
    case Legend::Swatch::None:
    case Legend::Swatch::HeatRamp:
        break;
    }
}

} // namespace

Legend::Legend(LegendContent content) : content_(std::move(content))
{
    if (content_.positionMs)
        lines_.push_back({Swatch::None, tr("Time %1").arg(timeText(*content_.positionMs))});
    const OverlayOptions& o = content_.options;
    if (content_.gaze && !content_.manyViewers) {
        lines_.push_back({Swatch::GazeDisc, tr("Gaze point")});
        lines_.push_back({Swatch::FocusRing, tr("Focus: grows while the gaze rests")});
        lines_.push_back({Swatch::PupilHole, tr("Pupil: the hole, red near a keypoint")});
        if (o.showScanPath) {
            lines_.push_back({Swatch::Fixation, tr("Fixation: larger the longer it lasts")});
            lines_.push_back({Swatch::Saccade, tr("Saccade")});
        }
    } else if (content_.gaze) {
        if (o.showHeatmap)
            lines_.push_back(
                {Swatch::HeatRamp,
                 tr("Heat map: viewers looking here, of %1").arg(std::max(1, content_.viewers))});
        if (o.showPupil)
            lines_.push_back({Swatch::PupilBar, tr("Pupil bar: mean pupil, bright if viewers agree")});
        if (o.showActions)
            lines_.push_back({Swatch::KeypointSquares, tr("Squares: viewers with a keypoint in the shot")});
    }
    if (content_.aois)
        lines_.push_back({Swatch::AoiOutline, tr("Area of interest: outline and name")});
}

QString Legend::timeText(int positionMs)
{
    const int ms = std::max(0, positionMs);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

std::vector<Legend::HeatLabel> Legend::heatLabels(int viewers, const HeatThresholds& t)
{
    const int all = std::max(1, viewers);
    std::vector<int> counts{1, all};
    // The colour at a count follows the share count / viewers: the first count
    // whose share reaches a threshold is where that colour band begins.
    for (const double threshold : {t.cyan, t.green, t.yellow, t.red})
        if (std::isfinite(threshold))
            counts.push_back(std::clamp(static_cast<int>(std::ceil(threshold * all - 1e-9)), 1, all));
    std::sort(counts.begin(), counts.end());
    counts.erase(std::unique(counts.begin(), counts.end()), counts.end());
    std::vector<HeatLabel> labels;
    for (const int count : counts)
        labels.push_back({count, static_cast<double>(count - 1) / all});
    return labels;
}

int Legend::unitFor(const QRect& picture) const
{
    // Readable in a small rendering, not overbearing full screen.
    return std::clamp(picture.height() / 36, 9, 20);
}

QSize Legend::sizeAt(int unit) const
{
    const QFontMetrics metrics(legendFont(unit));
    const int pad = std::max(3, unit / 2);
    const int row = static_cast<int>(std::lround(kRowHeight * unit));
    int width = 0;
    int height = 0;
    for (const Line& line : lines_) {
        const int text = metrics.horizontalAdvance(line.text);
        if (line.swatch == Swatch::HeatRamp) {
            width = std::max({width, text, 12 * unit});
            height += row + unit + row; // heading, ramp, labels
        } else {
            width = std::max(width, (line.swatch == Swatch::None ? 0 : kSwatchWidth * unit + pad) + text);
            height += row;
        }
    }
    return QSize(width + 2 * pad, height + 2 * pad);
}

QRect Legend::placeIn(const QRect& picture) const
{
    if (lines_.empty() || picture.isEmpty())
        return QRect();
    const int unit = unitFor(picture);
    const QSize size = sizeAt(unit);
    const int margin = std::max(2, unit / 2);
    return QRect(QPoint(picture.right() + 1 - margin - size.width(), picture.top() + margin), size)
        .intersected(picture);
}

void Legend::draw(QPainter& painter, const QRect& picture) const
{
    const QRect box = placeIn(picture);
    if (box.isEmpty())
        return;
    const int unit = unitFor(picture);
    const QSize full = sizeAt(unit);
    const int pad = std::max(3, unit / 2);
    const int row = static_cast<int>(std::lround(kRowHeight * unit));
    const QFont font = legendFont(unit);
    const QFontMetrics metrics(font);
    painter.save();
    painter.setClipRect(picture, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(font);
    // The box keeps its size when the picture is too small for it: it is cut, not squeezed.
    const QRect backing(box.topLeft(), full);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 150));
    painter.drawRoundedRect(backing, pad, pad);

    const int left = backing.left() + pad;
    int top = backing.top() + pad;
    const auto text = [&](int x, int rowTop, const QString& s) {
        const double baseline = rowTop + (row + metrics.ascent() - metrics.descent()) / 2.0;
        drawHaloText(painter, QPointF(x, baseline), s);
    };
    for (const Line& line : lines_) {
        if (line.swatch == Swatch::None) {
            text(left, top, line.text);
            top += row;
            continue;
        }
        if (line.swatch != Swatch::HeatRamp) {
            drawSwatch(painter, line.swatch,
                       QRectF(left, top + (row - unit) / 2.0, kSwatchWidth * unit, unit));
            text(left + kSwatchWidth * unit + pad, top, line.text);
            top += row;
            continue;
        }
        text(left, top, line.text);
        top += row;
        const int viewers = std::max(1, content_.viewers);
        const int width = full.width() - 2 * pad;
        for (int x = 0; x < width; ++x) {
            const auto count = static_cast<std::uint32_t>(static_cast<qint64>(x) * viewers / width + 1);
            painter.fillRect(QRect(left + x, top, 1, unit),
                             opaque(DxCtrl::heatColour(count, content_.options.heatThresholds, viewers)));
        }
        top += unit;
        // Labels that would run into the one before are left out; the last (all viewers) always stays.
        const std::vector<HeatLabel> labels = heatLabels(viewers, content_.options.heatThresholds);
        std::vector<std::pair<int, QString>> shown;
        const auto rightOf = [&](const std::pair<int, QString>& l) {
            return l.first + metrics.horizontalAdvance(l.second) + unit / 2;
        };
        for (size_t i = 0; i < labels.size(); ++i) {
            const QString s = QString::number(labels[i].viewers);
            const int x = std::min(left + static_cast<int>(labels[i].at * width),
                                   left + width - metrics.horizontalAdvance(s));
            const bool last = i + 1 == labels.size();
            while (last && shown.size() > 1 && rightOf(shown.back()) > x)
                shown.pop_back();
            if (shown.empty() || rightOf(shown.back()) <= x)
                shown.emplace_back(x, s);
        }
        for (const auto& [x, s] : shown)
            text(x, top, s);
        top += row;
    }
    painter.restore();
}

void drawHaloText(QPainter& painter, const QPointF& baseline, const QString& text, const QColor& ink)
{
    QPainterPath path;
    path.addText(baseline, painter.font(), text);
    const QColor halo = ink.lightness() > 127 ? QColor(0, 0, 0, 220) : QColor(255, 255, 255, 220);
    const double width = std::max(2.0, painter.font().pixelSize() / 5.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.strokePath(path, QPen(halo, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, ink);
    painter.restore();
}

LegendContent legendContentOf(const AppCtrl& app, int viewers, int positionMs, bool aois)
{
    LegendContent content;
    content.manyViewers = app.mode == AppCtrl::Mode::Directory;
    content.viewers = viewers;
    content.options = overlayOptionsOf(app);
    content.positionMs = positionMs;
    content.aois = aois;
    return content;
}

std::optional<LegendContent> playerLegendOf(const AppCtrl& app, int viewers, int positionMs, bool aois)
{
    const bool many = app.mode == AppCtrl::Mode::Directory;
    const bool gaze = viewers > 0 && (many || app.mode == AppCtrl::Mode::File);
    if (!app.showLegend || app.mode == AppCtrl::Mode::Play || (!gaze && !aois))
        return std::nullopt;
    LegendContent content = legendContentOf(app, viewers, positionMs, aois);
    content.gaze = gaze;
    return content;
}

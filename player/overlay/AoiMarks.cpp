#include "player/overlay/AoiMarks.h"

#include "player/media/MixerBitmap.h"
#include "player/overlay/FrameLayer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace {

constexpr double kUnits = 1e6;
// Drawn under every line so that dark colours show over dark pictures too.
const QColor kHalo(255, 255, 255, 140);
const QColor kNewArea(255, 255, 255);

void outline(QPainter& painter, AoiShape shape, const QRectF& rect)
{
    if (shape == AoiShape::Ellipse)
        painter.drawEllipse(rect);
    else
        painter.drawRect(rect);
}

void drawArea(QPainter& painter, const AoiBox& box, QSize canvas, const QColor& colour, double line,
              const QString& name, bool selected)
{
    const QRectF rect = aoiBoxOnCanvas(box, canvas);
    const double width = selected ? 2 * line : line;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kHalo, width + 2));
    outline(painter, box.shape, rect);
    painter.setPen(QPen(colour, width));
    outline(painter, box.shape, rect);

    if (selected) {
        const double side = std::max(9.0, canvas.height() / 50.0);
        painter.setPen(QPen(kHalo, 1));
        painter.setBrush(colour);
        for (const QPointF& corner : {rect.topLeft(), rect.topRight(), rect.bottomLeft(), rect.bottomRight()})
            painter.drawRect(QRectF(corner.x() - side / 2, corner.y() - side / 2, side, side));
    }
    if (name.isEmpty())
        return;
    // The name on a label of the area's colour, above the box, or inside it at the frame's top.
    const QFontMetricsF metrics(painter.font());
    const QSizeF label(metrics.horizontalAdvance(name) + 2 * line, metrics.height());
    const double top = rect.top() - label.height() >= 0 ? rect.top() - label.height() : rect.top();
    const QRectF at(QPointF(rect.left(), top), label);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRect(at);
    painter.setPen(Qt::white);
    painter.drawText(at, Qt::AlignCenter, name);
}

} // namespace

QRectF aoiBoxOnCanvas(const AoiBox& box, QSize canvas)
{
    return QRectF(box.x * canvas.width() / kUnits, box.y * canvas.height() / kUnits,
                  box.width * canvas.width() / kUnits, box.height * canvas.height() / kUnits);
}

void drawAoiMarks(QPainter& painter, QSize canvas, const AoiView& view, int timeMs)
{
    if (view.aois == nullptr || canvas.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QFont font = painter.font();
    font.setPixelSize(std::max(10, canvas.height() / 36));
    painter.setFont(font);
    const double line = std::max(3.0, canvas.height() / 240.0);
    const std::vector<Aoi>& aois = *view.aois;
    // The selected area last, so that it lies over the others and its handles can be seen.
    const auto draw = [&](std::size_t i) {
        const bool selected = static_cast<std::ptrdiff_t>(i) == view.selected;
        const AoiBox box = selected && view.dragged ? *view.dragged : aois[i].at(timeMs);
        if (box.present())
            drawArea(painter, box, canvas, QColor(QRgb(aoiColour(i))), line,
                     QString::fromStdString(aois[i].name), selected);
    };
    for (std::size_t i = 0; i < aois.size(); ++i)
        if (static_cast<std::ptrdiff_t>(i) != view.selected)
            draw(i);
    if (view.selected >= 0 && static_cast<std::size_t>(view.selected) < aois.size())
        draw(static_cast<std::size_t>(view.selected));
    else if (view.dragged && view.dragged->present())
        drawArea(painter, *view.dragged, canvas, kNewArea, line, QString(), false);
    painter.restore();
}

bool layAoiMarks(MixerBitmap& mixer, QSize frameSize, const AoiView& view, int timeMs, bool overMixer)
{
    const bool any =
        view.aois != nullptr && !frameSize.isEmpty() &&
        (view.dragged || std::any_of(view.aois->begin(), view.aois->end(),
                                     [timeMs](const Aoi& aoi) { return aoi.at(timeMs).present(); }));
    if (!any) {
        if (!overMixer && !mixer.isEmpty())
            mixer.Clear();
        return false;
    }
    const QSize canvas = FrameLayer::sizeFor(frameSize);
    AlphaBitmap marks;
    marks.image = QImage(canvas, QImage::Format_ARGB32_Premultiplied);
    marks.image.fill(Qt::transparent);
    QPainter painter(&marks.image);
    if (overMixer && !mixer.isEmpty()) {
        // What the mixer holds, as it would lay it over the frame: nearest pixel, at its opacity.
        const QRectF& to = mixer.parameters().destination;
        painter.save();
        painter.setOpacity(mixer.parameters().alpha);
        painter.drawImage(FrameLayer::placed(to, canvas), mixer.prepared());
        painter.restore();
    }
    drawAoiMarks(painter, canvas, view, timeMs);
    painter.end();
    FrameLayer::coverFrame(marks);
    mixer.SetAlphaBitmap(marks);
    return true;
}

#include "analysis/AoiPanel.h"

#include "analysis/PanelDrawing.h"
#include "player/data/AoiView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>

using panel_drawing::font;
using panel_drawing::kInk;

namespace {

// The colours the player shows the areas in.
const std::array<QColor, kAoiColours.size()> kLines = [] {
    std::array<QColor, kAoiColours.size()> lines;
    for (std::size_t i = 0; i < lines.size(); ++i)
        lines[i] = QColor(QRgb(kAoiColours[i]));
    return lines;
}();

} // namespace

AoiPanel::AoiPanel(const AoiPresence& presence, std::vector<int> shotStartsMs, std::function<double(int)> xOf)
    : presence_(presence), shotStartsMs_(std::move(shotStartsMs)), xOf_(std::move(xOf))
{
}

void AoiPanel::paint(QPainter& painter, const QRectF& panel) const
{
    panel_drawing::paintShotBands(painter, panel, shotStartsMs_, xOf_);

    const std::size_t lines = std::min(presence_.names.size(), kMaxLines);
    const double stretchMs = presence_.stretches ? double(presence_.filmEndMs) / presence_.stretches : 0;
    painter.save();
    painter.setClipRect(panel);
    painter.setBrush(Qt::NoBrush);
    for (std::size_t a = 0; a < lines && presence_.stretches > 0; ++a) {
        QPainterPath path;
        for (std::size_t s = 0; s < presence_.stretches; ++s) {
            const float share = presence_.shares[a * presence_.stretches + s];
            const QPointF point(xOf_(static_cast<int>((s + 0.5) * stretchMs)),
                                panel.bottom() - panel.height() * share);
            if (s == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        painter.setPen(
            QPen(kLines[a % kLines.size()], 2.0, a < kLines.size() ? Qt::SolidLine : Qt::DashLine));
        painter.drawPath(path);
    }
    painter.restore();

    painter.setPen(QPen(kInk, 1.2));
    painter.drawRect(panel);
    painter.setFont(font(17));
    for (int tenth = 0; tenth <= 10; tenth += 5) {
        const double y = panel.bottom() - panel.height() * tenth / 10.0;
        painter.drawLine(QPointF(panel.left() - 6, y), QPointF(panel.left(), y));
        painter.drawText(QRectF(0, y - 12, panel.left() - 10, 24), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(tenth / 10.0, 'g', 2));
    }
    // The legend sits inside the panel's top, over a veil, so that many names
    // wrap downwards instead of into the panel above.
    double x = panel.left() + 8;
    double y = panel.top() + 16;
    const QColor veil(255, 255, 255, 200);
    const auto entry = [&](const QString& text, const QColor* line, std::size_t a) {
        const double width = painter.fontMetrics().horizontalAdvance(text);
        const double needed = (line ? 38 : 0) + width + 16;
        if (x + needed > panel.right() && x > panel.left() + 8) {
            x = panel.left() + 8;
            y += 24;
        }
        painter.fillRect(QRectF(x - 4, y - 12, needed, 24), veil);
        if (line) {
            painter.setPen(QPen(*line, 2.0, a < kLines.size() ? Qt::SolidLine : Qt::DashLine));
            painter.drawLine(QPointF(x, y), QPointF(x + 30, y));
            x += 38;
        }
        painter.setPen(kInk);
        painter.drawText(QRectF(x, y - 12, width + 4, 24), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += width + 16;
    };
    entry(QStringLiteral("share of viewers looking at"), nullptr, 0);
    for (std::size_t a = 0; a < lines; ++a)
        entry(QString::fromStdString(presence_.names[a]).left(24), &kLines[a % kLines.size()], a);
}

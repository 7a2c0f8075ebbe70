#include "analysis/PanelDrawing.h"

#include <QPainter>

namespace panel_drawing {

QFont font(int pixels)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    return f;
}

void paintShotBands(QPainter& painter, const QRectF& panel, const std::vector<int>& shotStartsMs,
                    const std::function<double(int)>& xOf)
{
    for (std::size_t i = 0; i < shotStartsMs.size(); ++i) {
        const double left = xOf(shotStartsMs[i]);
        const double right = i + 1 < shotStartsMs.size() ? xOf(shotStartsMs[i + 1]) : panel.right();
        if (right <= left)
            continue;
        painter.fillRect(QRectF(left, panel.top(), right - left, panel.height()), kShotBands[i % 2]);
        painter.setPen(QColor(0xb0, 0xb8, 0xc8));
        painter.drawLine(QPointF(left, panel.top()), QPointF(left, panel.bottom()));
    }
}

} // namespace panel_drawing

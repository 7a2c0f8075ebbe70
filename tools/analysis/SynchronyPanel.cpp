#include "analysis/SynchronyPanel.h"

#include "analysis/PanelDrawing.h"
#include "measures/Synchrony.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

using panel_drawing::font;
using panel_drawing::kInk;

namespace {

const QColor kNss(0x1f, 0x4e, 0x9a);
const QColor kDispersion(0xd3, 0x7a, 0x1f);

double niceCeiling(double value)
{
    const double power = std::pow(10.0, std::floor(std::log10(std::max(value, 1e-9))));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= value)
            return factor * power;
    return 10.0 * power;
}

} // namespace

SynchronyPanel::SynchronyPanel(const measures::SynchronyResult& synchrony, std::vector<int> shotStartsMs,
                               std::function<double(int)> xOf)
    : shotStartsMs_(std::move(shotStartsMs)), xOf_(std::move(xOf))
{
    // One column per whole pixel, each the mean of the steps that fall in it.
    for (const measures::SynchronyStep& step : synchrony.steps) {
        if (step.viewers < 2)
            continue;
        const double x = std::floor(xOf_(step.timeMs));
        if (columns_.empty() || columns_.back().x != x)
            columns_.push_back({x});
        Column& column = columns_.back();
        column.nss += step.nss;
        column.dispersion += step.dispersionDeg;
        ++column.steps;
    }
    nssLow_ = 0;
    nssHigh_ = 1;
    dispersionHigh_ = 1;
    for (Column& column : columns_) {
        column.nss /= column.steps;
        column.dispersion /= column.steps;
        nssLow_ = std::min(nssLow_, column.nss);
        nssHigh_ = std::max(nssHigh_, column.nss);
        dispersionHigh_ = std::max(dispersionHigh_, column.dispersion);
    }
    nssStep_ = niceCeiling((nssHigh_ - nssLow_) / 4);
    nssLow_ = std::floor(nssLow_ / nssStep_) * nssStep_;
    nssHigh_ = std::ceil(nssHigh_ / nssStep_) * nssStep_;
    dispersionStep_ = niceCeiling(dispersionHigh_ / 4);
    dispersionHigh_ = std::ceil(dispersionHigh_ / dispersionStep_) * dispersionStep_;
}

void SynchronyPanel::paint(QPainter& painter, const QRectF& panel) const
{
    panel_drawing::paintShotBands(painter, panel, shotStartsMs_, xOf_);

    const auto yNss = [&](double nss) {
        return panel.bottom() - panel.height() * (nss - nssLow_) / (nssHigh_ - nssLow_);
    };
    const auto yDispersion = [&](double deg) {
        return panel.bottom() - panel.height() * deg / dispersionHigh_;
    };
    painter.save();
    painter.setClipRect(panel);
    painter.setBrush(Qt::NoBrush);
    for (const bool nss : {false, true}) {
        QPainterPath path;
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            const QPointF point(columns_[k].x + 0.5,
                                nss ? yNss(columns_[k].nss) : yDispersion(columns_[k].dispersion));
            // Gaps of more than a few pixels without viewers are left open.
            if (k == 0 || columns_[k].x - columns_[k - 1].x > 3)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        painter.setPen(QPen(nss ? kNss : kDispersion, nss ? 2.0 : 1.5));
        painter.drawPath(path);
    }
    painter.restore();

    painter.setPen(QPen(kInk, 1.2));
    painter.drawRect(panel);
    painter.setFont(font(17));
    for (double nss = nssLow_; nss <= nssHigh_ + nssStep_ / 2; nss += nssStep_) {
        const double y = yNss(nss);
        painter.drawLine(QPointF(panel.left() - 6, y), QPointF(panel.left(), y));
        painter.drawText(QRectF(0, y - 12, panel.left() - 10, 24), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(std::abs(nss) < nssStep_ / 2 ? 0.0 : nss, 'g', 3));
    }
    for (double deg = 0; deg <= dispersionHigh_ + dispersionStep_ / 2; deg += dispersionStep_) {
        const double y = yDispersion(deg);
        painter.drawLine(QPointF(panel.right(), y), QPointF(panel.right() + 6, y));
        painter.drawText(QRectF(panel.right() + 8, y - 12, 60, 24), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(deg, 'g', 3));
    }
    const double y = panel.top() - 18;
    double x = panel.left();
    for (const bool nss : {true, false}) {
        painter.setPen(QPen(nss ? kNss : kDispersion, 2.0));
        painter.drawLine(QPointF(x, y), QPointF(x + 30, y));
        x += 38;
        const QString text = nss ? QStringLiteral("synchrony: NSS of each viewer on the others' gaze (left)")
                                 : QStringLiteral("dispersion around the viewers' centroid, degrees (right)");
        painter.setPen(kInk);
        const double width = painter.fontMetrics().horizontalAdvance(text);
        painter.drawText(QRectF(x, y - 12, width + 4, 24), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += width + 36;
    }
}

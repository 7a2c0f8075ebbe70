#include "player/TimeSlider.h"

#include "player/GrooveSeekStyle.h"
#include "player/core/TimeTicks.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

constexpr int kLabelGap = 12;
constexpr int kTickLength = 3;

} // namespace

TimeSlider::TimeSlider(int range, QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("positionSlider"));
    setRange(0, range);
    setGrooveSeek(*this);
    setFocusPolicy(Qt::NoFocus);
}

void TimeSlider::setTotalTimeMs(std::int64_t totalMs)
{
    totalMs_ = std::max<std::int64_t>(0, totalMs);
    update();
}

void TimeSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.tickPosition = QSlider::NoTicks;
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    QFont small = font();
    small.setPixelSize(kLabelPixels);
    const QFontMetrics metrics(small);
    const int labels = totalMs_ > 0 ? metrics.height() : 0;
    option.rect.setHeight(height() - labels);
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    if (labels == 0)
        return;

    // The handle's centre runs from half a handle in to half a handle before the end.
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int offset = handle.width() / 2;
    const int span = width() - handle.width();
    const auto ticks = timeTicks(
        totalMs_, span, [&metrics](const QString& text) { return metrics.horizontalAdvance(text); },
        kLabelGap);
    painter.setFont(small);
    painter.setPen(palette().color(QPalette::WindowText));
    const int tickTop = option.rect.bottom() + 1 - kTickLength;
    const int baseline = height() - metrics.descent();
    for (const TimeTick& tick : ticks) {
        const int x = offset + static_cast<int>(tick.x);
        painter.drawLine(x, tickTop, x, option.rect.bottom());
        if (!tick.label.isEmpty())
            painter.drawText(QPointF(offset + tick.labelLeft, baseline), tick.label);
    }
}

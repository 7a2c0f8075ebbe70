#include "recorder/QSliderWithTicks.h"

#include "common/Logger.h"

#include <QMutexLocker>
#include <QPainter>
#include <QStyle>
#include <cmath>

QSliderWithTicks::QSliderWithTicks(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent)
{
}

void QSliderWithTicks::interestingPointAdded(qint64 pointTime)
{
    {
        QMutexLocker lock(&mutex_);
        LOG("pointTime: ", pointTime);
        tickValues_.append(pointTime);
    }
    update();
}

void QSliderWithTicks::clearTicks()
{
    QMutexLocker lock(&mutex_);
    tickValues_.clear();
}

QVector<qint64> QSliderWithTicks::ticks() const
{
    QMutexLocker lock(&mutex_);
    return tickValues_;
}

void QSliderWithTicks::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    QMutexLocker lock(&mutex_);
    if (tickValues_.isEmpty() || maximum() == minimum())
        return;
    QPainter painter(this);
    painter.setBrush(Qt::SolidPattern);
    for (const qint64 value : tickValues_) {
        // The slider's range is int; times beyond it sit at the ends.
        const int clamped = static_cast<int>(std::clamp<qint64>(value, minimum(), maximum()));
        const int x = QStyle::sliderPositionFromValue(minimum(), maximum(), clamped, width());
        painter.drawRect(QRect(QPoint(x, 0), QPoint(x + 1, height())));
    }
}

void QSliderWithTicks::showRange(qint64 startMs, qint64 endMs)
{
    // The slider works in int; movies of up to 24 days fit.
    setRange(static_cast<int>(startMs), static_cast<int>(endMs));
    setTickPosition(QSlider::TicksAbove);
    setPageStep(static_cast<int>(std::llround(static_cast<double>(endMs - startMs) / 10.0)) + 1);
}

void QSliderWithTicks::showPart(qint64 startMs, qint64 endMs, bool lengthKnown)
{
    if (lengthKnown) {
        showRange(startMs, endMs);
    } else {
        setRange(0, 0);
        setTickPosition(QSlider::NoTicks);
    }
    clearTicks();
}

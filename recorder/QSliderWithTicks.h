#pragma once

#include <QMutex>
#include <QSlider>
#include <QVector>

// The examination progress slider: follows the movie time and shows a thin bar
// for every interesting point the viewer marked.
class QSliderWithTicks : public QSlider
{
    Q_OBJECT

public:
    QSliderWithTicks(Qt::Orientation orientation, QWidget* parent = nullptr);

    void clearTicks();
    // The movie times the slider spans, with ticks above.
    void showRange(qint64 startMs, qint64 endMs);
    // The part of the movie a new examination covers, with no ticks yet; an empty
    // range when its length is not known.
    void showPart(qint64 startMs, qint64 endMs, bool lengthKnown);
    QVector<qint64> ticks() const;

public Q_SLOTS:
    void interestingPointAdded(qint64 pointTime);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    mutable QMutex mutex_;
    QVector<qint64> tickValues_;
};

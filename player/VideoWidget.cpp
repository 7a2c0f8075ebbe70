#include "player/VideoWidget.h"

#include "player/media/DsCtrl.h"

#include <QPainter>
#include <utility>

VideoWidget::VideoWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("videoArea"));
    // Every pixel is painted here: Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoWidget::setOnResize(std::function<void()> onResize)
{
    onResize_ = std::move(onResize);
}

void VideoWidget::setPaintOnTop(std::function<void(QPainter&)> paintOnTop)
{
    paintOnTop_ = std::move(paintOnTop);
}

void VideoWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!DsCtrl::IsMovieOpen()) {
        painter.fillRect(rect(), palette().button());
        return;
    }
    // The parts of the widget outside the video rectangle stay black.
    painter.fillRect(rect(), Qt::black);
    DsCtrl::PaintVideo(painter);
    if (paintOnTop_)
        paintOnTop_(painter);
}

void VideoWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (onResize_)
        onResize_();
}

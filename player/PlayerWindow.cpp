#include "player/PlayerWindow.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/AppCtrl.h"

#include <QSlider>

#include <algorithm>

PlayerWindow::PlayerWindow(AppCtrl& app, QWidget* parent)
    : QMainWindow(parent), app_(app), videoArea_(new QWidget), slider_(new QSlider(Qt::Horizontal))
{
    setObjectName(QStringLiteral("GazeviewCls"));
    setWindowTitle(QStringLiteral("Orvalis Reelscan Gazeview"));
    setMinimumSize(defaultWidth, defaultHeight);
    resize(defaultWidth, defaultHeight);

    auto* client = new QWidget;
    videoArea_->setParent(client);
    videoArea_->setObjectName(QStringLiteral("videoArea"));
    slider_->setParent(client);
    slider_->setObjectName(QStringLiteral("positionSlider"));
    slider_->setRange(0, sliderRange);
    slider_->setTickPosition(QSlider::TicksBelow);
    setCentralWidget(client);

    LOG("ownFileName: ", app_.ownFileName);
    LOG("recorderFileName: ", app_.recorderFileName);
    if (!app_.serverWindowCaption.isEmpty()) {
        if (const auto bus = platform::windowBusFolder(); !bus.path)
            LOG(bus.error);
        app_.serverWindow = platform::findWindow(app_.serverWindowCaption);
    }
}

QRect PlayerWindow::videoRect() const
{
    return videoArea_->geometry();
}

void PlayerWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutClientArea();
}

void PlayerWindow::layoutClientArea()
{
    const QSize client = centralWidget()->size();
    const int videoHeight = std::max(0, client.height() - sliderHeight);
    videoArea_->setGeometry(0, 0, client.width(), videoHeight);
    slider_->setGeometry(0, videoHeight, client.width(), sliderHeight);
}

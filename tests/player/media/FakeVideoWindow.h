#pragma once

#include "player/media/DsCtrl.h"
#include "player/media/VideoWindow.h"

// Records what the movie asks of its window; answers graph notifications the
// way the main window does.
class FakeVideoWindow : public VideoWindow
{
public:
    bool normalFrame = true;
    QSize size{960, 384};
    int menuHeight = 0;
    int shown = 0;
    int videoChanges = 0;
    int graphNotifications = 0;

    bool hasNormalFrame() const override { return normalFrame; }
    void resizeWindow(QSize newSize) override { size = newSize; }
    QRect clientArea() const override { return QRect(0, 0, size.width(), size.height() - menuHeight); }
    void showAndActivate() override { ++shown; }
    void videoChanged() override { ++videoChanges; }
    void graphNotify() override
    {
        ++graphNotifications;
        DsCtrl::HandleGraphEvent();
    }
};

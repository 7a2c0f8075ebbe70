#pragma once

#include <QRect>
#include <QSize>

// How much of each frame is shown: 1.0 the whole width or height, 0.5 the left
// or top half, stretched over the whole video rectangle.
struct ViewScale
{
    double x = 1.0;
    double y = 1.0;
};

// The main window as the movie needs it. The player's main window implements it;
// tests use a fake. Every call comes on the GUI thread.
class VideoWindow
{
public:
    virtual ~VideoWindow() = default;

    // False in full screen, where the window has no title bar, borders or menu.
    virtual bool hasNormalFrame() const = 0;
    // Resizes the window, keeping its position, so that everything inside the
    // window manager's frame (menu bar and client area together) has this size.
    virtual void resizeWindow(QSize size) = 0;
    // The client area below the menu bar, in its own coordinates (top left 0, 0):
    // the video rectangle and the slider strip are placed in it.
    virtual QRect clientArea() const = 0;
    // Shows the window normally, raises it and gives it the keyboard focus.
    virtual void showAndActivate() = 0;
    // A new frame arrived or the overlay changed: repaint the video rectangle.
    virtual void videoChanged() = 0;
    // The pipeline has news: call DsCtrl::HandleGraphEvent().
    virtual void graphNotify() = 0;
};

#pragma once

#include <QMainWindow>

class AppCtrl;
class QSlider;

// The player's one top-level window: the video area, with the position slider
// in a strip under it. Menus, commands and the movie itself attach here.
class PlayerWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int defaultWidth = 960;
    static constexpr int defaultHeight = 384;
    static constexpr int sliderHeight = 22;
    static constexpr int sliderRange = 1000;

    // Keeps a reference to `app`, which must outlive the window. Looks the
    // recorder's window up by the caption given on the command line.
    explicit PlayerWindow(AppCtrl& app, QWidget* parent = nullptr);

    // Where the movie is shown: the client area above the slider strip.
    QRect videoRect() const;
    QSlider* slider() const { return slider_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutClientArea();

    AppCtrl& app_;
    QWidget* videoArea_;
    QSlider* slider_;
};

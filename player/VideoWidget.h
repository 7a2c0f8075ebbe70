#pragma once

#include <QWidget>
#include <functional>

class QPainter;

// The area the movie is painted in: the newest frame with the overlay, or
// black while no frame has arrived. Mouse presses go on to the main window.
class VideoWidget : public QWidget
{
public:
    explicit VideoWidget(QWidget* parent = nullptr);

    // Runs after every resize with the new size, so the movie can be placed.
    void setOnResize(std::function<void()> onResize);
    // Paints over the picture and its overlay, last, while a movie is open.
    void setPaintOnTop(std::function<void(QPainter&)> paintOnTop);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::function<void()> onResize_;
    std::function<void(QPainter&)> paintOnTop_;
};

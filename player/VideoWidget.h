#pragma once

#include <QWidget>
#include <functional>

// The area the movie is painted in: the newest frame with the overlay, or
// black while no frame has arrived. Mouse presses go on to the main window.
class VideoWidget : public QWidget
{
public:
    explicit VideoWidget(QWidget* parent = nullptr);

    // Runs after every resize with the new size, so the movie can be placed.
    void setOnResize(std::function<void()> onResize);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::function<void()> onResize_;
};

#pragma once

#include <QSlider>
#include <cstdint>

// The position slider with the movie's time written under its ticks: the
// groove and handle take the upper part, the ticks and their times (at a
// round step wide enough that no two labels touch, whatever the width) the
// lower part. Without a duration it is a plain slider.
class TimeSlider : public QSlider
{
public:
    // A slider over 0..range that seeks where its groove is pressed and leaves
    // the keys to the window's commands.
    explicit TimeSlider(int range, QWidget* parent = nullptr);

    // The duration the slider's range stands for; 0 while no movie is open.
    void setTotalTimeMs(std::int64_t totalMs);
    std::int64_t totalTimeMs() const { return totalMs_; }

    // Pixel size of the times: small enough for the strip, large enough to read.
    static constexpr int kLabelPixels = 9;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int64_t totalMs_ = 0;
};

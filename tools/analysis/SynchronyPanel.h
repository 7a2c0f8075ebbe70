#pragma once

#include <QRectF>

#include <functional>
#include <vector>

class QPainter;
namespace measures {
struct SynchronyResult;
}

// The attentional synchrony of a set of viewers over the film, for a report:
// the leave-one-out NSS (left axis) and the dispersion in degrees (right
// axis), averaged per pixel column so that the picture stays small however
// long the film, over the shots drawn as alternating bands.
class SynchronyPanel
{
public:
    static constexpr double kHeight = 300;

    // shotStartsMs ascending; xOf maps a movie time into the panel's width.
    SynchronyPanel(const measures::SynchronyResult& synchrony, std::vector<int> shotStartsMs,
                   std::function<double(int)> xOf);

    void paint(QPainter& painter, const QRectF& panel) const;

private:
    struct Column
    {
        double x = 0;
        double nss = 0;
        double dispersion = 0;
        int steps = 0;
    };

    std::vector<int> shotStartsMs_;
    std::function<double(int)> xOf_;
    std::vector<Column> columns_;
    double nssLow_ = 0;
    double nssHigh_ = 1;
    double nssStep_ = 1;
    double dispersionHigh_ = 1;
    double dispersionStep_ = 1;
};

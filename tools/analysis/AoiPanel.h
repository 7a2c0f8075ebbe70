#pragma once

#include <QRectF>

#include <functional>
#include <string>
#include <vector>

class QPainter;

// What the picture shows of the areas of interest: the share of viewers whose
// gaze lies in each area over equal stretches of the film.
struct AoiPresence
{
    std::vector<std::string> names;
    std::vector<float> shares; // [area * stretches + stretch], 0 to 1
    std::size_t stretches = 0;
    int filmEndMs = 0;
};

// A panel of a report: one line per area (up to kMaxLines, the first in file
// order) over the shots drawn as alternating bands, with a legend of names.
class AoiPanel
{
public:
    static constexpr double kHeight = 260;
    static constexpr std::size_t kMaxLines = 12;

    // shotStartsMs ascending; xOf maps a movie time into the panel's width.
    AoiPanel(const AoiPresence& presence, std::vector<int> shotStartsMs, std::function<double(int)> xOf);

    void paint(QPainter& painter, const QRectF& panel) const;

private:
    const AoiPresence& presence_;
    std::vector<int> shotStartsMs_;
    std::function<double(int)> xOf_;
};

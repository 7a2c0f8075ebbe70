#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>

#include <array>
#include <functional>
#include <vector>

class QPainter;

// What the report's panels draw alike: their ink, their type and the shots
// behind their lines.
namespace panel_drawing {

inline const QColor kInk(0x22, 0x22, 0x22);
inline const std::array<QColor, 2> kShotBands = {QColor(0xea, 0xef, 0xf6), QColor(0xff, 0xff, 0xff)};

QFont font(int pixels);

// The shots as alternating bands across the panel, each opened by a thin line;
// shotStartsMs ascending, xOf maps a movie time into the panel's width.
void paintShotBands(QPainter& painter, const QRectF& panel, const std::vector<int>& shotStartsMs,
                    const std::function<double(int)>& xOf);

} // namespace panel_drawing

#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <optional>

// Where a point of the window's video area lies on the movie frame, in
// results-file units (1,000,000 = the frame's width or height). videoRect is
// where the video is painted (DsCtrl::VideoRect()), sourceRect the part of the
// frame it shows, in frame pixels (DsCtrl::SourceRect()), frameSize the
// frame's size. Points outside the video rectangle map outside 0..1,000,000.
// Nothing while any of the three is empty.
std::optional<QPointF> frameUnitsAt(const QPointF& point, const QRect& videoRect, const QRect& sourceRect,
                                    QSize frameSize);

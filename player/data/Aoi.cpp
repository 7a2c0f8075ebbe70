#include "player/data/Aoi.h"

#include <algorithm>

const char* aoiShapeName(AoiShape shape)
{
    switch (shape) {
    case AoiShape::Rectangle:
        return "rectangle";
    case AoiShape::Ellipse:
        return "ellipse";
    case AoiShape::Hidden:
        break;
    }
    return "hidden";
}

bool aoiShapeFromName(const std::string& name, AoiShape& shape)
{
    if (name == "rectangle")
        shape = AoiShape::Rectangle;
    else if (name == "ellipse")
        shape = AoiShape::Ellipse;
    else if (name == "hidden")
        shape = AoiShape::Hidden;
    else
        return false;
    return true;
}

bool AoiBox::contains(double px, double py) const
{
    if (shape == AoiShape::Hidden || px < x || py < y || px > x + width || py > y + height)
        return false;
    if (shape == AoiShape::Rectangle)
        return true;
    const double rx = width / 2;
    const double ry = height / 2;
    if (rx <= 0 || ry <= 0)
        return false;
    const double dx = (px - x - rx) / rx;
    const double dy = (py - y - ry) / ry;
    return dx * dx + dy * dy <= 1.0;
}

std::ptrdiff_t Aoi::keyIndexAt(int timeMs) const
{
    const auto after = std::upper_bound(keys.begin(), keys.end(), timeMs,
                                        [](int t, const AoiKey& key) { return t < key.timeMs; });
    return (after - keys.begin()) - 1;
}

AoiBox Aoi::atKey(std::size_t index, int timeMs) const
{
    const AoiKey& key = keys[index];
    if (key.shape == AoiShape::Hidden)
        return {};
    AoiBox box{key.shape, double(key.x), double(key.y), double(key.width), double(key.height)};
    if (index + 1 >= keys.size())
        return box;
    const AoiKey& next = keys[index + 1];
    if (next.shape == AoiShape::Hidden || timeMs <= key.timeMs)
        return box;
    const double f = double(timeMs - key.timeMs) / double(next.timeMs - key.timeMs);
    box.x += f * (next.x - key.x);
    box.y += f * (next.y - key.y);
    box.width += f * (next.width - key.width);
    box.height += f * (next.height - key.height);
    return box;
}

AoiBox Aoi::at(int timeMs) const
{
    const std::ptrdiff_t index = keyIndexAt(timeMs);
    return index < 0 ? AoiBox{} : atKey(static_cast<std::size_t>(index), timeMs);
}

long long Aoi::presentMs(int fromMs, int toMs) const
{
    long long total = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].shape == AoiShape::Hidden)
            continue;
        const long long begin = std::max(fromMs, keys[i].timeMs);
        const long long end = i + 1 < keys.size() ? std::min(toMs, keys[i + 1].timeMs) : toMs;
        if (end > begin)
            total += end - begin;
    }
    return total;
}

int Aoi::firstPresentMs(int fromMs, int toMs) const
{
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].shape == AoiShape::Hidden)
            continue;
        const int begin = std::max(fromMs, keys[i].timeMs);
        const int end = i + 1 < keys.size() ? std::min(toMs, keys[i + 1].timeMs) : toMs;
        if (end > begin)
            return begin;
    }
    return -1;
}

bool isValidAoiName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxAoiNameBytes)
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == ';' || byte < 0x20 || byte == 0x7f;
    });
}

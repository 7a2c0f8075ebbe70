#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The shape an area of interest takes from one of its keys on. Hidden (0) takes
// the area away until its next key.
enum class AoiShape : std::uint8_t
{
    Hidden = 0,
    Rectangle,
    Ellipse
};

// "rectangle", "ellipse", "hidden": the words of the AOI file.
const char* aoiShapeName(AoiShape shape);
// False for any other word.
bool aoiShapeFromName(const std::string& name, AoiShape& shape);

// One key of an area: from timeMs on it has this shape and bounding box (x, y
// the top-left corner, in results-file units, 1,000,000 = the movie frame).
// The box means nothing for a hidden key.
struct AoiKey
{
    int timeMs = 0;
    AoiShape shape = AoiShape::Hidden;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const AoiKey&, const AoiKey&) = default;
};

// The area at one moment: absent when shape is Hidden.
struct AoiBox
{
    AoiShape shape = AoiShape::Hidden;
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool present() const { return shape != AoiShape::Hidden; }
    // True when the point lies inside the shape (edges included).
    bool contains(double px, double py) const;
};

// An area of interest that moves with the film: its keys in strictly rising
// time order. Between two keys that both have a shape, the box moves and
// resizes linearly (taking the first key's shape); a key followed by a hidden
// key or by none holds its box. The area is absent before its first key and
// while a hidden key is in force.
struct Aoi
{
    std::string name;
    std::vector<AoiKey> keys;

    AoiBox at(int timeMs) const;
    // The box over the key span starting at keys[index], at timeMs within it.
    AoiBox atKey(std::size_t index, int timeMs) const;
    // Index of the last key at or before timeMs; -1 before the first.
    std::ptrdiff_t keyIndexAt(int timeMs) const;
    // How long the area is present within [fromMs, toMs).
    long long presentMs(int fromMs, int toMs) const;
    // The first moment within [fromMs, toMs) at which the area is present; -1 when none.
    int firstPresentMs(int fromMs, int toMs) const;

    friend bool operator==(const Aoi&, const Aoi&) = default;
};

// Names that fit a field of the AOI file: not empty, at most kMaxAoiNameBytes,
// no ';' and no control characters (line breaks among them).
constexpr std::size_t kMaxAoiNameBytes = 200;
bool isValidAoiName(const std::string& name);

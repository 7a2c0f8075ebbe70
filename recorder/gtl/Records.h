#pragma once

#include <vector>

// The records the tracker server describes itself and its samples with. Every
// value is kept exactly as the server sends it; this library scales nothing.
namespace gtl {

struct TrackerValues
{
    bool push = false;
    int heartbeatinterval = 0; // milliseconds between the heartbeats the server expects
    int version = 0;
    int trackerstate = 0; // passed through; its meaning belongs to the caller
    int framerate = 0;
    bool iscalibrated = false;
    bool iscalibrating = false;

    bool operator==(const TrackerValues&) const = default;
};

struct Point2f
{
    float x = 0;
    float y = 0;

    bool operator==(const Point2f&) const = default;
};

struct EyeValues
{
    Point2f raw;
    Point2f avg;
    float psize = 0;
    Point2f pcenter;

    bool operator==(const EyeValues&) const = default;
};

struct GazeFrame
{
    int time = 0;
    bool fix = false;
    int state = 0;
    Point2f raw;
    Point2f avg;
    EyeValues lefteye;
    EyeValues righteye;

    bool operator==(const GazeFrame&) const = default;
};

// Callers take a frame over as 21 consecutive 32-bit words.
static_assert(sizeof(GazeFrame) == 21 * 4, "a gaze frame is 21 words");

struct ScreenSetup
{
    int screenindex = 0;
    int screenresw = 0;   // pixels
    int screenresh = 0;   // pixels
    float screenpsyw = 0; // physical width
    float screenpsyh = 0; // physical height

    bool operator==(const ScreenSetup&) const = default;
};

struct CalibrationPoint
{
    int state = 0;
    Point2f cp;                        // where the point was shown
    Point2f mecp;                      // mean estimated position
    float ad = 0, adl = 0, adr = 0;    // accuracy in degrees: both eyes, left, right
    float mep = 0, mepl = 0, mepr = 0; // mean error in pixels
    float asd = 0, asdl = 0, asdr = 0; // average standard deviation

    bool operator==(const CalibrationPoint&) const = default;
};

struct CalibrationResult
{
    bool result = false;
    float deg = 0; // average error in degrees of visual angle
    float degl = 0;
    float degr = 0;
    std::vector<CalibrationPoint> calibpoints;

    void clear() { *this = CalibrationResult{}; }
    bool operator==(const CalibrationResult&) const = default;
};

enum class MessageCategory
{
    unknown = 0,
    tracker = 1,
    calibration = 2,
    heartbeat = 3,
};

enum class RequestKind
{
    unknown = 0,
    get = 1,
    set = 2,
    start = 3,
    abort = 4,
    clear = 5,
    pointstart = 6,
    pointend = 7,
};

enum class StatusKind
{
    none = 0, // missing or zero: the message is dropped
    ok = 1,
    error = 2,
    calibration_changed = 3,
    display_changed = 4,
    tracker_state_changed = 5,
};

} // namespace gtl

#pragma once

#include <cstdint>

struct GazePosition
{
    float x = 0;
    float y = 0;
};

struct GazeEye
{
    GazePosition raw;
    GazePosition avg;
    float psize = 0; // pupil size, mm
    GazePosition pcenter;
};

// One recorded sample: 22 consecutive 32-bit words. The first 21 have the layout
// of the EyeTribe gaze frame so a frame is taken over field for field.
struct GazePoint
{
    enum StateBits : int32_t
    {
        StateGazeTracked = 1,
        StateBlink = 4,
    };

    int32_t time = 0;  // ms; movie time once stamped
    int32_t fix = 0;   // fixation flag, one 32-bit slot
    int32_t state = 0; // tracking state bits
    GazePosition raw;  // screen pixels
    GazePosition avg;  // smoothed, screen pixels: what the results file stores
    GazeEye lefteye;
    GazeEye righteye;
    int32_t interestingPointValue = 0;

    // Tracked, or a blink of a viewer who is present.
    bool isValid() const { return (state & (StateGazeTracked | StateBlink)) != 0; }
};

static_assert(sizeof(GazePoint) == 22 * 4, "GazePoint is 22 words");

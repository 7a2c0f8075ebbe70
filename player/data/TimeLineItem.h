#pragma once

// One recorded sample as the player holds it: the six values read from a results
// file followed by the four derived right after loading.
struct TimeLineItem
{
    int time = 0;             // movie time, ms
    int x = 0;                // gaze position, 1,000,000 = full screen width
    int y = 0;                // gaze position, 1,000,000 = full screen height
    int blink = 0;            // > 0: position usable; -1 after smoothing when no usable sample is near
    int pupil = 0;            // diameter in 100 nm; 0 = no value
    int interestingPoint = 0; // 0 or 1
    int avgX = 0;             // smoothed position, -1 where none
    int avgY = 0;
    int nearAction = 0; // 1 within the action radius of an interesting point
    int stillCount = 0; // directly preceding samples whose smoothed position stays within the filter radius

    friend bool operator==(const TimeLineItem&, const TimeLineItem&) = default;
};

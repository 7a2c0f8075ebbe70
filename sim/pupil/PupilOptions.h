#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sim {

// How the Pupil Capture stand-in behaves. The defaults are a well-calibrated
// headset whose surface "screen" sees the viewer look at a 1920x1080 screen.
struct PupilOptions
{
    unsigned short remotePort = 50020; // 0 picks a free port
    unsigned short publisherPort = 0;  // 0 picks a free port
    int rate = 120;                    // gaze data per second, 30-200
    int surfaceRate = 30;              // surface messages per second (the world camera's rate)
    std::string surface = "screen";
    std::string version = "3.5.1";
    int screenWidth = 1920;
    int screenHeight = 1080;
    unsigned seed = 1;
    std::filesystem::path gazeFile;   // empty: a synthetic viewer
    bool followBall = false;          // the synthetic viewer follows demo-movie's ball
    std::filesystem::path scriptFile; // timed events: silent on|off, drop, raw TEXT
    double timeBaseS = 5000.0;        // Pupil time at start
    bool threeD = true;               // pupil data of the 3d detector (diameter in mm)
    bool calibrationSucceeds = true;
    int calibrationMs = 300;
    // Faults.
    bool silent = false;        // answer requests, publish nothing
    bool lowConfidence = false; // every gaze datum below any sensible threshold
    bool offSurface = false;    // the viewer looks beside the screen
    int stopAfterMs = 0;        // vanish (close everything) this long after the start
    int malformedEvery = 0;     // every Nth surface message is not msgpack
    int oversizedEvery = 0;     // every Nth surface message is a frame of oversizedBytes
    int oversizedBytes = 4 << 20;
    int backwardsEvery = 0; // every Nth gaze datum is stamped half a second early
    bool verbose = false;
};

struct ParsedPupilOptions
{
    PupilOptions options;
    bool help = false;
    std::string error;
};

// "--name=value" or "--name value" arguments, the program name excluded.
ParsedPupilOptions parsePupilOptions(const std::vector<std::string>& args);
std::string pupilUsage();

} // namespace sim

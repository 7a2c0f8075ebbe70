#pragma once

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace tools {

struct TrackerCheckOptions
{
    unsigned short port = 6555;
    int frames = 60; // frames the rate is measured over
    std::chrono::milliseconds replyTimeout{5000};
    std::chrono::milliseconds frameTimeout{10000}; // for all the frames together
    // Pupil Capture instead of the EyeTribe server: its Pupil Remote address and the surface.
    bool pupil = false;
    std::string pupilAddress = "127.0.0.1:50020";
    std::string surface = "screen";
};

struct ParsedTrackerCheckOptions
{
    TrackerCheckOptions options;
    bool help = false;
    std::string error;
};

ParsedTrackerCheckOptions parseTrackerCheckOptions(const std::vector<std::string>& args);
std::string trackerCheckUsage();

// Exit codes of the check.
enum TrackerCheckResult
{
    check_ok = 0,
    check_no_server = 1,
    check_bad_usage = 2,
    check_no_frames = 3,
    check_no_answer = 4,   // connected, but no answer to the request for values in time
    check_rejected = 5,    // the server answered that request with an error
    check_off_surface = 6, // Pupil Capture: samples arrive, but none lies on the surface
};

// Connects to the tracker server on 127.0.0.1, prints its values, screen and
// calibration and the frame rate measured over the given number of frames.
int runTrackerCheck(const TrackerCheckOptions& options, std::ostream& out, std::ostream& err);

} // namespace tools

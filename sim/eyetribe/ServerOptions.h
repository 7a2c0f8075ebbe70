#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// How the tracker server stand-in behaves; every default is what a quiet,
// calibrated-on-request tracker on 127.0.0.1:6555 would do.
struct ServerOptions
{
    unsigned short port = 6555; // 0 picks a free port
    int framerate = 30;
    int heartbeatIntervalMs = 3000;
    int heartbeatTimeoutMs = 0; // a client silent this long is dropped; 0 = three intervals
    int trackerState = 0;       // 0 = tracker connected and streaming
    unsigned seed = 1;
    std::filesystem::path gazeFile;   // empty: a synthetic viewer
    bool followBall = false;          // the synthetic viewer watches the demo movie's ball
    std::filesystem::path scriptFile; // timed events, see ScriptEvent
    double calibrationErrorDeg = 0.4;
    int screenWidth = 1920;
    int screenHeight = 1080;
    float screenPhysicalWidth = 0.531f; // metres
    float screenPhysicalHeight = 0.299f;
    bool silent = false; // accept connections, never answer
    // Announced as "heartbeatinterval" instead of the interval clients are held to,
    // to try clients on odd values such as 0 or a negative one.
    std::optional<int> announcedHeartbeatIntervalMs;
    bool pushBeforeAnswer = false; // a frame goes out ahead of every "get" answer
    // A status-200 "get" reply with no values goes out ahead of every "get" answer,
    // as servers do that announce themselves first.
    bool noticeBeforeAnswer = false;
    bool neverAccept = false;    // listen, but leave every connection unaccepted
    bool closeOnAccept = false;  // close every connection as soon as it is accepted
    bool refuseGet = false;      // answer every tracker "get" with an error
    std::string calibresultText; // JSON sent as "calibresult" instead of the real one
    bool verbose = false;

    int effectiveHeartbeatTimeoutMs() const
    {
        return heartbeatTimeoutMs > 0 ? heartbeatTimeoutMs : 3 * heartbeatIntervalMs;
    }
};

struct ParsedServerOptions
{
    ServerOptions options;
    bool help = false;
    std::string error; // empty when the command line is sound
};

// Reads "--name=value" or "--name value" arguments (the program name excluded).
ParsedServerOptions parseServerOptions(const std::vector<std::string>& args);

std::string serverUsage();

} // namespace sim

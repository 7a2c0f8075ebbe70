#pragma once

#include "recorder/trackers/eyex/EngineLink.h"

#include <mutex>
#include <string>
#include <thread>

namespace eyex {

// The engine over a Unix local socket, one text line per message:
//   engine -> client  "state N"            connection state N (1 to 5)
//                     "gaze T X Y"         gaze point, T in ms, X and Y in screen pixels
//                     "value P N..."       the numbers (1 to 8) held at state path P
//   client -> engine  "subscribe M"        send gaze points in mode M
//                     "get P"              send the value at state path P
// open() reports "trying to connect" before it returns; from then on the link
// keeps trying to reach the engine on its own thread, and reports
// "disconnected" (and trying again) when the engine goes away.
class LocalSocketLink : public EngineLink
{
public:
    static constexpr int retryMs = 200;

    explicit LocalSocketLink(std::string socketPath);
    ~LocalSocketLink() override;

    void open(EngineSink& sink) override;
    void close() override;
    bool subscribeGazePoints(int mode) override;
    bool requestState(const std::string& path) override;

    // "tobii-eyex-engine" in $XDG_RUNTIME_DIR, else in /tmp.
    static std::string defaultSocketPath();
    // One engine line for the sink. False when the line is not understood.
    static bool dispatchLine(const std::string& line, EngineSink& sink);

private:
    bool sendLine(const std::string& line);
    void run(EngineSink& sink);
    bool waitForStop(int timeoutMs);
    // Reads lines until the engine goes or the link closes; true when it closed.
    bool serve(int fd, EngineSink& sink);

    std::string socketPath_;
    std::thread thread_;
    int wakeFds_[2] = {-1, -1};
    std::mutex fdMutex_;
    int fd_ = -1;
};

} // namespace eyex

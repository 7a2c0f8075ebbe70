#pragma once

#include "sim/eyetribe/ServerOptions.h"

#include <memory>
#include <string>
#include <vector>

namespace sim {

// Stand-in for the EyeTribe tracker server: speaks the tracker protocol on
// 127.0.0.1, answers get and set requests, runs calibrations, pushes frames to
// clients in push mode, tells every client of calibration, screen and tracker
// state changes, and drops clients whose heartbeats stop. It serves on a thread
// of its own; every member may be called from any thread.
class EyeTribeServer
{
public:
    explicit EyeTribeServer(ServerOptions options);
    ~EyeTribeServer();
    EyeTribeServer(const EyeTribeServer&) = delete;
    EyeTribeServer& operator=(const EyeTribeServer&) = delete;

    // Reads the gaze file and script, listens and starts serving. Returns false
    // with the reason in error when it cannot. A server object serves only once.
    bool start(std::string& error);
    // Closes every connection and the listening socket.
    void stop();
    // The port listened on (the chosen one when the options asked for 0).
    unsigned short port() const;

    // Scripted behaviour for tests; each takes effect on the server's thread.
    void setTrackerState(int state);
    void dropClients();
    void sendRaw(const std::string& text);
    // Writes the text in the given number of parts, a few milliseconds apart.
    void sendSplit(const std::string& text, int parts);
    // A silent server reads requests but never answers and pushes nothing.
    void setSilent(bool silent);

    // What the server has seen so far.
    int clientCount() const;
    int heartbeatCount() const;
    std::vector<std::string> requests() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace sim

#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace eyex {

// What the engine reports to the client library. Calls arrive on the link's own thread.
class EngineSink
{
public:
    virtual ~EngineSink() = default;
    virtual void connectionState(int state) = 0;
    virtual void gazePoint(double timestampMs, double x, double y) = 0;
    // The engine's answer to a state request: the numbers held at that path.
    virtual void stateValue(const std::string& path, const std::vector<double>& values) = 0;
};

// The way to the engine. open() starts connecting, reports "trying to connect" (or a
// failure) to the sink before it returns, and further states until close().
class EngineLink
{
public:
    virtual ~EngineLink() = default;
    virtual void open(EngineSink& sink) = 0;
    virtual void close() = 0;
    // Asks for gaze points in the given mode. False when the request cannot be sent.
    virtual bool subscribeGazePoints(int mode) = 0;
    // Asks for the value at a state path; the answer comes as stateValue(). False when
    // the request cannot be sent.
    virtual bool requestState(const std::string& path) = 0;
};

using EngineLinkFactory = std::function<std::unique_ptr<EngineLink>()>;

// Contexts created afterwards use links from this factory; an empty factory restores the
// local socket link.
void setEngineLinkFactory(EngineLinkFactory factory);

} // namespace eyex

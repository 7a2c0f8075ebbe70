#pragma once

#include "recorder/trackers/eyex/EngineLink.h"

#include <memory>
#include <string>
#include <vector>

// An EyeX engine the test plays: contexts created while it is installed reach it
// instead of the local socket, and what it reports arrives on the test's thread.
class ScriptedEngine
{
public:
    ScriptedEngine()
    {
        eyex::setEngineLinkFactory([this] { return std::make_unique<Link>(*this); });
    }
    ~ScriptedEngine() { eyex::setEngineLinkFactory({}); }
    ScriptedEngine(const ScriptedEngine&) = delete;
    ScriptedEngine& operator=(const ScriptedEngine&) = delete;

    void reportState(int state)
    {
        if (sink != nullptr)
            sink->connectionState(state);
    }
    void sendGaze(double timestampMs, double x, double y)
    {
        if (sink != nullptr)
            sink->gazePoint(timestampMs, x, y);
    }
    void answerState(const std::string& path, const std::vector<double>& values)
    {
        if (sink != nullptr)
            sink->stateValue(path, values);
    }

    // What a new connection reports first (0: nothing).
    int stateOnOpen = 3;
    bool acceptSubscriptions = true;

    eyex::EngineSink* sink = nullptr;
    int opens = 0;
    int subscribedMode = 0;
    std::vector<std::string> requestedStates;

private:
    class Link : public eyex::EngineLink
    {
    public:
        explicit Link(ScriptedEngine& engine) : engine_(engine) {}
        ~Link() override { close(); }
        void open(eyex::EngineSink& sink) override
        {
            engine_.sink = &sink;
            ++engine_.opens;
            open_ = true;
            if (engine_.stateOnOpen != 0)
                sink.connectionState(engine_.stateOnOpen);
        }
        void close() override
        {
            if (open_)
                engine_.sink = nullptr;
            open_ = false;
        }
        bool subscribeGazePoints(int mode) override
        {
            if (!engine_.acceptSubscriptions)
                return false;
            engine_.subscribedMode = mode;
            return true;
        }
        bool requestState(const std::string& path) override
        {
            engine_.requestedStates.push_back(path);
            return true;
        }

    private:
        ScriptedEngine& engine_;
        bool open_ = false;
    };
};

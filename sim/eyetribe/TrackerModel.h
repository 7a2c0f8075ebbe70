#pragma once

#include "sim/eyetribe/GazePath.h"
#include "sim/eyetribe/JsonText.h"
#include "sim/eyetribe/ServerOptions.h"

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The stand-in's own records of a calibration and a screen.
struct CalibrationPoint
{
    int state = 0;
    float cpx = 0, cpy = 0;     // where the point was shown
    float mecpx = 0, mecpy = 0; // mean estimated position
    float ad = 0, adl = 0, adr = 0;
    float mep = 0, mepl = 0, mepr = 0;
    float asd = 0, asdl = 0, asdr = 0;
};

struct Calibration
{
    bool result = false;
    float deg = 0, degl = 0, degr = 0;
    std::vector<CalibrationPoint> points;
};

struct Screen
{
    int index = 0;
    int width = 0;
    int height = 0;
    float physicalWidth = 0;
    float physicalHeight = 0;

    bool operator==(const Screen&) const = default;
};

// The tracker the stand-in pretends to be: its values, its calibration and its
// gaze frames, and the answer to every request. It knows nothing of sockets.
class TrackerModel
{
public:
    // What one client has set for itself.
    struct Client
    {
        bool push = false;
        int version = 0;
    };

    // Changes every client must hear of, as bits.
    enum Change : unsigned
    {
        no_change = 0,
        calibration_changed = 1,   // status 800
        display_changed = 2,       // status 801
        tracker_state_changed = 4, // status 802
    };

    struct Outcome
    {
        std::string reply; // empty: nothing to answer
        bool heartbeat = false;
        unsigned changes = no_change;
        bool get = false; // a tracker "get" answered with 200
    };

    // The fewest points a calibration may have.
    static constexpr int minCalibrationPoints = 9;
    static constexpr int maxCalibrationPoints = 64;

    // The answer to a text that is no request at all.
    static std::string malformed();
    // A status-200 "get" reply that carries none of the values asked for.
    static std::string notice();

    TrackerModel(const ServerOptions& options, GazePath path);

    // `nowMs` is the server's time, on the clock nextFrameMessage() is given.
    Outcome handle(std::string_view request, Client& client, int nowMs = 0);

    // The frame for this moment, as a pushed tracker "get" reply; moves the path on.
    std::string nextFrameMessage(int timeMs);
    bool streaming() const { return trackerState_ == 0; }

    // Returns true when the state changed.
    bool setTrackerState(int state);
    int trackerState() const { return trackerState_; }
    bool calibrated() const { return calibration_.has_value() && calibration_->result; }

    // The text that tells clients of one change (a single bit of Change).
    static std::string notification(Change change);

private:
    Outcome handleTracker(const std::string& kind, const JsonValue* values, Client& client);
    Outcome handleGet(const JsonValue& values, Client& client);
    Outcome handleSet(const JsonValue& values, Client& client);
    Outcome handleCalibration(const std::string& kind, const JsonValue* values);
    Outcome handleMovie(const std::string& kind, const JsonValue* values, int nowMs);
    std::string frameObject() const;
    Calibration computeCalibration();

    ServerOptions options_;
    GazePath path_;
    std::size_t frameIndex_ = 0;
    // Movie time minus server time, once a client told the movie's time: the path then
    // plays in movie time, so a viewer follows what the movie shows.
    std::optional<long long> movieOffsetMs_;
    int frameTimeMs_ = 0;
    GazeSample sample_;
    float avgX_ = 0;
    float avgY_ = 0;
    int trackerState_;
    Screen screen_;
    bool calibrating_ = false;
    int pointCount_ = 0;
    std::optional<std::pair<float, float>> activePoint_;
    std::vector<std::pair<float, float>> calibrationPoints_;
    std::optional<Calibration> calibration_;
    std::mt19937 random_;
};

} // namespace sim

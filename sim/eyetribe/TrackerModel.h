#pragma once

#include "recorder/gtl/Records.h"
#include "sim/eyetribe/GazePath.h"
#include "sim/eyetribe/ServerOptions.h"

#include <boost/property_tree/ptree_fwd.hpp>

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

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
    };

    TrackerModel(const ServerOptions& options, GazePath path);

    Outcome handle(std::string_view request, Client& client);

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
    Outcome handleTracker(const std::string& kind, const boost::property_tree::ptree* values, Client& client);
    Outcome handleCalibration(const std::string& kind, const boost::property_tree::ptree* values);
    std::string frameObject() const;
    gtl::CalibrationResult computeCalibration();

    ServerOptions options_;
    GazePath path_;
    std::size_t frameIndex_ = 0;
    int frameTimeMs_ = 0;
    GazeSample sample_;
    float avgX_ = 0;
    float avgY_ = 0;
    int trackerState_;
    gtl::ScreenSetup screen_;
    bool calibrating_ = false;
    int pointCount_ = 0;
    std::optional<gtl::Point2f> activePoint_;
    std::vector<gtl::Point2f> calibrationPoints_;
    std::optional<gtl::CalibrationResult> calibration_;
    std::mt19937 random_;
};

} // namespace sim

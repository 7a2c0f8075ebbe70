#pragma once

#include "recorder/gtl/Listeners.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Listens on every interface of the client and keeps what arrives, in order,
// as short event names with copies of the records.
class RecordingListener : public gtl::IGazeListener,
                          public gtl::ICalibrationResultListener,
                          public gtl::ITrackerStateListener,
                          public gtl::IConnectionStateListener,
                          public gtl::ICalibrationProcessHandler
{
public:
    void on_gaze_data(const gtl::GazeFrame& frame) override
    {
        record("gaze", [&] { frames.push_back(frame); });
    }
    void on_calibration_changed(bool result, const gtl::CalibrationResult& calibration) override
    {
        record(result ? "calibration true" : "calibration false",
               [&] { calibrations.push_back(calibration); });
    }
    void on_tracker_connection_changed(int trackerstate) override
    {
        record("trackerstate " + std::to_string(trackerstate), [] {});
    }
    void on_screen_state_changed(const gtl::ScreenSetup& screen) override
    {
        record("screen", [&] { screens.push_back(screen); });
    }
    void on_connection_state_changed(bool connected) override
    {
        record(connected ? "connected" : "disconnected", [] {});
    }
    void on_calibration_prepared() override
    {
        record("prepared", [] {});
    }
    void on_calibration_started() override
    {
        record("started", [] {});
    }
    void on_calibration_progress(double share) override
    {
        record("progress", [&] { progress.push_back(share); });
    }
    void on_calibration_point_done(int) override
    {
        record("point done", [] {});
    }
    void on_calibration_processed(bool result, const gtl::CalibrationResult& calibration) override
    {
        record(result ? "processed true" : "processed false", [&] { processed.push_back(calibration); });
    }

    std::vector<std::string> snapshot() const
    {
        std::lock_guard lock(mutex);
        return events;
    }
    int count(const std::string& event) const
    {
        std::lock_guard lock(mutex);
        return static_cast<int>(std::count(events.begin(), events.end(), event));
    }
    // Waits until the condition holds (checked under the lock); false after the deadline.
    bool waitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(5000))
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, condition);
    }
    bool waitForEvent(const std::string& event, int times = 1)
    {
        return waitFor([&] { return std::count(events.begin(), events.end(), event) >= times; });
    }

    mutable std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> events;
    std::vector<gtl::GazeFrame> frames;
    std::vector<gtl::CalibrationResult> calibrations;
    std::vector<gtl::ScreenSetup> screens;
    std::vector<double> progress;
    std::vector<gtl::CalibrationResult> processed;

private:
    template <typename Keep> void record(const std::string& event, Keep keep)
    {
        {
            std::lock_guard lock(mutex);
            events.push_back(event);
            keep();
        }
        changed.notify_all();
    }
};

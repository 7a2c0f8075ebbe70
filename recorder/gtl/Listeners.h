#pragma once

#include "recorder/gtl/Records.h"

#include <string>

// The interfaces through which the client reports what arrives from the tracker
// server. Unless noted, every call comes from the client's I/O thread, and every
// record passed by reference is the client's own stored copy, which the next
// message may overwrite: copy what must outlive the call.
namespace gtl {

class ISocketListener
{
public:
    virtual ~ISocketListener() = default;
    virtual void on_message(const std::string& text) = 0;
    virtual void on_disconnected() = 0;
};

class IHeartbeatListener
{
public:
    virtual ~IHeartbeatListener() = default;
    // Called on the heartbeat thread.
    virtual void on_heartbeat() = 0;
};

class IGazeListener
{
public:
    virtual ~IGazeListener() = default;
    virtual void on_gaze_data(const GazeFrame& frame) = 0;
};

class ICalibrationResultListener
{
public:
    virtual ~ICalibrationResultListener() = default;
    virtual void on_calibration_changed(bool result, const CalibrationResult& calibration) = 0;
};

class ITrackerStateListener
{
public:
    virtual ~ITrackerStateListener() = default;
    virtual void on_tracker_connection_changed(int trackerstate) = 0;
    virtual void on_screen_state_changed(const ScreenSetup& screen) = 0;
};

// Not owned through this interface, so it has no virtual destructor.
class IConnectionStateListener
{
public:
    // true on the thread that called connect; false on the I/O thread when the
    // connection is lost (possibly twice), or on the caller's thread when
    // connect gives up waiting for the server's first answer.
    virtual void on_connection_state_changed(bool connected) = 0;

protected:
    ~IConnectionStateListener() = default;
};

// Follows a calibration run. The first and fourth operations are reserved: this
// client never calls them.
class ICalibrationProcessHandler
{
public:
    virtual void on_calibration_prepared() = 0;
    virtual void on_calibration_started() = 0;
    virtual void on_calibration_progress(double share) = 0;
    virtual void on_calibration_point_done(int index) = 0;
    // Receives the freshly decoded result, not a stored copy.
    virtual void on_calibration_processed(bool result, const CalibrationResult& calibration) = 0;

protected:
    ~ICalibrationProcessHandler() = default;
};

} // namespace gtl

#pragma once

#include "recorder/gtl/Listeners.h"
#include "recorder/gtl/Records.h"

#include <chrono>
#include <memory>

namespace gtl {

// Client of the EyeTribe tracker server on the local host. It keeps the
// connection alive with heartbeats, stores the server's current values and
// calls the registered listeners when they change. Every operation is meant to
// be called from one caller thread; listeners are added before connecting.
class GazeApi
{
public:
    class Engine;

    static constexpr unsigned short defaultPort = 6555;

    // verbose prints every text sent and received on standard output.
    explicit GazeApi(bool verbose);
    ~GazeApi();
    GazeApi(const GazeApi&) = delete;
    GazeApi& operator=(const GazeApi&) = delete;

    bool connect(bool push);
    // Connects to 127.0.0.1 at the port, announces the protocol version and the
    // push mode, and waits for the answer to a request for all values, so the
    // first listener calls arrive before it returns. Returns false when already
    // connected (nothing is sent), when no server accepts the connection (no
    // listener is called), and when the server does not answer in time.
    bool connect(bool push, unsigned short port);
    // Closes the connection without telling any listener.
    void disconnect();
    bool is_connected() const;

    TrackerValues current_values() const;
    void calibration_result(CalibrationResult& out) const;
    void set_screen(const ScreenSetup& screen);

    void add_listener(IGazeListener& listener);
    void add_listener(ICalibrationResultListener& listener);
    void add_listener(ITrackerStateListener& listener);
    void add_listener(IConnectionStateListener& listener);

    // How long connect waits for the server's first answer (5 s unless set).
    void set_reply_timeout(std::chrono::milliseconds timeout);

private:
    std::unique_ptr<Engine> engine_;
};

} // namespace gtl

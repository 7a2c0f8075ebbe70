#pragma once

#include "recorder/gtl/Listeners.h"
#include "recorder/gtl/Records.h"

#include <chrono>
#include <memory>
#include <string>

namespace gtl {

// How the last connect ended.
enum class ConnectOutcome
{
    none = 0,          // no connect yet
    connected,         // the server answered the request for all values
    rejected,          // the server answered it with an error; the connection stands
    already_connected, // nothing was sent
    no_server,         // nothing accepted the connection
    no_answer,         // no connection or no answer before the deadline
    lost,              // the connection ended while waiting for the answer
    too_large,         // given up while waiting: a message outgrew the size limit
};

const char* connectOutcomeText(ConnectOutcome outcome);

// Client of the EyeTribe tracker server on the local host. It keeps the
// connection alive with heartbeats, stores the server's current values and
// calls the registered listeners when they change. connect is meant to be called
// from one caller thread; listeners are added before connecting. An exception
// thrown by a listener is caught and logged: it costs that call only.
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
    // push mode, and waits for the answer to a request for all values (a pushed
    // frame is no answer), so the first listener calls arrive before it returns.
    // One deadline covers the TCP connect and the answer; the call never blocks
    // longer. Returns false when already connected (nothing is sent), when no
    // server accepts the connection (no listener is called), when the server
    // does not answer in time, and when the connection ends meanwhile. Listeners
    // hear "connected" before anything is read and, when the connection ends,
    // "disconnected" once; never "connected" last while disconnected.
    bool connect(bool push, unsigned short port);
    ConnectOutcome last_connect_outcome() const;
    // The start of the first text of the last connection that was no JSON object
    // (such as "HTTP/1.1 400 Bad Request"), at most 80 bytes; empty when none came.
    std::string first_unreadable_text() const;
    // Closes the connection without telling any listener. Safe from any thread,
    // also from a listener; once it returns no listener call is running or
    // will start (from a listener: none after the current one returns).
    void disconnect();
    bool is_connected() const;

    TrackerValues current_values() const;
    void calibration_result(CalibrationResult& out) const;
    // The screen the server maps gaze onto, as it last reported it; all zero until it did.
    ScreenSetup current_screen() const;
    void set_screen(const ScreenSetup& screen);

    void add_listener(IGazeListener& listener);
    void add_listener(ICalibrationResultListener& listener);
    void add_listener(ITrackerStateListener& listener);
    void add_listener(IConnectionStateListener& listener);

    // The deadline of connect, from its call to the server's answer (5 s unless set).
    void set_connect_timeout(std::chrono::milliseconds timeout);

private:
    std::unique_ptr<Engine> engine_;
};

} // namespace gtl

#pragma once

#include "recorder/gtl/GazeApi.h"
#include "recorder/gtl/Heartbeater.h"
#include "recorder/gtl/LogThrottle.h"
#include "recorder/gtl/MessageDecoder.h"
#include "recorder/gtl/Observable.h"
#include "recorder/gtl/Socket.h"

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>

#include <atomic>
#include <cstdint>
#include <string>

namespace gtl {

// Bits of the reply flags: which kinds of reply arrived since they were cleared.
enum ReplyFlag : std::uint8_t
{
    reply_error = 1,
    reply_tracker_values = 2,
    reply_gaze_frame = 4,
    reply_screen_changed = 8,
    reply_calibration_started = 16,
    reply_calibration_result = 32,
};

// The working part of GazeApi: turns the server's messages into stored values
// and listener calls. Messages are handled on the socket's I/O thread.
class GazeApi::Engine : public ISocketListener,
                        public IHeartbeatListener,
                        public Observable<IGazeListener>,
                        public Observable<ICalibrationResultListener>,
                        public Observable<ITrackerStateListener>,
                        public Observable<ICalibrationProcessHandler>,
                        public Observable<IConnectionStateListener>
{
public:
    explicit Engine(bool verbose);
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    bool connect(bool push, unsigned short port);
    ConnectOutcome last_connect_outcome() const { return outcome_; }
    std::string first_unreadable_text() const;
    void disconnect();
    bool is_connected() const { return connected_; }
    TrackerValues current_values() const;
    void calibration_result(CalibrationResult& out) const;
    ScreenSetup current_screen() const;
    void set_screen(const ScreenSetup& screen);
    std::uint8_t reply_flags() const;
    int heartbeat_interval() const { return heartbeater_.interval(); }
    void set_connect_timeout(std::chrono::milliseconds timeout) { connectTimeout_ = timeout; }

    void add_listener(IGazeListener& listener) { Observable<IGazeListener>::add_listener(listener); }
    void add_listener(ICalibrationResultListener& listener)
    {
        Observable<ICalibrationResultListener>::add_listener(listener);
    }
    void add_listener(ITrackerStateListener& listener)
    {
        Observable<ITrackerStateListener>::add_listener(listener);
    }
    void add_listener(ICalibrationProcessHandler& listener)
    {
        Observable<ICalibrationProcessHandler>::add_listener(listener);
    }
    void add_listener(IConnectionStateListener& listener)
    {
        Observable<IConnectionStateListener>::add_listener(listener);
    }

    void on_message(const std::string& text) override;
    void on_disconnected() override;
    void on_heartbeat() override;

private:
    // Requests are dropped while not connected.
    void send(const std::string& text);
    // Sets the bit and counts the reply in counter when given.
    void set_reply_bit(std::uint8_t bit, std::uint32_t* counter = nullptr);
    void count_reply(std::uint32_t& counter);
    void stop_connection();
    // Tells listeners of a change of the state they last heard; false only after true.
    void tell_connection_state(bool connected);
    bool connect_steps(bool push, std::chrono::steady_clock::time_point deadline);
    void log_drop(const std::string& text, DropReason reason);
    void apply_tracker_values(const ValueSet& set);
    void apply_calibration_reply(const DecodedMessage& message);

    Heartbeater heartbeater_;
    Socket socket_;
    std::atomic<bool> connected_{false};
    int calibrationPointsExpected_ = 0;
    int calibrationPointsDone_ = 0;
    std::string port_;
    TrackerValues values_;
    GazeFrame frame_;
    CalibrationResult calibration_;
    ScreenSetup screen_;
    std::uint8_t replyFlags_ = 0;
    // Answers to requests for values and error replies since the engine was made.
    std::uint32_t answers_ = 0;
    std::uint32_t errors_ = 0;
    // Status-200 replies without usable values: not yet an answer, nor a refusal.
    std::uint32_t notices_ = 0;
    std::chrono::milliseconds connectTimeout_{5000};
    std::atomic<ConnectOutcome> outcome_{ConnectOutcome::none};
    std::atomic<bool> toldConnected_{false}; // changed with stateMutex_ held, or by disconnect()
    std::atomic<bool> quotedNumbersLogged_{false};
    LogThrottle droppedLog_;
    LogThrottle skippedLog_;
    LogThrottle errorLog_;

    // Never held together, and never while a listener is called.
    mutable boost::mutex calibrationMutex_;
    mutable boost::mutex frameMutex_;
    mutable boost::mutex screenMutex_;
    mutable boost::mutex flagsMutex_;
    mutable boost::mutex valuesMutex_;
    mutable boost::mutex unreadableMutex_;
    std::string firstUnreadable_;            // with unreadableMutex_
    boost::condition_variable replyArrived_; // with flagsMutex_
    // Held while connection listeners are told, so that what they hear stays in order.
    boost::mutex stateMutex_;
};

} // namespace gtl

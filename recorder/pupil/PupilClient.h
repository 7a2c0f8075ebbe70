#pragma once

#include "recorder/pupil/PupilMessages.h"
#include "recorder/pupil/RemoteAddress.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace pupil {

// How the link to Pupil Capture stands.
enum class LinkState
{
    None = 0,
    Connecting,  // the first attempt is on its way
    Connected,   // Pupil Remote answered and the data subscription is open
    Unreachable, // nothing answered at the address within the deadline
    BadAnswer,   // something answered, but not as Pupil Remote does
    Lost,        // a link that was up stopped answering
};

struct ClientOptions
{
    RemoteAddress address;
    std::string surface = "screen";
    // How long Pupil Remote has for each answer, also the first one.
    std::chrono::milliseconds requestDeadline{3000};
    // How often a connected link asks for the time: it is how a loss shows.
    std::chrono::milliseconds checkInterval{1000};
    // The wait before a failed or lost link tries again.
    std::chrono::milliseconds reconnectInterval{1000};
    // A subscription this long without any message is opened again: a frame over
    // the bound makes ZeroMQ drop the publisher's connection for good.
    std::chrono::milliseconds resubscribeAfter{2000};
    // Bounds what one frame and the receive queue may hold.
    std::int64_t maxFrameBytes = 1 << 20;
    int receiveQueueMessages = 1000;
};

// What the client reports, on its own thread. Each callback must return quickly
// and must not call back into the client.
struct ClientCallbacks
{
    std::function<void(LinkState state, const std::string& detail)> linkState;
    // With the offset of Pupil time to ours at the moment (see toOurTimeMs).
    std::function<void(const SurfaceMessage& message, double clockOffsetMs)> surface;
    std::function<void(const PupilDatum& datum, bool threeD)> pupil;
    std::function<void(const std::string& subject)> notification;
};

// A client of Pupil Capture's network interface: asks Pupil Remote for its
// version, the publisher's port and its clock, subscribes to the gaze on one
// surface, the pupil data and the calibration notifications, and sends
// notifications. Everything runs on a thread of its own, started by start();
// a failed or lost link is tried again until stop(). Frames over the bound and
// messages that do not decode are dropped and logged (at most every few
// seconds per kind); the receive queue holds a bounded number of messages, and
// a publisher that sends more loses the rest.
class PupilClient
{
public:
    // Our clock: milliseconds since the epoch.
    using Clock = std::function<double()>;

    PupilClient(ClientOptions options, ClientCallbacks callbacks, Clock clock = {});
    ~PupilClient();
    PupilClient(const PupilClient&) = delete;
    PupilClient& operator=(const PupilClient&) = delete;

    void start();
    // Ends the thread; returns within a poll interval or so, never after a whole deadline.
    void stop();

    // Queues a notification ("calibration.should_start") for Pupil Remote. False
    // when the link is not up or too many are waiting.
    bool notify(const std::string& subject);

    // Pupil time (s) on our clock (ms), through the offset measured with "t".
    double toOurTimeMs(double pupilSeconds) const { return pupilSeconds * 1000.0 - offsetMs_.load(); }
    double clockOffsetMs() const { return offsetMs_.load(); }
    bool isConnected() const { return state_.load() == LinkState::Connected; }
    LinkState state() const { return state_.load(); }
    const ClientOptions& options() const { return options_; }
    // What Pupil Remote answered to "v" and "SUB_PORT" on the last connection.
    std::string version() const;
    unsigned short publisherPort() const { return publisherPort_.load(); }

private:
    class Session;
    void run();
    void report(LinkState state, const std::string& detail);
    bool waitBeforeRetry();

    const ClientOptions options_;
    const ClientCallbacks callbacks_;
    Clock clock_;
    std::thread thread_;
    std::atomic<bool> stopping_ = false;
    std::atomic<LinkState> state_ = LinkState::None;
    std::atomic<double> offsetMs_ = 0;
    std::atomic<unsigned short> publisherPort_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::string> notifications_; // guarded by mutex_
    std::string version_;                   // guarded by mutex_
};

} // namespace pupil

#pragma once

#include "sim/eyetribe/Script.h"
#include "sim/pupil/PupilOptions.h"
#include "sim/pupil/PupilViewer.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zmq {
class context_t;
class socket_t;
} // namespace zmq

namespace sim {

// Pupil Capture's network interface on 127.0.0.1: a Pupil Remote that answers
// SUB_PORT, PUB_PORT, t, v and notifications (the movie's time among them), and a publisher of the simulated
// viewer's gaze on one surface and of pupil data, on a thread of its own.
class PupilCaptureStandIn
{
public:
    // One gaze datum as published, for tests to compare with what was recorded.
    struct Published
    {
        double timestamp = 0; // Pupil time, s
        double x = 0;         // normalised, y up
        double y = 0;
        double confidence = 0;
        bool onSurface = false;
    };

    explicit PupilCaptureStandIn(PupilOptions options);
    ~PupilCaptureStandIn();
    PupilCaptureStandIn(const PupilCaptureStandIn&) = delete;
    PupilCaptureStandIn& operator=(const PupilCaptureStandIn&) = delete;

    // Binds both sockets and starts publishing; false with the reason when it cannot.
    bool start(std::string& error);
    void stop();

    unsigned short remotePort() const { return remotePort_; }
    unsigned short publisherPort() const { return publisherPort_; }
    // Pupil time now, s.
    double pupilTime() const;
    // Requests answered and calibrations run so far.
    int requestsAnswered() const { return requests_.load(); }
    int calibrationsStarted() const { return calibrations_.load(); }
    // The gaze data published so far, in order (the most recent 100,000).
    std::vector<Published> published() const;

private:
    void run();
    void answer(std::vector<std::string> frames);
    void publishTick(int tick);
    void publishSurface();
    void publishNotification(const std::string& subject);
    void send(const std::string& topic, const std::string& payload);
    void runScript(double elapsedMs);

    PupilOptions options_;
    PupilViewer viewer_;
    std::vector<ScriptEvent> script_;
    std::size_t nextEvent_ = 0;
    std::unique_ptr<zmq::context_t> context_;
    std::unique_ptr<zmq::socket_t> remote_;
    std::unique_ptr<zmq::socket_t> publisher_;
    std::unique_ptr<zmq::socket_t> ingress_; // what PUB_PORT names; nothing read there matters
    unsigned short remotePort_ = 0;
    unsigned short publisherPort_ = 0;
    unsigned short ingressPort_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_ = false;
    std::atomic<int> requests_ = 0;
    std::atomic<int> calibrations_ = 0;
    std::chrono::steady_clock::time_point started_;
    bool silent_ = false;
    bool vanished_ = false;
    double calibrationDueMs_ = -1;
    int surfaceCount_ = 0;
    int gazeCount_ = 0;
    std::vector<Published> pending_; // gaze not yet sent with a surface message
    mutable std::mutex publishedMutex_;
    std::vector<Published> published_;
};

} // namespace sim

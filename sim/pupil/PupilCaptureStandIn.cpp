#include "sim/pupil/PupilCaptureStandIn.h"

#define MSGPACK_NO_BOOST
#include <msgpack.hpp>
#include <zmq.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>

namespace sim {

namespace {

constexpr std::size_t keptPublished = 100000;
constexpr std::int64_t maxRequestFrameBytes = 64 * 1024;
constexpr int maxRequestFrames = 8;
constexpr std::chrono::milliseconds longestPoll{20};

std::string pupilTimeText(double seconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

unsigned short boundPort(zmq::socket_t& socket)
{
    const std::string endpoint = socket.get(zmq::sockopt::last_endpoint);
    return static_cast<unsigned short>(std::stoi(endpoint.substr(endpoint.rfind(':') + 1)));
}

std::string bindAddress(unsigned short port)
{
    return port == 0 ? std::string("tcp://127.0.0.1:*") : "tcp://127.0.0.1:" + std::to_string(port);
}

// The subject of a notification request, strictly: one map whose "subject" is a text.
bool notificationSubject(const std::string& payload, std::string& subject)
{
    try {
        std::size_t offset = 0;
        const msgpack::object_handle handle = msgpack::unpack(payload.data(), payload.size(), offset);
        const msgpack::object& root = handle.get();
        if (offset != payload.size() || root.type != msgpack::type::MAP)
            return false;
        for (std::uint32_t i = 0; i < root.via.map.size; ++i) {
            const msgpack::object_kv& entry = root.via.map.ptr[i];
            if (entry.key.type == msgpack::type::STR && entry.key.as<std::string>() == "subject") {
                if (entry.val.type != msgpack::type::STR)
                    return false;
                subject = entry.val.as<std::string>();
                return true;
            }
        }
    } catch (const std::exception&) {
    }
    return false;
}

} // namespace

PupilCaptureStandIn::PupilCaptureStandIn(PupilOptions options) : options_(std::move(options)) {}

PupilCaptureStandIn::~PupilCaptureStandIn()
{
    stop();
}

bool PupilCaptureStandIn::start(std::string& error)
{
    GazePath path;
    if (!options_.gazeFile.empty()) {
        std::ifstream in(options_.gazeFile);
        if (!in) {
            error = "cannot read the gaze file " + options_.gazeFile.string();
            return false;
        }
        path = GazePath::read(in, error);
        if (!error.empty())
            return false;
        if (path.empty()) {
            error = "the gaze file holds no samples";
            return false;
        }
    } else if (options_.followBall) {
        path = GazePath::followingBall(options_.seed, options_.rate, options_.screenWidth,
                                       options_.screenHeight);
    } else {
        path = GazePath::synthetic(options_.seed, options_.rate, options_.screenWidth, options_.screenHeight);
    }
    viewer_ = PupilViewer(std::move(path), options_.rate);
    if (!options_.scriptFile.empty()) {
        std::ifstream in(options_.scriptFile);
        ParsedScript parsed = parseScript(in);
        if (!in.eof() && !in) {
            error = "cannot read the script " + options_.scriptFile.string();
            return false;
        }
        if (!parsed.error.empty()) {
            error = "script " + parsed.error;
            return false;
        }
        script_ = std::move(parsed.events);
    }
    try {
        context_ = std::make_unique<zmq::context_t>(1);
        remote_ = std::make_unique<zmq::socket_t>(*context_, zmq::socket_type::rep);
        remote_->set(zmq::sockopt::linger, 0);
        remote_->set(zmq::sockopt::maxmsgsize, maxRequestFrameBytes);
        remote_->bind(bindAddress(options_.remotePort));
        remotePort_ = boundPort(*remote_);
        publisher_ = std::make_unique<zmq::socket_t>(*context_, zmq::socket_type::pub);
        publisher_->set(zmq::sockopt::linger, 0);
        publisher_->bind(bindAddress(options_.publisherPort));
        publisherPort_ = boundPort(*publisher_);
        ingress_ = std::make_unique<zmq::socket_t>(*context_, zmq::socket_type::sub);
        ingress_->set(zmq::sockopt::linger, 0);
        ingress_->bind(bindAddress(0));
        ingressPort_ = boundPort(*ingress_);
    } catch (const zmq::error_t& failure) {
        error = std::string("cannot listen: ") + failure.what();
        remote_.reset();
        publisher_.reset();
        ingress_.reset();
        return false;
    }
    silent_ = options_.silent;
    started_ = std::chrono::steady_clock::now();
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void PupilCaptureStandIn::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    remote_.reset();
    publisher_.reset();
    ingress_.reset();
    context_.reset();
}

double PupilCaptureStandIn::pupilTime() const
{
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
    return options_.timeBaseS + elapsed.count();
}

std::vector<PupilCaptureStandIn::Published> PupilCaptureStandIn::published() const
{
    const std::lock_guard lock(publishedMutex_);
    return published_;
}

void PupilCaptureStandIn::run()
{
    const double tickMs = 1000.0 / options_.rate;
    const double surfaceMs = 1000.0 / options_.surfaceRate;
    double nextTickMs = 0;
    double nextSurfaceMs = surfaceMs;
    int tick = 0;
    while (!stopping_) {
        const double elapsedMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started_).count();
        runScript(elapsedMs);
        if (options_.stopAfterMs > 0 && elapsedMs >= options_.stopAfterMs)
            vanished_ = true;
        if (vanished_) {
            // Gone mid-run, as a program that ended: nothing listens any more.
            remote_.reset();
            publisher_.reset();
            ingress_.reset();
            std::this_thread::sleep_for(longestPoll);
            continue;
        }
        if (calibrationDueMs_ >= 0 && elapsedMs >= calibrationDueMs_) {
            calibrationDueMs_ = -1;
            publishNotification(options_.calibrationSucceeds ? "calibration.successful"
                                                             : "calibration.failed");
        }
        // A stand-in that fell far behind (a stopped debugger) goes on from now.
        if (elapsedMs - nextTickMs > 1000) {
            tick += static_cast<int>((elapsedMs - nextTickMs) / tickMs);
            nextTickMs = tick * tickMs;
            nextSurfaceMs = elapsedMs;
        }
        while (elapsedMs >= nextTickMs) {
            publishTick(tick++);
            nextTickMs = tick * tickMs;
        }
        while (elapsedMs >= nextSurfaceMs) {
            publishSurface();
            nextSurfaceMs += surfaceMs;
        }
        const double waitMs = std::clamp(std::min(nextTickMs, nextSurfaceMs) - elapsedMs, 0.0,
                                         static_cast<double>(longestPoll.count()));
        zmq::pollitem_t item{static_cast<void*>(*remote_), 0, ZMQ_POLLIN, 0};
        try {
            zmq::poll(&item, 1, std::chrono::milliseconds(static_cast<int>(waitMs)));
            if ((item.revents & ZMQ_POLLIN) == 0)
                continue;
            std::vector<std::string> frames;
            zmq::message_t frame;
            bool more = true;
            while (more && remote_->recv(frame, zmq::recv_flags::dontwait)) {
                if (frames.size() < maxRequestFrames)
                    frames.emplace_back(static_cast<const char*>(frame.data()), frame.size());
                more = frame.more();
            }
            answer(std::move(frames));
        } catch (const zmq::error_t& failure) {
            std::cerr << "PupilCapture: " << failure.what() << std::endl;
        }
    }
}

void PupilCaptureStandIn::answer(std::vector<std::string> frames)
{
    ++requests_;
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started_).count();
    std::string reply = "Unknown command.";
    const std::string request = frames.empty() ? std::string() : frames.front();
    if (frames.size() == 1 && request == "SUB_PORT") {
        reply = std::to_string(publisherPort_);
    } else if (frames.size() == 1 && request == "PUB_PORT") {
        reply = std::to_string(ingressPort_);
    } else if (frames.size() == 1 && request == "t") {
        reply = pupilTimeText(pupilTime());
    } else if (frames.size() == 1 && request == "v") {
        reply = options_.version;
    } else if (request.rfind("notify.", 0) == 0) {
        std::string subject;
        if (frames.size() != 2 || !notificationSubject(frames[1], subject) ||
            "notify." + subject != request) {
            reply = "Notification malformed.";
        } else {
            reply = "Notification received.";
            if (subject == PupilViewer::movieTimeSubject) {
                if (!viewer_.tellMovieTime(frames[1], elapsedMs))
                    reply = "Notification malformed.";
            } else if (subject == "calibration.should_start") {
                ++calibrations_;
                calibrationDueMs_ = elapsedMs + options_.calibrationMs;
                publishNotification("calibration.started");
            } else if (subject == "calibration.should_stop" && calibrationDueMs_ >= 0) {
                calibrationDueMs_ = elapsedMs;
            }
        }
    }
    if (options_.verbose)
        std::cout << "request " << request << " (" << frames.size() << " frames) -> " << reply << std::endl;
    remote_->send(zmq::buffer(reply), zmq::send_flags::dontwait);
}

void PupilCaptureStandIn::publishTick(int tick)
{
    const GazeSample& sample = viewer_.at(tick);
    const double timestamp = options_.timeBaseS + tick / static_cast<double>(options_.rate);
    ++gazeCount_;
    Published gaze;
    gaze.timestamp = timestamp;
    if (options_.backwardsEvery > 0 && gazeCount_ % options_.backwardsEvery == 0)
        gaze.timestamp -= 0.5;
    gaze.x = sample.x / options_.screenWidth;
    gaze.y = 1.0 - sample.y / options_.screenHeight;
    if (options_.offSurface)
        gaze.x = -0.4;
    gaze.confidence = options_.lowConfidence ? 0.3 : (sample.tracked ? 0.95 : 0.1);
    gaze.onSurface = gaze.x >= 0 && gaze.x <= 1 && gaze.y >= 0 && gaze.y <= 1;
    if (silent_)
        return;
    pending_.push_back(gaze);

    // Pupil data of both eyes at the same rate; eye 0 is the right eye.
    for (int eye = 0; eye < 2; ++eye) {
        msgpack::sbuffer buffer;
        msgpack::packer<msgpack::sbuffer> packer(buffer);
        const std::string topic = "pupil." + std::to_string(eye) + (options_.threeD ? ".3d" : ".2d");
        packer.pack_map(options_.threeD ? 6 : 5);
        packer.pack(std::string("topic"));
        packer.pack(topic);
        packer.pack(std::string("id"));
        packer.pack(eye);
        packer.pack(std::string("confidence"));
        packer.pack(sample.tracked ? 0.97 : 0.05);
        packer.pack(std::string("timestamp"));
        packer.pack(timestamp);
        packer.pack(std::string("diameter"));
        packer.pack(static_cast<double>(sample.pupilSize) * 2.0);
        if (options_.threeD) {
            packer.pack(std::string("diameter_3d"));
            packer.pack(static_cast<double>(sample.pupilSize) * 0.25);
        }
        send(topic, std::string(buffer.data(), buffer.size()));
    }
}

void PupilCaptureStandIn::publishSurface()
{
    if (silent_) {
        pending_.clear();
        return;
    }
    ++surfaceCount_;
    const std::string topic = "surfaces." + options_.surface;
    if (options_.malformedEvery > 0 && surfaceCount_ % options_.malformedEvery == 0) {
        // A map that promises five entries and ends after one key.
        send(topic, std::string("\x85\xa4name", 6));
        pending_.clear();
        return;
    }
    if (options_.oversizedEvery > 0 && surfaceCount_ % options_.oversizedEvery == 0) {
        send(topic, std::string(static_cast<std::size_t>(options_.oversizedBytes), '\x90'));
        pending_.clear();
        return;
    }
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> packer(buffer);
    packer.pack_map(5);
    packer.pack(std::string("topic"));
    packer.pack(topic);
    packer.pack(std::string("name"));
    packer.pack(options_.surface);
    packer.pack(std::string("timestamp"));
    packer.pack(pupilTime());
    packer.pack(std::string("gaze_on_surfaces"));
    packer.pack_array(static_cast<std::uint32_t>(pending_.size()));
    for (const Published& gaze : pending_) {
        packer.pack_map(5);
        packer.pack(std::string("topic"));
        packer.pack(std::string("gaze.3d.01._on_surface"));
        packer.pack(std::string("norm_pos"));
        packer.pack_array(2);
        packer.pack(gaze.x);
        packer.pack(gaze.y);
        packer.pack(std::string("confidence"));
        packer.pack(gaze.confidence);
        packer.pack(std::string("on_surf"));
        packer.pack(gaze.onSurface);
        packer.pack(std::string("timestamp"));
        packer.pack(gaze.timestamp);
    }
    packer.pack(std::string("fixations_on_surfaces"));
    packer.pack_array(0);
    // Kept before it goes out: a test may read what arrived before this thread gets on.
    {
        const std::lock_guard lock(publishedMutex_);
        published_.insert(published_.end(), pending_.begin(), pending_.end());
        if (published_.size() > keptPublished)
            published_.erase(published_.begin(), published_.begin() + static_cast<std::ptrdiff_t>(
                                                                          published_.size() - keptPublished));
    }
    send(topic, std::string(buffer.data(), buffer.size()));
    pending_.clear();
}

void PupilCaptureStandIn::publishNotification(const std::string& subject)
{
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> packer(buffer);
    packer.pack_map(2);
    packer.pack(std::string("subject"));
    packer.pack(subject);
    packer.pack(std::string("timestamp"));
    packer.pack(pupilTime());
    send("notify." + subject, std::string(buffer.data(), buffer.size()));
    if (options_.verbose)
        std::cout << "published notify." << subject << std::endl;
}

void PupilCaptureStandIn::send(const std::string& topic, const std::string& payload)
{
    if (!publisher_)
        return;
    publisher_->send(zmq::buffer(topic), zmq::send_flags::sndmore | zmq::send_flags::dontwait);
    publisher_->send(zmq::buffer(payload), zmq::send_flags::dontwait);
}

void PupilCaptureStandIn::runScript(double elapsedMs)
{
    for (; nextEvent_ < script_.size() && script_[nextEvent_].atMs <= elapsedMs; ++nextEvent_) {
        const ScriptEvent& event = script_[nextEvent_];
        switch (event.kind) {
        case ScriptEvent::Kind::silent:
            silent_ = event.value != 0;
            break;
        case ScriptEvent::Kind::drop:
            vanished_ = true;
            break;
        case ScriptEvent::Kind::raw:
        case ScriptEvent::Kind::split:
            send("surfaces." + options_.surface, event.text);
            break;
        default:
            // Tracker states belong to the other tracker's stand-in.
            break;
        }
    }
}

} // namespace sim

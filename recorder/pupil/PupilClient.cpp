#include "recorder/pupil/PupilClient.h"

#include "common/Logger.h"

#include <zmq.hpp>

#include <charconv>
#include <cmath>
#include <map>
#include <optional>

namespace pupil {

namespace {

// How long the thread sleeps in zmq at a time: the bound on how late it notices stop().
constexpr std::chrono::milliseconds pollSlice{50};
// Messages handled between two looks at the clock, the queue of notifications and stop().
constexpr int messagesPerSlice = 256;
constexpr std::size_t maxQueuedNotifications = 16;
constexpr auto logEvery = std::chrono::seconds(5);
// A change of the clock offset smaller than this is measuring noise, not a clock that was set.
constexpr double clockStepMs = 50.0;

const char* stateName(LinkState state)
{
    switch (state) {
    case LinkState::Connecting:
        return "connecting";
    case LinkState::Connected:
        return "connected";
    case LinkState::Unreachable:
        return "unreachable";
    case LinkState::BadAnswer:
        return "bad answer";
    case LinkState::Lost:
        return "lost";
    default:
        return "none";
    }
}

// A text from the other side, cut short and made printable for the log.
std::string printable(std::string_view text, std::size_t limit = 80)
{
    std::string out;
    for (const char c : text.substr(0, limit))
        out += (c >= 0x20 && c < 0x7f) ? c : '?';
    if (text.size() > limit)
        out += "...";
    return out;
}

// Logs a kind of trouble once, then at most once every few seconds with the count in between.
class ThrottledLog
{
public:
    void note(const std::string& kind, const std::string& detail)
    {
        Entry& entry = entries_[kind];
        const auto now = std::chrono::steady_clock::now();
        ++entry.count;
        if (entry.count > 1 && now - entry.lastLogged < logEvery)
            return;
        LOG(kind, " (", entry.count, " so far): ", detail);
        entry.lastLogged = now;
    }

private:
    struct Entry
    {
        std::uint64_t count = 0;
        std::chrono::steady_clock::time_point lastLogged;
    };
    std::map<std::string, Entry> entries_;
};

// A port number as Pupil Remote tells it: decimal digits and nothing else.
std::optional<unsigned short> portFrom(const std::string& text)
{
    unsigned port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port == 0 || port > 65535)
        return std::nullopt;
    return static_cast<unsigned short>(port);
}

std::string_view view(const zmq::message_t& message)
{
    return {static_cast<const char*>(message.data()), message.size()};
}

} // namespace

// One connection: the request socket to Pupil Remote and the subscription.
class PupilClient::Session
{
public:
    Session(PupilClient& client, zmq::context_t& context) : client_(client), context_(context) {}

    // Asks Pupil Remote and subscribes. Answers the state it reached and why.
    LinkState open(std::string& detail)
    {
        const ClientOptions& o = client_.options_;
        request_.emplace(context_, zmq::socket_type::req);
        request_->set(zmq::sockopt::linger, 0);
        request_->set(zmq::sockopt::maxmsgsize, o.maxFrameBytes);
        request_->connect(o.address.endpoint());
        std::string version;
        if (!ask({"v"}, version)) {
            detail = "no answer from Pupil Remote at " + o.address.text() + " within " +
                     std::to_string(o.requestDeadline.count()) + " ms";
            return LinkState::Unreachable;
        }
        std::string portText;
        if (!ask({"SUB_PORT"}, portText)) {
            detail = "Pupil Remote did not tell the publisher's port";
            return LinkState::Unreachable;
        }
        const std::optional<unsigned short> port = portFrom(portText);
        if (!port) {
            detail = "Pupil Remote answered \"" + printable(portText) + "\" for the publisher's port";
            return LinkState::BadAnswer;
        }
        if (!measureClock(detail))
            return detail.empty() ? LinkState::Unreachable : LinkState::BadAnswer;
        client_.publisherPort_ = *port;
        {
            const std::lock_guard lock(client_.mutex_);
            client_.version_ = printable(version);
        }
        subscribe(*port);
        detail = "Pupil Capture " + printable(version) + ", publisher on port " + std::to_string(*port);
        return LinkState::Connected;
    }

    // Receives and sends until the link fails or the client stops. Answers why it ended.
    std::string serve()
    {
        const ClientOptions& o = client_.options_;
        auto nextCheck = std::chrono::steady_clock::now() + o.checkInterval;
        while (!client_.stopping_) {
            zmq::pollitem_t item{static_cast<void*>(*subscription_), 0, ZMQ_POLLIN, 0};
            zmq::poll(&item, 1, pollSlice);
            for (int i = 0; i < messagesPerSlice && receiveOne(); ++i) {
            }
            for (std::optional<std::string> subject = nextNotification(); subject;
                 subject = nextNotification()) {
                std::string reply;
                if (!ask({"notify." + *subject, encodeNotification(*subject)}, reply))
                    return "no answer to notification " + *subject;
                LOG("notification ", *subject, " sent, Pupil Remote answered: ", printable(reply));
            }
            if (std::chrono::steady_clock::now() - lastMessage_ > o.resubscribeAfter) {
                std::string portText;
                if (!ask({"SUB_PORT"}, portText))
                    return "Pupil Remote stopped answering";
                const std::optional<unsigned short> port = portFrom(portText);
                if (!port)
                    return "Pupil Remote answered \"" + printable(portText) + "\" for the publisher's port";
                troubles_.note("publisher silent - subscribing again",
                               "no data for " + std::to_string(o.resubscribeAfter.count()) +
                                   " ms, subscribing again on port " + std::to_string(*port));
                client_.publisherPort_ = *port;
                subscribe(*port);
            }
            if (std::chrono::steady_clock::now() >= nextCheck) {
                std::string why;
                if (!measureClock(why))
                    return why.empty() ? "Pupil Remote stopped answering" : why;
                nextCheck = std::chrono::steady_clock::now() + o.checkInterval;
            }
        }
        return {};
    }

private:
    void subscribe(unsigned short port)
    {
        const ClientOptions& o = client_.options_;
        subscription_.reset();
        subscription_.emplace(context_, zmq::socket_type::sub);
        subscription_->set(zmq::sockopt::linger, 0);
        subscription_->set(zmq::sockopt::maxmsgsize, o.maxFrameBytes);
        subscription_->set(zmq::sockopt::rcvhwm, o.receiveQueueMessages);
        subscription_->connect(o.address.endpoint(port));
        surfaceTopic_ = "surfaces." + o.surface;
        subscription_->set(zmq::sockopt::subscribe, surfaceTopic_);
        subscription_->set(zmq::sockopt::subscribe, "pupil.");
        subscription_->set(zmq::sockopt::subscribe, "notify.calibration.");
        lastMessage_ = std::chrono::steady_clock::now();
    }

    std::optional<std::string> nextNotification()
    {
        const std::lock_guard lock(client_.mutex_);
        if (client_.notifications_.empty())
            return std::nullopt;
        std::string subject = std::move(client_.notifications_.front());
        client_.notifications_.pop_front();
        return subject;
    }

    // One request of one or more frames, one answer of one frame within the deadline.
    bool ask(const std::vector<std::string>& frames, std::string& answer)
    {
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const auto flags = i + 1 < frames.size() ? zmq::send_flags::sndmore | zmq::send_flags::dontwait
                                                     : zmq::send_flags::dontwait;
            if (!request_->send(zmq::buffer(frames[i]), flags))
                return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + client_.options_.requestDeadline;
        while (!client_.stopping_) {
            zmq::message_t reply;
            if (request_->recv(reply, zmq::recv_flags::dontwait)) {
                answer.assign(view(reply));
                // The answer is one frame; anything after it is read and forgotten.
                while (reply.more() && request_->recv(reply, zmq::recv_flags::dontwait)) {
                }
                return true;
            }
            const auto left = deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero())
                return false;
            zmq::pollitem_t item{static_cast<void*>(*request_), 0, ZMQ_POLLIN, 0};
            zmq::poll(&item, 1,
                      std::min(pollSlice, std::chrono::duration_cast<std::chrono::milliseconds>(left) +
                                              std::chrono::milliseconds(1)));
        }
        return false;
    }

    // Relates Pupil time to ours: the answer is taken to be made halfway through the request.
    bool measureClock(std::string& why)
    {
        const double before = client_.clock_();
        std::string text;
        if (!ask({"t"}, text))
            return false;
        const double after = client_.clock_();
        double pupilSeconds = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pupilSeconds);
        if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(pupilSeconds)) {
            why = "Pupil Remote answered \"" + printable(text) + "\" for its time";
            return false;
        }
        const double offset = pupilSeconds * 1000.0 - (before + after) / 2;
        // Each measurement is off by up to the request's time; following that jitter would move
        // samples that lie a few milliseconds apart past each other. Only a real step (one of the
        // clocks was set) replaces the offset.
        if (measured_ && std::fabs(offset - client_.offsetMs_.load()) <= clockStepMs)
            return true;
        client_.offsetMs_ = offset;
        LOG("Pupil time offset: ", offset, " ms (Pupil time minus ours), request took ", after - before,
            " ms");
        measured_ = true;
        return true;
    }

    // Reads one message when one is waiting; false when none is.
    bool receiveOne()
    {
        zmq::message_t topic;
        if (!subscription_->recv(topic, zmq::recv_flags::dontwait))
            return false;
        lastMessage_ = std::chrono::steady_clock::now();
        zmq::message_t payload;
        bool hasPayload = false;
        if (topic.more())
            hasPayload = subscription_->recv(payload).has_value();
        // Further frames (such as raw images) are not ours.
        zmq::message_t rest;
        bool more = hasPayload && payload.more();
        while (more && subscription_->recv(rest))
            more = rest.more();
        if (!hasPayload) {
            troubles_.note("message dropped - no payload", printable(view(topic)));
            return true;
        }
        dispatch(std::string(view(topic)), view(payload));
        return true;
    }

    void dispatch(const std::string& topic, std::string_view payload)
    {
        const ClientCallbacks& callbacks = client_.callbacks_;
        switch (topicKind(topic)) {
        case TopicKind::Surface: {
            if (topic != surfaceTopic_) {
                troubles_.note("message dropped - other surface", printable(topic));
                return;
            }
            Decoded<SurfaceMessage> decoded = decodeSurface(payload);
            if (!decoded.ok())
                troubles_.note("message dropped - bad surface data", decoded.error);
            else if (decoded.value.name != client_.options_.surface)
                troubles_.note("message dropped - surface name", printable(decoded.value.name));
            else if (callbacks.surface)
                callbacks.surface(decoded.value, client_.offsetMs_.load());
            return;
        }
        case TopicKind::Pupil: {
            const int eye = pupilTopicEye(topic);
            if (eye < 0) {
                troubles_.note("message dropped - unknown topic", printable(topic));
                return;
            }
            const Decoded<PupilDatum> decoded = decodePupil(payload, eye);
            if (!decoded.ok())
                troubles_.note("message dropped - bad pupil data", decoded.error);
            else if (callbacks.pupil)
                callbacks.pupil(decoded.value, topic.ends_with(".3d"));
            return;
        }
        case TopicKind::Notification: {
            const Decoded<Notification> decoded = decodeNotification(payload);
            if (!decoded.ok())
                troubles_.note("message dropped - bad notification", decoded.error);
            else if (callbacks.notification)
                callbacks.notification(decoded.value.subject);
            return;
        }
        default:
            troubles_.note("message dropped - unknown topic", printable(topic));
        }
    }

    PupilClient& client_;
    zmq::context_t& context_;
    std::optional<zmq::socket_t> request_;
    std::optional<zmq::socket_t> subscription_;
    std::string surfaceTopic_;
    std::chrono::steady_clock::time_point lastMessage_;
    bool measured_ = false;
    ThrottledLog troubles_;
};

PupilClient::PupilClient(ClientOptions options, ClientCallbacks callbacks, Clock clock)
    : options_(std::move(options)), callbacks_(std::move(callbacks)), clock_(std::move(clock))
{
    if (!clock_) {
        clock_ = [] {
            return std::chrono::duration<double, std::milli>(
                       std::chrono::system_clock::now().time_since_epoch())
                .count();
        };
    }
}

PupilClient::~PupilClient()
{
    stop();
}

void PupilClient::start()
{
    if (thread_.joinable())
        return;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void PupilClient::stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool PupilClient::notify(const std::string& subject)
{
    const std::lock_guard lock(mutex_);
    if (state_.load() != LinkState::Connected || notifications_.size() >= maxQueuedNotifications)
        return false;
    notifications_.push_back(subject);
    return true;
}

std::string PupilClient::version() const
{
    const std::lock_guard lock(mutex_);
    return version_;
}

void PupilClient::report(LinkState state, const std::string& detail)
{
    state_ = state;
    LOG("Pupil Capture link ", stateName(state), ": ", detail);
    if (callbacks_.linkState)
        callbacks_.linkState(state, detail);
}

bool PupilClient::waitBeforeRetry()
{
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, options_.reconnectInterval, [this] { return stopping_.load(); });
}

void PupilClient::run()
{
    zmq::context_t context(1);
    report(LinkState::Connecting, "asking Pupil Remote at " + options_.address.text());
    LinkState last = LinkState::Connecting;
    std::string lastDetail;
    while (!stopping_) {
        std::string detail;
        LinkState reached = LinkState::Unreachable;
        bool wasConnected = false;
        {
            Session session(*this, context);
            try {
                reached = session.open(detail);
                if (reached == LinkState::Connected) {
                    wasConnected = true;
                    report(LinkState::Connected, detail);
                    detail = session.serve();
                    reached = LinkState::Lost;
                }
            } catch (const std::exception& failure) {
                detail = std::string("ZeroMQ: ") + failure.what();
                reached = wasConnected ? LinkState::Lost : LinkState::BadAnswer;
            }
            {
                const std::lock_guard lock(mutex_);
                notifications_.clear();
            }
        }
        if (stopping_)
            break;
        // A link that stays down is reported once, not at every attempt.
        if (wasConnected || reached != last || detail != lastDetail)
            report(reached, detail);
        last = reached;
        lastDetail = detail;
        if (!waitBeforeRetry())
            break;
    }
    state_ = LinkState::None;
}

} // namespace pupil

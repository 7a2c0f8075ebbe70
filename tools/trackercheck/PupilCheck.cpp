#include "tools/trackercheck/PupilCheck.h"

#include "recorder/pupil/PupilClient.h"

#include <algorithm>
#include <condition_variable>
#include <iomanip>
#include <mutex>

namespace tools {

namespace {

// What the client reports while the check runs.
class Observer
{
public:
    explicit Observer(int wanted) : wanted_(static_cast<std::size_t>(wanted)) {}

    pupil::ClientCallbacks callbacks()
    {
        pupil::ClientCallbacks callbacks;
        callbacks.linkState = [this](pupil::LinkState state, const std::string& detail) {
            const std::lock_guard lock(mutex_);
            // The first answer decides; a later loss is the sampling's business.
            if (state_ == pupil::LinkState::None || state_ == pupil::LinkState::Connecting) {
                state_ = state;
                detail_ = detail;
            }
            changed_.notify_all();
        };
        callbacks.surface = [this](const pupil::SurfaceMessage& message, double) {
            const std::lock_guard lock(mutex_);
            for (const pupil::SurfaceGaze& gaze : message.gaze) {
                if (gaze_.size() < wanted_)
                    gaze_.push_back(gaze);
            }
            changed_.notify_all();
        };
        return callbacks;
    }

    // The link's first outcome, or Connecting when none came in time.
    pupil::LinkState waitForLink(std::chrono::milliseconds timeout, std::string& detail)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [this] {
            return state_ != pupil::LinkState::None && state_ != pupil::LinkState::Connecting;
        });
        detail = detail_;
        return state_;
    }

    std::vector<pupil::SurfaceGaze> waitForGaze(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [this] { return gaze_.size() >= wanted_; });
        return gaze_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::size_t wanted_;
    pupil::LinkState state_ = pupil::LinkState::None;
    std::string detail_;
    std::vector<pupil::SurfaceGaze> gaze_;
};

} // namespace

int runPupilCheck(const TrackerCheckOptions& options, std::ostream& out, std::ostream& err)
{
    const std::optional<pupil::RemoteAddress> address = pupil::RemoteAddress::parse(options.pupilAddress);
    if (!address) {
        err << "Not a Pupil Remote address: \"" << options.pupilAddress << "\" (host or host:port)\n";
        return check_bad_usage;
    }
    pupil::ClientOptions clientOptions;
    clientOptions.address = *address;
    clientOptions.surface = options.surface;
    clientOptions.requestDeadline = options.replyTimeout;
    Observer observer(options.frames);
    pupil::PupilClient client(clientOptions, observer.callbacks());
    client.start();
    std::string detail;
    // Three requests stand between the start and the subscription.
    const pupil::LinkState state =
        observer.waitForLink(3 * options.replyTimeout + std::chrono::seconds(1), detail);
    if (state != pupil::LinkState::Connected) {
        client.stop();
        if (state == pupil::LinkState::BadAnswer) {
            err << "The program at " << address->text() << " is not Pupil Capture: " << detail << "\n";
            return check_rejected;
        }
        err << "Pupil Capture cannot be reached at " << address->text() << ": "
            << (detail.empty() ? "no answer in time" : detail) << "\n";
        return check_no_server;
    }
    out << "Pupil Capture at " << address->text() << "\n"
        << "Version: " << client.version() << "\n"
        << "Publisher port: " << client.publisherPort() << "\n"
        << "Surface: " << options.surface << "\n"
        << "Clock offset: " << std::fixed << std::setprecision(1) << client.clockOffsetMs()
        << " ms (Pupil time minus ours)\n";
    const std::vector<pupil::SurfaceGaze> gaze = observer.waitForGaze(options.frameTimeout);
    client.stop();
    if (gaze.size() < static_cast<std::size_t>(options.frames)) {
        err << "No " << options.frames << " samples of surface \"" << options.surface << "\" arrived within "
            << options.frameTimeout.count() << " ms (" << gaze.size() << " did)\n";
        return check_no_frames;
    }
    const auto [earliest, latest] = std::minmax_element(
        gaze.begin(), gaze.end(), [](const auto& a, const auto& b) { return a.timestamp < b.timestamp; });
    const double spanS = latest->timestamp - earliest->timestamp;
    const double rate = spanS > 0 ? static_cast<double>(gaze.size() - 1) / spanS : 0;
    const auto onSurface = std::count_if(gaze.begin(), gaze.end(), [](const auto& g) { return g.onSurface; });
    out << "Rate: " << std::setprecision(0) << rate << " samples/s over " << gaze.size() << " samples\n"
        << "On the surface: " << std::setprecision(1) << 100.0 * static_cast<double>(onSurface) / gaze.size()
        << "% of the samples\n";
    if (onSurface == 0) {
        err << "No sample lies on surface \"" << options.surface << "\": check its markers and the screen\n";
        return check_off_surface;
    }
    return check_ok;
}

} // namespace tools

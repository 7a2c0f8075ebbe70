#include "tools/trackercheck/TrackerCheck.h"

#include "common/OptionArguments.h"

#include "recorder/gtl/GazeApi.h"

#include <condition_variable>
#include <iomanip>
#include <mutex>

namespace tools {

namespace {

bool parseInt(const std::string& text, int& out, int min, int max)
{
    return OptionArguments::parseNumber(text, out, min, max);
}

// Collects what the client reports while the check runs.
class Observer : public gtl::IGazeListener, public gtl::ITrackerStateListener
{
public:
    explicit Observer(int frames) : wanted_(frames) {}

    // Frames before this call (such as the one in the first answer) are not counted.
    void startCounting()
    {
        std::lock_guard lock(mutex_);
        counting_ = true;
    }

    void on_gaze_data(const gtl::GazeFrame&) override
    {
        std::lock_guard lock(mutex_);
        if (!counting_)
            return;
        const auto now = std::chrono::steady_clock::now();
        // The first frame only starts the clock: the rate counts whole intervals.
        if (received_ == 0)
            first_ = now;
        if (received_ <= wanted_)
            last_ = now;
        if (++received_ > wanted_)
            done_.notify_all();
    }
    void on_tracker_connection_changed(int) override {}
    void on_screen_state_changed(const gtl::ScreenSetup& screen) override
    {
        std::lock_guard lock(mutex_);
        screen_ = screen;
    }

    gtl::ScreenSetup screen() const
    {
        std::lock_guard lock(mutex_);
        return screen_;
    }

    // Frames per second, or a negative value when the frames did not all arrive in time.
    double measureRate(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        if (!done_.wait_for(lock, timeout, [this] { return received_ > wanted_; }))
            return -1;
        const std::chrono::duration<double> elapsed = last_ - first_;
        return elapsed.count() > 0 ? wanted_ / elapsed.count() : 0;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable done_;
    const int wanted_;
    bool counting_ = false;
    int received_ = 0;
    std::chrono::steady_clock::time_point first_;
    std::chrono::steady_clock::time_point last_;
    gtl::ScreenSetup screen_;
};

const char* yesNo(bool value)
{
    return value ? "true" : "false";
}

} // namespace

ParsedTrackerCheckOptions parseTrackerCheckOptions(const std::vector<std::string>& args)
{
    ParsedTrackerCheckOptions parsed;
    TrackerCheckOptions& o = parsed.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        if (arg == "--pupil") {
            // The address is optional: the next argument when it is no option.
            o.pupil = true;
            if (i + 1 < args.size() && !args[i + 1].starts_with("-"))
                o.pupilAddress = args[++i];
            continue;
        }
        const OptionArguments::Option option = OptionArguments::take(args, i);
        const std::string& name = option.name;
        if (name == "--pupil") {
            o.pupil = true;
            o.pupilAddress = option.value;
            continue;
        }
        if (name == "--surface") {
            if (option.value.empty()) {
                parsed.error = "bad value in: " + arg;
                return parsed;
            }
            o.surface = option.value;
            continue;
        }
        if (name != "--port" && name != "--frames" && name != "--timeout" && name != "--frame-timeout") {
            parsed.error = "unknown option: " + arg;
            return parsed;
        }
        const std::string& value = option.value;
        int number = 0;
        bool good = true;
        if (name == "--port") {
            good = parseInt(value, number, 1, 65535);
            o.port = static_cast<unsigned short>(number);
        } else if (name == "--frames") {
            good = parseInt(value, o.frames, 1, 1000000);
        } else if (name == "--timeout") {
            good = parseInt(value, number, 1, 3600000);
            o.replyTimeout = std::chrono::milliseconds(number);
        } else {
            good = parseInt(value, number, 1, 3600000);
            o.frameTimeout = std::chrono::milliseconds(number);
        }
        if (!good) {
            parsed.error = "bad value in: " + arg + (option.separateValue ? " " + value : "");
            return parsed;
        }
    }
    return parsed;
}

std::string trackerCheckUsage()
{
    return "Usage: trackercheck [--port=N] [--frames=N] [--timeout=MS] [--frame-timeout=MS]\n"
           "       trackercheck --pupil [ADDRESS] [--surface=NAME] [--frames=N] [--timeout=MS]\n"
           "                    [--frame-timeout=MS]\n"
           "Checks the EyeTribe tracker server on 127.0.0.1: prints its values, screen and\n"
           "calibration, and the frame rate measured over N frames (default 60).\n"
           "With --pupil, checks Pupil Capture's network interface at ADDRESS (host[:port],\n"
           "default 127.0.0.1:50020): prints its version, the publisher's port, the surface,\n"
           "the rate of the gaze on the surface over N samples and the share on the surface.\n"
           "  --port=N            server port (default 6555)\n"
           "  --surface=NAME      Pupil Capture's surface for the screen (default screen)\n"
           "  --timeout=MS        connect and get the server's answer within this (default 5000)\n"
           "  --frame-timeout=MS  wait for all the frames (default 10000)\n"
           "Exit status: 0 all well, 1 no server listens (Pupil Capture: nothing answers),\n"
           "2 bad usage, 3 no frames, 4 no answer in time, 5 the server rejected the request\n"
           "for its values (Pupil Capture: the program that answers is not Pupil Capture),\n"
           "6 Pupil Capture's samples never lie on the surface.\n";
}

int runTrackerCheck(const TrackerCheckOptions& options, std::ostream& out, std::ostream& err)
{
    Observer observer(options.frames);
    gtl::GazeApi api(false);
    api.add_listener(static_cast<gtl::IGazeListener&>(observer));
    api.add_listener(static_cast<gtl::ITrackerStateListener&>(observer));
    api.set_connect_timeout(options.replyTimeout);
    const bool connected = api.connect(true, options.port);
    const std::string where = "127.0.0.1:" + std::to_string(options.port);
    switch (api.last_connect_outcome()) {
    case gtl::ConnectOutcome::connected:
        break;
    case gtl::ConnectOutcome::rejected:
        err << "The tracker server on " << where << " rejected the request for its values\n";
        api.disconnect();
        return check_rejected;
    case gtl::ConnectOutcome::no_server:
        err << "No tracker server listens on " << where << "\n";
        return check_no_server;
    case gtl::ConnectOutcome::lost:
        err << "The tracker server on " << where << " closed the connection before it answered\n";
        return check_no_answer;
    case gtl::ConnectOutcome::too_large:
        err << "What answers on " << where
            << " sent a message larger than a tracker server's messages can be; the check gave up\n";
        return check_no_answer;
    default:
        err << "The tracker server on " << where << " did not answer within " << options.replyTimeout.count()
            << " ms\n";
        return check_no_answer;
    }
    if (!connected)
        return check_no_answer;

    observer.startCounting();
    const gtl::TrackerValues values = api.current_values();
    out << "Tracker server on 127.0.0.1:" << options.port << "\n"
        << "Tracker values: push=" << yesNo(values.push) << " heartbeatinterval=" << values.heartbeatinterval
        << " version=" << values.version << " trackerstate=" << values.trackerstate
        << " framerate=" << values.framerate << " iscalibrated=" << yesNo(values.iscalibrated)
        << " iscalibrating=" << yesNo(values.iscalibrating) << "\n";
    const gtl::ScreenSetup screen = observer.screen();
    out << "Screen: index " << screen.screenindex << ", " << screen.screenresw << "x" << screen.screenresh
        << " px, physical " << screen.screenpsyw << "x" << screen.screenpsyh << "\n";
    gtl::CalibrationResult calibration;
    api.calibration_result(calibration);
    if (calibration.calibpoints.empty() && !calibration.result)
        out << "Calibration: none\n";
    else
        out << "Calibration: result=" << yesNo(calibration.result) << " average error " << calibration.deg
            << " deg (left " << calibration.degl << ", right " << calibration.degr << ") over "
            << calibration.calibpoints.size() << " points\n";

    const double rate = observer.measureRate(options.frameTimeout);
    api.disconnect();
    if (rate < 0) {
        err << "No " << options.frames << " frames arrived within " << options.frameTimeout.count()
            << " ms (tracker state " << values.trackerstate << ")\n";
        return check_no_frames;
    }
    out << "Frame rate: " << std::fixed << std::setprecision(1) << rate << " frames per second over "
        << options.frames << " frames\n";
    return check_ok;
}

} // namespace tools

#include "recorder/gtl/GazeApiEngine.h"

#include "common/Logger.h"
#include "recorder/gtl/Requests.h"

#include <exception>

namespace gtl {

GazeApi::Engine::Engine(bool verbose) : socket_(verbose)
{
    heartbeater_.add_listener(*this);
    socket_.add_listener(*this);
}

GazeApi::Engine::~Engine()
{
    disconnect();
    // Both threads end before any member they might touch is destroyed.
    socket_.shutdown();
    heartbeater_.stop();
    heartbeater_.remove_listener(*this);
    socket_.remove_listener(*this);
}

bool GazeApi::Engine::connect(bool push, unsigned short port)
{
    if (connected_)
        return false;
    port_ = std::to_string(port);
    {
        boost::lock_guard lock(flagsMutex_);
        replyFlags_ = 0;
    }
    if (!socket_.connect("127.0.0.1", port_))
        return false;

    connected_ = true;
    {
        boost::lock_guard lock(valuesMutex_);
        values_ = {};
    }
    {
        boost::lock_guard lock(frameMutex_);
        frame_ = {};
    }
    {
        boost::lock_guard lock(screenMutex_);
        screen_ = {};
    }
    {
        boost::lock_guard lock(calibrationMutex_);
        calibration_.clear();
    }
    heartbeater_.start();
    send(requests::setVersion(1));
    send(requests::setPush(push));
    tell_connection_state(true);

    boost::unique_lock lock(flagsMutex_);
    replyFlags_ &= ~reply_tracker_values;
    send(requests::getAllValues());
    const bool answered =
        replyArrived_.wait_for(lock, boost::chrono::milliseconds(replyTimeout_.count()), [this] {
            return (replyFlags_ & (reply_error | reply_tracker_values)) != 0 || !connected_;
        });
    lock.unlock();
    if (!connected_)
        return false; // lost while waiting; listeners have been told
    if (!answered) {
        LOG("no answer from the tracker server on port ", port_, " within ", replyTimeout_.count(), " ms");
        stop_connection();
        // Listeners were told the connection stands; they must not keep believing it.
        tell_connection_state(false);
        return false;
    }
    return true;
}

void GazeApi::Engine::disconnect()
{
    stop_connection();
}

void GazeApi::Engine::stop_connection()
{
    if (!connected_.exchange(false))
        return;
    heartbeater_.stop();
    socket_.disconnect();
    boost::lock_guard lock(flagsMutex_);
    replyArrived_.notify_all();
}

void GazeApi::Engine::tell_connection_state(bool connected)
{
    Observable<IConnectionStateListener>::notify(
        [connected](IConnectionStateListener& listener) { listener.on_connection_state_changed(connected); });
}

TrackerValues GazeApi::Engine::current_values() const
{
    boost::lock_guard lock(valuesMutex_);
    return values_;
}

void GazeApi::Engine::calibration_result(CalibrationResult& out) const
{
    boost::lock_guard lock(calibrationMutex_);
    out = calibration_;
}

void GazeApi::Engine::set_screen(const ScreenSetup& screen)
{
    send(requests::setScreen(screen));
}

std::uint8_t GazeApi::Engine::reply_flags() const
{
    boost::lock_guard lock(flagsMutex_);
    return replyFlags_;
}

void GazeApi::Engine::send(const std::string& text)
{
    if (connected_)
        socket_.send(text);
}

void GazeApi::Engine::set_reply_bit(std::uint8_t bit)
{
    boost::lock_guard lock(flagsMutex_);
    replyFlags_ = static_cast<std::uint8_t>((replyFlags_ & ~reply_error) | bit);
    replyArrived_.notify_all();
}

void GazeApi::Engine::on_heartbeat()
{
    send(requests::heartbeat());
}

void GazeApi::Engine::on_disconnected()
{
    stop_connection();
    tell_connection_state(false);
}

void GazeApi::Engine::on_message(const std::string& text)
{
    // Nothing may escape the I/O thread: a throwing listener costs this message only.
    try {
        ScreenSetup screen;
        {
            boost::lock_guard lock(screenMutex_);
            screen = screen_;
        }
        const auto message = decodeMessage(text, current_values(), screen);
        if (!message)
            return;
        switch (message->status) {
        case StatusKind::error:
            set_reply_bit(reply_error);
            return;
        case StatusKind::calibration_changed:
            send(requests::getCalibration());
            return;
        case StatusKind::display_changed:
            send(requests::getScreen());
            return;
        case StatusKind::tracker_state_changed:
            send(requests::getTrackerState());
            return;
        case StatusKind::ok:
            break;
        case StatusKind::none:
            return;
        }
        if (message->valueSet)
            apply_tracker_values(*message->valueSet);
        else if (message->category == MessageCategory::calibration)
            apply_calibration_reply(*message);
    } catch (const std::exception& error) {
        LOG("message dropped: ", error.what());
    }
}

void GazeApi::Engine::apply_tracker_values(const ValueSet& set)
{
    if (set.framePresent) {
        {
            boost::lock_guard lock(frameMutex_);
            frame_ = set.frame;
        }
        set_reply_bit(reply_gaze_frame);
        Observable<IGazeListener>::notify([this](IGazeListener& listener) { listener.on_gaze_data(frame_); });
    }
    if (set.calibrationPresent) {
        {
            boost::lock_guard lock(calibrationMutex_);
            calibration_ = set.calibration;
        }
        set_reply_bit(reply_calibration_result);
        Observable<ICalibrationResultListener>::notify([this](ICalibrationResultListener& listener) {
            listener.on_calibration_changed(calibration_.result, calibration_);
        });
    }
    bool screenChanged = false;
    {
        boost::lock_guard lock(screenMutex_);
        if (!(set.screen == screen_)) {
            screen_ = set.screen;
            screenChanged = true;
        }
    }
    if (screenChanged) {
        set_reply_bit(reply_screen_changed);
        Observable<ITrackerStateListener>::notify(
            [this](ITrackerStateListener& listener) { listener.on_screen_state_changed(screen_); });
    }
    bool stateChanged = false;
    {
        boost::lock_guard lock(valuesMutex_);
        if (set.values.trackerstate != values_.trackerstate) {
            values_.trackerstate = set.values.trackerstate;
            stateChanged = true;
        }
    }
    if (stateChanged) {
        const int trackerstate = set.values.trackerstate;
        Observable<ITrackerStateListener>::notify([trackerstate](ITrackerStateListener& listener) {
            listener.on_tracker_connection_changed(trackerstate);
        });
    }
    if (set.values.heartbeatinterval != 0)
        heartbeater_.set_interval(set.values.heartbeatinterval);
    {
        boost::lock_guard lock(valuesMutex_);
        values_ = set.values;
    }
    set_reply_bit(reply_tracker_values);
}

void GazeApi::Engine::apply_calibration_reply(const DecodedMessage& message)
{
    using Handlers = Observable<ICalibrationProcessHandler>;
    switch (message.request) {
    case RequestKind::start:
        set_reply_bit(reply_calibration_started);
        Handlers::notify([](ICalibrationProcessHandler& handler) { handler.on_calibration_started(); });
        break;
    case RequestKind::pointend: {
        ++calibrationPointsDone_;
        const double share = calibrationPointsExpected_ == 0
                                 ? 0.0
                                 : static_cast<double>(calibrationPointsDone_) / calibrationPointsExpected_;
        Handlers::notify(
            [share](ICalibrationProcessHandler& handler) { handler.on_calibration_progress(share); });
        if (message.calibrationOutcome != CalibrationOutcome::found)
            break;
        const CalibrationResult& decoded = message.calibration;
        if (decoded.result) {
            {
                boost::lock_guard lock(calibrationMutex_);
                calibration_ = decoded;
            }
            Observable<ICalibrationResultListener>::notify([this](ICalibrationResultListener& listener) {
                listener.on_calibration_changed(true, calibration_);
            });
            calibrationPointsExpected_ = 0;
            calibrationPointsDone_ = 0;
            set_reply_bit(reply_calibration_result);
        }
        Handlers::notify([&decoded](ICalibrationProcessHandler& handler) {
            handler.on_calibration_processed(decoded.result, decoded);
        });
        break;
    }
    case RequestKind::abort:
        calibrationPointsExpected_ = 0;
        calibrationPointsDone_ = 0;
        break;
    case RequestKind::clear: {
        boost::lock_guard lock(calibrationMutex_);
        calibration_.clear();
        break;
    }
    default:
        break;
    }
}

} // namespace gtl

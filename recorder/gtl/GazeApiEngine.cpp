#include "recorder/gtl/GazeApiEngine.h"

#include "common/Logger.h"
#include "recorder/gtl/Requests.h"

#include <algorithm>
#include <exception>

namespace gtl {

GazeApi::Engine::Engine(bool verbose) : socket_(verbose)
{
    heartbeater_.add_listener(*this);
    socket_.add_listener(*this);
}

GazeApi::Engine::~Engine()
{
    // Both threads end before any member they might touch is destroyed.
    disconnect();
    heartbeater_.stop();
    heartbeater_.remove_listener(*this);
    socket_.remove_listener(*this);
}

bool GazeApi::Engine::connect(bool push, unsigned short port)
{
    const auto deadline = std::chrono::steady_clock::now() + connectTimeout_;
    if (connected_) {
        outcome_ = ConnectOutcome::already_connected;
        return false;
    }
    port_ = std::to_string(port);
    const bool connected = connect_steps(push, deadline);
    LOG("connect to port ", port_, ": ", connectOutcomeText(outcome_));
    return connected;
}

bool GazeApi::Engine::connect_steps(bool push, std::chrono::steady_clock::time_point deadline)
{
    {
        boost::lock_guard lock(flagsMutex_);
        replyFlags_ = 0;
    }
    {
        boost::lock_guard lock(unreadableMutex_);
        firstUnreadable_.clear();
    }
    switch (socket_.open("127.0.0.1", port_, deadline)) {
    case Socket::OpenResult::connected:
        break;
    case Socket::OpenResult::refused:
        outcome_ = ConnectOutcome::no_server;
        return false;
    case Socket::OpenResult::timed_out:
        outcome_ = ConnectOutcome::no_answer;
        return false;
    case Socket::OpenResult::aborted:
        outcome_ = ConnectOutcome::lost;
        return false;
    }

    // Everything a listener may look at is in place before the first byte is read,
    // and "connected" is told before a lost connection can be.
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
    connected_ = true;
    tell_connection_state(true);
    send(requests::setVersion(1));
    send(requests::setPush(push));

    boost::unique_lock lock(flagsMutex_);
    replyFlags_ &= ~reply_tracker_values;
    const std::uint32_t answers = answers_;
    const std::uint32_t errors = errors_;
    const std::uint32_t notices = notices_;
    send(requests::getAllValues());
    lock.unlock();
    if (!socket_.start()) {
        // disconnect() from another thread came between the handshake and the first read.
        outcome_ = ConnectOutcome::lost;
        stop_connection();
        tell_connection_state(false);
        return false;
    }
    heartbeater_.start();
    lock.lock();
    const bool replied = replyArrived_.wait_until(
        lock,
        boost::chrono::steady_clock::now() +
            boost::chrono::nanoseconds((deadline - std::chrono::steady_clock::now()).count()),
        [&] { return answers_ != answers || errors_ != errors || !connected_; });
    // Only notices until the deadline: the server answered, but never with the values.
    const bool rejected = answers_ == answers && (errors_ != errors || (!replied && notices_ != notices));
    lock.unlock();

    if (!connected_) {
        outcome_ = socket_.gaveUpOnSize() ? ConnectOutcome::too_large : ConnectOutcome::lost;
        stop_connection();
        heartbeater_.stop();
        tell_connection_state(false);
        return false;
    }
    if (!replied && !rejected) {
        LOG("no answer from the tracker server on port ", port_, " in time");
        outcome_ = ConnectOutcome::no_answer;
        stop_connection();
        tell_connection_state(false);
        return false;
    }
    outcome_ = rejected ? ConnectOutcome::rejected : ConnectOutcome::connected;
    return true;
}

void GazeApi::Engine::disconnect()
{
    stop_connection();
    // Also waits for a listener call of the I/O thread still running.
    socket_.disconnect();
    // Closed without a word, so the next connection is told of again. No lock:
    // a connection listener may call this while it is being told.
    toldConnected_ = false;
}

void GazeApi::Engine::stop_connection()
{
    const bool wasConnected = connected_.exchange(false);
    {
        boost::lock_guard lock(flagsMutex_);
        replyArrived_.notify_all();
    }
    if (!wasConnected)
        return;
    heartbeater_.stop();
    socket_.disconnect();
}

void GazeApi::Engine::tell_connection_state(bool connected)
{
    boost::lock_guard lock(stateMutex_);
    if (connected == toldConnected_)
        return;
    // A connection lost before it was told of is not told of either.
    if (connected && !connected_)
        return;
    toldConnected_ = connected;
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

ScreenSetup GazeApi::Engine::current_screen() const
{
    boost::lock_guard lock(screenMutex_);
    return screen_;
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

void GazeApi::Engine::set_reply_bit(std::uint8_t bit, std::uint32_t* counter)
{
    boost::lock_guard lock(flagsMutex_);
    replyFlags_ = static_cast<std::uint8_t>((replyFlags_ & ~reply_error) | bit);
    if (counter)
        ++*counter;
    replyArrived_.notify_all();
}

void GazeApi::Engine::count_reply(std::uint32_t& counter)
{
    boost::lock_guard lock(flagsMutex_);
    ++counter;
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
        DropReason dropped = DropReason::none;
        const auto message = decodeMessage(text, current_values(), screen, &dropped);
        if (!message) {
            log_drop(text, dropped);
            return;
        }
        if (message->quotedNumbers && !quotedNumbersLogged_.exchange(true))
            LOG("the tracker server sends numbers in quotes; they are read as numbers");
        for (const std::string& key : message->skipped)
            if (skippedLog_.admit())
                LOG("value of unexpected shape skipped: ", key, " (", skippedLog_.count(), " so far)");
        switch (message->status) {
        case StatusKind::error:
            if (message->statuscode == 200) {
                // Some servers send a notice ahead of the answer; the answer may still come.
                if (errorLog_.admit())
                    LOG("notice from the tracker server: a reply of status 200 without usable values");
                set_reply_bit(reply_error, &notices_);
                return;
            }
            if (errorLog_.admit())
                LOG("error reply from the tracker server: ", message->statuscode);
            set_reply_bit(reply_error, &errors_);
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

namespace {

// The first line of a text, printable and short, for a message to the operator.
std::string firstLineOf(std::string_view text)
{
    std::string line;
    for (const char c : text.substr(0, std::min(text.find_first_of("\r\n"), std::size_t{80})))
        line += (c >= 0x20 && c < 0x7f) ? c : ' ';
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

} // namespace

std::string GazeApi::Engine::first_unreadable_text() const
{
    {
        boost::lock_guard lock(unreadableMutex_);
        if (!firstUnreadable_.empty())
            return firstUnreadable_;
    }
    // A program that knows no JSON sends no object at all: its words are what was left unread.
    return firstLineOf(socket_.unreadAtLoss());
}

void GazeApi::Engine::log_drop(const std::string& text, DropReason reason)
{
    if (reason == DropReason::not_json) {
        // Kept to say what answers on the port when it is no tracker server.
        boost::lock_guard lock(unreadableMutex_);
        if (firstUnreadable_.empty())
            firstUnreadable_ = firstLineOf(text);
    }
    if (reason == DropReason::no_effect || !droppedLog_.admit())
        return;
    if (reason == DropReason::too_deep)
        LOG("message dropped: nested deeper than ", maxMessageNesting, " levels, ", text.size(), " bytes");
    else
        LOG("message dropped: not a JSON object, ", text.size(), " bytes");
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
    int storedInterval = 0;
    {
        boost::lock_guard lock(valuesMutex_);
        storedInterval = values_.heartbeatinterval;
        values_ = set.values;
    }
    // Members a reply leaves out come over from the stored values, so only a new
    // interval is looked at; one that is not positive would stop or flood the beats.
    const int interval = set.values.heartbeatinterval;
    if (interval != storedInterval) {
        if (interval > 0)
            heartbeater_.set_interval(interval);
        else
            LOG("heartbeat interval ", interval, " ignored; keeping ", heartbeater_.interval(), " ms");
    }
    set_reply_bit(reply_tracker_values);
    if (set.answersRequest)
        count_reply(answers_);
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

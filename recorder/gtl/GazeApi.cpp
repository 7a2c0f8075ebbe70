#include "recorder/gtl/GazeApi.h"

#include "recorder/gtl/GazeApiEngine.h"

namespace gtl {

const char* connectOutcomeText(ConnectOutcome outcome)
{
    switch (outcome) {
    case ConnectOutcome::none:
        return "none";
    case ConnectOutcome::connected:
        return "connected";
    case ConnectOutcome::rejected:
        return "answer rejected";
    case ConnectOutcome::already_connected:
        return "already connected";
    case ConnectOutcome::no_server:
        return "no server";
    case ConnectOutcome::no_answer:
        return "no answer in time";
    case ConnectOutcome::lost:
        return "connection lost";
    case ConnectOutcome::too_large:
        return "a message outgrew the size limit";
    }
    return "unknown";
}

GazeApi::GazeApi(bool verbose) : engine_(std::make_unique<Engine>(verbose)) {}

GazeApi::~GazeApi() = default;

bool GazeApi::connect(bool push)
{
    return engine_->connect(push, defaultPort);
}

bool GazeApi::connect(bool push, unsigned short port)
{
    return engine_->connect(push, port);
}

void GazeApi::disconnect()
{
    engine_->disconnect();
}

bool GazeApi::is_connected() const
{
    return engine_->is_connected();
}

TrackerValues GazeApi::current_values() const
{
    return engine_->current_values();
}

void GazeApi::calibration_result(CalibrationResult& out) const
{
    engine_->calibration_result(out);
}

ScreenSetup GazeApi::current_screen() const
{
    return engine_->current_screen();
}

void GazeApi::set_screen(const ScreenSetup& screen)
{
    engine_->set_screen(screen);
}

void GazeApi::add_listener(IGazeListener& listener)
{
    engine_->add_listener(listener);
}

void GazeApi::add_listener(ICalibrationResultListener& listener)
{
    engine_->add_listener(listener);
}

void GazeApi::add_listener(ITrackerStateListener& listener)
{
    engine_->add_listener(listener);
}

void GazeApi::add_listener(IConnectionStateListener& listener)
{
    engine_->add_listener(listener);
}

void GazeApi::set_connect_timeout(std::chrono::milliseconds timeout)
{
    engine_->set_connect_timeout(timeout);
}

ConnectOutcome GazeApi::last_connect_outcome() const
{
    return engine_->last_connect_outcome();
}

std::string GazeApi::first_unreadable_text() const
{
    return engine_->first_unreadable_text();
}

} // namespace gtl

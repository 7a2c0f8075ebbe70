#pragma once

#include "recorder/gtl/Records.h"

#include <optional>
#include <string_view>

namespace gtl {

// What a tracker "get" reply carries, laid over the client's current values:
// members the reply leaves out keep their current value.
struct ValueSet
{
    TrackerValues values;
    ScreenSetup screen;
    bool framePresent = false;
    GazeFrame frame;
    bool calibrationPresent = false;
    CalibrationResult calibration;
};

enum class CalibrationOutcome
{
    absent = 0, // the message carries no values at all
    failed,     // values without a complete calibration result
    found,
};

struct DecodedMessage
{
    MessageCategory category = MessageCategory::unknown;
    int statuscode = 0;
    StatusKind status = StatusKind::none;
    RequestKind request = RequestKind::unknown;
    // Tracker "get" replies with status 200.
    std::optional<ValueSet> valueSet;
    // Calibration "pointend" replies with status 200.
    CalibrationOutcome calibrationOutcome = CalibrationOutcome::absent;
    CalibrationResult calibration;
};

MessageCategory messageCategory(std::string_view text);
RequestKind requestKind(std::string_view text);
StatusKind statusKind(int statuscode);

// Decodes one message text from the server. Returns nothing for a message that
// has no effect: not JSON, an unknown category, a missing or zero status code,
// a 200 heartbeat or a 200 reply without "request", or a reply whose value set
// lacks a required member or holds one that does not convert.
std::optional<DecodedMessage> decodeMessage(std::string_view text, const TrackerValues& currentValues,
                                            const ScreenSetup& currentScreen);

} // namespace gtl

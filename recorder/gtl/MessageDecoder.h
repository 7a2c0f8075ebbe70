#pragma once

#include "recorder/gtl/Records.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
    // The reply carries something besides a frame: it answers a request for values
    // rather than being a pushed frame.
    bool answersRequest = false;
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
    // Members of "values" that were present but of an unexpected shape, and so
    // were left out; the rest of the message counts.
    std::vector<std::string> skipped;
    // A number came in quotes and was read as the number.
    bool quotedNumbers = false;
};

// Deeper than any message the server sends: such a message is refused unread.
constexpr int maxMessageNesting = 64;

enum class DropReason
{
    none = 0,
    not_json,  // no object, or not valid JSON
    too_deep,  // nested deeper than maxMessageNesting
    no_effect, // unknown category, no status, a 200 heartbeat, no request
};

MessageCategory messageCategory(std::string_view text);
RequestKind requestKind(std::string_view text);
StatusKind statusKind(int statuscode);

// Decodes the first JSON object in one message text from the server, in one pass
// straight into the records. Returns nothing for a message that has no effect,
// and says why in dropped when given. Members of "values" are read one by one: a
// member of an unexpected shape (a frame or calibration result included, which
// count only when complete) is skipped and named in skipped. A tracker "get"
// reply with status 200 that carries no usable value at all, or no "values",
// comes back as an error reply.
std::optional<DecodedMessage> decodeMessage(std::string_view text, const TrackerValues& currentValues,
                                            const ScreenSetup& currentScreen, DropReason* dropped = nullptr);

} // namespace gtl

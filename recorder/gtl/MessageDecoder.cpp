#include "recorder/gtl/MessageDecoder.h"

#include "recorder/gtl/JsonObjectMatcher.h"

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <sstream>
#include <string>

namespace gtl {

namespace {

using boost::property_tree::ptree;

Point2f readPoint(const ptree& tree, const char* key)
{
    const ptree& point = tree.get_child(key);
    return {point.get<float>("x"), point.get<float>("y")};
}

EyeValues readEye(const ptree& tree, const char* key)
{
    const ptree& eye = tree.get_child(key);
    return {readPoint(eye, "raw"), readPoint(eye, "avg"), eye.get<float>("psize"), readPoint(eye, "pcenter")};
}

GazeFrame readFrame(const ptree& frame)
{
    GazeFrame out;
    out.time = frame.get<int>("time");
    out.fix = frame.get<bool>("fix");
    out.state = frame.get<int>("state");
    out.raw = readPoint(frame, "raw");
    out.avg = readPoint(frame, "avg");
    out.lefteye = readEye(frame, "lefteye");
    out.righteye = readEye(frame, "righteye");
    return out;
}

CalibrationPoint readCalibrationPoint(const ptree& point)
{
    CalibrationPoint out;
    out.state = point.get<int>("state");
    out.cp = readPoint(point, "cp");
    out.mecp = readPoint(point, "mecp");
    const ptree& acd = point.get_child("acd");
    out.ad = acd.get<float>("ad");
    out.adl = acd.get<float>("adl");
    out.adr = acd.get<float>("adr");
    const ptree& mepix = point.get_child("mepix");
    out.mep = mepix.get<float>("mep");
    out.mepl = mepix.get<float>("mepl");
    out.mepr = mepix.get<float>("mepr");
    const ptree& asdp = point.get_child("asdp");
    out.asd = asdp.get<float>("asd");
    out.asdl = asdp.get<float>("asdl");
    out.asdr = asdp.get<float>("asdr");
    return out;
}

// Throws on a present result with a missing or unconvertible member.
CalibrationOutcome readCalibrationResult(const ptree& message, CalibrationResult& out)
{
    const auto values = message.get_child_optional("values");
    if (!values)
        return CalibrationOutcome::absent;
    const auto calibresult = values->get_child_optional("calibresult");
    if (!calibresult)
        return CalibrationOutcome::failed;
    CalibrationResult result;
    result.result = calibresult->get<bool>("result");
    result.deg = calibresult->get<float>("deg");
    result.degl = calibresult->get<float>("degl");
    result.degr = calibresult->get<float>("degr");
    const auto points = calibresult->get_child_optional("calibpoints");
    if (!points)
        return CalibrationOutcome::failed;
    result.calibpoints.reserve(points->size());
    for (const auto& [key, point] : *points)
        result.calibpoints.push_back(readCalibrationPoint(point));
    out = std::move(result);
    return CalibrationOutcome::found;
}

template <typename T> void readOptional(const ptree& values, const char* key, T& target)
{
    if (const auto value = values.get_optional<T>(key))
        target = *value;
}

// Throws when "values" is missing or the frame or calibration result is incomplete.
ValueSet readValueSet(const ptree& message, const TrackerValues& currentValues,
                      const ScreenSetup& currentScreen)
{
    const ptree& values = message.get_child("values");
    ValueSet set{currentValues, currentScreen};
    set.calibrationPresent = readCalibrationResult(message, set.calibration) == CalibrationOutcome::found;
    if (const auto frame = values.get_child_optional("frame")) {
        set.framePresent = true;
        set.frame = readFrame(*frame);
    }
    readOptional(values, "push", set.values.push);
    readOptional(values, "heartbeatinterval", set.values.heartbeatinterval);
    readOptional(values, "version", set.values.version);
    readOptional(values, "trackerstate", set.values.trackerstate);
    readOptional(values, "framerate", set.values.framerate);
    readOptional(values, "iscalibrated", set.values.iscalibrated);
    readOptional(values, "iscalibrating", set.values.iscalibrating);
    readOptional(values, "screenindex", set.screen.screenindex);
    readOptional(values, "screenresw", set.screen.screenresw);
    readOptional(values, "screenresh", set.screen.screenresh);
    readOptional(values, "screenpsyw", set.screen.screenpsyw);
    readOptional(values, "screenpsyh", set.screen.screenpsyh);
    return set;
}

// The JSON reader recurses once per level; the protocol's messages nest five
// levels deep, so anything far deeper is refused before it can exhaust the stack.
constexpr int maxNesting = 32;

bool nestsTooDeep(std::string_view json)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : json) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > maxNesting)
                return true;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

std::optional<DecodedMessage> decode(std::string_view text, const TrackerValues& currentValues,
                                     const ScreenSetup& currentScreen)
{
    const std::string_view object = JsonObjectMatcher::firstObject(text);
    if (object.empty() || nestsTooDeep(object))
        return std::nullopt;
    std::istringstream stream{std::string(object)};
    ptree message;
    boost::property_tree::read_json(stream, message);

    DecodedMessage out;
    out.category = messageCategory(message.get<std::string>("category", ""));
    if (out.category == MessageCategory::unknown)
        return std::nullopt;
    out.statuscode = message.get<int>("statuscode", 0);
    out.status = statusKind(out.statuscode);
    if (out.status == StatusKind::none)
        return std::nullopt;
    if (out.status != StatusKind::ok)
        return out;
    const auto request = message.get_optional<std::string>("request");
    if (out.category == MessageCategory::heartbeat || !request)
        return std::nullopt;
    out.request = requestKind(*request);

    if (out.category == MessageCategory::tracker && out.request == RequestKind::get) {
        out.valueSet = readValueSet(message, currentValues, currentScreen);
    } else if (out.category == MessageCategory::calibration && out.request == RequestKind::pointend) {
        // An incomplete result only means there is nothing to pass on; the
        // progress the reply reports still counts.
        try {
            out.calibrationOutcome = readCalibrationResult(message, out.calibration);
        } catch (const boost::property_tree::ptree_error&) {
            out.calibrationOutcome = CalibrationOutcome::failed;
        }
    }
    return out;
}

} // namespace

MessageCategory messageCategory(std::string_view text)
{
    if (text == "tracker")
        return MessageCategory::tracker;
    if (text == "calibration")
        return MessageCategory::calibration;
    if (text == "heartbeat")
        return MessageCategory::heartbeat;
    return MessageCategory::unknown;
}

RequestKind requestKind(std::string_view text)
{
    static constexpr std::pair<std::string_view, RequestKind> kinds[] = {
        {"get", RequestKind::get},           {"set", RequestKind::set},
        {"start", RequestKind::start},       {"abort", RequestKind::abort},
        {"clear", RequestKind::clear},       {"pointstart", RequestKind::pointstart},
        {"pointend", RequestKind::pointend},
    };
    for (const auto& [name, kind] : kinds)
        if (text == name)
            return kind;
    return RequestKind::unknown;
}

StatusKind statusKind(int statuscode)
{
    switch (statuscode) {
    case 0:
        return StatusKind::none;
    case 200:
        return StatusKind::ok;
    case 800:
        return StatusKind::calibration_changed;
    case 801:
        return StatusKind::display_changed;
    case 802:
        return StatusKind::tracker_state_changed;
    default:
        return StatusKind::error;
    }
}

std::optional<DecodedMessage> decodeMessage(std::string_view text, const TrackerValues& currentValues,
                                            const ScreenSetup& currentScreen)
{
    try {
        return decode(text, currentValues, currentScreen);
    } catch (const boost::property_tree::ptree_error&) {
        return std::nullopt;
    }
}

} // namespace gtl

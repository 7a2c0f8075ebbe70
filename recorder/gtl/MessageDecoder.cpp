#include "recorder/gtl/MessageDecoder.h"

#include "recorder/gtl/JsonObjectMatcher.h"

#include <simdjson.h>

#include <array>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cstdint>
#include <utility>

namespace gtl {

namespace {

namespace od = simdjson::ondemand;
using simdjson::error_code;

// How one member read: usable, of an unexpected shape (skipped), or the text
// is not JSON at all (the message is dropped).
enum class Read
{
    good = 0,
    odd,
    broken,
};

// Type mismatches and out-of-range numbers are a member's own fault; anything
// else means the text itself cannot be trusted.
Read fault(error_code error)
{
    switch (error) {
    case simdjson::SUCCESS:
        return Read::good;
    case simdjson::INCORRECT_TYPE:
    case simdjson::NUMBER_OUT_OF_RANGE:
        return Read::odd;
    default:
        return Read::broken;
    }
}

// Set while one message is decoded: a number came as a string.
thread_local bool quotedNumberSeen = false;

// Some servers send a number in quotes ("trackerstate":"0"); its text must be
// the whole number, nothing around it.
template <typename Number> Read readQuoted(od::value value, Number& out)
{
    std::string_view text;
    const Read read = fault(value.get_string().get(text));
    if (read != Read::good)
        return read;
    Number number{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return Read::odd;
    quotedNumberSeen = true;
    out = number;
    return Read::good;
}

bool isString(od::value& value, Read& read)
{
    od::json_type type{};
    read = fault(value.type().get(type));
    return read == Read::good && type == od::json_type::string;
}

Read readInt64(od::value value, std::int64_t& out)
{
    Read read = Read::good;
    if (isString(value, read))
        return readQuoted(value, out);
    if (read != Read::good)
        return read;
    return fault(value.get_int64().get(out));
}

Read readInt(od::value value, int& out)
{
    std::int64_t number = 0;
    const Read read = readInt64(value, number);
    if (read != Read::good)
        return read;
    if (number < INT_MIN || number > INT_MAX)
        return Read::odd;
    out = static_cast<int>(number);
    return Read::good;
}

Read readFloat(od::value value, float& out)
{
    double number = 0;
    Read read = Read::good;
    if (isString(value, read))
        read = readQuoted(value, number);
    else if (read == Read::good)
        read = fault(value.get_double().get(number));
    if (read != Read::good)
        return read;
    if (!(number >= -FLT_MAX && number <= FLT_MAX))
        return Read::odd;
    out = static_cast<float>(number);
    return Read::good;
}

Read readBool(od::value value, bool& out)
{
    return fault(value.get_bool().get(out));
}

// The worse of two outcomes.
Read worse(Read a, Read b)
{
    return a > b ? a : b;
}

// Reads the members of an object whose keys the handler knows; the handler
// returns how the member read, or nothing for a key it does not know (skipped).
// Every known member must be present (counted in seen against want).
template <typename Handler> Read readRecord(od::value value, unsigned want, Handler&& handler)
{
    od::object object;
    Read outcome = fault(value.get_object().get(object));
    if (outcome != Read::good)
        return outcome;
    unsigned seen = 0;
    for (auto member : object) {
        od::field field;
        std::string_view key;
        if (std::move(member).get(field) != simdjson::SUCCESS ||
            field.unescaped_key().get(key) != simdjson::SUCCESS)
            return Read::broken;
        const std::optional<std::pair<unsigned, Read>> read = handler(key, field.value());
        if (!read)
            continue;
        seen |= read->first;
        outcome = worse(outcome, read->second);
        if (outcome == Read::broken)
            return outcome;
    }
    return outcome == Read::good && (seen & want) != want ? Read::odd : outcome;
}

using Member = std::optional<std::pair<unsigned, Read>>;

Read readPoint(od::value value, Point2f& point)
{
    return readRecord(value, 3, [&](std::string_view key, od::value member) -> Member {
        if (key == "x")
            return std::pair{1u, readFloat(member, point.x)};
        if (key == "y")
            return std::pair{2u, readFloat(member, point.y)};
        return std::nullopt;
    });
}

Read readEye(od::value value, EyeValues& eye)
{
    return readRecord(value, 15, [&](std::string_view key, od::value member) -> Member {
        if (key == "raw")
            return std::pair{1u, readPoint(member, eye.raw)};
        if (key == "avg")
            return std::pair{2u, readPoint(member, eye.avg)};
        if (key == "psize")
            return std::pair{4u, readFloat(member, eye.psize)};
        if (key == "pcenter")
            return std::pair{8u, readPoint(member, eye.pcenter)};
        return std::nullopt;
    });
}

Read readFrame(od::value value, GazeFrame& frame)
{
    return readRecord(value, 127, [&](std::string_view key, od::value member) -> Member {
        if (key == "time")
            return std::pair{1u, readInt(member, frame.time)};
        if (key == "fix")
            return std::pair{2u, readBool(member, frame.fix)};
        if (key == "state")
            return std::pair{4u, readInt(member, frame.state)};
        if (key == "raw")
            return std::pair{8u, readPoint(member, frame.raw)};
        if (key == "avg")
            return std::pair{16u, readPoint(member, frame.avg)};
        if (key == "lefteye")
            return std::pair{32u, readEye(member, frame.lefteye)};
        if (key == "righteye")
            return std::pair{64u, readEye(member, frame.righteye)};
        return std::nullopt;
    });
}

Read readTriple(od::value value, const std::array<std::string_view, 3>& names,
                const std::array<float*, 3>& targets)
{
    return readRecord(value, 7, [&](std::string_view key, od::value member) -> Member {
        for (unsigned i = 0; i < 3; ++i)
            if (key == names[i])
                return std::pair{1u << i, readFloat(member, *targets[i])};
        return std::nullopt;
    });
}

Read readCalibrationPoint(od::value value, CalibrationPoint& point)
{
    return readRecord(value, 63, [&](std::string_view key, od::value member) -> Member {
        if (key == "state")
            return std::pair{1u, readInt(member, point.state)};
        if (key == "cp")
            return std::pair{2u, readPoint(member, point.cp)};
        if (key == "mecp")
            return std::pair{4u, readPoint(member, point.mecp)};
        if (key == "acd")
            return std::pair{8u,
                             readTriple(member, {"ad", "adl", "adr"}, {&point.ad, &point.adl, &point.adr})};
        if (key == "mepix")
            return std::pair{
                16u, readTriple(member, {"mep", "mepl", "mepr"}, {&point.mep, &point.mepl, &point.mepr})};
        if (key == "asdp")
            return std::pair{
                32u, readTriple(member, {"asd", "asdl", "asdr"}, {&point.asd, &point.asdl, &point.asdr})};
        return std::nullopt;
    });
}

Read readCalibrationPoints(od::value value, std::vector<CalibrationPoint>& points)
{
    od::array array;
    Read outcome = fault(value.get_array().get(array));
    if (outcome != Read::good)
        return outcome;
    for (auto item : array) {
        od::value element;
        if (std::move(item).get(element) != simdjson::SUCCESS)
            return Read::broken;
        outcome = worse(outcome, readCalibrationPoint(element, points.emplace_back()));
        if (outcome == Read::broken)
            return outcome;
    }
    return outcome;
}

Read readCalibration(od::value value, CalibrationResult& result)
{
    result.clear();
    return readRecord(value, 31, [&](std::string_view key, od::value member) -> Member {
        if (key == "result")
            return std::pair{1u, readBool(member, result.result)};
        if (key == "deg")
            return std::pair{2u, readFloat(member, result.deg)};
        if (key == "degl")
            return std::pair{4u, readFloat(member, result.degl)};
        if (key == "degr")
            return std::pair{8u, readFloat(member, result.degr)};
        if (key == "calibpoints")
            return std::pair{16u, readCalibrationPoints(member, result.calibpoints)};
        return std::nullopt;
    });
}

// What the walk over a message found, besides the records it filled.
struct Walk
{
    MessageCategory category = MessageCategory::unknown;
    std::int64_t statuscode = 0;
    bool requestPresent = false;
    RequestKind request = RequestKind::unknown;
    bool valuesPresent = false;
    bool framePresent = false;  // the key, whatever its value
    bool carriesValues = false; // a member besides "frame", whatever its value
    int usable = 0;
    bool calibrationFound = false;
};

// The optional members of "values", each on its own.
Read readValueMember(std::string_view key, od::value value, ValueSet& set, Walk& walk,
                     std::vector<std::string>& skipped)
{
    TrackerValues& v = set.values;
    ScreenSetup& s = set.screen;
    Read read = Read::good;
    if (key == "frame") {
        walk.framePresent = true;
        GazeFrame frame;
        read = readFrame(value, frame);
        if (read == Read::good) {
            set.frame = frame;
            set.framePresent = true;
        }
    } else {
        if (key == "push")
            read = readBool(value, v.push);
        else if (key == "heartbeatinterval")
            read = readInt(value, v.heartbeatinterval);
        else if (key == "version")
            read = readInt(value, v.version);
        else if (key == "trackerstate")
            read = readInt(value, v.trackerstate);
        else if (key == "framerate")
            read = readInt(value, v.framerate);
        else if (key == "iscalibrated")
            read = readBool(value, v.iscalibrated);
        else if (key == "iscalibrating")
            read = readBool(value, v.iscalibrating);
        else if (key == "screenindex")
            read = readInt(value, s.screenindex);
        else if (key == "screenresw")
            read = readInt(value, s.screenresw);
        else if (key == "screenresh")
            read = readInt(value, s.screenresh);
        else if (key == "screenpsyw")
            read = readFloat(value, s.screenpsyw);
        else if (key == "screenpsyh")
            read = readFloat(value, s.screenpsyh);
        else if (key == "calibresult") {
            CalibrationResult calibration;
            read = readCalibration(value, calibration);
            if (read == Read::good) {
                set.calibration = std::move(calibration);
                walk.calibrationFound = true;
            }
        } else
            return Read::good; // not ours to read
        walk.carriesValues = true;
    }
    if (read == Read::good)
        ++walk.usable;
    else if (read == Read::odd)
        skipped.emplace_back(key);
    return read;
}

Read readValues(od::value value, ValueSet& set, Walk& walk, std::vector<std::string>& skipped)
{
    walk.valuesPresent = true;
    od::object object;
    const Read read = fault(value.get_object().get(object));
    if (read != Read::good)
        return read == Read::odd ? Read::good : read; // present, but nothing usable in it
    for (auto member : object) {
        od::field field;
        std::string_view key;
        if (std::move(member).get(field) != simdjson::SUCCESS ||
            field.unescaped_key().get(key) != simdjson::SUCCESS)
            return Read::broken;
        if (readValueMember(key, field.value(), set, walk, skipped) == Read::broken)
            return Read::broken;
    }
    return Read::good;
}

bool walkMessage(std::string_view object, ValueSet& set, Walk& walk, std::vector<std::string>& skipped)
{
    // The parser reads a little past the end of its input: the text is copied
    // into a buffer with room for that, kept per thread so it is made only once.
    thread_local od::parser parser;
    thread_local std::string padded;
    padded.assign(object);
    padded.resize(object.size() + simdjson::SIMDJSON_PADDING);
    od::document document;
    if (parser.iterate(padded.data(), object.size(), padded.size()).get(document) != simdjson::SUCCESS)
        return false;
    od::object root;
    if (document.get_object().get(root) != simdjson::SUCCESS)
        return false;
    for (auto member : root) {
        od::field field;
        std::string_view key;
        if (std::move(member).get(field) != simdjson::SUCCESS ||
            field.unescaped_key().get(key) != simdjson::SUCCESS)
            return false;
        od::value value = field.value();
        if (key == "category") {
            std::string_view text;
            const Read read = fault(value.get_string().get(text));
            if (read == Read::broken)
                return false;
            walk.category = read == Read::good ? messageCategory(text) : MessageCategory::unknown;
        } else if (key == "statuscode") {
            if (readInt64(value, walk.statuscode) == Read::broken)
                return false;
        } else if (key == "request") {
            walk.requestPresent = true;
            std::string_view text;
            const Read read = fault(value.get_string().get(text));
            if (read == Read::broken)
                return false;
            walk.request = read == Read::good ? requestKind(text) : RequestKind::unknown;
        } else if (key == "values") {
            if (readValues(value, set, walk, skipped) == Read::broken)
                return false;
        }
    }
    return true;
}

std::optional<DecodedMessage> decode(std::string_view text, const TrackerValues& currentValues,
                                     const ScreenSetup& currentScreen, DropReason& dropped)
{
    // Bytes before the object are passed over; the parser stops at the object's end.
    const std::size_t begin = text.find('{');
    if (begin == std::string_view::npos) {
        dropped = DropReason::not_json;
        return std::nullopt;
    }
    const std::string_view object = text.substr(begin);
    if (JsonObjectMatcher::nestedDeeperThan(object, maxMessageNesting)) {
        dropped = DropReason::too_deep;
        return std::nullopt;
    }
    DecodedMessage out;
    ValueSet set{currentValues, currentScreen};
    Walk walk;
    quotedNumberSeen = false;
    if (!walkMessage(object, set, walk, out.skipped)) {
        dropped = DropReason::not_json;
        return std::nullopt;
    }
    out.quotedNumbers = quotedNumberSeen;

    out.category = walk.category;
    if (out.category == MessageCategory::unknown) {
        dropped = DropReason::no_effect;
        return std::nullopt;
    }
    out.statuscode =
        walk.statuscode < INT_MIN || walk.statuscode > INT_MAX ? 0 : static_cast<int>(walk.statuscode);
    out.status = statusKind(out.statuscode);
    if (out.status == StatusKind::none) {
        dropped = DropReason::no_effect;
        return std::nullopt;
    }
    if (out.status != StatusKind::ok)
        return out;
    if (out.category == MessageCategory::heartbeat || !walk.requestPresent) {
        dropped = DropReason::no_effect;
        return std::nullopt;
    }
    out.request = walk.request;

    if (out.category == MessageCategory::tracker && out.request == RequestKind::get) {
        // A pushed frame that did not decode is only a skipped frame; an answer
        // with nothing usable in it must not pass for an answer.
        if (!walk.valuesPresent || (walk.usable == 0 && !walk.framePresent)) {
            out.status = StatusKind::error;
            return out;
        }
        set.calibrationPresent = walk.calibrationFound;
        set.answersRequest = walk.carriesValues;
        out.valueSet = std::move(set);
    } else if (out.category == MessageCategory::calibration && out.request == RequestKind::pointend) {
        if (!walk.valuesPresent)
            out.calibrationOutcome = CalibrationOutcome::absent;
        else if (walk.calibrationFound)
            out.calibrationOutcome = CalibrationOutcome::found;
        else
            out.calibrationOutcome = CalibrationOutcome::failed;
        if (out.calibrationOutcome == CalibrationOutcome::found)
            out.calibration = std::move(set.calibration);
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
                                            const ScreenSetup& currentScreen, DropReason* dropped)
{
    DropReason reason = DropReason::none;
    auto message = decode(text, currentValues, currentScreen, reason);
    if (dropped)
        *dropped = reason;
    return message;
}

} // namespace gtl

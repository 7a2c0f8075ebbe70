#include "recorder/gtl/MessageDecoder.h"

#include "recorder/gtl/JsonObjectMatcher.h"

#include <simdjson.h>

#include <algorithm>
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

// One member of a record: its key and how it is read into the record. Its bit
// among the members seen is its place in the record's table.
template <typename Record> struct Field
{
    std::string_view key;
    Read (*read)(od::value, Record&);
};

// Reads a record whose members are all required, by its table.
template <typename Record, std::size_t N>
Read readFields(od::value value, Record& record, const std::array<Field<Record>, N>& fields)
{
    static_assert(N < 32, "one bit per member");
    return readRecord(value, (1u << N) - 1, [&](std::string_view key, od::value member) -> Member {
        for (std::size_t i = 0; i < N; ++i)
            if (key == fields[i].key)
                return std::pair{1u << i, fields[i].read(member, record)};
        return std::nullopt;
    });
}

Read readPoint(od::value value, Point2f& point)
{
    static constexpr std::array<Field<Point2f>, 2> fields{{
        {"x", [](od::value v, Point2f& p) { return readFloat(v, p.x); }},
        {"y", [](od::value v, Point2f& p) { return readFloat(v, p.y); }},
    }};
    return readFields(value, point, fields);
}

Read readEye(od::value value, EyeValues& eye)
{
    static constexpr std::array<Field<EyeValues>, 4> fields{{
        {"raw", [](od::value v, EyeValues& e) { return readPoint(v, e.raw); }},
        {"avg", [](od::value v, EyeValues& e) { return readPoint(v, e.avg); }},
        {"psize", [](od::value v, EyeValues& e) { return readFloat(v, e.psize); }},
        {"pcenter", [](od::value v, EyeValues& e) { return readPoint(v, e.pcenter); }},
    }};
    return readFields(value, eye, fields);
}

Read readFrame(od::value value, GazeFrame& frame)
{
    static constexpr std::array<Field<GazeFrame>, 7> fields{{
        {"time", [](od::value v, GazeFrame& f) { return readInt(v, f.time); }},
        {"fix", [](od::value v, GazeFrame& f) { return readBool(v, f.fix); }},
        {"state", [](od::value v, GazeFrame& f) { return readInt(v, f.state); }},
        {"raw", [](od::value v, GazeFrame& f) { return readPoint(v, f.raw); }},
        {"avg", [](od::value v, GazeFrame& f) { return readPoint(v, f.avg); }},
        {"lefteye", [](od::value v, GazeFrame& f) { return readEye(v, f.lefteye); }},
        {"righteye", [](od::value v, GazeFrame& f) { return readEye(v, f.righteye); }},
    }};
    return readFields(value, frame, fields);
}

Read readCalibrationPoint(od::value value, CalibrationPoint& point)
{
    using P = CalibrationPoint;
    static constexpr std::array<Field<P>, 3> acd{{
        {"ad", [](od::value v, P& p) { return readFloat(v, p.ad); }},
        {"adl", [](od::value v, P& p) { return readFloat(v, p.adl); }},
        {"adr", [](od::value v, P& p) { return readFloat(v, p.adr); }},
    }};
    static constexpr std::array<Field<P>, 3> mepix{{
        {"mep", [](od::value v, P& p) { return readFloat(v, p.mep); }},
        {"mepl", [](od::value v, P& p) { return readFloat(v, p.mepl); }},
        {"mepr", [](od::value v, P& p) { return readFloat(v, p.mepr); }},
    }};
    static constexpr std::array<Field<P>, 3> asdp{{
        {"asd", [](od::value v, P& p) { return readFloat(v, p.asd); }},
        {"asdl", [](od::value v, P& p) { return readFloat(v, p.asdl); }},
        {"asdr", [](od::value v, P& p) { return readFloat(v, p.asdr); }},
    }};
    static constexpr std::array<Field<P>, 6> fields{{
        {"state", [](od::value v, P& p) { return readInt(v, p.state); }},
        {"cp", [](od::value v, P& p) { return readPoint(v, p.cp); }},
        {"mecp", [](od::value v, P& p) { return readPoint(v, p.mecp); }},
        {"acd", [](od::value v, P& p) { return readFields(v, p, acd); }},
        {"mepix", [](od::value v, P& p) { return readFields(v, p, mepix); }},
        {"asdp", [](od::value v, P& p) { return readFields(v, p, asdp); }},
    }};
    return readFields(value, point, fields);
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
    using R = CalibrationResult;
    static constexpr std::array<Field<R>, 5> fields{{
        {"result", [](od::value v, R& r) { return readBool(v, r.result); }},
        {"deg", [](od::value v, R& r) { return readFloat(v, r.deg); }},
        {"degl", [](od::value v, R& r) { return readFloat(v, r.degl); }},
        {"degr", [](od::value v, R& r) { return readFloat(v, r.degr); }},
        {"calibpoints", [](od::value v, R& r) { return readCalibrationPoints(v, r.calibpoints); }},
    }};
    result.clear();
    return readFields(value, result, fields);
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
    using S = ValueSet;
    static constexpr std::array<Field<S>, 12> simple{{
        {"push", [](od::value v, S& s) { return readBool(v, s.values.push); }},
        {"heartbeatinterval", [](od::value v, S& s) { return readInt(v, s.values.heartbeatinterval); }},
        {"version", [](od::value v, S& s) { return readInt(v, s.values.version); }},
        {"trackerstate", [](od::value v, S& s) { return readInt(v, s.values.trackerstate); }},
        {"framerate", [](od::value v, S& s) { return readInt(v, s.values.framerate); }},
        {"iscalibrated", [](od::value v, S& s) { return readBool(v, s.values.iscalibrated); }},
        {"iscalibrating", [](od::value v, S& s) { return readBool(v, s.values.iscalibrating); }},
        {"screenindex", [](od::value v, S& s) { return readInt(v, s.screen.screenindex); }},
        {"screenresw", [](od::value v, S& s) { return readInt(v, s.screen.screenresw); }},
        {"screenresh", [](od::value v, S& s) { return readInt(v, s.screen.screenresh); }},
        {"screenpsyw", [](od::value v, S& s) { return readFloat(v, s.screen.screenpsyw); }},
        {"screenpsyh", [](od::value v, S& s) { return readFloat(v, s.screen.screenpsyh); }},
    }};
    Read read = Read::good;
    if (key == "frame") {
        walk.framePresent = true;
        GazeFrame frame;
        read = readFrame(value, frame);
        if (read == Read::good) {
            set.frame = frame;
            set.framePresent = true;
        }
    } else if (key == "calibresult") {
        CalibrationResult calibration;
        read = readCalibration(value, calibration);
        if (read == Read::good) {
            set.calibration = std::move(calibration);
            walk.calibrationFound = true;
        }
        walk.carriesValues = true;
    } else {
        const auto field =
            std::find_if(simple.begin(), simple.end(), [key](const Field<S>& f) { return f.key == key; });
        if (field == simple.end())
            return Read::good; // not ours to read
        read = field->read(value, set);
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

#include "recorder/gtl/MessageDecoder.h"

#include "recorder/gtl/JsonObjectMatcher.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cfloat>
#include <climits>
#include <cstdint>
#include <utility>

namespace gtl {

namespace {

using json = nlohmann::json;

// Where the reader is in the message: which record a key names a member of.
enum class Scope : std::uint8_t
{
    skip = 0, // nothing in here is read
    root,
    values,
    frame,
    point, // x and y
    eye,
    calibration,
    calibpoints,
    calibpoint,
    triple, // "acd", "mepix" or "asdp" of a calibration point
};

// Which completeness mask a member counts in.
enum class Group : std::uint8_t
{
    values = 0, // optional members of "values", each on its own
    frame,
    calibration,
    calibpoint,
};

// Members with more to them than storing a value.
enum class Special : std::uint8_t
{
    none = 0,
    category,
    statuscode,
    request,
    values,
    frame,
    calibresult,
};

// What the next value is expected to be and where it goes.
struct Slot
{
    enum Kind : std::uint8_t
    {
        none = 0,
        boolean,
        integer,
        real,
        text,
        object,
        array,
    };
    Kind kind = none;
    Scope opens = Scope::skip; // for objects and arrays
    Group group = Group::values;
    Special special = Special::none;
    std::uint8_t bit = 0;      // in the group's completeness mask
    std::uint8_t which = 0;    // for triples: acd, mepix, asdp
    void* target = nullptr;    // a bool, int or float; for objects the record they fill
    const char* key = nullptr; // for the skipped list
};

struct Level
{
    Scope scope = Scope::skip;
    Group group = Group::values;
    std::uint8_t bit = 0;
    std::uint8_t which = 0;
    void* record = nullptr;
};

constexpr std::uint32_t frameComplete = (1u << 21) - 1;      // 21 words
constexpr std::uint32_t calibrationComplete = (1u << 5) - 1; // result, three errors, points
constexpr std::uint32_t calibpointComplete = (1u << 14) - 1; // state, two points, three triples

// Reads one message as the JSON parser walks it, writing each value straight
// into its record. The depth is bounded before parsing starts, so the level
// stack never grows past that bound.
class Reader
{
public:
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    Reader(ValueSet& set, std::vector<std::string>& skipped) : set_(set), skipped_(skipped) {}

    bool null() { return scalar(Slot::none, {}); }
    bool boolean(bool value) { return scalar(Slot::boolean, Value{value}); }
    bool number_integer(number_integer_t value) { return scalar(Slot::integer, Value{false, value}); }
    bool number_unsigned(number_unsigned_t value)
    {
        return value > static_cast<std::uint64_t>(INT64_MAX)
                   ? scalar(Slot::real, Value{false, 0, static_cast<double>(value)})
                   : scalar(Slot::integer, Value{false, static_cast<std::int64_t>(value)});
    }
    bool number_float(number_float_t value, const string_t&)
    {
        return scalar(Slot::real, Value{false, 0, value});
    }
    bool string(string_t& value) { return scalar(Slot::text, Value{false, 0, 0, value}); }
    bool binary(binary_t&) { return scalar(Slot::none, {}); }
    bool start_object(std::size_t) { return open(Slot::object); }
    bool start_array(std::size_t) { return open(Slot::array); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }
    bool key(string_t& name)
    {
        pending_ = slotFor(levels_[depth_ - 1], name);
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

    MessageCategory category = MessageCategory::unknown;
    std::int64_t statuscode = 0;
    bool requestPresent = false;
    RequestKind request = RequestKind::unknown;
    bool valuesPresent = false;
    bool framePresent = false;  // the key, whatever its value
    bool carriesValues = false; // a member besides "frame", whatever its value
    int usable = 0;
    bool calibrationFound = false;

private:
    struct Value
    {
        bool flag = false;
        std::int64_t integer = 0;
        double real = 0;
        std::string_view text;
    };

    Slot take()
    {
        if (depth_ == 0)
            return {};
        const Level& top = levels_[depth_ - 1];
        if (top.scope == Scope::calibpoints) {
            Slot element;
            element.kind = Slot::object;
            element.opens = Scope::calibpoint;
            element.group = Group::calibration;
            return element;
        }
        return std::exchange(pending_, Slot{});
    }

    static bool store(const Slot& slot, Slot::Kind kind, const Value& value)
    {
        switch (slot.kind) {
        case Slot::boolean:
            if (kind != Slot::boolean)
                return false;
            *static_cast<bool*>(slot.target) = value.flag;
            return true;
        case Slot::integer:
            if (kind != Slot::integer || value.integer < INT_MIN || value.integer > INT_MAX)
                return false;
            *static_cast<int*>(slot.target) = static_cast<int>(value.integer);
            return true;
        case Slot::real: {
            const double number = kind == Slot::integer ? static_cast<double>(value.integer) : value.real;
            if ((kind != Slot::integer && kind != Slot::real) || !(number >= -FLT_MAX && number <= FLT_MAX))
                return false;
            *static_cast<float*>(slot.target) = static_cast<float>(number);
            return true;
        }
        default:
            return false;
        }
    }

    bool scalar(Slot::Kind kind, const Value& value)
    {
        if (depth_ == 0)
            return false; // the message is not an object
        const Slot slot = take();
        switch (slot.special) {
        case Special::category:
            category = kind == Slot::text ? messageCategory(value.text) : MessageCategory::unknown;
            return true;
        case Special::statuscode:
            statuscode = kind == Slot::integer ? value.integer : 0;
            return true;
        case Special::request:
            requestPresent = true;
            request = kind == Slot::text ? requestKind(value.text) : RequestKind::unknown;
            return true;
        case Special::values:
            valuesPresent = true;
            return true;
        default:
            break;
        }
        if (slot.kind == Slot::none)
            return true;
        counted(slot, store(slot, kind, value));
        return true;
    }

    bool open(Slot::Kind kind)
    {
        if (depth_ == levels_.size())
            return false; // cannot happen after the depth check; refused all the same
        if (depth_ == 0) {
            if (kind != Slot::object)
                return false;
            levels_[depth_++] = {Scope::root};
            return true;
        }
        const Slot slot = take();
        if (slot.special == Special::values) {
            valuesPresent = true;
            levels_[depth_++] = {kind == Slot::object ? Scope::values : Scope::skip};
            return true;
        }
        if (slot.kind != kind) {
            if (slot.kind != Slot::none)
                counted(slot, false);
            levels_[depth_++] = {Scope::skip};
            return true;
        }
        Level level{slot.opens, slot.group, slot.bit, slot.which, slot.target};
        switch (slot.opens) {
        case Scope::frame:
            frameSeen_ = 0;
            frameBad_ = false;
            break;
        case Scope::calibration:
            calibrationSeen_ = 0;
            calibrationBad_ = false;
            set_.calibration.clear();
            break;
        case Scope::calibpoint:
            pointSeen_ = 0;
            level.record = &set_.calibration.calibpoints.emplace_back();
            break;
        default:
            break;
        }
        levels_[depth_++] = level;
        return true;
    }

    bool close()
    {
        const Level level = levels_[--depth_];
        switch (level.scope) {
        case Scope::frame: {
            const bool complete = !frameBad_ && frameSeen_ == frameComplete;
            set_.framePresent = complete;
            closedRecord("frame", complete);
            break;
        }
        case Scope::calibration: {
            const bool complete = !calibrationBad_ && calibrationSeen_ == calibrationComplete;
            calibrationFound = complete;
            closedRecord("calibresult", complete);
            break;
        }
        case Scope::calibpoints:
            calibrationSeen_ |= 1u << level.bit;
            break;
        case Scope::calibpoint:
            if (pointSeen_ != calibpointComplete)
                calibrationBad_ = true;
            break;
        default:
            break;
        }
        return true;
    }

    void closedRecord(const char* key, bool complete)
    {
        if (complete)
            ++usable;
        else
            skipped_.emplace_back(key);
    }

    // Notes a member read (good) or one of an unexpected shape.
    void counted(const Slot& slot, bool good)
    {
        switch (slot.group) {
        case Group::values:
            if (good)
                ++usable;
            else
                skipped_.emplace_back(slot.key);
            break;
        case Group::frame:
            if (good)
                frameSeen_ |= 1u << slot.bit;
            else
                frameBad_ = true;
            break;
        case Group::calibration:
            if (good)
                calibrationSeen_ |= 1u << slot.bit;
            else
                calibrationBad_ = true;
            break;
        case Group::calibpoint:
            if (good)
                pointSeen_ |= 1u << slot.bit;
            else
                calibrationBad_ = true;
            break;
        }
    }

    Slot slotFor(const Level& level, std::string_view name);
    Slot valuesSlot(std::string_view name);

    ValueSet& set_;
    std::vector<std::string>& skipped_;
    std::array<Level, maxMessageNesting + 1> levels_{};
    std::size_t depth_ = 0;
    Slot pending_;
    std::uint32_t frameSeen_ = 0;
    bool frameBad_ = false;
    std::uint32_t calibrationSeen_ = 0;
    bool calibrationBad_ = false;
    std::uint32_t pointSeen_ = 0;
};

Slot scalarSlot(Slot::Kind kind, void* target, Group group, std::uint8_t bit, const char* key = nullptr)
{
    Slot slot;
    slot.kind = kind;
    slot.target = target;
    slot.group = group;
    slot.bit = bit;
    slot.key = key;
    return slot;
}

Slot objectSlot(Scope opens, void* record, Group group, std::uint8_t bit, std::uint8_t which = 0)
{
    Slot slot;
    slot.kind = opens == Scope::calibpoints ? Slot::array : Slot::object;
    slot.opens = opens;
    slot.target = record;
    slot.group = group;
    slot.bit = bit;
    slot.which = which;
    return slot;
}

Slot special(Special which, Slot::Kind kind = Slot::none)
{
    Slot slot;
    slot.special = which;
    slot.kind = kind;
    return slot;
}

Slot Reader::valuesSlot(std::string_view name)
{
    TrackerValues& v = set_.values;
    ScreenSetup& s = set_.screen;
    const Group g = Group::values;
    struct Member
    {
        std::string_view name;
        Slot::Kind kind;
        void* target;
    };
    const Member members[] = {
        {"push", Slot::boolean, &v.push},
        {"heartbeatinterval", Slot::integer, &v.heartbeatinterval},
        {"version", Slot::integer, &v.version},
        {"trackerstate", Slot::integer, &v.trackerstate},
        {"framerate", Slot::integer, &v.framerate},
        {"iscalibrated", Slot::boolean, &v.iscalibrated},
        {"iscalibrating", Slot::boolean, &v.iscalibrating},
        {"screenindex", Slot::integer, &s.screenindex},
        {"screenresw", Slot::integer, &s.screenresw},
        {"screenresh", Slot::integer, &s.screenresh},
        {"screenpsyw", Slot::real, &s.screenpsyw},
        {"screenpsyh", Slot::real, &s.screenpsyh},
    };
    if (name == "frame") {
        framePresent = true;
        Slot slot = objectSlot(Scope::frame, &set_.frame, g, 0);
        slot.key = "frame";
        return slot;
    }
    carriesValues = carriesValues || name == "calibresult";
    if (name == "calibresult") {
        Slot slot = objectSlot(Scope::calibration, &set_.calibration, g, 0);
        slot.key = "calibresult";
        return slot;
    }
    for (const Member& member : members) {
        if (member.name == name) {
            carriesValues = true;
            Slot slot = scalarSlot(member.kind, member.target, g, 0);
            slot.key = member.name.data(); // the names above are literals, so null-terminated
            return slot;
        }
    }
    return {};
}

Slot Reader::slotFor(const Level& level, std::string_view name)
{
    switch (level.scope) {
    case Scope::root:
        if (name == "category")
            return special(Special::category);
        if (name == "statuscode")
            return special(Special::statuscode);
        if (name == "request")
            return special(Special::request);
        if (name == "values")
            return special(Special::values, Slot::object);
        return {};
    case Scope::values:
        return valuesSlot(name);
    case Scope::frame: {
        auto* frame = static_cast<GazeFrame*>(level.record);
        const Group g = Group::frame;
        if (name == "time")
            return scalarSlot(Slot::integer, &frame->time, g, 0);
        if (name == "fix")
            return scalarSlot(Slot::boolean, &frame->fix, g, 1);
        if (name == "state")
            return scalarSlot(Slot::integer, &frame->state, g, 2);
        if (name == "raw")
            return objectSlot(Scope::point, &frame->raw, g, 3);
        if (name == "avg")
            return objectSlot(Scope::point, &frame->avg, g, 5);
        if (name == "lefteye")
            return objectSlot(Scope::eye, &frame->lefteye, g, 7);
        if (name == "righteye")
            return objectSlot(Scope::eye, &frame->righteye, g, 14);
        return {};
    }
    case Scope::eye: {
        auto* eye = static_cast<EyeValues*>(level.record);
        const std::uint8_t b = level.bit;
        if (name == "raw")
            return objectSlot(Scope::point, &eye->raw, level.group, b);
        if (name == "avg")
            return objectSlot(Scope::point, &eye->avg, level.group, b + 2);
        if (name == "psize")
            return scalarSlot(Slot::real, &eye->psize, level.group, b + 4);
        if (name == "pcenter")
            return objectSlot(Scope::point, &eye->pcenter, level.group, b + 5);
        return {};
    }
    case Scope::point: {
        auto* point = static_cast<Point2f*>(level.record);
        if (name == "x")
            return scalarSlot(Slot::real, &point->x, level.group, level.bit);
        if (name == "y")
            return scalarSlot(Slot::real, &point->y, level.group, level.bit + 1);
        return {};
    }
    case Scope::calibration: {
        auto* result = static_cast<CalibrationResult*>(level.record);
        const Group g = Group::calibration;
        if (name == "result")
            return scalarSlot(Slot::boolean, &result->result, g, 0);
        if (name == "deg")
            return scalarSlot(Slot::real, &result->deg, g, 1);
        if (name == "degl")
            return scalarSlot(Slot::real, &result->degl, g, 2);
        if (name == "degr")
            return scalarSlot(Slot::real, &result->degr, g, 3);
        if (name == "calibpoints")
            return objectSlot(Scope::calibpoints, result, g, 4);
        return {};
    }
    case Scope::calibpoint: {
        auto* point = static_cast<CalibrationPoint*>(level.record);
        const Group g = Group::calibpoint;
        if (name == "state")
            return scalarSlot(Slot::integer, &point->state, g, 0);
        if (name == "cp")
            return objectSlot(Scope::point, &point->cp, g, 1);
        if (name == "mecp")
            return objectSlot(Scope::point, &point->mecp, g, 3);
        if (name == "acd")
            return objectSlot(Scope::triple, point, g, 5, 0);
        if (name == "mepix")
            return objectSlot(Scope::triple, point, g, 8, 1);
        if (name == "asdp")
            return objectSlot(Scope::triple, point, g, 11, 2);
        return {};
    }
    case Scope::triple: {
        auto* point = static_cast<CalibrationPoint*>(level.record);
        static constexpr std::string_view names[3][3] = {
            {"ad", "adl", "adr"}, {"mep", "mepl", "mepr"}, {"asd", "asdl", "asdr"}};
        float* targets[3][3] = {{&point->ad, &point->adl, &point->adr},
                                {&point->mep, &point->mepl, &point->mepr},
                                {&point->asd, &point->asdl, &point->asdr}};
        for (std::uint8_t i = 0; i < 3; ++i)
            if (names[level.which][i] == name)
                return scalarSlot(Slot::real, targets[level.which][i], level.group, level.bit + i);
        return {};
    }
    case Scope::calibpoints:
    case Scope::skip:
        return {};
    }
    return {};
}

std::optional<DecodedMessage> decode(std::string_view text, const TrackerValues& currentValues,
                                     const ScreenSetup& currentScreen, DropReason& dropped)
{
    // The parser stops at the end of the first object, so bytes after it (a line
    // break, or junk) do not matter; bytes before it are passed over.
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
    Reader reader(set, out.skipped);
    if (!json::sax_parse(object.begin(), object.end(), &reader, json::input_format_t::json, false)) {
        dropped = DropReason::not_json;
        return std::nullopt;
    }

    out.category = reader.category;
    if (out.category == MessageCategory::unknown) {
        dropped = DropReason::no_effect;
        return std::nullopt;
    }
    out.statuscode =
        reader.statuscode < INT_MIN || reader.statuscode > INT_MAX ? 0 : static_cast<int>(reader.statuscode);
    out.status = statusKind(out.statuscode);
    if (out.status == StatusKind::none) {
        dropped = DropReason::no_effect;
        return std::nullopt;
    }
    if (out.status != StatusKind::ok)
        return out;
    if (out.category == MessageCategory::heartbeat || !reader.requestPresent) {
        dropped = DropReason::no_effect;
        return std::nullopt;
    }
    out.request = reader.request;

    if (out.category == MessageCategory::tracker && out.request == RequestKind::get) {
        // A pushed frame that did not decode is only a skipped frame; an answer
        // with nothing usable in it must not pass for an answer.
        if (!reader.valuesPresent || (reader.usable == 0 && !reader.framePresent)) {
            out.status = StatusKind::error;
            return out;
        }
        set.calibrationPresent = reader.calibrationFound;
        set.answersRequest = reader.carriesValues;
        out.valueSet = std::move(set);
    } else if (out.category == MessageCategory::calibration && out.request == RequestKind::pointend) {
        if (!reader.valuesPresent)
            out.calibrationOutcome = CalibrationOutcome::absent;
        else if (reader.calibrationFound)
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

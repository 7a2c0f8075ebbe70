#include "sim/eyetribe/TrackerModel.h"

#include <cmath>
#include <ctime>
#include <numbers>
#include <sstream>

namespace sim {

namespace {

// About 40 pixels per degree of visual angle on a desktop screen at 60 cm.
constexpr float pixelsPerDegree = 40;
// A calibration this far off on average is reported as failed.
constexpr float failingErrorDeg = 2.0f;

std::ostringstream jsonStream()
{
    std::ostringstream out;
    out.imbue(std::locale::classic());
    return out;
}

const char* boolText(bool value)
{
    return value ? "true" : "false";
}

void writePoint(std::ostream& out, const char* key, float x, float y)
{
    out << '"' << key << R"(":{"x":)" << x << R"(,"y":)" << y << '}';
}

void writeCalibration(std::ostream& out, const Calibration& result)
{
    out << R"("calibresult":{"result":)" << boolText(result.result) << R"(,"deg":)" << result.deg
        << R"(,"degl":)" << result.degl << R"(,"degr":)" << result.degr << R"(,"calibpoints":[)";
    for (std::size_t i = 0; i < result.points.size(); ++i) {
        const CalibrationPoint& p = result.points[i];
        out << (i ? "," : "") << R"({"state":)" << p.state << ',';
        writePoint(out, "cp", p.cpx, p.cpy);
        out << ',';
        writePoint(out, "mecp", p.mecpx, p.mecpy);
        out << R"(,"acd":{"ad":)" << p.ad << R"(,"adl":)" << p.adl << R"(,"adr":)" << p.adr << '}'
            << R"(,"mepix":{"mep":)" << p.mep << R"(,"mepl":)" << p.mepl << R"(,"mepr":)" << p.mepr << '}'
            << R"(,"asdp":{"asd":)" << p.asd << R"(,"asdl":)" << p.asdl << R"(,"asdr":)" << p.asdr << "}}";
    }
    out << "]}";
}

std::string reply(const std::string& category, const std::string& request, int statuscode,
                  const std::string& values = {})
{
    std::string text = R"({"category":")" + category + '"';
    if (!request.empty())
        text += R"(,"request":")" + request + '"';
    text += R"(,"statuscode":)" + std::to_string(statuscode);
    if (!values.empty())
        text += R"(,"values":{)" + values + '}';
    return text + '}';
}

std::string errorReply(const std::string& category, const std::string& request, int statuscode,
                       const std::string& message)
{
    return reply(category, request, statuscode, R"("statusmessage":")" + message + '"');
}

} // namespace

namespace {

// Keys of the tracker category, how a "set" may give them, and whether it may.
struct TrackerKey
{
    std::string_view name;
    enum class Type
    {
        boolean,
        integer,
        number,
        other,
    } type;
    bool settable;
};

constexpr TrackerKey trackerKeys[] = {
    {"push", TrackerKey::Type::boolean, true},
    {"heartbeatinterval", TrackerKey::Type::integer, false},
    {"version", TrackerKey::Type::integer, true},
    {"trackerstate", TrackerKey::Type::integer, false},
    {"framerate", TrackerKey::Type::integer, false},
    {"iscalibrated", TrackerKey::Type::boolean, false},
    {"iscalibrating", TrackerKey::Type::boolean, false},
    {"calibresult", TrackerKey::Type::other, false},
    {"frame", TrackerKey::Type::other, false},
    {"screenindex", TrackerKey::Type::integer, true},
    {"screenresw", TrackerKey::Type::integer, true},
    {"screenresh", TrackerKey::Type::integer, true},
    {"screenpsyw", TrackerKey::Type::number, true},
    {"screenpsyh", TrackerKey::Type::number, true},
};

const TrackerKey* trackerKey(std::string_view name)
{
    for (const TrackerKey& key : trackerKeys)
        if (key.name == name)
            return &key;
    return nullptr;
}

bool hasType(const JsonValue& value, TrackerKey::Type type)
{
    switch (type) {
    case TrackerKey::Type::boolean:
        return value.isBool();
    case TrackerKey::Type::integer:
        return value.isInt();
    case TrackerKey::Type::number:
        return value.isNumber();
    case TrackerKey::Type::other:
        return false;
    }
    return false;
}

} // namespace

TrackerModel::TrackerModel(const ServerOptions& options, GazePath path)
    : options_(options), path_(std::move(path)), trackerState_(options.trackerState), random_(options.seed)
{
    screen_ = {0, options.screenWidth, options.screenHeight, options.screenPhysicalWidth,
               options.screenPhysicalHeight};
}

std::string TrackerModel::malformed()
{
    return errorReply("tracker", "", 400, "malformed request");
}

std::string TrackerModel::notice()
{
    return R"({"category":"tracker","request":"get","statuscode":200,"values":{}})";
}

TrackerModel::Outcome TrackerModel::handle(std::string_view request, Client& client, int nowMs)
{
    std::string error;
    const auto tree = parseJson(request, error);
    if (!tree || tree->type != JsonValue::Type::object)
        return {malformed()};
    const JsonValue* categoryValue = tree->member("category");
    const JsonValue* requestValue = tree->member("request");
    if (!categoryValue || categoryValue->type != JsonValue::Type::string ||
        (requestValue && requestValue->type != JsonValue::Type::string))
        return {malformed()};
    const std::string& category = categoryValue->text;
    const std::string kind = requestValue ? requestValue->text : std::string();
    const JsonValue* values = tree->member("values");
    if (category == "heartbeat")
        return {reply("heartbeat", "", 200), true};
    if (category == "tracker")
        return handleTracker(kind, values, client);
    if (category == "calibration")
        return handleCalibration(kind, values);
    if (category == "movie")
        return handleMovie(kind, values, nowMs);
    return {errorReply(category, kind, 400, "unknown category")};
}

TrackerModel::Outcome TrackerModel::handleTracker(const std::string& kind, const JsonValue* values,
                                                  Client& client)
{
    if (kind == "get") {
        if (!values || values->type != JsonValue::Type::array)
            return {errorReply("tracker", kind, 400, "values must be a list of keys")};
        return handleGet(*values, client);
    }
    if (kind == "set") {
        if (!values || values->type != JsonValue::Type::object)
            return {errorReply("tracker", kind, 400, "values must be an object")};
        return handleSet(*values, client);
    }
    return {errorReply("tracker", kind, 400, "unknown request")};
}

TrackerModel::Outcome TrackerModel::handleGet(const JsonValue& values, Client& client)
{
    if (options_.refuseGet)
        return {errorReply("tracker", "get", 403, "get refused")};
    for (const JsonValue& item : values.items)
        if (item.type != JsonValue::Type::string || !trackerKey(item.text))
            return {errorReply("tracker", "get", 400, "unknown key")};
    std::ostringstream out = jsonStream();
    bool first = true;
    for (const JsonValue& item : values.items) {
        const std::string& key = item.text;
        std::ostringstream value = jsonStream();
        if (key == "push")
            value << boolText(client.push);
        else if (key == "heartbeatinterval")
            value << options_.announcedHeartbeatIntervalMs.value_or(options_.heartbeatIntervalMs);
        else if (key == "version")
            value << client.version;
        else if (key == "trackerstate")
            value << trackerState_;
        else if (key == "framerate")
            value << options_.framerate;
        else if (key == "iscalibrated")
            value << boolText(calibrated());
        else if (key == "iscalibrating")
            value << boolText(calibrating_);
        else if (key == "frame")
            value << frameObject();
        else if (key == "screenindex")
            value << screen_.index;
        else if (key == "screenresw")
            value << screen_.width;
        else if (key == "screenresh")
            value << screen_.height;
        else if (key == "screenpsyw")
            value << screen_.physicalWidth;
        else if (key == "screenpsyh")
            value << screen_.physicalHeight;
        else if (key == "calibresult" && !options_.calibresultText.empty())
            value << options_.calibresultText;
        else if (key == "calibresult" && calibration_) {
            out << (first ? "" : ",");
            writeCalibration(out, *calibration_);
            first = false;
            continue;
        } else
            continue;
        out << (first ? "" : ",") << '"' << key << R"(":)" << value.str();
        first = false;
    }
    Outcome outcome{reply("tracker", "get", 200, out.str())};
    outcome.get = true;
    return outcome;
}

TrackerModel::Outcome TrackerModel::handleSet(const JsonValue& values, Client& client)
{
    // Everything is checked before anything changes: a refused set changes nothing.
    for (const auto& [name, value] : values.members) {
        const TrackerKey* key = trackerKey(name);
        if (!key)
            return {errorReply("tracker", "set", 400, "unknown key " + name)};
        if (!key->settable)
            return {errorReply("tracker", "set", 403, name + " is read-only")};
        if (!hasType(value, key->type))
            return {errorReply("tracker", "set", 400, "wrong type of " + name)};
        if (name == "version" && value.number != 1)
            return {errorReply("tracker", "set", 403, "unsupported version")};
    }
    Screen screen = screen_;
    for (const auto& [name, value] : values.members) {
        if (name == "push")
            client.push = value.flag;
        else if (name == "version")
            client.version = static_cast<int>(value.number);
        else if (name == "screenindex")
            screen.index = static_cast<int>(value.number);
        else if (name == "screenresw")
            screen.width = static_cast<int>(value.number);
        else if (name == "screenresh")
            screen.height = static_cast<int>(value.number);
        else if (name == "screenpsyw")
            screen.physicalWidth = static_cast<float>(value.number);
        else if (name == "screenpsyh")
            screen.physicalHeight = static_cast<float>(value.number);
    }
    const bool screenChanged = !(screen == screen_);
    screen_ = screen;
    return {reply("tracker", "set", 200), false, screenChanged ? display_changed : no_change};
}

TrackerModel::Outcome TrackerModel::handleCalibration(const std::string& kind, const JsonValue* values)
{
    if (kind == "start") {
        if (calibrating_)
            return {errorReply("calibration", kind, 403, "calibration already running")};
        const JsonValue* count = values ? values->member("pointcount") : nullptr;
        if (!count || !count->isInt())
            return {errorReply("calibration", kind, 400, "pointcount missing")};
        const int points = static_cast<int>(count->number);
        if (points < minCalibrationPoints || points > maxCalibrationPoints)
            return {errorReply("calibration", kind, 403,
                               "pointcount must be " + std::to_string(minCalibrationPoints) + " to " +
                                   std::to_string(maxCalibrationPoints))};
        calibrating_ = true;
        pointCount_ = points;
        activePoint_.reset();
        calibrationPoints_.clear();
        return {reply("calibration", kind, 200), false, calibration_changed};
    }
    if (kind == "pointstart") {
        if (!calibrating_ || activePoint_)
            return {errorReply("calibration", kind, 403, "no point expected")};
        const JsonValue* x = values ? values->member("x") : nullptr;
        const JsonValue* y = values ? values->member("y") : nullptr;
        if (!x || !y || !x->isNumber() || !y->isNumber())
            return {errorReply("calibration", kind, 400, "x and y missing")};
        activePoint_ = {static_cast<float>(x->number), static_cast<float>(y->number)};
        return {reply("calibration", kind, 200)};
    }
    if (kind == "pointend") {
        if (!calibrating_ || !activePoint_)
            return {errorReply("calibration", kind, 403, "no point started")};
        calibrationPoints_.push_back(*activePoint_);
        activePoint_.reset();
        if (static_cast<int>(calibrationPoints_.size()) < pointCount_)
            return {reply("calibration", kind, 200)};
        calibration_ = computeCalibration();
        calibrating_ = false;
        std::ostringstream out = jsonStream();
        writeCalibration(out, *calibration_);
        return {reply("calibration", kind, 200, out.str()), false, calibration_changed};
    }
    if (kind == "abort") {
        const bool wasCalibrating = calibrating_;
        calibrating_ = false;
        activePoint_.reset();
        calibrationPoints_.clear();
        return {reply("calibration", kind, 200), false, wasCalibrating ? calibration_changed : no_change};
    }
    if (kind == "clear") {
        calibration_.reset();
        return {reply("calibration", kind, 200), false, calibration_changed};
    }
    return {errorReply("calibration", kind, 400, "unknown request")};
}

Calibration TrackerModel::computeCalibration()
{
    std::uniform_real_distribution<float> spread(0.8f, 1.2f);
    std::uniform_real_distribution<float> direction(0, 2 * std::numbers::pi_v<float>);
    Calibration result;
    const auto error = static_cast<float>(options_.calibrationErrorDeg);
    for (const auto& [shownX, shownY] : calibrationPoints_) {
        CalibrationPoint point;
        point.state = 2; // enough data at this point
        point.cpx = shownX;
        point.cpy = shownY;
        point.ad = error * spread(random_);
        point.adl = point.ad * spread(random_);
        point.adr = point.ad * spread(random_);
        const float angle = direction(random_);
        point.mep = point.ad * pixelsPerDegree;
        point.mepl = point.adl * pixelsPerDegree;
        point.mepr = point.adr * pixelsPerDegree;
        point.mecpx = shownX + point.mep * std::cos(angle);
        point.mecpy = shownY + point.mep * std::sin(angle);
        point.asd = point.ad / 2;
        point.asdl = point.adl / 2;
        point.asdr = point.adr / 2;
        result.deg += point.ad;
        result.degl += point.adl;
        result.degr += point.adr;
        result.points.push_back(point);
    }
    const auto count = static_cast<float>(result.points.size());
    result.deg /= count;
    result.degl /= count;
    result.degr /= count;
    result.result = result.deg < failingErrorDeg;
    return result;
}

bool TrackerModel::setTrackerState(int state)
{
    if (state == trackerState_)
        return false;
    trackerState_ = state;
    return true;
}

std::string TrackerModel::notification(Change change)
{
    const int code = change == calibration_changed ? 800 : change == display_changed ? 801 : 802;
    return reply("tracker", "", code);
}

TrackerModel::Outcome TrackerModel::handleMovie(const std::string& kind, const JsonValue* values, int nowMs)
{
    const JsonValue* time =
        values && values->type == JsonValue::Type::object ? values->member("time") : nullptr;
    if (kind != "set" || !time || time->type != JsonValue::Type::number || !std::isfinite(time->number) ||
        std::fabs(time->number) > 1e9)
        return {errorReply("movie", kind, 400, "expected set with a time in ms")};
    movieOffsetMs_ = std::llround(time->number) - nowMs;
    return {reply("movie", "set", 200)};
}

std::string TrackerModel::nextFrameMessage(int timeMs)
{
    if (!path_.empty()) {
        if (movieOffsetMs_) {
            // Rounded down, also before the movie's start, so that no frame is shown twice.
            const long long frames = static_cast<long long>(
                std::floor(static_cast<double>(timeMs + *movieOffsetMs_) * options_.framerate / 1000));
            const auto size = static_cast<long long>(path_.size());
            frameIndex_ = static_cast<std::size_t>((frames % size + size) % size);
        }
        sample_ = path_.at(frameIndex_++);
        // The synthetic viewer watches whatever screen the client has set up; replayed files stay as written.
        if (options_.gazeFile.empty() && options_.screenWidth > 0 && options_.screenHeight > 0) {
            sample_.x *= static_cast<float>(screen_.width) / static_cast<float>(options_.screenWidth);
            sample_.y *= static_cast<float>(screen_.height) / static_cast<float>(options_.screenHeight);
        }
        // The smoothed point follows the raw one with a short exponential lag.
        if (sample_.tracked) {
            const bool restart = avgX_ == 0 && avgY_ == 0;
            avgX_ = restart ? sample_.x : avgX_ + 0.3f * (sample_.x - avgX_);
            avgY_ = restart ? sample_.y : avgY_ + 0.3f * (sample_.y - avgY_);
        } else {
            avgX_ = avgY_ = 0;
        }
    }
    frameTimeMs_ = timeMs;
    return reply("tracker", "get", 200, R"("frame":)" + frameObject());
}

std::string TrackerModel::frameObject() const
{
    const GazeSample& s = sample_;
    // Gaze, eyes and presence found; during a blink only presence.
    const int state = s.tracked ? 7 : 4;
    const float rawX = s.tracked ? s.x : 0, rawY = s.tracked ? s.y : 0;
    const float psize = s.tracked ? s.pupilSize : 0;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    std::ostringstream out = jsonStream();
    out << R"({"timestamp":")" << stamp << R"(","time":)" << frameTimeMs_ << R"(,"fix":)"
        << boolText(s.fixation) << R"(,"state":)" << state << ',';
    writePoint(out, "raw", rawX, rawY);
    out << ',';
    writePoint(out, "avg", avgX_, avgY_);
    for (const char* eye : {"lefteye", "righteye"}) {
        const float side = eye[0] == 'l' ? -1.0f : 1.0f;
        out << R"(,")" << eye << R"(":{)";
        writePoint(out, "raw", s.tracked ? rawX + side * 4 : 0, rawY);
        out << ',';
        writePoint(out, "avg", s.tracked ? avgX_ + side * 4 : 0, avgY_);
        out << R"(,"psize":)" << psize << ',';
        writePoint(out, "pcenter", s.tracked ? 0.5f + side * 0.1f : 0, s.tracked ? 0.5f : 0);
        out << '}';
    }
    out << '}';
    return out.str();
}

} // namespace sim

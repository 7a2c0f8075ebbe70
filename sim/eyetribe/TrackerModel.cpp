#include "sim/eyetribe/TrackerModel.h"

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <cmath>
#include <ctime>
#include <numbers>
#include <sstream>

namespace sim {

namespace {

using boost::property_tree::ptree;

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

void writeCalibration(std::ostream& out, const gtl::CalibrationResult& result)
{
    out << R"("calibresult":{"result":)" << boolText(result.result) << R"(,"deg":)" << result.deg
        << R"(,"degl":)" << result.degl << R"(,"degr":)" << result.degr << R"(,"calibpoints":[)";
    for (std::size_t i = 0; i < result.calibpoints.size(); ++i) {
        const gtl::CalibrationPoint& p = result.calibpoints[i];
        out << (i ? "," : "") << R"({"state":)" << p.state << ',';
        writePoint(out, "cp", p.cp.x, p.cp.y);
        out << ',';
        writePoint(out, "mecp", p.mecp.x, p.mecp.y);
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

TrackerModel::TrackerModel(const ServerOptions& options, GazePath path)
    : options_(options), path_(std::move(path)), trackerState_(options.trackerState), random_(options.seed)
{
    screen_ = {0, options.screenWidth, options.screenHeight, options.screenPhysicalWidth,
               options.screenPhysicalHeight};
}

TrackerModel::Outcome TrackerModel::handle(std::string_view request, Client& client)
{
    ptree tree;
    try {
        std::istringstream in{std::string(request)};
        boost::property_tree::read_json(in, tree);
    } catch (const boost::property_tree::ptree_error&) {
        return {errorReply("tracker", "", 400, "malformed request")};
    }
    const std::string category = tree.get<std::string>("category", "");
    const std::string kind = tree.get<std::string>("request", "");
    const auto values = tree.get_child_optional("values");
    const ptree* valuesTree = values ? &*values : nullptr;
    try {
        if (category == "heartbeat")
            return {reply("heartbeat", "", 200), true};
        if (category == "tracker")
            return handleTracker(kind, valuesTree, client);
        if (category == "calibration")
            return handleCalibration(kind, valuesTree);
    } catch (const boost::property_tree::ptree_error&) {
        return {errorReply(category, kind, 400, "bad values")};
    }
    return {errorReply(category.empty() ? "tracker" : category, kind, 400, "unknown category")};
}

TrackerModel::Outcome TrackerModel::handleTracker(const std::string& kind, const ptree* values,
                                                  Client& client)
{
    if (!values)
        return {errorReply("tracker", kind, 400, "values missing")};
    if (kind == "get") {
        std::ostringstream out = jsonStream();
        bool first = true;
        for (const auto& [unused, item] : *values) {
            const std::string key = item.data();
            std::ostringstream value = jsonStream();
            if (key == "push")
                value << boolText(client.push);
            else if (key == "heartbeatinterval")
                value << options_.heartbeatIntervalMs;
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
                value << screen_.screenindex;
            else if (key == "screenresw")
                value << screen_.screenresw;
            else if (key == "screenresh")
                value << screen_.screenresh;
            else if (key == "screenpsyw")
                value << screen_.screenpsyw;
            else if (key == "screenpsyh")
                value << screen_.screenpsyh;
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
        return {reply("tracker", "get", 200, out.str())};
    }
    if (kind == "set") {
        for (const char* readOnly : {"heartbeatinterval", "framerate", "trackerstate", "iscalibrated"})
            if (values->count(readOnly))
                return {errorReply("tracker", kind, 403, std::string(readOnly) + " is read-only")};
        if (const auto push = values->get_optional<bool>("push"))
            client.push = *push;
        if (const auto version = values->get_optional<int>("version")) {
            if (*version != 1)
                return {errorReply("tracker", kind, 403, "unsupported version")};
            client.version = *version;
        }
        gtl::ScreenSetup screen = screen_;
        screen.screenindex = values->get("screenindex", screen.screenindex);
        screen.screenresw = values->get("screenresw", screen.screenresw);
        screen.screenresh = values->get("screenresh", screen.screenresh);
        screen.screenpsyw = values->get("screenpsyw", screen.screenpsyw);
        screen.screenpsyh = values->get("screenpsyh", screen.screenpsyh);
        const bool screenChanged = !(screen == screen_);
        screen_ = screen;
        return {reply("tracker", "set", 200), false, screenChanged ? display_changed : no_change};
    }
    return {errorReply("tracker", kind, 400, "unknown request")};
}

TrackerModel::Outcome TrackerModel::handleCalibration(const std::string& kind, const ptree* values)
{
    if (kind == "start") {
        if (calibrating_)
            return {errorReply("calibration", kind, 403, "calibration already running")};
        const int count = values ? values->get("pointcount", 0) : 0;
        if (count < 1 || count > 64)
            return {errorReply("calibration", kind, 403, "pointcount must be 1 to 64")};
        calibrating_ = true;
        pointCount_ = count;
        activePoint_.reset();
        calibrationPoints_.clear();
        return {reply("calibration", kind, 200), false, calibration_changed};
    }
    if (kind == "pointstart") {
        if (!calibrating_ || activePoint_)
            return {errorReply("calibration", kind, 403, "no point expected")};
        if (!values)
            return {errorReply("calibration", kind, 400, "values missing")};
        activePoint_ = gtl::Point2f{values->get<float>("x"), values->get<float>("y")};
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

gtl::CalibrationResult TrackerModel::computeCalibration()
{
    std::uniform_real_distribution<float> spread(0.8f, 1.2f);
    std::uniform_real_distribution<float> direction(0, 2 * std::numbers::pi_v<float>);
    gtl::CalibrationResult result;
    const auto error = static_cast<float>(options_.calibrationErrorDeg);
    for (const gtl::Point2f& shown : calibrationPoints_) {
        gtl::CalibrationPoint point;
        point.state = 2; // enough data at this point
        point.cp = shown;
        point.ad = error * spread(random_);
        point.adl = point.ad * spread(random_);
        point.adr = point.ad * spread(random_);
        const float angle = direction(random_);
        point.mep = point.ad * pixelsPerDegree;
        point.mepl = point.adl * pixelsPerDegree;
        point.mepr = point.adr * pixelsPerDegree;
        point.mecp = {shown.x + point.mep * std::cos(angle), shown.y + point.mep * std::sin(angle)};
        point.asd = point.ad / 2;
        point.asdl = point.adl / 2;
        point.asdr = point.adr / 2;
        result.deg += point.ad;
        result.degl += point.adl;
        result.degr += point.adr;
        result.calibpoints.push_back(point);
    }
    const auto count = static_cast<float>(result.calibpoints.size());
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

std::string TrackerModel::nextFrameMessage(int timeMs)
{
    if (!path_.empty()) {
        sample_ = path_.at(frameIndex_++);
        // The synthetic viewer watches whatever screen the client has set up; replayed files stay as written.
        if (options_.gazeFile.empty() && options_.screenWidth > 0 && options_.screenHeight > 0) {
            sample_.x *= static_cast<float>(screen_.screenresw) / static_cast<float>(options_.screenWidth);
            sample_.y *= static_cast<float>(screen_.screenresh) / static_cast<float>(options_.screenHeight);
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

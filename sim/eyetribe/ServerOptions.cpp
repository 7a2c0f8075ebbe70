#include "sim/eyetribe/ServerOptions.h"

#include "common/OptionArguments.h"

#include <functional>
#include <map>

namespace sim {

namespace {

using OptionArguments::parseNumber;

bool parseDouble(const std::string& text, double& out, double min, double max)
{
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used != text.size() || !(value >= min && value <= max))
            return false;
        out = value;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

ParsedServerOptions parseServerOptions(const std::vector<std::string>& args)
{
    ParsedServerOptions parsed;
    ServerOptions& o = parsed.options;
    int port = o.port;
    int seed = static_cast<int>(o.seed);
    int physicalWidthMm = static_cast<int>(o.screenPhysicalWidth * 1000);
    int physicalHeightMm = static_cast<int>(o.screenPhysicalHeight * 1000);
    using Setter = std::function<bool(const std::string&)>;
    const std::map<std::string, Setter> setters = {
        {"--port", [&](const std::string& v) { return parseNumber(v, port, 0, 65535); }},
        {"--framerate", [&](const std::string& v) { return parseNumber(v, o.framerate, 1, 1000); }},
        {"--heartbeat-interval",
         [&](const std::string& v) { return parseNumber(v, o.heartbeatIntervalMs, 1, 3600000); }},
        {"--heartbeat-timeout",
         [&](const std::string& v) { return parseNumber(v, o.heartbeatTimeoutMs, 0, 3600000); }},
        {"--announce-heartbeat",
         [&](const std::string& v) {
             int announced = 0;
             const bool good = parseNumber(v, announced, -3600000, 3600000);
             o.announcedHeartbeatIntervalMs = announced;
             return good;
         }},
        {"--trackerstate", [&](const std::string& v) { return parseNumber(v, o.trackerState, 0, 1000); }},
        {"--seed", [&](const std::string& v) { return parseNumber(v, seed, 0, 1 << 30); }},
        {"--gaze-file",
         [&](const std::string& v) {
             o.gazeFile = v;
             return !v.empty();
         }},
        {"--script",
         [&](const std::string& v) {
             o.scriptFile = v;
             return !v.empty();
         }},
        {"--calibresult",
         [&](const std::string& v) {
             o.calibresultText = v;
             return !v.empty();
         }},
        {"--calibration-error",
         [&](const std::string& v) { return parseDouble(v, o.calibrationErrorDeg, 0, 90); }},
        {"--screen-width", [&](const std::string& v) { return parseNumber(v, o.screenWidth, 1, 100000); }},
        {"--screen-height", [&](const std::string& v) { return parseNumber(v, o.screenHeight, 1, 100000); }},
        {"--screen-width-mm",
         [&](const std::string& v) { return parseNumber(v, physicalWidthMm, 1, 100000); }},
        {"--screen-height-mm",
         [&](const std::string& v) { return parseNumber(v, physicalHeightMm, 1, 100000); }},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        if (arg == "--silent") {
            o.silent = true;
            continue;
        }
        if (arg == "--follow-ball") {
            o.followBall = true;
            continue;
        }
        if (arg == "--verbose") {
            o.verbose = true;
            continue;
        }
        if (arg == "--push-before-answer") {
            o.pushBeforeAnswer = true;
            continue;
        }
        if (arg == "--notice-before-answer") {
            o.noticeBeforeAnswer = true;
            continue;
        }
        if (arg == "--never-accept") {
            o.neverAccept = true;
            continue;
        }
        if (arg == "--close-on-accept") {
            o.closeOnAccept = true;
            continue;
        }
        if (arg == "--refuse-get") {
            o.refuseGet = true;
            continue;
        }
        const OptionArguments::Option option = OptionArguments::take(args, i);
        const auto setter = setters.find(option.name);
        if (setter == setters.end()) {
            parsed.error = "unknown option: " + arg;
            return parsed;
        }
        const std::string& value = option.value;
        if (!setter->second(value)) {
            parsed.error = "bad value in: " + arg + (option.separateValue ? " " + value : "");
            return parsed;
        }
    }
    o.port = static_cast<unsigned short>(port);
    o.seed = static_cast<unsigned>(seed);
    o.screenPhysicalWidth = physicalWidthMm / 1000.0f;
    o.screenPhysicalHeight = physicalHeightMm / 1000.0f;
    return parsed;
}

std::string serverUsage()
{
    return "Usage: EyeTribe [options]\n"
           "Stand-in for the EyeTribe tracker server on 127.0.0.1.\n"
           "  --port=N                 TCP port (default 6555; 0 picks a free one)\n"
           "  --framerate=N            frames per second pushed to clients (default 30)\n"
           "  --heartbeat-interval=MS  interval announced to clients (default 3000)\n"
           "  --heartbeat-timeout=MS   drop a client silent this long (default three intervals)\n"
           "  --trackerstate=N         tracker state at start (default 0, streaming)\n"
           "  --gaze-file=FILE         replay samples \"x;y[;psize]\" per frame, \"-\" for a blink\n"
           "  --seed=N                 seed of the synthetic viewer (default 1)\n"
           "  --follow-ball            the synthetic viewer follows the ball of demo-movie's movie, in\n"
           "                           movie time once a client sends {\"category\":\"movie\",\n"
           "                           \"request\":\"set\",\"values\":{\"time\":MS}}\n"
           "  --calibration-error=DEG  average calibration error (default 0.4)\n"
           "  --screen-width=PX --screen-height=PX --screen-width-mm=MM --screen-height-mm=MM\n"
           "  --script=FILE            timed events: \"MS trackerstate N\", \"MS drop\", \"MS raw TEXT\",\n"
           "                           \"MS split PARTS TEXT\", \"MS silent on|off\"\n"
           "  --silent                 accept connections but never answer\n"
           "  --announce-heartbeat=MS  announce this interval instead (0 or negative allowed)\n"
           "  --push-before-answer     push a frame ahead of every get answer\n"
           "  --notice-before-answer   send a get reply without values ahead of every get answer\n"
           "  --never-accept           listen, but never accept a connection\n"
           "  --close-on-accept        close every connection as soon as it is accepted\n"
           "  --refuse-get             answer every tracker get with an error\n"
           "  --calibresult=JSON       send this as \"calibresult\" instead (such as {} or null)\n"
           "  --verbose                print every request and reply\n";
}

} // namespace sim

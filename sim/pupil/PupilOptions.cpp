#include "sim/pupil/PupilOptions.h"

#include "common/OptionArguments.h"

#include <functional>
#include <map>

namespace sim {

namespace {

using OptionArguments::parseNumber;

} // namespace

ParsedPupilOptions parsePupilOptions(const std::vector<std::string>& args)
{
    ParsedPupilOptions parsed;
    PupilOptions& o = parsed.options;
    // Switches without a value.
    const std::map<std::string, std::function<void()>> switches = {
        {"--silent", [&] { o.silent = true; }},
        {"--low-confidence", [&] { o.lowConfidence = true; }},
        {"--off-surface", [&] { o.offSurface = true; }},
        {"--2d", [&] { o.threeD = false; }},
        {"--verbose", [&] { o.verbose = true; }},
        {"--follow-ball", [&] { o.followBall = true; }},
    };
    // Options with a value; each answers whether the value is good.
    int port = 0;
    const std::map<std::string, std::function<bool(const std::string&)>> valued = {
        {"--port",
         [&](const std::string& v) {
             return parseNumber(v, port, 0, 65535) &&
                    (o.remotePort = static_cast<unsigned short>(port), true);
         }},
        {"--publisher-port",
         [&](const std::string& v) {
             return parseNumber(v, port, 0, 65535) &&
                    (o.publisherPort = static_cast<unsigned short>(port), true);
         }},
        {"--rate", [&](const std::string& v) { return parseNumber(v, o.rate, 30, 200); }},
        {"--surface-rate", [&](const std::string& v) { return parseNumber(v, o.surfaceRate, 1, 200); }},
        {"--surface",
         [&](const std::string& v) { return !v.empty() && v.size() <= 100 && (o.surface = v, true); }},
        {"--version", [&](const std::string& v) { return v.size() <= 100 && (o.version = v, true); }},
        {"--screen-width", [&](const std::string& v) { return parseNumber(v, o.screenWidth, 1, 100000); }},
        {"--screen-height", [&](const std::string& v) { return parseNumber(v, o.screenHeight, 1, 100000); }},
        {"--seed", [&](const std::string& v) { return parseNumber(v, o.seed, 0u, 4294967295u); }},
        {"--gaze-file", [&](const std::string& v) { return !v.empty() && (o.gazeFile = v, true); }},
        {"--script", [&](const std::string& v) { return !v.empty() && (o.scriptFile = v, true); }},
        {"--calibration",
         [&](const std::string& v) {
             if (v != "success" && v != "failure")
                 return false;
             o.calibrationSucceeds = v == "success";
             return true;
         }},
        {"--calibration-ms",
         [&](const std::string& v) { return parseNumber(v, o.calibrationMs, 0, 600000); }},
        {"--stop-after", [&](const std::string& v) { return parseNumber(v, o.stopAfterMs, 1, 86400000); }},
        {"--malformed-every",
         [&](const std::string& v) { return parseNumber(v, o.malformedEvery, 1, 1000000); }},
        {"--oversized-every",
         [&](const std::string& v) { return parseNumber(v, o.oversizedEvery, 1, 1000000); }},
        {"--oversized-bytes",
         [&](const std::string& v) { return parseNumber(v, o.oversizedBytes, 1, 256 << 20); }},
        {"--backwards-every",
         [&](const std::string& v) { return parseNumber(v, o.backwardsEvery, 1, 1000000); }},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        if (const auto found = switches.find(arg); found != switches.end()) {
            found->second();
            continue;
        }
        const OptionArguments::Option option = OptionArguments::take(args, i);
        const auto found = valued.find(option.name);
        if (found == valued.end()) {
            parsed.error = "unknown option: " + arg;
            return parsed;
        }
        if (!found->second(option.value)) {
            parsed.error = "bad value in: " + arg + (option.separateValue ? " " + option.value : "");
            return parsed;
        }
    }
    return parsed;
}

std::string pupilUsage()
{
    return "Usage: PupilCapture [options]\n"
           "Stands in for Pupil Capture's network interface on 127.0.0.1: Pupil Remote\n"
           "(SUB_PORT, PUB_PORT, t, v, notify.*) and a publisher of the gaze on one surface\n"
           "and of pupil data. Ctrl+C or SIGTERM stops it.\n"
           "  --port=N              Pupil Remote's port (default 50020, 0: any free port)\n"
           "  --publisher-port=N    the data publisher's port (default: any free port)\n"
           "  --rate=HZ             gaze data per second, 30-200 (default 120)\n"
           "  --surface-rate=HZ     surface messages per second (default 30)\n"
           "  --surface=NAME        the surface's name (default screen)\n"
           "  --screen-width=PX --screen-height=PX  the screen the gaze path is made for\n"
           "  --seed=N              the synthetic viewer's seed\n"
           "  --gaze-file=FILE      \"x;y[;psize]\" lines in screen pixels instead of the synthetic viewer\n"
           "  --follow-ball         the synthetic viewer follows the ball of demo-movie's movie, in movie\n"
           "                        time once told it by the notification demo.movie_time {\"time\": MS}\n"
           "  --script=FILE         timed events: \"MS silent on|off\", \"MS drop\", \"MS raw TEXT\"\n"
           "  --2d                  pupil data of the 2d detector only (diameter in pixels)\n"
           "  --calibration=success|failure  the outcome of calibrations (default success)\n"
           "  --calibration-ms=MS   how long a calibration takes (default 300)\n"
           "  --version=TEXT        what \"v\" answers\n"
           "Faults:\n"
           "  --silent              answer requests, publish nothing\n"
           "  --low-confidence      every gaze datum with confidence 0.3\n"
           "  --off-surface         the viewer looks beside the screen\n"
           "  --stop-after=MS       close every socket this long after the start\n"
           "  --malformed-every=N   every Nth surface message is not msgpack\n"
           "  --oversized-every=N   every Nth surface message is one frame of --oversized-bytes\n"
           "  --backwards-every=N   every Nth gaze datum is stamped half a second early\n"
           "  --verbose             print every request\n";
}

} // namespace sim

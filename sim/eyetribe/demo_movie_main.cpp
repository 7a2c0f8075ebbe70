#include "common/OptionArguments.h"
#include "sim/eyetribe/MovingBall.h"
#include "sim/eyetribe/StandInProgram.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const usage =
    "Usage: demo-movie [--width 640] [--height 360] [--fps 25] [--frames 300] [--aois FILE]\n"
    "Writes the demo movie's frames to standard output, raw RGBx (4 bytes a pixel), for example:\n"
    "  demo-movie | gst-launch-1.0 fdsrc ! rawvideoparse format=rgbx width=640 height=360 \\\n"
    "    framerate=25/1 ! videoconvert ! jpegenc ! avimux ! filesink location=movie.avi\n"
    "A ball rests and glides from corner to corner of a loop of 12 s; the EyeTribe stand-in's\n"
    "viewer follows it with --follow-ball.\n"
    "  --aois FILE   also write the ball as an area of interest (an ellipse with a margin)\n";

struct Options
{
    int width = 640;
    int height = 360;
    int fps = 25;
    int frames = 300;
    std::string aois;
    bool help = false;
    std::string error;
};

Options parse(const std::vector<std::string>& args)
{
    Options o;
    for (std::size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            o.help = true;
            continue;
        }
        const OptionArguments::Option option = OptionArguments::take(args, i);
        using OptionArguments::parseNumber;
        bool good = true;
        if (option.name == "--width")
            good = parseNumber(option.value, o.width, 16, 7680);
        else if (option.name == "--height")
            good = parseNumber(option.value, o.height, 16, 4320);
        else if (option.name == "--fps")
            good = parseNumber(option.value, o.fps, 1, 240);
        else if (option.name == "--frames")
            good = parseNumber(option.value, o.frames, 1, 240 * 3600);
        else if (option.name == "--aois")
            good = !(o.aois = option.value).empty();
        else
            o.error = "unknown option: " + args[i];
        if (!good)
            o.error = "bad value in: " + args[i] + (option.separateValue ? " " + option.value : "");
    }
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parse({argv + 1, argv + argc});
    const int answered = sim::answerCommandLine("demo-movie", argc, argv, options.help, options.error, usage);
    if (answered >= 0)
        return answered;
    if (isatty(STDOUT_FILENO)) {
        std::cerr << "demo-movie: the frames go to standard output; send them to a pipe or a file\n";
        return 1;
    }
    const int lengthMs = static_cast<int>(static_cast<long long>(options.frames) * 1000 / options.fps);
    if (!options.aois.empty()) {
        std::ofstream aois(options.aois, std::ios::binary | std::ios::trunc);
        aois << sim::MovingBall::aoiFile(options.width, options.height, lengthMs);
        if (!aois.flush()) {
            std::cerr << "demo-movie: cannot write " << options.aois << "\n";
            return 3;
        }
    }
    std::vector<std::uint8_t> pixels;
    for (int frame = 0; frame < options.frames; ++frame) {
        sim::MovingBall::drawFrame(pixels, options.width, options.height, frame * 1000.0 / options.fps);
        if (std::fwrite(pixels.data(), 1, pixels.size(), stdout) != pixels.size()) {
            std::cerr << "demo-movie: standard output closed at frame " << frame << "\n";
            return 3;
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 3;
}

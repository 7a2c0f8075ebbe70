#pragma once

#include "render/RenderOptions.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

// How far a rendering has got, told on a stream now and then: the movie time
// done, the speed and an estimate of the time left.
class RenderProgress
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // sameLine: each report replaces the last (a terminal); otherwise one line each.
    RenderProgress(std::ostream& out, std::int64_t totalMs, bool sameLine,
                   Clock clock = &std::chrono::steady_clock::now);

    // One frame done, ending at movie time doneMs from the start of the part.
    void frameDone(std::int64_t doneMs);
    void finish();

    // "0:07" for 7 s, "1:02:03" past an hour.
    static std::string clockText(std::int64_t seconds);

private:
    std::ostream& out_;
    std::int64_t totalMs_;
    bool sameLine_;
    Clock clock_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point lastReport_;
    std::int64_t frames_ = 0;
    std::int64_t doneMs_ = 0;
    bool reported_ = false;
};

// Why the run would write over one of its inputs (a picture, the video or the
// log naming the movie, a results file, the shot file or a settings file);
// empty when it would not.
std::string overwriteProblem(const RenderOptions& options);

// Renders what the options ask for. Problems are told on err. Returns the exit
// status: 0 written, 1 an output names an input, 2 an input could not be read, 3 the output could not be
// written. An output is either complete or not there at all.
int runRender(const RenderOptions& options, std::ostream& err, bool progressOnSameLine = false);

// Prints the movie's length in milliseconds on out. Returns 0, or 2 when the
// movie cannot be read or does not tell its length (told on err).
int printMovieLength(const std::filesystem::path& movie, std::ostream& out, std::ostream& err);

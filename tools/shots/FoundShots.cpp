#include "shots/FoundShots.h"

#include "common/AtomicFile.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace FoundShots {

namespace {

constexpr int kMaxOtherNames = 99;

std::string fixed3(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

std::filesystem::path candidate(const std::filesystem::path& movie, int attempt)
{
    if (attempt == 0)
        return shotFileOf(movie);
    std::filesystem::path name = movie;
    if (attempt == 1)
        name += "_found_shots.csv";
    else
        name += "_found" + std::to_string(attempt) + "_shots.csv";
    return name;
}

} // namespace

std::string text(const std::vector<CutDetector::Cut>& cuts, double threshold)
{
    const TimeLineManager noResults;
    ShotLine shots(noResults);
    shots.addShot(Shot{});
    for (const CutDetector::Cut& cut : cuts)
        shots.addShot(Shot{static_cast<int>(cut.timeMs), 0, 0, 0});

    // The list's own text, line by line: the magic line, the header, then one line per shot.
    const std::string plain = shots.text();
    std::vector<std::string> lines;
    for (size_t start = 0; start < plain.size();) {
        const size_t end = plain.find("\r\n", start);
        lines.push_back(plain.substr(start, end - start));
        start = end + 2;
    }
    std::string out = lines.at(0) + "\r\n";
    out += "#Shots found by gaze-shots: colour change between frames, cut from score " + fixed3(threshold) +
           "\r\n";
    out += lines.at(1) + "\r\n";
    for (size_t i = 0; i < shots.shots().size(); ++i) {
        const int time = shots.shots()[i].time;
        for (const CutDetector::Cut& cut : cuts)
            if (cut.timeMs == time)
                out += "#cut score " + fixed3(cut.score) + "\r\n";
        out += lines.at(2 + i) + "\r\n";
    }
    return out;
}

Written write(const std::filesystem::path& movie, const std::string& content)
{
    Written result;
    // Written in full under a private name first, then linked to the free name:
    // a link never replaces an existing file.
    std::filesystem::path staging = movie;
    staging += ".gaze-shots-" + std::to_string(::getpid());
    if (!AtomicFile::write(staging, content)) {
        result.error = "cannot write beside the movie: " + staging.parent_path().string();
        return result;
    }
    for (int attempt = 0; attempt <= kMaxOtherNames; ++attempt) {
        const std::filesystem::path target = candidate(movie, attempt);
        if (::link(staging.c_str(), target.c_str()) == 0) {
            result.path = target;
            result.tookOtherName = attempt > 0;
            break;
        }
        if (errno != EEXIST) {
            result.error = "cannot write " + target.string() + ": " + std::strerror(errno);
            break;
        }
    }
    if (result.path.empty() && result.error.empty())
        result.error = "every name for the shot file beside the movie is taken";
    std::error_code ignored;
    std::filesystem::remove(staging, ignored);
    return result;
}

} // namespace FoundShots

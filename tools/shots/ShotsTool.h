#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// What one run of gaze-shots is asked to do.
struct ShotsOptions
{
    std::filesystem::path movie;
    double threshold = 0.35;
    std::int64_t minShotMs = 250;
    std::optional<std::filesystem::path> logFile;
};

struct ParsedShotsArguments
{
    ShotsOptions options;
    std::string error; // non-empty: the command line cannot be used
    bool helpRequested = false;
    std::string helpText;
};

// arguments[0] is the program name.
ParsedShotsArguments parseShotsArguments(const std::vector<std::string>& arguments);

// Why the run would write over its movie (the log naming it); empty when it would not.
std::string overwriteProblem(const ShotsOptions& options);

// Finds the cuts of the movie and writes the shot file beside it. Cuts and the
// file's name are told on err. Returns the exit status: 0 written, 2 the movie
// could not be read, 3 the shot file could not be written.
int runShotDetection(const ShotsOptions& options, std::ostream& err);

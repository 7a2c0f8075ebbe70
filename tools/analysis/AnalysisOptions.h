#pragma once

#include "analysis/MeasureOptions.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What one run of gaze-analyse is asked to do.
struct AnalysisOptions
{
    std::vector<std::filesystem::path> inputs; // results files or folders of them
    int eventsNum = 8;
    int filterRadius = 20000;
    int actionRadius = 500;
    // The settings file the Preprocessing values came from; empty when none was read.
    std::filesystem::path settingsFile;
    int atMs = 0;
    std::optional<std::filesystem::path> shotFile;
    bool json = false;
    bool series = true;
    std::optional<std::filesystem::path> logFile;
    std::optional<std::filesystem::path> plotFile; // .svg or .png
    bool progress = false;                         // report loading progress on the error stream
    MeasureOptions measures;                       // eye-movement events, synchrony, shot table
};

struct ParsedArguments
{
    AnalysisOptions options;
    std::string error; // non-empty: the command line cannot be used
    bool helpRequested = false;
    std::string helpText;
};

// Preprocessing values come from the player's Gazeview.ini (or --settings) when
// present, then from the options, which win. arguments[0] is the program name.
ParsedArguments parseAnalysisArguments(const std::vector<std::string>& arguments);

#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What one run of gaze-render is asked to do. Switches left unset keep the
// player's settings.
struct RenderOptions
{
    enum class Output
    {
        None = 0,
        Mp4,     // H.264 in MP4
        WebM,    // VP8 in WebM
        Pictures // PNG at given times
    };

    std::filesystem::path movie;
    bool directory = false;        // results is a folder of results files (heat map)
    std::filesystem::path results; // a results file, or a folder of them
    std::filesystem::path output;
    Output format = Output::None;
    std::vector<std::int64_t> atMs; // times of the pictures
    std::int64_t fromMs = 0;
    std::optional<std::int64_t> toMs;
    bool piece = false;      // a part to be joined with others: its sound is kept lossless
    bool lengthOnly = false; // tell the movie's length instead of rendering
    // Parts rendered with --from/--to, joined into output instead of rendering.
    std::vector<std::filesystem::path> pieces;

    std::optional<int> quality; // 0 fast, 1 accurate
    std::optional<bool> focusTime;
    std::optional<bool> filtered;
    std::optional<bool> heatmap;
    std::optional<bool> pupil;
    std::optional<bool> keypoints;
    std::optional<bool> scanPath;
    std::optional<bool> legend;                       // off unless asked for, whatever the player shows
    std::optional<std::filesystem::path> shotFile;    // default: "<movie>_shots.csv"
    std::optional<bool> aois;                         // the areas of interest, off unless asked for
    std::optional<std::filesystem::path> aoiFile;     // default: "<movie>_aois.csv"
    std::optional<std::filesystem::path> settingsDir; // default: the player's settings folder
    std::optional<std::filesystem::path> logFile;
};

struct ParsedRenderArguments
{
    RenderOptions options;
    std::string error; // non-empty: the command line cannot be used
    bool helpRequested = false;
    std::string helpText;
};

// arguments[0] is the program name.
ParsedRenderArguments parseRenderArguments(const std::vector<std::string>& arguments);

// The file a picture at timeMs goes to: the output itself for a single time,
// else the output's name with "-<ms>" before its extension.
std::filesystem::path picturePath(const RenderOptions& options, std::int64_t timeMs);

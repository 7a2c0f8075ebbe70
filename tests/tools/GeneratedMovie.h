#pragma once

#include <filesystem>
#include <string>

// Movies for the tool tests, generated at test time with GStreamer.
namespace generated_movie {

// Runs a gst-launch style description until its end; false when it fails.
bool run(const std::string& description);

// "videotestsrc ... ! video/x-raw,..." for n frames of a pattern at the size and rate.
std::string source(const std::string& pattern, int frames, int width, int height, int fps);

} // namespace generated_movie

#pragma once

#include "shots/MovieFrames.h"

#include <filesystem>
#include <string>
#include <vector>

// Movies for the tool tests, generated at test time with GStreamer.
namespace generated_movie {

// Runs a gst-launch style description until its end; false when it fails.
bool run(const std::string& description);

// "videotestsrc ... ! video/x-raw,..." for n frames of a pattern at the size and rate.
std::string source(const std::string& pattern, int frames, int width, int height, int fps);

// Every frame of a movie file, decoded, with its time; a failure fails the test.
std::vector<MovieFrames::Frame> framesOf(const std::filesystem::path& file);

} // namespace generated_movie

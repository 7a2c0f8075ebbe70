#pragma once

#include <QStringList>

struct PlayerState;

// The player's command line.
namespace CommandLine {

// Turns the arguments (the program name first) into mode, movie, play window,
// caption, results path and monitor of app. Errors only log and request the
// quit with code 1; -h requests the quit with code 0 and the help text.
void parse(PlayerState& app, const QStringList& arguments);

} // namespace CommandLine

#pragma once

#include <filesystem>

class ShotLine;

// Loads the movie's shot file into shots, or saves shots to it.
//
// Load: a missing file gives one shot at 0 ms, not marked modified: a movie nobody
// edited gets no shot file. A file that exists but fails to load (unreadable, or
// damaged: ShotLine::loadProblem says where) is logged, what was read stays, the
// list is not marked modified and remembers the failure; the result is then false.
// Otherwise true.
//
// Save: true when the list was written; the list is emptied then, and kept when
// writing failed. A list whose file failed to load is never written over that
// file: it goes to a new file beside it (besideShotFile). savedTo, when given,
// receives the path written.
bool ServiceShotFile(ShotLine& shots, const std::filesystem::path& shotFile, bool load,
                     std::filesystem::path* savedTo = nullptr);

// Where shots go whose own file could not be read: "film.avi_shots.edited.csv"
// beside "film.avi_shots.csv", or "...edited-2.csv" and so on when that exists.
std::filesystem::path besideShotFile(const std::filesystem::path& shotFile);

#pragma once

#include <filesystem>

class ShotLine;

// Loads the movie's shot file into shots, or saves shots to it.
//
// Load: a missing file gives one shot at 0 ms, marked modified so that closing the
// movie offers to save it. A file that cannot be read for another reason is logged,
// what was read stays, and the list is not marked modified, so the file is never
// overwritten without the user's say; the result is then false. Otherwise true.
//
// Save: true when the file was written; the list is emptied then, and kept when
// writing failed.
bool ServiceShotFile(ShotLine& shots, const std::filesystem::path& shotFile, bool load);

#pragma once

#include <cstdint>

// The reports the player posts to the recorder's window while it plays a movie
// for an examination: WM_USER with one of these codes as the first parameter
// and a movie time in ms as the second.
namespace LinkCode {

inline constexpr std::uint64_t resumed = 2;           // the viewer resumed the movie
inline constexpr std::uint64_t paused = 3;            // the viewer paused the movie
inline constexpr std::uint64_t finished = 4;          // the end of the movie or of the examined part
inline constexpr std::uint64_t synchronisation = 8;   // the movie time, on every tick that moved it
inline constexpr std::uint64_t interestingPoint = 16; // the viewer clicked
inline constexpr std::uint64_t duration = 32;         // the movie's length, once after opening it

} // namespace LinkCode

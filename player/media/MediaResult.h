#pragma once

#include <cstdint>

typedef struct _GError GError;

// Result codes of the movie operations: 0 is success, failures are negative
// 32-bit values in the style of the system's other status codes, so that a log
// line "... failed: <code>" reads the same whichever step failed.
using MediaResult = std::int32_t;

namespace media_result {
inline constexpr MediaResult Ok = 0;
inline constexpr MediaResult NotImplemented = static_cast<MediaResult>(0x80004001u);
inline constexpr MediaResult NoMovie = static_cast<MediaResult>(0x80004003u); // nothing open, or no name
inline constexpr MediaResult Fail = static_cast<MediaResult>(0x80004005u);
inline constexpr MediaResult Unexpected = static_cast<MediaResult>(0x8000FFFFu);
inline constexpr MediaResult FileNotFound = static_cast<MediaResult>(0x80070002u);
inline constexpr MediaResult Timeout = static_cast<MediaResult>(0x800705B4u);
inline constexpr MediaResult UnsupportedStream = static_cast<MediaResult>(0x80040265u);
inline constexpr MediaResult CannotRender = static_cast<MediaResult>(0x80040218u);

// The code for a pipeline error; Fail when there is none.
MediaResult fromError(const GError* error);
} // namespace media_result

#pragma once

#include <cstdint>

// How much the log may grow. A fault that repeats with every frame or every
// datagram must not fill the disk: a line that repeats itself from one place is
// written a few times, then counted and summed up in one line; and the file
// stops growing at a limit per run, saying so.
namespace LogLimits {

// Identical lines in a row from one place that are written before they are counted.
constexpr int freeRepeats = 10;
// The counted ones are summed up at least this often while they go on.
constexpr int summaryEverySeconds = 10;
constexpr std::uint64_t defaultGrowthLimit = 64ull << 20;

// The bytes one run may write to the log file (from the next open on).
void setGrowthLimit(std::uint64_t bytes);

} // namespace LogLimits

#pragma once

#include <atomic>
#include <cstdint>

namespace gtl {

// Lets the first few lines of one kind through, then one in every thousand, so a
// server that repeats a fault with every frame does not cost a log line per frame.
class LogThrottle
{
public:
    static constexpr std::uint64_t freeLines = 10;
    static constexpr std::uint64_t laterEvery = 1000;

    // Counts one occurrence; true when it is to be logged.
    bool admit()
    {
        const std::uint64_t seen = ++count_;
        return seen <= freeLines || seen % laterEvery == 0;
    }
    std::uint64_t count() const { return count_; }

private:
    std::atomic<std::uint64_t> count_{0};
};

} // namespace gtl

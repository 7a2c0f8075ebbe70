#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

// A column of int values held in a narrower type while they fit. A value that
// does not is kept aside, by index; when too many do, the column turns into
// plain ints. Values are appended in order and never changed.
template <typename Narrow> class PackedColumn
{
public:
    void reserve(size_t count) { narrow_.reserve(count); }

    __attribute__((always_inline)) void push_back(int value)
    {
        if (!widened_ && value >= kMin && value < kEscape) [[likely]]
            narrow_.push_back(static_cast<Narrow>(value));
        else
            pushRare(value);
    }

    int operator[](size_t index) const
    {
        if (widened_)
            return wide_[index];
        const Narrow value = narrow_[index];
        if (value != kEscape)
            return value;
        return std::lower_bound(aside_.begin(), aside_.end(), index,
                                [](const std::pair<size_t, int>& entry, size_t i) { return entry.first < i; })
            ->second;
    }

    size_t size() const { return widened_ ? wide_.size() : narrow_.size(); }

    void prefetch(size_t index) const
    {
        if (widened_)
            __builtin_prefetch(&wide_[index]);
        else
            __builtin_prefetch(&narrow_[index]);
    }

    void clear() { *this = PackedColumn(); }

    void shrink_to_fit()
    {
        narrow_.shrink_to_fit();
        wide_.shrink_to_fit();
        aside_.shrink_to_fit();
    }

private:
    static constexpr int kMin = std::numeric_limits<Narrow>::min();
    static constexpr Narrow kEscape = std::numeric_limits<Narrow>::max();

    // Kept out of push_back(), which is then small enough to be inlined.
    __attribute__((noinline)) void pushRare(int value)
    {
        if (widened_) {
            wide_.push_back(value);
            return;
        }
        aside_.emplace_back(narrow_.size(), value);
        narrow_.push_back(kEscape);
        // An entry aside costs as much as several narrow ones.
        if (aside_.size() > narrow_.size() / 8 + 1024)
            widen();
    }

    void widen()
    {
        wide_.reserve(narrow_.capacity());
        for (size_t i = 0; i < narrow_.size(); ++i)
            wide_.push_back((*this)[i]);
        widened_ = true;
        narrow_ = {};
        aside_ = {};
    }

    std::vector<Narrow> narrow_;
    bool widened_ = false;
    std::vector<std::pair<size_t, int>> aside_; // ascending indexes
    std::vector<int> wide_;
};

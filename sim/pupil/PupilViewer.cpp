#include "sim/pupil/PupilViewer.h"

#define MSGPACK_NO_BOOST
#include <msgpack.hpp>

#include <cmath>

namespace sim {

namespace {

// Further from the movie's start than any movie runs.
constexpr double longestMovieMs = 1e9;

// The number under "time" in one msgpack map, strictly.
std::optional<double> timeIn(const std::string& payload)
{
    try {
        std::size_t offset = 0;
        const msgpack::object_handle handle = msgpack::unpack(payload.data(), payload.size(), offset);
        const msgpack::object& root = handle.get();
        if (offset != payload.size() || root.type != msgpack::type::MAP)
            return std::nullopt;
        for (std::uint32_t i = 0; i < root.via.map.size; ++i) {
            const msgpack::object_kv& entry = root.via.map.ptr[i];
            if (entry.key.type != msgpack::type::STR || entry.key.as<std::string>() != "time")
                continue;
            switch (entry.val.type) {
            case msgpack::type::POSITIVE_INTEGER:
            case msgpack::type::NEGATIVE_INTEGER:
            case msgpack::type::FLOAT32:
            case msgpack::type::FLOAT64:
                return entry.val.as<double>();
            default:
                return std::nullopt;
            }
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

} // namespace

PupilViewer::PupilViewer(GazePath path, int rate) : path_(std::move(path)), rate_(rate > 0 ? rate : 1) {}

const GazeSample& PupilViewer::at(long long tick) const
{
    if (!movieOffsetMs_)
        return path_.at(static_cast<std::size_t>(tick));
    // Rounded down, also before the movie's start, so that no sample is shown twice.
    const double movieMs = static_cast<double>(tick) * 1000.0 / rate_ + *movieOffsetMs_;
    const auto frames = static_cast<long long>(std::floor(movieMs * rate_ / 1000.0 + 1e-9));
    const auto size = static_cast<long long>(path_.size());
    return path_.at(static_cast<std::size_t>((frames % size + size) % size));
}

bool PupilViewer::tellMovieTime(const std::string& payload, double nowMs)
{
    const std::optional<double> time = timeIn(payload);
    if (!time || !std::isfinite(*time) || std::fabs(*time) > longestMovieMs)
        return false;
    movieOffsetMs_ = *time - nowMs;
    return true;
}

} // namespace sim

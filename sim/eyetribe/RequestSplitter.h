#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

// Cuts what one client writes into the JSON objects it holds and the junk around
// them, so that each request is answered on its own and junk costs only itself.
// The stand-in's own code: it shares nothing with the client it serves.
class RequestSplitter
{
public:
    static constexpr std::size_t maxRequestBytes = 64 * 1024;

    struct Piece
    {
        enum class Kind
        {
            request = 0,
            junk,
        };
        Kind kind = Kind::request;
        std::string text;
    };

    void append(std::string_view bytes) { buffer_.append(bytes); }

    // The next request or run of junk, once it is complete. An object that never
    // closes is given up as junk when a whole request follows it, or when it
    // outgrows maxRequestBytes.
    std::optional<Piece> next();

private:
    std::string buffer_;
};

} // namespace sim

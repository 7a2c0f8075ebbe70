#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pupil {

// Where Pupil Remote answers: "host" or "host:port"; the host a name or an
// IPv4 address, the port 1-65535 (50020 when left out).
struct RemoteAddress
{
    static constexpr unsigned short defaultPort = 50020;

    std::string host;
    unsigned short port = defaultPort;

    // Nothing for an empty text, a bad port or a host with characters no host name has.
    static std::optional<RemoteAddress> parse(std::string_view text);

    // The same host with another port: where the data publisher listens.
    std::string endpoint(unsigned short otherPort) const;
    std::string endpoint() const { return endpoint(port); }
    std::string text() const { return host + ':' + std::to_string(port); }
};

} // namespace pupil

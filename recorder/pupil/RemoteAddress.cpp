#include "recorder/pupil/RemoteAddress.h"

#include <charconv>

namespace pupil {

namespace {

bool isHostCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

} // namespace

std::optional<RemoteAddress> RemoteAddress::parse(std::string_view text)
{
    RemoteAddress address;
    std::string_view host = text;
    if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        const std::string_view port = text.substr(colon + 1);
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || error != std::errc() || end != port.data() + port.size() || value == 0 ||
            value > 65535)
            return std::nullopt;
        address.port = static_cast<unsigned short>(value);
    }
    // 253 is the longest name DNS can carry.
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-')
        return std::nullopt;
    for (const char c : host) {
        if (!isHostCharacter(c))
            return std::nullopt;
    }
    address.host = std::string(host);
    return address;
}

std::string RemoteAddress::endpoint(unsigned short otherPort) const
{
    return "tcp://" + host + ':' + std::to_string(otherPort);
}

} // namespace pupil

// Datagrams arriving at a window's socket: any bytes from any process of the
// same user. Exactly the well-formed 24-byte messages decode, and a decoded
// message encodes back to the same bytes.

#include "FuzzSupport.h"

#include "platform/window_bus.h"

#include <cstring>

using fuzz_support::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const auto message = platform::decodeWindowMessage(bytes, size);
    static const char zeros[4] = {};
    const bool wellFormed = size == platform::windowMessageSize && std::memcmp(bytes + 4, zeros, 4) == 0;
    check(message.has_value() == wellFormed,
          "a datagram was decoded although malformed, or refused though well formed");
    if (message)
        check(platform::encodeWindowMessage(*message) == std::string(bytes, size),
              "a message does not encode back to its datagram");
    return 0;
}

// Bytes from the tracker server as the client's socket reads them: the stream is
// cut into reads at points the fuzzer chooses (taken from the end of the input),
// framed into messages after every read, and each message is decoded with the
// values the client holds, which the "get" replies then update.
//
// Framing must not depend on how the stream was cut: the same objects come out
// of one read as out of many, and no byte is lost or repeated.

#include "FuzzSupport.h"

#include "recorder/gtl/JsonObjectMatcher.h"
#include "recorder/gtl/MessageDecoder.h"
#include "recorder/gtl/MessageFramer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

using fuzz_support::check;

namespace {

// The object a message carries, without the bytes around it.
std::string_view objectOf(std::string_view message)
{
    const size_t begin = message.find('{');
    if (begin == std::string_view::npos)
        return {};
    gtl::JsonObjectMatcher matcher;
    const auto result = matcher.scan(message.substr(begin));
    return result.matched ? message.substr(begin, result.objectEnd) : std::string_view();
}

std::vector<std::string> frameInReads(std::string_view stream, std::vector<size_t> cuts)
{
    std::sort(cuts.begin(), cuts.end());
    cuts.push_back(stream.size());
    gtl::MessageFramer framer;
    std::vector<std::string> messages;
    size_t from = 0;
    for (size_t cut : cuts) {
        framer.append(stream.substr(from, cut - from));
        from = cut;
        while (auto message = framer.next())
            messages.push_back(std::move(*message));
        check(!framer.overflowed(), "a stream below the size limit overflowed the framer");
    }
    return messages;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::quietLog();
    FuzzedDataProvider provider(data, size);
    const size_t cutCount = provider.ConsumeIntegralInRange<size_t>(0, 8);
    std::vector<std::uint16_t> cutSeeds;
    for (size_t i = 0; i < cutCount; ++i)
        cutSeeds.push_back(provider.ConsumeIntegral<std::uint16_t>());
    const std::string stream = provider.ConsumeRemainingBytesAsString();
    std::vector<size_t> cuts;
    for (std::uint16_t seed : cutSeeds)
        cuts.push_back(seed % (stream.size() + 1));

    const std::vector<std::string> whole = frameInReads(stream, {});
    const std::vector<std::string> pieces = frameInReads(stream, cuts);

    std::string joined;
    for (const std::string& message : pieces)
        joined += message;
    check(stream.compare(0, joined.size(), joined) == 0, "framing lost, repeated or reordered bytes");
    check(whole.size() == pieces.size(), "the number of messages depends on how the stream was read");
    for (size_t i = 0; i < whole.size(); ++i)
        check(objectOf(whole[i]) == objectOf(pieces[i]), "a message depends on how the stream was read");

    gtl::TrackerValues values;
    gtl::ScreenSetup screen;
    for (const std::string& message : pieces) {
        const auto decoded = gtl::decodeMessage(message, values, screen);
        if (decoded && decoded->valueSet) {
            values = decoded->valueSet->values;
            screen = decoded->valueSet->screen;
        }
    }
    return 0;
}

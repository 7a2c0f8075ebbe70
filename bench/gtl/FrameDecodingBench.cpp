#include "recorder/gtl/MessageDecoder.h"
#include "recorder/gtl/MessageFramer.h"
#include "sim/eyetribe/TrackerModel.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A second of pushed frames at 60 Hz as the server writes them, one after another.
std::string frameStream(int frames)
{
    sim::TrackerModel model(sim::ServerOptions{}, sim::GazePath::synthetic(3, 60, 1920, 1080, 10000));
    std::string stream;
    for (int i = 0; i < frames; ++i)
        stream += model.nextFrameMessage(i * 16);
    return stream;
}

constexpr int framesPerStream = 60;
constexpr std::size_t readSize = 16 * 1024; // what one socket read hands over

void BM_Framing(benchmark::State& state)
{
    const std::string stream = frameStream(framesPerStream);
    for (auto _ : state) {
        gtl::MessageFramer framer;
        for (std::size_t at = 0; at < stream.size(); at += readSize) {
            framer.append(std::string_view(stream).substr(at, readSize));
            while (auto message = framer.next())
                benchmark::DoNotOptimize(message->size());
        }
    }
    state.SetItemsProcessed(state.iterations() * framesPerStream);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_Framing);

void BM_FramingAndDecoding(benchmark::State& state)
{
    const std::string stream = frameStream(framesPerStream);
    const gtl::TrackerValues values;
    const gtl::ScreenSetup screen;
    for (auto _ : state) {
        gtl::MessageFramer framer;
        for (std::size_t at = 0; at < stream.size(); at += readSize) {
            framer.append(std::string_view(stream).substr(at, readSize));
            while (auto message = framer.next()) {
                const auto decoded = gtl::decodeMessage(*message, values, screen);
                if (!decoded || !decoded->valueSet || !decoded->valueSet->framePresent)
                    state.SkipWithError("a frame did not decode");
                benchmark::DoNotOptimize(decoded);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * framesPerStream);
}
BENCHMARK(BM_FramingAndDecoding);

} // namespace

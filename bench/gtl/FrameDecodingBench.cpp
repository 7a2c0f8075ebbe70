#include "recorder/gtl/MessageDecoder.h"
#include "recorder/gtl/MessageFramer.h"
#include "sim/eyetribe/TrackerModel.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Pushed frames as the server writes them, one after another, each ending in a
// line break; a frame is about 430 bytes.
std::string frameStream(int frames)
{
    sim::TrackerModel model(sim::ServerOptions{}, sim::GazePath::synthetic(3, 60, 1920, 1080, 10000));
    std::string stream;
    for (int i = 0; i < frames; ++i)
        stream += model.nextFrameMessage(i * 16) + '\n';
    return stream;
}

constexpr std::size_t readSize = 16 * 1024; // what one socket read hands over

void setCounters(benchmark::State& state, const std::string& stream, int frames)
{
    state.SetItemsProcessed(state.iterations() * frames);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
    state.counters["bytes_per_frame"] = static_cast<double>(stream.size()) / frames;
}

// Framing alone: the stream cut into message texts.
void BM_FramingPushedFrames(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    const std::string stream = frameStream(frames);
    for (auto _ : state) {
        gtl::MessageFramer framer;
        for (std::size_t at = 0; at < stream.size(); at += readSize) {
            framer.append(std::string_view(stream).substr(at, readSize));
            while (auto message = framer.next())
                benchmark::DoNotOptimize(message->size());
        }
    }
    setCounters(state, stream, frames);
}
BENCHMARK(BM_FramingPushedFrames)->ArgName("frames")->Arg(60)->Arg(6000);

// What the client's I/O thread does with every pushed frame before a listener sees it.
void BM_FramingAndDecodingPushedFrames(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    const std::string stream = frameStream(frames);
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
    setCounters(state, stream, frames);
}
BENCHMARK(BM_FramingAndDecodingPushedFrames)->ArgName("frames")->Arg(60)->Arg(6000);

// The answer to the request for all values, with a nine-point calibration.
void BM_DecodingAllValuesAnswer(benchmark::State& state)
{
    const std::string answer =
        R"({"category":"tracker","request":"get","statuscode":200,"values":{"push":true,"heartbeatinterval":3000,)"
        R"("version":1,"trackerstate":0,"framerate":60,"iscalibrated":true,"iscalibrating":false,)"
        R"("calibresult":{"result":true,"deg":0.4,"degl":0.5,"degr":0.3,"calibpoints":[)" +
        [] {
            std::string points;
            for (int i = 0; i < 9; ++i)
                points +=
                    std::string(i ? "," : "") +
                    R"({"state":2,"cp":{"x":100,"y":100},"mecp":{"x":101,"y":99},"acd":{"ad":0.4,"adl":0.5,)"
                    R"("adr":0.3},"mepix":{"mep":16,"mepl":17,"mepr":15},"asdp":{"asd":0.2,"asdl":0.25,"asdr":0.15}})";
            return points;
        }() +
        R"(]},"screenindex":0,"screenresw":1920,"screenresh":1080,"screenpsyw":0.531,"screenpsyh":0.299}})";
    for (auto _ : state) {
        const auto decoded = gtl::decodeMessage(answer, {}, {});
        if (!decoded || !decoded->valueSet || !decoded->valueSet->calibrationPresent)
            state.SkipWithError("the answer did not decode");
        benchmark::DoNotOptimize(decoded);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes"] = static_cast<double>(answer.size());
}
BENCHMARK(BM_DecodingAllValuesAnswer);

} // namespace

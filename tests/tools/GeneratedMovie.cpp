#include "GeneratedMovie.h"

#include "player/media/GstRef.h"

#include <gtest/gtest.h>

namespace generated_movie {

bool run(const std::string& description)
{
    gst_init(nullptr, nullptr);
    GError* raw = nullptr;
    GstObjectPtr<GstElement> pipeline(gst_parse_launch(description.c_str(), &raw));
    const GErrorPtr error(raw);
    if (error || !pipeline)
        return false;
    gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
    GstObjectPtr<GstBus> bus(gst_element_get_bus(pipeline.get()));
    const GstMessagePtr message(gst_bus_timed_pop_filtered(
        bus.get(), 60 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return message && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS;
}

std::string source(const std::string& pattern, int frames, int width, int height, int fps)
{
    return "videotestsrc pattern=" + pattern + " num-buffers=" + std::to_string(frames) +
           " ! video/x-raw,width=" + std::to_string(width) + ",height=" + std::to_string(height) +
           ",framerate=" + std::to_string(fps) + "/1 ";
}

std::vector<MovieFrames::Frame> framesOf(const std::filesystem::path& file)
{
    MovieFrames movie;
    EXPECT_TRUE(movie.open(file)) << movie.error();
    std::vector<MovieFrames::Frame> frames;
    MovieFrames::Frame frame;
    while (movie.next(frame)) {
        frame.image = frame.image.copy();
        frames.push_back(frame);
    }
    EXPECT_EQ(movie.error(), "");
    return frames;
}

} // namespace generated_movie

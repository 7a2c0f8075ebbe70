#include "shots/MovieFrames.h"

#include "common/Logger.h"
#include "player/media/FrameDelivery.h"
#include "player/media/GstRef.h"

#include <gst/gst.h>
#include <gst/video/video.h>

MovieFrames::MovieFrames(QSize size, std::chrono::milliseconds stallLimit)
    : size_(size), pipeline_(stallLimit)
{
}

MovieFrames::~MovieFrames()
{
    pipeline_.stop();
    if (sink_ != nullptr)
        gst_object_unref(sink_);
    if (convert_ != nullptr)
        gst_object_unref(convert_);
}

bool MovieFrames::checkBus()
{
    const std::string failure = pipeline_.popBusError();
    if (failure.empty())
        return true;
    LOG("decoding failed: ", failure);
    // Streams of other kinds are left unlinked, which their source reports as an error.
    if (noVideo_)
        return pipeline_.fail("the movie holds no video");
    return pipeline_.fail("cannot decode the movie: " + failure);
}

bool MovieFrames::open(const std::filesystem::path& movie)
{
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(movie, ignored))
        return pipeline_.fail("not a readable file: " + movie.string());
    gst_init(nullptr, nullptr);
    GError* raw = nullptr;
    const GCharPtr uri(gst_filename_to_uri(movie.c_str(), &raw));
    const GErrorPtr uriError(raw);
    if (!uri)
        return pipeline_.fail("cannot name the movie as a URI: " + movie.string());

    std::string caps = "video/x-raw,format=BGRx,pixel-aspect-ratio=1/1";
    if (!size_.isEmpty())
        caps += ",width=" + std::to_string(size_.width()) + ",height=" + std::to_string(size_.height());
    // Only the video is decoded; a stream of another kind is left unlinked.
    const std::string description = std::string("uridecodebin name=decoder uri=\"") + uri.get() +
                                    "\" ! videoconvert name=convert ! videoscale ! " + caps +
                                    " ! appsink name=frames sync=false max-buffers=4";
    pipeline_.adopt(gst_parse_launch(description.c_str(), &raw));
    const GErrorPtr parseError(raw);
    if (pipeline_.get() == nullptr || parseError) {
        LOG("gst_parse_launch() failed: ", parseError ? parseError->message : "no pipeline");
        pipeline_.stop();
        return pipeline_.fail("cannot build the decoder (GStreamer plugins missing?)");
    }
    GstBin* bin = GST_BIN(pipeline_.get());
    sink_ = gst_bin_get_by_name(bin, "frames");
    GstObjectPtr<GstElement> decoder(gst_bin_get_by_name(bin, "decoder"));
    // The video stream is linked on its own as the decoder finds it; a decoder
    // whose streams are all found without one has no video to give.
    convert_ = gst_bin_get_by_name(bin, "convert");
    g_signal_connect(decoder.get(), "no-more-pads", G_CALLBACK(+[](GstElement*, MovieFrames* self) {
                         GstObjectPtr<GstPad> pad(gst_element_get_static_pad(self->convert_, "sink"));
                         if (!gst_pad_is_linked(pad.get()))
                             self->noVideo_ = true;
                     }),
                     this);

    gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    if (!waitForPreroll())
        return false;
    readCaps(sink_);
    gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    return checkBus();
}

bool MovieFrames::waitForPreroll()
{
    return pipeline_.waitForPreroll(noVideo_, [this] { return checkBus(); });
}

void MovieFrames::readCaps(GstElement* sink)
{
    GstObjectPtr<GstPad> pad(gst_element_get_static_pad(sink, "sink"));
    const GstCapsPtr caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
    GstVideoInfo info;
    if (caps && gst_video_info_from_caps(&info, caps.get()) && GST_VIDEO_INFO_FPS_D(&info) != 0)
        frameRate_ = static_cast<double>(GST_VIDEO_INFO_FPS_N(&info)) / GST_VIDEO_INFO_FPS_D(&info);
}

std::int64_t MovieFrames::durationMs() const
{
    gint64 duration = -1;
    if (pipeline_.get() == nullptr ||
        !gst_element_query_duration(pipeline_.get(), GST_FORMAT_TIME, &duration) || duration < 0)
        return -1;
    return static_cast<std::int64_t>(duration / GST_MSECOND);
}

bool MovieFrames::seek(std::int64_t timeMs)
{
    if (!pipeline_.usable())
        return false;
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!gst_element_seek_simple(pipeline_.get(), GST_FORMAT_TIME, flags,
                                 static_cast<gint64>(std::max<std::int64_t>(0, timeMs)) * GST_MSECOND)) {
        LOG("gst_element_seek_simple() failed: ", timeMs);
        return pipeline_.fail("the movie cannot be sought to " + std::to_string(timeMs) + " ms");
    }
    return waitForPreroll() && checkBus();
}

bool MovieFrames::next(Frame& frame)
{
    if (!pipeline_.usable())
        return false;
    GstSample* sample = pipeline_.pullSample(sink_, [this] { return checkBus(); });
    if (sample == nullptr)
        return false;
    frame.image = FrameDelivery::imageFromSample(sample);
    const GstBuffer* buffer = gst_sample_get_buffer(sample);
    frame.timeMs = buffer != nullptr && GST_BUFFER_PTS_IS_VALID(buffer)
                       ? static_cast<std::int64_t>(GST_BUFFER_PTS(buffer) / GST_MSECOND)
                       : -1;
    gst_sample_unref(sample);
    if (frame.image.isNull())
        return pipeline_.fail("the decoder gave a frame in an unexpected format");
    return true;
}

#include "render/VideoExport.h"

#include "common/Logger.h"
#include "player/media/FrameDelivery.h"
#include "player/media/GstRef.h"
#include "player/media/PipelineWaits.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace {

const char* videoChain(VideoExport::Format format)
{
    // x264 takes 4:2:0 only; the quality settings keep the overlay's colours and edges.
    return format == VideoExport::Format::Mp4
               ? "videoconvert ! video/x-raw,format=I420 ! x264enc speed-preset=veryfast pass=qual "
                 "quantizer=18 "
                 "! capsfilter caps=video/x-h264,profile=high"
               : "videoconvert ! vp8enc deadline=1 cpu-used=4 end-usage=cq cq-level=8 target-bitrate=8000000";
}

const char* soundChain(VideoExport::Format format)
{
    return format == VideoExport::Format::Mp4
               ? "queue max-size-buffers=0 max-size-bytes=0 max-size-time=10000000000 ! audioconvert ! "
                 "audioresample ! avenc_aac"
               : "queue max-size-buffers=0 max-size-bytes=0 max-size-time=10000000000 ! audioconvert ! "
                 "audioresample ! vorbisenc";
}

GstElement* make(const char* factory, const char* name = nullptr)
{
    return gst_element_factory_make(factory, name);
}

} // namespace

VideoExport::VideoExport(std::chrono::milliseconds stallLimit) : stallLimit_(stallLimit) {}

VideoExport::~VideoExport()
{
    if (pipeline_ != nullptr) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
    }
}

bool VideoExport::fail(const std::string& text)
{
    if (error_.empty())
        error_ = text;
    return false;
}

bool VideoExport::checkBus()
{
    if (const auto failure = popBusError(pipeline_)) {
        LOG("rendering failed: ", *failure);
        return fail("the movie cannot be rendered: " + *failure);
    }
    if (linkFailed_)
        return fail("the movie's sound cannot be copied into the output");
    return true;
}

void VideoExport::onPadAdded(GstElement*, GstPad* pad, VideoExport* self)
{
    const GstCapsPtr caps(gst_pad_get_current_caps(pad));
    const GstStructure* kind = caps ? gst_caps_get_structure(caps.get(), 0) : nullptr;
    const std::string name = kind != nullptr ? gst_structure_get_name(kind) : "";
    if (name == "video/x-raw") {
        GstObjectPtr<GstPad> sink(gst_element_get_static_pad(self->videoIn_, "sink"));
        if (!gst_pad_is_linked(sink.get()))
            gst_pad_link(pad, sink.get());
        return;
    }
    if (name != "audio/x-raw" || self->hasSound_)
        return;
    // The first sound stream is encoded beside the video; others are left out.
    GError* raw = nullptr;
    GstElement* chain = gst_parse_bin_from_description(soundChain(self->format_), TRUE, &raw);
    const GErrorPtr error(raw);
    if (chain == nullptr) {
        LOG("gst_parse_bin_from_description() failed: ", error ? error->message : "no bin");
        self->linkFailed_ = true;
        return;
    }
    gst_bin_add(GST_BIN(self->pipeline_), chain);
    GstObjectPtr<GstPad> chainIn(gst_element_get_static_pad(chain, "sink"));
    GstObjectPtr<GstPad> chainOut(gst_element_get_static_pad(chain, "src"));
    GstPad* muxIn = gst_element_request_pad_simple(self->muxer_, "audio_%u");
    const bool linked = muxIn != nullptr && gst_pad_link(chainOut.get(), muxIn) == GST_PAD_LINK_OK &&
                        gst_element_sync_state_with_parent(chain) &&
                        gst_pad_link(pad, chainIn.get()) == GST_PAD_LINK_OK;
    if (muxIn != nullptr)
        gst_object_unref(muxIn);
    if (!linked) {
        LOG("gst_pad_link() failed: ", name);
        self->linkFailed_ = true;
        return;
    }
    self->hasSound_ = true;
}

void VideoExport::onNoMorePads(GstElement*, VideoExport* self)
{
    GstObjectPtr<GstPad> sink(gst_element_get_static_pad(self->videoIn_, "sink"));
    if (!gst_pad_is_linked(sink.get()))
        self->noVideo_ = true;
}

bool VideoExport::open(const std::filesystem::path& movie, const std::filesystem::path& output, Format format)
{
    format_ = format;
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(movie, ignored))
        return fail("not a readable file: " + movie.string());
    gst_init(nullptr, nullptr);
    GError* raw = nullptr;
    const GCharPtr uri(gst_filename_to_uri(movie.c_str(), &raw));
    const GErrorPtr uriError(raw);
    if (!uri)
        return fail("cannot name the movie as a URI: " + movie.string());

    pipeline_ = gst_pipeline_new("gaze-render");
    GstElement* decoder = make("uridecodebin", "decoder");
    videoIn_ = make("queue");
    GstElement* convert = make("videoconvert");
    frames_ = make("appsink", "frames");
    encoder_ = make("appsrc", "drawn");
    GstElement* chain = gst_parse_bin_from_description(videoChain(format), TRUE, &raw);
    const GErrorPtr chainError(raw);
    muxer_ = make(format == Format::Mp4 ? "mp4mux" : "webmmux", "muxer");
    GstElement* file = make("filesink");
    if (decoder == nullptr || videoIn_ == nullptr || convert == nullptr || frames_ == nullptr ||
        encoder_ == nullptr || chain == nullptr || muxer_ == nullptr || file == nullptr) {
        LOG("gst_element_factory_make() failed: ", chainError ? chainError->message : "a plugin is missing");
        for (GstElement* element : {decoder, videoIn_, convert, frames_, encoder_, chain, muxer_, file})
            if (element != nullptr)
                gst_object_unref(gst_object_ref_sink(element));
        videoIn_ = frames_ = encoder_ = muxer_ = nullptr;
        return fail(
            "the GStreamer elements for this output are missing (plugins base, good, ugly and libav)");
    }
    gst_bin_add_many(GST_BIN(pipeline_), decoder, videoIn_, convert, frames_, encoder_, chain, muxer_, file,
                     nullptr);

    g_object_set(decoder, "uri", uri.get(), nullptr);
    const GstCapsPtr frameCaps(gst_caps_from_string("video/x-raw,format=BGRx,pixel-aspect-ratio=1/1"));
    g_object_set(frames_, "caps", frameCaps.get(), "sync", FALSE, "max-buffers", 4, nullptr);
    g_object_set(encoder_, "format", GST_FORMAT_TIME, "block", TRUE, "max-bytes", guint64{64} << 20, nullptr);
    // The file fills only once frames are drawn, so it must not hold up the start.
    g_object_set(file, "location", output.c_str(), "async", FALSE, nullptr);
    if (!gst_element_link_many(videoIn_, convert, frames_, nullptr) ||
        !gst_element_link_many(encoder_, chain, nullptr) ||
        !gst_element_link_pads(chain, "src", muxer_, "video_%u") || !gst_element_link(muxer_, file))
        return fail("cannot link the rendering pipeline");
    g_signal_connect(decoder, "pad-added", G_CALLBACK(&VideoExport::onPadAdded), this);
    g_signal_connect(decoder, "no-more-pads", G_CALLBACK(&VideoExport::onNoMorePads), this);

    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    if (!waitForPreroll())
        return false;
    GstObjectPtr<GstPad> pad(gst_element_get_static_pad(frames_, "sink"));
    const GstCapsPtr caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get()))
        return fail("the movie holds no video that can be decoded");
    size_ = QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
    // Both encoders take 4:2:0 pictures, whose colour planes halve each side.
    if (size_.width() % 2 != 0 || size_.height() % 2 != 0)
        return fail("the movie is " + std::to_string(size_.width()) + "x" + std::to_string(size_.height()) +
                    " pixels; a video can only be written at an even width and height (pictures with --at "
                    "work at any size)");
    if (GST_VIDEO_INFO_FPS_D(&info) != 0 && GST_VIDEO_INFO_FPS_N(&info) > 0) {
        frameRate_ = static_cast<double>(GST_VIDEO_INFO_FPS_N(&info)) / GST_VIDEO_INFO_FPS_D(&info);
        frameDurationNs_ =
            gst_util_uint64_scale(GST_SECOND, GST_VIDEO_INFO_FPS_D(&info), GST_VIDEO_INFO_FPS_N(&info));
    }
    const GstCapsPtr drawnCaps(gst_caps_new_simple(
        "video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, size_.width(), "height",
        G_TYPE_INT, size_.height(), "framerate", GST_TYPE_FRACTION, GST_VIDEO_INFO_FPS_N(&info),
        GST_VIDEO_INFO_FPS_D(&info), "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr));
    gst_app_src_set_caps(GST_APP_SRC(encoder_), drawnCaps.get());
    return checkBus();
}

bool VideoExport::waitForPreroll()
{
    return pipeline_waits::waitForPreroll(
        pipeline_, noVideo_, stallLimit_, [this] { return checkBus(); },
        [this](const std::string& text) { return fail(text); });
}

std::int64_t VideoExport::durationMs() const
{
    gint64 duration = -1;
    if (pipeline_ == nullptr || !gst_element_query_duration(frames_, GST_FORMAT_TIME, &duration) ||
        duration < 0)
        return -1;
    return static_cast<std::int64_t>(duration / GST_MSECOND);
}

bool VideoExport::limit(std::int64_t fromMs, std::optional<std::int64_t> toMs)
{
    if (pipeline_ == nullptr || !error_.empty())
        return false;
    // Sent through the video's sink only: the decoder moves the sound along, and
    // the encoding side never sees a seek of its own.
    GstEvent* seek = gst_event_new_seek(
        1.0, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
        GST_SEEK_TYPE_SET, static_cast<gint64>(fromMs) * GST_MSECOND,
        toMs ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE,
        toMs ? static_cast<gint64>(*toMs) * GST_MSECOND : GST_CLOCK_TIME_NONE);
    if (!gst_element_send_event(frames_, seek)) {
        LOG("gst_element_send_event() failed: ", fromMs);
        return fail("the movie cannot be sought to " + std::to_string(fromMs) + " ms");
    }
    return waitForPreroll();
}

bool VideoExport::next(Frame& frame)
{
    if (pipeline_ == nullptr || !error_.empty())
        return false;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(pipeline_, &state, nullptr, 0);
    if (state != GST_STATE_PLAYING)
        gst_element_set_state(pipeline_, GST_STATE_PLAYING);
    GstSample* sample = pipeline_waits::pullSample(
        frames_, stallLimit_, [this] { return checkBus(); },
        [this](const std::string& text) { return fail(text); });
    if (sample == nullptr)
        return false;
    frame.image = FrameDelivery::imageFromSample(sample);
    const GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    const GstClockTime pts = buffer != nullptr ? GST_BUFFER_PTS(buffer) : GST_CLOCK_TIME_NONE;
    frame.timeMs = GST_CLOCK_TIME_IS_VALID(pts) ? static_cast<std::int64_t>(pts / GST_MSECOND) : -1;
    const GstClockTime running = segment != nullptr && GST_CLOCK_TIME_IS_VALID(pts)
                                     ? gst_segment_to_running_time(segment, GST_FORMAT_TIME, pts)
                                     : GST_CLOCK_TIME_NONE;
    runningTimeNs_ = GST_CLOCK_TIME_IS_VALID(running) ? running : runningTimeNs_ + frameDurationNs_;
    if (buffer != nullptr && GST_BUFFER_DURATION_IS_VALID(buffer))
        frameDurationNs_ = GST_BUFFER_DURATION(buffer);
    gst_sample_unref(sample);
    if (frame.image.isNull())
        return fail("the decoder gave a frame in an unexpected format");
    return true;
}

bool VideoExport::put(const QImage& image)
{
    if (pipeline_ == nullptr || !error_.empty())
        return false;
    if (image.size() != size_ || image.format() != QImage::Format_RGB32)
        return fail("a drawn frame of another size or kind than the movie's");
    // The encoder reads the image in place; the buffer keeps it alive until then.
    auto* kept = new QImage(image);
    GstBuffer* buffer = gst_buffer_new_wrapped_full(
        GST_MEMORY_FLAG_READONLY, const_cast<uchar*>(kept->constBits()),
        static_cast<gsize>(kept->sizeInBytes()), 0, static_cast<gsize>(kept->sizeInBytes()), kept,
        [](gpointer data) { delete static_cast<QImage*>(data); });
    GST_BUFFER_PTS(buffer) = runningTimeNs_;
    GST_BUFFER_DURATION(buffer) = frameDurationNs_ != 0 ? frameDurationNs_ : GST_CLOCK_TIME_NONE;
    const GstFlowReturn flow = gst_app_src_push_buffer(GST_APP_SRC(encoder_), buffer);
    if (flow != GST_FLOW_OK) {
        checkBus();
        LOG("gst_app_src_push_buffer() failed: ", static_cast<int>(flow));
        return fail("the encoder refused a frame");
    }
    return checkBus();
}

bool VideoExport::finish()
{
    if (pipeline_ == nullptr || !error_.empty())
        return false;
    gst_app_src_end_of_stream(GST_APP_SRC(encoder_));
    GstObjectPtr<GstBus> bus(gst_element_get_bus(pipeline_));
    // The movie's sound may run on past its last frame; the file is done once
    // every stream has ended.
    const GstMessagePtr message(
        gst_bus_timed_pop_filtered(bus.get(), static_cast<GstClockTime>(stallLimit_.count()) * GST_MSECOND,
                                   static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    if (!message) {
        LOG("gst_bus_timed_pop_filtered() failed: ", stallLimit_.count());
        return fail("the output was not finished in time");
    }
    if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) {
        GError* raw = nullptr;
        gst_message_parse_error(message.get(), &raw, nullptr);
        const GErrorPtr failure(raw);
        LOG("rendering failed: ", failure ? failure->message : "unknown error");
        return fail(std::string("the output cannot be finished: ") +
                    (failure ? failure->message : "unknown error"));
    }
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    return true;
}

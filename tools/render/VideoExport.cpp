#include "render/VideoExport.h"

#include "common/Logger.h"
#include "player/media/GstRef.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace {

const char* videoChain(VideoExport::Format format)
{
    // x264 takes 4:2:0 only, which the frames already are (the conversion
    // passes them through); the quality settings keep the overlay's colours and edges.
    return format != VideoExport::Format::WebM
               ? "videoconvert ! video/x-raw,format=I420 ! x264enc speed-preset=veryfast pass=qual "
                 "quantizer=18 "
                 "! capsfilter caps=video/x-h264,profile=high"
               : "videoconvert ! vp8enc deadline=1 cpu-used=4 end-usage=cq cq-level=8 target-bitrate=8000000";
}

const char* soundChain(VideoExport::Format format)
{
    switch (format) {
    case VideoExport::Format::Mp4:
        return "queue max-size-buffers=0 max-size-bytes=0 max-size-time=10000000000 ! audioconvert ! "
               "audioresample ! avenc_aac";
    case VideoExport::Format::Mp4Piece:
        // Lossless and without an encoder's delay, so that joined parts sound as the whole would.
        return "queue max-size-buffers=0 max-size-bytes=0 max-size-time=10000000000 ! audioconvert ! "
               "audioresample ! audio/x-raw,format=S32LE ! avenc_alac";
    case VideoExport::Format::WebM:
        break;
    }
    return "queue max-size-buffers=0 max-size-bytes=0 max-size-time=10000000000 ! audioconvert ! "
           "audioresample ! vorbisenc";
}

// The sink reads frames through their video meta, so that the decoder may hand
// over frames with its own line padding instead of copying them into a
// tightly packed buffer.
GstPadProbeReturn acceptVideoMeta(GstPad*, GstPadProbeInfo* info, gpointer)
{
    GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
    if (GST_QUERY_TYPE(query) == GST_QUERY_ALLOCATION &&
        !gst_query_find_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr))
        gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
    return GST_PAD_PROBE_OK;
}

GstElement* make(const char* factory, const char* name = nullptr)
{
    return gst_element_factory_make(factory, name);
}

} // namespace

void VideoExport::MappedFrameRelease::operator()(GstVideoFrame* frame) const
{
    GstBuffer* buffer = frame->buffer;
    gst_video_frame_unmap(frame);
    gst_buffer_unref(buffer);
    delete frame;
}

VideoExport::VideoExport(std::chrono::milliseconds stallLimit)
    : stallLimit_(stallLimit), pipeline_(stallLimit),
      colours_(std::make_unique<I420Blend>(I420Blend::bt601()))
{
}

VideoExport::~VideoExport()
{
    pipeline_.stop();
}

bool VideoExport::checkBus()
{
    if (const std::string failure = pipeline_.popBusError(); !failure.empty()) {
        LOG("rendering failed: ", failure);
        return pipeline_.fail("the movie cannot be rendered: " + failure);
    }
    if (linkFailed_)
        return pipeline_.fail("the movie's sound cannot be copied into the output");
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
    gst_bin_add(GST_BIN(self->pipeline_.get()), chain);
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
        return pipeline_.fail("not a readable file: " + movie.string());
    gst_init(nullptr, nullptr);
    GError* raw = nullptr;
    const GCharPtr uri(gst_filename_to_uri(movie.c_str(), &raw));
    const GErrorPtr uriError(raw);
    if (!uri)
        return pipeline_.fail("cannot name the movie as a URI: " + movie.string());

    pipeline_.adopt(gst_pipeline_new("gaze-render"));
    GstElement* decoder = make("uridecodebin", "decoder");
    videoIn_ = make("queue");
    GstElement* convert = make("videoconvert");
    frames_ = make("appsink", "frames");
    encoder_ = make("appsrc", "drawn");
    GstElement* chain = gst_parse_bin_from_description(videoChain(format), TRUE, &raw);
    const GErrorPtr chainError(raw);
    muxer_ = make(format == Format::WebM ? "webmmux" : "mp4mux", "muxer");
    GstElement* file = make("filesink");
    if (decoder == nullptr || videoIn_ == nullptr || convert == nullptr || frames_ == nullptr ||
        encoder_ == nullptr || chain == nullptr || muxer_ == nullptr || file == nullptr) {
        LOG("gst_element_factory_make() failed: ", chainError ? chainError->message : "a plugin is missing");
        for (GstElement* element : {decoder, videoIn_, convert, frames_, encoder_, chain, muxer_, file})
            if (element != nullptr)
                gst_object_unref(gst_object_ref_sink(element));
        videoIn_ = frames_ = encoder_ = muxer_ = nullptr;
        return pipeline_.fail(
            "the GStreamer elements for this output are missing (plugins base, good, ugly and libav)");
    }
    gst_bin_add_many(GST_BIN(pipeline_.get()), decoder, videoIn_, convert, frames_, encoder_, chain, muxer_,
                     file, nullptr);

    g_object_set(decoder, "uri", uri.get(), nullptr);
    const GstCapsPtr frameCaps(gst_caps_from_string("video/x-raw,format=I420,pixel-aspect-ratio=1/1"));
    // Without a last sample of its own the sink leaves each frame to the caller
    // alone, who may then draw into it without a copy.
    g_object_set(frames_, "caps", frameCaps.get(), "sync", FALSE, "max-buffers", 4, "enable-last-sample",
                 FALSE, nullptr);
    g_object_set(encoder_, "format", GST_FORMAT_TIME, "block", TRUE, nullptr);
    // The file fills only once frames are drawn, so it must not hold up the start.
    g_object_set(file, "location", output.c_str(), "async", FALSE, nullptr);
    if (!gst_element_link_many(videoIn_, convert, frames_, nullptr) ||
        !gst_element_link_many(encoder_, chain, nullptr) ||
        !gst_element_link_pads(chain, "src", muxer_, "video_%u") || !gst_element_link(muxer_, file))
        return pipeline_.fail("cannot link the rendering pipeline");
    GstObjectPtr<GstPad> framesIn(gst_element_get_static_pad(frames_, "sink"));
    gst_pad_add_probe(framesIn.get(), GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, &acceptVideoMeta, nullptr,
                      nullptr);
    g_signal_connect(decoder, "pad-added", G_CALLBACK(&VideoExport::onPadAdded), this);
    g_signal_connect(decoder, "no-more-pads", G_CALLBACK(&VideoExport::onNoMorePads), this);

    gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
    if (!waitForPreroll())
        return false;
    GstObjectPtr<GstPad> pad(gst_element_get_static_pad(frames_, "sink"));
    const GstCapsPtr caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get()))
        return pipeline_.fail("the movie holds no video that can be decoded");
    size_ = QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
    // Both encoders take 4:2:0 pictures, whose colour planes halve each side.
    if (size_.width() % 2 != 0 || size_.height() % 2 != 0)
        return pipeline_.fail(
            "the movie is " + std::to_string(size_.width()) + "x" + std::to_string(size_.height()) +
            " pixels; a video can only be written at an even width and height (pictures with --at "
            "work at any size)");
    if (GST_VIDEO_INFO_FPS_D(&info) != 0 && GST_VIDEO_INFO_FPS_N(&info) > 0) {
        rateNum_ = GST_VIDEO_INFO_FPS_N(&info);
        rateDen_ = GST_VIDEO_INFO_FPS_D(&info);
        frameRate_ = static_cast<double>(rateNum_) / rateDen_;
        frameDurationNs_ = gst_util_uint64_scale(GST_SECOND, rateDen_, rateNum_);
    }
    gdouble kr = 0.0;
    gdouble kb = 0.0;
    if (gst_video_color_matrix_get_Kr_Kb(info.colorimetry.matrix, &kr, &kb)) {
        gint offset[GST_VIDEO_MAX_COMPONENTS] = {};
        gint scale[GST_VIDEO_MAX_COMPONENTS] = {};
        gst_video_color_range_offsets(info.colorimetry.range, info.finfo, offset, scale);
        colours_ = std::make_unique<I420Blend>(kr, kb, offset, scale);
    }
    // The encoder takes the decoded frames as they are, colour information included.
    gst_app_src_set_caps(GST_APP_SRC(encoder_), caps.get());
    // A few frames of room: the encoder works while the next ones are drawn.
    g_object_set(encoder_, "max-bytes", static_cast<guint64>(GST_VIDEO_INFO_SIZE(&info)) * 4, nullptr);
    return checkBus();
}

bool VideoExport::waitForPreroll()
{
    return pipeline_.waitForPreroll(noVideo_, [this] { return checkBus(); });
}

std::int64_t VideoExport::durationMs() const
{
    gint64 duration = -1;
    if (pipeline_.get() == nullptr || !gst_element_query_duration(frames_, GST_FORMAT_TIME, &duration) ||
        duration < 0)
        return -1;
    return static_cast<std::int64_t>(duration / GST_MSECOND);
}

bool VideoExport::limit(std::int64_t fromMs, std::optional<std::int64_t> toMs)
{
    if (!pipeline_.usable())
        return false;
    std::uint64_t startNs = static_cast<std::uint64_t>(fromMs) * GST_MSECOND;
    std::optional<std::uint64_t> stopNs;
    if (toMs)
        stopNs = static_cast<std::uint64_t>(*toMs) * GST_MSECOND;
    if (rateNum_ > 0) {
        // Cut where frames start, so that neighbouring parts share their cut.
        const auto firstAtOrAfter = [this](std::int64_t ms) {
            return gst_util_uint64_scale_ceil(static_cast<guint64>(ms), static_cast<guint64>(rateNum_),
                                              static_cast<guint64>(rateDen_) * 1000);
        };
        const auto startOf = [this](std::uint64_t frame) {
            return gst_util_uint64_scale(frame, static_cast<guint64>(rateDen_) * GST_SECOND,
                                         static_cast<guint64>(rateNum_));
        };
        firstFrame_ = firstAtOrAfter(fromMs);
        startNs = startOf(firstFrame_);
        if (toMs) {
            endFrame_ = firstAtOrAfter(*toMs);
            stopNs = startOf(*endFrame_);
        }
    }
    // Sent through the video's sink only: the decoder moves the sound along and
    // cuts it at the same times, and the encoding side never sees a seek of its own.
    GstEvent* seek = gst_event_new_seek(
        1.0, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
        GST_SEEK_TYPE_SET, static_cast<gint64>(startNs), stopNs ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE,
        stopNs ? static_cast<gint64>(*stopNs) : GST_CLOCK_TIME_NONE);
    if (!gst_element_send_event(frames_, seek)) {
        LOG("gst_element_send_event() failed: ", fromMs);
        return pipeline_.fail("the movie cannot be sought to " + std::to_string(fromMs) + " ms");
    }
    return waitForPreroll();
}

bool VideoExport::inPart(std::uint64_t ptsNs, std::uint64_t& outputNs)
{
    // Frames are told apart by their number rather than their exact time: a
    // container may round a frame's time to either side of a cut.
    std::uint64_t frame = gst_util_uint64_scale_round(ptsNs, static_cast<guint64>(rateNum_),
                                                      static_cast<guint64>(rateDen_) * GST_SECOND);
    if (frame < firstFrame_ || (endFrame_ && frame >= *endFrame_))
        return false;
    // A movie whose frames come faster than its stated rate must not give two
    // frames one time: the later one takes the next.
    if (lastFrame_ && frame <= *lastFrame_)
        frame = *lastFrame_ + 1;
    lastFrame_ = frame;
    outputNs = gst_util_uint64_scale(frame - firstFrame_, static_cast<guint64>(rateDen_) * GST_SECOND,
                                     static_cast<guint64>(rateNum_));
    return true;
}

bool VideoExport::next(Frame& frame)
{
    frame.mapped.reset();
    if (!pipeline_.usable())
        return false;
    GstState state = GST_STATE_NULL;
    gst_element_get_state(pipeline_.get(), &state, nullptr, 0);
    if (state != GST_STATE_PLAYING)
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
    for (;;) {
        GstSample* sample = pipeline_.pullSample(frames_, [this] { return checkBus(); });
        if (sample == nullptr)
            return false;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        const GstSegment* segment = gst_sample_get_segment(sample);
        GstVideoInfo info;
        if (buffer == nullptr || !gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
            GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_I420 ||
            GST_VIDEO_INFO_WIDTH(&info) != size_.width() || GST_VIDEO_INFO_HEIGHT(&info) != size_.height()) {
            gst_sample_unref(sample);
            return pipeline_.fail("the decoder gave a frame in an unexpected format");
        }
        const GstClockTime pts = GST_BUFFER_PTS(buffer);
        // The movie's own time, which seeks and the results count in; a stream
        // may stamp its frames from elsewhere.
        guint64 movieNs = pts;
        if (segment != nullptr && GST_CLOCK_TIME_IS_VALID(pts)) {
            guint64 streamNs = 0;
            const int sign = gst_segment_to_stream_time_full(segment, GST_FORMAT_TIME, pts, &streamNs);
            movieNs = sign > 0 ? streamNs : sign < 0 ? 0 : pts;
        }
        std::uint64_t outputNs = 0;
        if (rateNum_ > 0 && GST_CLOCK_TIME_IS_VALID(movieNs)) {
            if (!inPart(movieNs, outputNs)) {
                gst_sample_unref(sample);
                continue;
            }
            runningTimeNs_ = outputNs;
        } else {
            const GstClockTime running = segment != nullptr && GST_CLOCK_TIME_IS_VALID(pts)
                                             ? gst_segment_to_running_time(segment, GST_FORMAT_TIME, pts)
                                             : GST_CLOCK_TIME_NONE;
            runningTimeNs_ = GST_CLOCK_TIME_IS_VALID(running) ? running : runningTimeNs_ + frameDurationNs_;
            if (GST_BUFFER_DURATION_IS_VALID(buffer))
                frameDurationNs_ = GST_BUFFER_DURATION(buffer);
        }
        frame.timeMs =
            GST_CLOCK_TIME_IS_VALID(movieNs) ? static_cast<std::int64_t>(movieNs / GST_MSECOND) : -1;
        // The sample was the only other holder of the buffer: making it writable copies nothing then.
        GstBuffer* own = gst_buffer_make_writable(gst_buffer_ref(buffer));
        gst_sample_unref(sample);
        auto* mapped = new GstVideoFrame;
        // Unreferenced by the mapping, the buffer stays writable while it is drawn on.
        if (!gst_video_frame_map(
                mapped, &info, own,
                static_cast<GstMapFlags>(GST_MAP_READWRITE |
                                         static_cast<int>(GST_VIDEO_FRAME_MAP_FLAG_NO_REF)))) {
            delete mapped;
            gst_buffer_unref(own);
            LOG("gst_video_frame_map() failed: ", frame.timeMs);
            return pipeline_.fail("a decoded frame cannot be drawn on");
        }
        frame.mapped.reset(mapped);
        for (int plane = 0; plane < 3; ++plane) {
            frame.planes.data[plane] = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(mapped, plane));
            frame.planes.stride[plane] = GST_VIDEO_FRAME_PLANE_STRIDE(mapped, plane);
        }
        frame.planes.width = size_.width();
        frame.planes.height = size_.height();
        return true;
    }
}

bool VideoExport::put(Frame& frame)
{
    if (!pipeline_.usable())
        return false;
    if (!frame.mapped)
        return pipeline_.fail("a frame was handed back twice");
    GstBuffer* buffer = gst_buffer_ref(frame.mapped->buffer);
    frame.mapped.reset();
    GST_BUFFER_PTS(buffer) = runningTimeNs_;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(buffer) = frameDurationNs_ != 0 ? frameDurationNs_ : GST_CLOCK_TIME_NONE;
    const GstFlowReturn flow = gst_app_src_push_buffer(GST_APP_SRC(encoder_), buffer);
    if (flow != GST_FLOW_OK) {
        checkBus();
        LOG("gst_app_src_push_buffer() failed: ", static_cast<int>(flow));
        return pipeline_.fail("the encoder refused a frame");
    }
    return checkBus();
}

bool VideoExport::finish()
{
    if (!pipeline_.usable())
        return false;
    gst_app_src_end_of_stream(GST_APP_SRC(encoder_));
    GstObjectPtr<GstBus> bus(gst_element_get_bus(pipeline_.get()));
    // The movie's sound may run on past its last frame; the file is done once
    // every stream has ended.
    const GstMessagePtr message(
        gst_bus_timed_pop_filtered(bus.get(), static_cast<GstClockTime>(stallLimit_.count()) * GST_MSECOND,
                                   static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    if (!message) {
        LOG("gst_bus_timed_pop_filtered() failed: ", stallLimit_.count());
        return pipeline_.fail("the output was not finished in time");
    }
    if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR) {
        GError* raw = nullptr;
        gst_message_parse_error(message.get(), &raw, nullptr);
        const GErrorPtr failure(raw);
        LOG("rendering failed: ", failure ? failure->message : "unknown error");
        return pipeline_.fail(std::string("the output cannot be finished: ") +
                              (failure ? failure->message : "unknown error"));
    }
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    return true;
}

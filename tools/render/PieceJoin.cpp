#include "render/PieceJoin.h"

#include "common/Logger.h"
#include "player/media/GstRef.h"

#include <gst/pbutils/pbutils.h>

#include <fstream>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace {

// A part's stream waits in a queue while the other stream of the same part
// already plays: as long as the muxer's interleaving and the encoder's delay
// need, bounded by time rather than by buffer count.
constexpr const char* kWaiting = "queue max-size-time=10000000000 max-size-buffers=0 max-size-bytes=0";
constexpr const char* kWaitingSound =
    "queue max-size-time=10000000000 max-size-buffers=0 max-size-bytes=0 ! avdec_alac";

// The sound of the whole, as a rendering encodes it.
constexpr const char* kSoundEncoding = "audioconvert ! audioresample ! avenc_aac";

struct Streams
{
    bool video = false;
    bool sound = false;
};

// What a part holds; nullopt with the reason when it cannot be read.
std::optional<Streams> streamsOf(const std::filesystem::path& piece, std::string& why)
{
    GError* raw = nullptr;
    GObjectPtr<GstDiscoverer> discoverer(gst_discoverer_new(10 * GST_SECOND, &raw));
    GErrorPtr error(raw);
    const GCharPtr uri(gst_filename_to_uri(piece.c_str(), nullptr));
    if (!discoverer || !uri) {
        why = "cannot be looked at";
        return std::nullopt;
    }
    raw = nullptr;
    GObjectPtr<GstDiscovererInfo> info(gst_discoverer_discover_uri(discoverer.get(), uri.get(), &raw));
    error.reset(raw);
    if (!info || gst_discoverer_info_get_result(info.get()) != GST_DISCOVERER_OK) {
        why = error ? error->message : "not a movie";
        return std::nullopt;
    }
    Streams streams;
    GList* video = gst_discoverer_info_get_video_streams(info.get());
    GList* audio = gst_discoverer_info_get_audio_streams(info.get());
    streams.video = video != nullptr;
    streams.sound = audio != nullptr;
    gst_discoverer_stream_info_list_free(video);
    gst_discoverer_stream_info_list_free(audio);
    return streams;
}

// The join's pipeline: a demuxer per part, whose video and sound each go into
// the next input of one concat element per kind; the concat elements play
// their inputs one after the other, each starting where the last ended. The
// video is copied. The parts keep their sound lossless and exactly as long as
// their frames, so that it is encoded once, for the whole, and as long as the
// movie's: sound encoded per part would carry each encoder's start-up delay
// and padding into the middle of the film.
struct Pipeline
{
    GstElement* bin = nullptr;
    GstElement* videoConcat = nullptr;
    GstElement* soundConcat = nullptr;
    struct Part
    {
        Pipeline* owner = nullptr;
        GstPad* video = nullptr; // the concat inputs of this part
        GstPad* sound = nullptr;
    };
    std::vector<Part> parts;
    std::mutex mutex;
    std::optional<std::string> unexpected; // the kind of a stream that cannot be joined
    // The sound as one stream: the segment of the first part, and of the part playing.
    bool soundStarted = false;
    GstSegment firstSound;
    GstSegment currentSound;

    ~Pipeline()
    {
        for (Part& part : parts)
            for (GstPad* pad : {part.video, part.sound})
                if (pad != nullptr)
                    gst_object_unref(pad);
        if (bin != nullptr) {
            gst_element_set_state(bin, GST_STATE_NULL);
            gst_object_unref(bin);
        }
    }

    // An audio encoder starts afresh at a new segment or a break in the stream,
    // with its delay and padding again: the parts' sound is handed on as one
    // stream in the first part's segment instead. Runs on the streaming thread.
    static GstPadProbeReturn onSound(GstPad*, GstPadProbeInfo* info, Pipeline* self)
    {
        if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT)
                return GST_PAD_PROBE_OK;
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(event, &segment);
            gst_segment_copy_into(segment, &self->currentSound);
            if (self->soundStarted)
                return GST_PAD_PROBE_DROP;
            // The first part's segment ends with that part; the joined sound goes on.
            gst_segment_copy_into(segment, &self->firstSound);
            self->firstSound.stop = GST_CLOCK_TIME_NONE;
            self->firstSound.duration = GST_CLOCK_TIME_NONE;
            self->soundStarted = true;
            gst_event_unref(event);
            GST_PAD_PROBE_INFO_DATA(info) = gst_event_new_segment(&self->firstSound);
            return GST_PAD_PROBE_OK;
        }
        GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        const GstClockTime running =
            gst_segment_to_running_time(&self->currentSound, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
        if (GST_CLOCK_TIME_IS_VALID(running))
            GST_BUFFER_PTS(buffer) =
                gst_segment_position_from_running_time(&self->firstSound, GST_FORMAT_TIME, running);
        GST_BUFFER_FLAG_UNSET(buffer, GST_BUFFER_FLAG_DISCONT);
        return GST_PAD_PROBE_OK;
    }

    static void onPadAdded(GstElement*, GstPad* pad, Part* part)
    {
        const GstCapsPtr caps(gst_pad_query_caps(pad, nullptr));
        const std::string name = caps && !gst_caps_is_empty(caps.get())
                                     ? gst_structure_get_name(gst_caps_get_structure(caps.get(), 0))
                                     : "";
        const bool video = name == "video/x-h264";
        const bool sound = name == "audio/x-alac";
        Pipeline& self = *part->owner;
        const std::lock_guard<std::mutex> lock(self.mutex);
        GstPad*& input = video ? part->video : part->sound;
        if ((!video && !sound) || input == nullptr) {
            self.unexpected = name;
            return;
        }
        // A queue lets a part's stream wait for its turn without holding up its
        // other stream, which may already be playing.
        GstElement* chain = gst_parse_bin_from_description(video ? kWaiting : kWaitingSound, TRUE, nullptr);
        if (chain == nullptr) {
            self.unexpected = name;
            return;
        }
        gst_bin_add(GST_BIN(self.bin), chain);
        GstObjectPtr<GstPad> chainIn(gst_element_get_static_pad(chain, "sink"));
        GstObjectPtr<GstPad> chainOut(gst_element_get_static_pad(chain, "src"));
        gst_element_sync_state_with_parent(chain);
        if (gst_pad_link(chainOut.get(), input) != GST_PAD_LINK_OK ||
            gst_pad_link(pad, chainIn.get()) != GST_PAD_LINK_OK) {
            LOG("gst_pad_link() failed: ", name);
            self.unexpected = name;
        }
        gst_object_unref(input);
        input = nullptr;
    }
};

} // namespace

PieceJoin::PieceJoin(std::chrono::milliseconds stallLimit) : stallLimit_(stallLimit) {}

bool PieceJoin::fail(const std::string& text)
{
    if (error_.empty())
        error_ = text;
    return false;
}

bool PieceJoin::join(const std::filesystem::path& output, const std::vector<std::filesystem::path>& pieces)
{
    gst_init(nullptr, nullptr);
    if (output.extension() != ".mp4")
        return fail("the joined output must end in .mp4");
    if (pieces.empty())
        return fail("no parts to join");
    std::optional<Streams> first;
    for (const auto& piece : pieces) {
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(piece, ignored))
            return fail("not a readable file: " + piece.string());
        if (piece.extension() != ".mp4")
            return fail("the part " + piece.string() + " is not an .mp4 file");
        std::string why;
        const auto streams = streamsOf(piece, why);
        if (!streams)
            return fail("the part " + piece.string() + " cannot be read: " + why);
        if (!streams->video)
            return fail("the part " + piece.string() + " holds no video");
        if (first && first->sound != streams->sound)
            return fail(
                "the parts do not fit together: " + piece.string() +
                (streams->sound ? " has sound, the first part none" : " has no sound, the first part has"));
        first = streams;
    }

    std::filesystem::path partial = output;
    partial += ".part-" + std::to_string(::getpid());
    std::error_code ignored;
    const auto abandon = [&](const std::string& text) {
        std::filesystem::remove(partial, ignored);
        return fail(text);
    };
    // The output's folder is tried first, so that a failure later is the parts'.
    if (!std::ofstream(partial, std::ios::binary))
        return fail("cannot write " + output.string());

    Pipeline pipeline;
    pipeline.bin = gst_pipeline_new("gaze-render-join");
    GstElement* muxer = gst_element_factory_make("mp4mux", nullptr);
    GstElement* file = gst_element_factory_make("filesink", nullptr);
    pipeline.videoConcat = gst_element_factory_make("concat", nullptr);
    pipeline.soundConcat = first->sound ? gst_element_factory_make("concat", nullptr) : nullptr;
    GstElement* soundEncoder =
        first->sound ? gst_parse_bin_from_description(kSoundEncoding, TRUE, nullptr) : nullptr;
    if (muxer == nullptr || file == nullptr || pipeline.videoConcat == nullptr ||
        (first->sound && (pipeline.soundConcat == nullptr || soundEncoder == nullptr))) {
        LOG("gst_element_factory_make() failed: ", "concat, muxer or sound encoder");
        for (GstElement* element : {muxer, file, pipeline.videoConcat, pipeline.soundConcat, soundEncoder})
            if (element != nullptr)
                gst_object_unref(gst_object_ref_sink(element));
        return fail("the GStreamer elements for joining are missing (plugins base, good and libav)");
    }
    gst_bin_add_many(GST_BIN(pipeline.bin), muxer, file, pipeline.videoConcat, nullptr);
    g_object_set(file, "location", partial.c_str(), nullptr);
    bool linked = gst_element_link(muxer, file) &&
                  gst_element_link_pads(pipeline.videoConcat, "src", muxer, "video_%u");
    if (pipeline.soundConcat != nullptr) {
        gst_bin_add_many(GST_BIN(pipeline.bin), pipeline.soundConcat, soundEncoder, nullptr);
        linked = linked && gst_element_link(pipeline.soundConcat, soundEncoder) &&
                 gst_element_link_pads(soundEncoder, "src", muxer, "audio_%u");
        GstObjectPtr<GstPad> joined(gst_element_get_static_pad(pipeline.soundConcat, "src"));
        gst_pad_add_probe(
            joined.get(),
            static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
            reinterpret_cast<GstPadProbeCallback>(&Pipeline::onSound), &pipeline, nullptr);
    }
    // Inputs are asked for up front, in the parts' order: concat plays them in that order.
    pipeline.parts.resize(pieces.size());
    for (size_t i = 0; i < pieces.size() && linked; ++i) {
        Pipeline::Part& part = pipeline.parts[i];
        part.owner = &pipeline;
        part.video = gst_element_request_pad_simple(pipeline.videoConcat, "sink_%u");
        if (pipeline.soundConcat != nullptr)
            part.sound = gst_element_request_pad_simple(pipeline.soundConcat, "sink_%u");
        GstElement* source = gst_element_factory_make("filesrc", nullptr);
        GstElement* demuxer = gst_element_factory_make("qtdemux", nullptr);
        if (source == nullptr || demuxer == nullptr || part.video == nullptr) {
            for (GstElement* element : {source, demuxer})
                if (element != nullptr)
                    gst_object_unref(gst_object_ref_sink(element));
            linked = false;
            break;
        }
        gst_bin_add_many(GST_BIN(pipeline.bin), source, demuxer, nullptr);
        g_object_set(source, "location", pieces[i].c_str(), nullptr);
        g_signal_connect(demuxer, "pad-added", G_CALLBACK(&Pipeline::onPadAdded), &part);
        linked = gst_element_link(source, demuxer);
    }
    if (!linked)
        return abandon("cannot build the pipeline that joins the parts");

    gst_element_set_state(pipeline.bin, GST_STATE_PLAYING);
    GstObjectPtr<GstBus> bus(gst_element_get_bus(pipeline.bin));
    // A join reads and writes at the disk's pace; it has stalled when the
    // output stops growing.
    std::uintmax_t lastSize = 0;
    auto lastGrowth = std::chrono::steady_clock::now();
    for (;;) {
        const GstMessagePtr message(gst_bus_timed_pop_filtered(
            bus.get(), 200 * GST_MSECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        if (message && GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS)
            break;
        if (message) {
            GError* raw = nullptr;
            gst_message_parse_error(message.get(), &raw, nullptr);
            const GErrorPtr failure(raw);
            LOG("joining failed: ", failure ? failure->message : "unknown error");
            return abandon(std::string("the parts cannot be joined: ") +
                           (failure ? failure->message : "unknown error"));
        }
        {
            const std::lock_guard<std::mutex> lock(pipeline.mutex);
            if (pipeline.unexpected)
                return abandon(
                    *pipeline.unexpected == "audio/mpeg"
                        ? "the parts' sound is not lossless: render them with --piece"
                        : "the parts do not fit together: a part holds " +
                              (pipeline.unexpected->empty() ? "an unknown stream" : *pipeline.unexpected));
        }
        const std::uintmax_t size = std::filesystem::file_size(partial, ignored);
        const auto now = std::chrono::steady_clock::now();
        if (size != lastSize) {
            lastSize = size;
            lastGrowth = now;
        } else if (now - lastGrowth > stallLimit_) {
            LOG("gst_bus_timed_pop_filtered() failed: ", stallLimit_.count());
            return abandon("joining the parts stalled");
        }
    }
    gst_element_set_state(pipeline.bin, GST_STATE_NULL);
    std::filesystem::rename(partial, output, ignored);
    if (ignored)
        return abandon("cannot write " + output.string() + ": " + ignored.message());
    return true;
}

#pragma once

#include "player/media/BatchPipeline.h"
#include "render/I420Blend.h"

#include <QSize>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;
typedef struct _GstVideoFrame GstVideoFrame;

// One pass over a movie that hands out its decoded frames and encodes the
// frames given back into a new file, with the movie's sound copied beside
// them. The frames come as fast as they are taken back (no playback clock).
// Frames stay in the encoder's own format (I420) from the decoder to the
// encoder, so the caller changes only the pixels it draws on. Decoding runs on
// GStreamer's streaming threads ahead of the caller and encoding on the
// source's own thread behind it, each with a queue of a few frames.
// Used from one thread; GStreamer's threads only link the decoder's pads.
class VideoExport
{
public:
    enum class Format
    {
        Mp4,      // H.264 and AAC sound
        Mp4Piece, // H.264 and lossless sound (ALAC), a part to be joined with others
        WebM      // VP8 and Vorbis sound
    };

    struct MappedFrameRelease
    {
        void operator()(GstVideoFrame* frame) const;
    };
    // A decoded frame, mapped for writing in place.
    struct Frame
    {
        I420Planes planes;
        std::int64_t timeMs = -1; // presentation time in the movie
        std::unique_ptr<GstVideoFrame, MappedFrameRelease> mapped;
    };

    explicit VideoExport(std::chrono::milliseconds stallLimit = std::chrono::seconds(30));
    ~VideoExport();
    VideoExport(const VideoExport&) = delete;
    VideoExport& operator=(const VideoExport&) = delete;

    // Builds the pass and decodes the first frame. The output file is created
    // (or emptied) at once. False with error() set when the movie has no video
    // or the encoders are missing.
    bool open(const std::filesystem::path& movie, const std::filesystem::path& output, Format format);
    // Limits the pass to the frames that start in [fromMs, toMs) of the movie;
    // before the first next(). The part is cut at the start of its first
    // frame and at the start of the first frame after it, sound included, and
    // its times count from the cut: parts cut at the same times follow each
    // other without a gap or a frame twice.
    bool limit(std::int64_t fromMs, std::optional<std::int64_t> toMs);

    QSize frameSize() const { return size_; }
    double frameRate() const { return frameRate_; }
    std::int64_t durationMs() const;
    bool hasSound() const { return hasSound_; }
    // How the frames' colours are coded, for drawing into them.
    const I420Blend& colours() const { return *colours_; }

    // The next decoded frame; false at the end of the pass or on a failure.
    bool next(Frame& frame);
    // Encodes the frame next() gave last, as it now is.
    bool put(Frame& frame);
    // Ends the pass and waits until the file is complete.
    bool finish();

    const std::string& error() const { return pipeline_.error(); }

private:
    static void onPadAdded(GstElement* decoder, GstPad* pad, VideoExport* self);
    static void onNoMorePads(GstElement* decoder, VideoExport* self);
    bool checkBus();
    bool waitForPreroll();
    bool inPart(std::uint64_t ptsNs, std::uint64_t& outputNs);

    std::chrono::milliseconds stallLimit_;
    BatchPipeline pipeline_;
    GstElement* frames_ = nullptr;  // appsink of the decoded video
    GstElement* encoder_ = nullptr; // appsrc of the drawn video
    GstElement* videoIn_ = nullptr; // first element after the decoder's video pad
    GstElement* muxer_ = nullptr;
    Format format_ = Format::Mp4;
    std::atomic<bool> hasSound_{false};
    std::atomic<bool> linkFailed_{false};
    std::atomic<bool> noVideo_{false};
    QSize size_;
    double frameRate_ = 0.0;
    int rateNum_ = 0; // the frame rate as a fraction; 0 when the movie gives none
    int rateDen_ = 1;
    std::uint64_t firstFrame_ = 0;           // frame numbers of the part, counted from the movie's start
    std::optional<std::uint64_t> endFrame_;  // the first one after it
    std::optional<std::uint64_t> lastFrame_; // the number of the frame handed out last
    std::unique_ptr<I420Blend> colours_;
    std::uint64_t runningTimeNs_ = 0;
    std::uint64_t frameDurationNs_ = 0;
};

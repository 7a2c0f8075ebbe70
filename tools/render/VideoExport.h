#pragma once

#include <QImage>
#include <QSize>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;

// One pass over a movie that hands out its decoded frames and encodes the
// frames given back into a new file, with the movie's sound copied beside
// them. The frames come as fast as they are taken back (no playback clock).
// Used from one thread; GStreamer's threads only link the decoder's pads.
class VideoExport
{
public:
    enum class Format
    {
        Mp4, // H.264 and AAC sound
        WebM // VP8 and Vorbis sound
    };

    struct Frame
    {
        QImage image;        // RGB32; shares the decoder's buffer while it lives
        std::int64_t timeMs; // presentation time in the movie
    };

    explicit VideoExport(std::chrono::milliseconds stallLimit = std::chrono::seconds(30));
    ~VideoExport();
    VideoExport(const VideoExport&) = delete;
    VideoExport& operator=(const VideoExport&) = delete;

    // Builds the pass and decodes the first frame. The output file is created
    // (or emptied) at once. False with error() set when the movie has no video
    // or the encoders are missing.
    bool open(const std::filesystem::path& movie, const std::filesystem::path& output, Format format);
    // Limits the pass to [fromMs, toMs) of the movie; before the first next().
    bool limit(std::int64_t fromMs, std::optional<std::int64_t> toMs);

    QSize frameSize() const { return size_; }
    double frameRate() const { return frameRate_; }
    std::int64_t durationMs() const;
    bool hasSound() const { return hasSound_; }

    // The next decoded frame; false at the end of the pass or on a failure.
    bool next(Frame& frame);
    // Encodes the frame in place of the one next() gave last (same size).
    bool put(const QImage& image);
    // Ends the pass and waits until the file is complete.
    bool finish();

    const std::string& error() const { return error_; }

private:
    static void onPadAdded(GstElement* decoder, GstPad* pad, VideoExport* self);
    static void onNoMorePads(GstElement* decoder, VideoExport* self);
    bool fail(const std::string& text);
    bool checkBus();
    bool waitForPreroll();

    std::chrono::milliseconds stallLimit_;
    GstElement* pipeline_ = nullptr;
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
    std::uint64_t runningTimeNs_ = 0;
    std::uint64_t frameDurationNs_ = 0;
    std::string error_;
};

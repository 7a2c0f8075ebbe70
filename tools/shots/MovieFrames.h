#pragma once

#include "player/media/BatchPipeline.h"

#include <QImage>
#include <QSize>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

typedef struct _GstElement GstElement;

// The decoded frames of a movie's video, one after the other, as fast as they
// can be decoded (no playback clock). Sound is ignored. Used from one thread.
class MovieFrames
{
public:
    struct Frame
    {
        QImage image;        // RGB32; shares the decoder's buffer while it lives
        std::int64_t timeMs; // presentation time in the movie
    };

    // size: frames are scaled to it; an empty size keeps the movie's own.
    // stallLimit: how long the decoder may deliver nothing before it counts as stuck.
    explicit MovieFrames(QSize size = {}, std::chrono::milliseconds stallLimit = std::chrono::seconds(30));
    ~MovieFrames();
    MovieFrames(const MovieFrames&) = delete;
    MovieFrames& operator=(const MovieFrames&) = delete;

    // Builds and starts the decoder. A path that is not a regular file, or a
    // file without a video stream, gives false and error() tells why.
    bool open(const std::filesystem::path& movie);

    // The next frame in presentation order. False at the end of the movie, and
    // on a failure, when error() is no longer empty.
    bool next(Frame& frame);

    // Jumps so that the next frame is the one shown at timeMs. False when the
    // movie cannot be sought; error() tells why.
    bool seek(std::int64_t timeMs);

    // Frames per second that the video declares; 0 when it declares none.
    double frameRate() const { return frameRate_; }
    // The movie's length, or -1 when it cannot tell.
    std::int64_t durationMs() const;
    const std::string& error() const { return pipeline_.error(); }

private:
    bool checkBus();
    void readCaps(GstElement* sink);
    bool waitForPreroll();

    QSize size_;
    BatchPipeline pipeline_;
    GstElement* sink_ = nullptr;
    GstElement* convert_ = nullptr;
    double frameRate_ = 0.0;
    std::atomic<bool> noVideo_{false};
};

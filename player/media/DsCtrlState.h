#pragma once

// The process-wide state behind the DsCtrl functions; private to this library.

#include "player/media/FrameDelivery.h"
#include "player/media/GstRef.h"
#include "player/media/MediaResult.h"
#include "player/media/MixerBitmap.h"
#include "player/media/VideoWindow.h"

#include <QRect>
#include <QSize>
#include <QTimer>
#include <cstdint>
#include <memory>

namespace DsCtrl::detail {

struct MovieState
{
    MovieState() = default;
    MovieState& operator=(MovieState&&) = default;
    // A movie still open at exit is stopped before its frame delivery goes away.
    ~MovieState();

    GstElement* graph = nullptr;     // the playbin, owned
    GstElement* videoSink = nullptr; // the appsink inside it, owned
    GstBus* bus = nullptr;           // owned
    VideoWindow* window = nullptr;
    std::unique_ptr<FrameDelivery> frames;
    std::unique_ptr<MixerBitmap> mixer;
    QTimer* busPoll = nullptr; // deleted later: it may be closing the movie itself
    std::int32_t timePerFrame = 0;
    QRect videoRect;
    QRect sourceRect;
    double rate = 1.0;
    std::int64_t lastPositionNs = 0;
    bool completed = false;
};

MovieState& state();

// Loads GStreamer on first use; false (logged) when it cannot start.
bool initGstreamer(MediaResult& result);

// Waits a bounded time for a pending state change; the code of the pipeline's
// error when it failed.
MediaResult waitForStateChange(GstClockTime timeout);
// The code of the first error waiting on the bus (logged), or Fail.
MediaResult takeBusError();

// A file path as a URI; empty when the path cannot be turned into one.
GCharPtr uriFor(const QString& fileName);

} // namespace DsCtrl::detail

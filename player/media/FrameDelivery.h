#pragma once

#include <QImage>
#include <QObject>
#include <atomic>
#include <functional>
#include <mutex>

typedef struct _GstSample GstSample;
typedef struct _GstAppSink GstAppSink;

// Carries decoded frames from the pipeline's streaming thread to the GUI thread.
// Only the newest frame is kept: a frame that arrives before the GUI thread has
// looked at the previous one replaces it, and the GUI thread is told once.
// The object lives on the GUI thread; offer() may be called from any thread.
class FrameDelivery : public QObject
{
public:
    // onNewFrame runs on this object's thread after a frame arrived.
    explicit FrameDelivery(std::function<void()> onNewFrame);

    // Makes the sink hand every preroll frame and every played frame to offer().
    // The sink must be stopped before this object is destroyed.
    void attach(GstAppSink* sink);

    // Wraps the sample's frame without copying its pixels (BGRx and BGRA only;
    // other formats are dropped) and announces it. Does not take the sample.
    void offer(GstSample* sample);

    // The newest frame, or a null image before the first one. The image shares
    // the pipeline's buffer, which stays valid while any copy of it lives.
    QImage newestFrame() const;
    void clear();

    // The frame a sample holds, as an image sharing its buffer; null when the
    // sample carries no frame in a supported format.
    static QImage imageFromSample(GstSample* sample);

private:
    void announce();

    std::function<void()> onNewFrame_;
    mutable std::mutex mutex_;
    QImage newest_;
    std::atomic<bool> announced_{false};
};

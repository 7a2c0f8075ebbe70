#include "player/media/FrameDelivery.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <utility>

namespace {

void unmapFrame(void* info)
{
    auto* frame = static_cast<GstVideoFrame*>(info);
    gst_video_frame_unmap(frame);
    delete frame;
}

GstFlowReturn onPreroll(GstAppSink* sink, gpointer self)
{
    if (GstSample* sample = gst_app_sink_pull_preroll(sink)) {
        static_cast<FrameDelivery*>(self)->offer(sample);
        gst_sample_unref(sample);
    }
    return GST_FLOW_OK;
}

GstFlowReturn onSample(GstAppSink* sink, gpointer self)
{
    if (GstSample* sample = gst_app_sink_pull_sample(sink)) {
        static_cast<FrameDelivery*>(self)->offer(sample);
        gst_sample_unref(sample);
    }
    return GST_FLOW_OK;
}

} // namespace

FrameDelivery::FrameDelivery(std::function<void()> onNewFrame) : onNewFrame_(std::move(onNewFrame)) {}

void FrameDelivery::attach(GstAppSink* sink)
{
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &onPreroll;
    callbacks.new_sample = &onSample;
    gst_app_sink_set_callbacks(sink, &callbacks, this, nullptr);
}

QImage FrameDelivery::imageFromSample(GstSample* sample)
{
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (caps == nullptr || buffer == nullptr || !gst_video_info_from_caps(&info, caps))
        return {};
    QImage::Format format;
    switch (GST_VIDEO_INFO_FORMAT(&info)) {
    case GST_VIDEO_FORMAT_BGRx:
        format = QImage::Format_RGB32;
        break;
    case GST_VIDEO_FORMAT_BGRA:
        format = QImage::Format_ARGB32;
        break;
    default:
        return {};
    }
    // The mapped frame holds its own reference to the buffer until the last
    // copy of the image is gone.
    auto* frame = new GstVideoFrame;
    if (!gst_video_frame_map(frame, &info, buffer, GST_MAP_READ)) {
        delete frame;
        return {};
    }
    return QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0)),
                  GST_VIDEO_FRAME_WIDTH(frame), GST_VIDEO_FRAME_HEIGHT(frame),
                  GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0), format, &unmapFrame, frame);
}

void FrameDelivery::offer(GstSample* sample)
{
    QImage image = imageFromSample(sample);
    if (image.isNull())
        return;
    {
        std::lock_guard lock(mutex_);
        std::swap(newest_, image);
    }
    // The replaced frame is released here, outside the lock.
    image = QImage();
    if (!announced_.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { announce(); }, Qt::QueuedConnection);
}

void FrameDelivery::announce()
{
    announced_ = false;
    if (onNewFrame_)
        onNewFrame_();
}

QImage FrameDelivery::newestFrame() const
{
    std::lock_guard lock(mutex_);
    return newest_;
}

void FrameDelivery::clear()
{
    QImage old;
    std::lock_guard lock(mutex_);
    std::swap(old, newest_);
}

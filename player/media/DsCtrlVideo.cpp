#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/media/DsCtrl.h"
#include "player/media/DsCtrlState.h"
#include "player/media/VideoPainter.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

namespace DsCtrl {

using detail::state;

namespace {

// Room under the video for the position slider.
constexpr int kSliderHeight = 22;
// The size assumed while the video has not told its own.
constexpr QSize kDefaultNativeSize(128, 128);
// The window size when there is no video to fit it to.
constexpr QSize kWindowSizeWithoutVideo(960, 384);

QSize nativeOrDefault()
{
    const QSize native = NativeVideoSize();
    return native.isEmpty() ? kDefaultNativeSize : native;
}

QRect scaledSource(QSize native, ViewScale scale)
{
    return QRect(0, 0, int(native.width() * scale.x), int(native.height() * scale.y));
}

void placeVideo(const QRect& area, ViewScale scale)
{
    auto& s = state();
    s.sourceRect = scaledSource(nativeOrDefault(), scale);
    s.videoRect = Letterboxed(area, s.sourceRect.size());
    if (s.window != nullptr)
        s.window->videoChanged();
}

} // namespace

MediaResult InitWindowlessVMR(VideoWindow& window)
{
    LOG("start");
    auto& s = state();
    if (s.graph == nullptr) {
        LOG("AddFilter() failed: ", media_result::NoMovie);
        return media_result::NoMovie;
    }
    GstElement* sink = gst_element_factory_make("appsink", "Video Mixing Renderer 9");
    if (sink == nullptr) {
        LOG("CoCreateInstance(#VMR) failed: ", media_result::Fail);
        return media_result::Fail;
    }
    s.videoSink = GST_ELEMENT(gst_object_ref_sink(sink));
    const GstCapsPtr caps(gst_caps_from_string("video/x-raw, format=(string){ BGRx, BGRA }"));
    // The sink keeps no frame of its own: the window holds the newest one.
    g_object_set(sink, "caps", caps.get(), "enable-last-sample", FALSE, "qos", TRUE, nullptr);
    s.window = &window;
    s.frames = std::make_unique<FrameDelivery>([&window] { window.videoChanged(); });
    s.frames->attach(GST_APP_SINK(sink));
    g_object_set(s.graph, "video-sink", sink, nullptr);
    s.mixer = std::make_unique<MixerBitmap>([&window] { window.videoChanged(); });
    LOG("end");
    return media_result::Ok;
}

MediaResult InitVideoWindow(VideoWindow& window, ViewScale scale)
{
    LOG("viewScale: ", scale.x, " x ", scale.y);
    auto& s = state();
    if (s.videoSink == nullptr) {
        if (window.hasNormalFrame())
            window.resizeWindow(kWindowSizeWithoutVideo);
        LOG("SetVideoPosition() failed: ", media_result::NoMovie);
        return media_result::NoMovie;
    }
    // The native size is read in full screen too, so that a view-scale change
    // there still shows the right part of the frame.
    const QSize native = nativeOrDefault();
    if (window.hasNormalFrame())
        window.resizeWindow(scaledSource(native, scale).size());
    QRect video = window.clientArea();
    video.setHeight(std::max(0, video.height() - kSliderHeight));
    placeVideo(video, scale);
    LOG("end");
    return media_result::Ok;
}

MediaResult MoveVideoWindow(const QRect& rect, ViewScale scale)
{
    if (state().videoSink == nullptr) {
        LOG("SetVideoPosition() failed: ", media_result::NoMovie);
        return media_result::NoMovie;
    }
    placeVideo(rect, scale);
    return media_result::Ok;
}

QSize NativeVideoSize()
{
    auto& s = state();
    if (s.videoSink == nullptr)
        return QSize(0, 0);
    GstObjectPtr<GstPad> pad(gst_element_get_static_pad(s.videoSink, "sink"));
    const GstCapsPtr caps(pad ? gst_pad_get_current_caps(pad.get()) : nullptr);
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get()))
        return QSize(0, 0);
    return QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
}

bool HasVideo()
{
    const QSize native = NativeVideoSize();
    return native.width() != 0 || native.height() != 0;
}

QRect Letterboxed(const QRect& area, QSize shape)
{
    if (area.isEmpty() || shape.isEmpty())
        return area;
    // Whichever side of the area is relatively shorter limits the picture; the
    // other keeps the picture's shape, rounded to the nearest pixel.
    const qint64 wide = qint64{area.width()} * shape.height();
    const qint64 tall = qint64{area.height()} * shape.width();
    QSize fitted = area.size();
    if (wide > tall)
        fitted.setWidth(static_cast<int>((tall + shape.height() / 2) / shape.height()));
    else
        fitted.setHeight(static_cast<int>((wide + shape.width() / 2) / shape.width()));
    fitted = fitted.expandedTo(QSize(1, 1));
    return QRect(area.x() + (area.width() - fitted.width()) / 2,
                 area.y() + (area.height() - fitted.height()) / 2, fitted.width(), fitted.height());
}

QRect VideoRect()
{
    return state().videoRect;
}

QRect SourceRect()
{
    return state().sourceRect;
}

MixerBitmap* GetMixerBitmap()
{
    return state().mixer.get();
}

QImage NewestFrame()
{
    const auto& frames = state().frames;
    return frames ? frames->newestFrame() : QImage();
}

void PaintVideo(QPainter& painter)
{
    auto& s = state();
    VideoPainter::paint(painter, NewestFrame(), s.sourceRect, s.videoRect, s.mixer.get(), nativeOrDefault());
}

} // namespace DsCtrl

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "player/media/DsCtrl.h"
#include "player/media/DsCtrlState.h"

#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>

namespace DsCtrl {

using detail::state;

namespace {

constexpr std::int32_t kUnitsPerSecond = 10'000'000;
constexpr std::int32_t kUnitsPerMs = 10'000;
constexpr std::int32_t kFallbackTimePerFrame = 100'000;
constexpr GstClockTime kProbeTimeout = 10 * GST_SECOND;

MediaResult probeFailure(GstDiscovererResult result, const GError* error)
{
    switch (result) {
    case GST_DISCOVERER_TIMEOUT:
        return media_result::Timeout;
    case GST_DISCOVERER_MISSING_PLUGINS:
        return media_result::UnsupportedStream;
    case GST_DISCOVERER_URI_INVALID:
        return media_result::FileNotFound;
    default:
        return media_result::fromError(error);
    }
}

} // namespace

std::int64_t GetTotalTimeFrames()
{
    auto& s = state();
    if (s.graph == nullptr || s.videoSink == nullptr) {
        LOG("No pMS");
        return -1;
    }
    // The pipeline's own frame count is unreliable (it may count audio samples),
    // so the video stream answers: its duration times its frame rate.
    GstObjectPtr<GstPad> pad(gst_element_get_static_pad(s.videoSink, "sink"));
    const GstCapsPtr caps(gst_pad_get_current_caps(pad.get()));
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get()) || GST_VIDEO_INFO_FPS_N(&info) <= 0 ||
        GST_VIDEO_INFO_FPS_D(&info) <= 0) {
        LOG("SetTimeFormat() failed, 1: ", media_result::NotImplemented);
        return -1;
    }
    gint64 durationNs = -1;
    if (!gst_pad_peer_query_duration(pad.get(), GST_FORMAT_TIME, &durationNs) || durationNs <= 0) {
        LOG("GetPositions() failed, 1: ", media_result::Fail);
        return -1;
    }
    return gint64(gst_util_uint64_scale_round(guint64(durationNs), guint64(GST_VIDEO_INFO_FPS_N(&info)),
                                              guint64(GST_VIDEO_INFO_FPS_D(&info)) * GST_SECOND));
}

std::int32_t GrabTimePerFrame(const QString& fileName)
{
    LOG("fileName: ", fileName);
    MediaResult hr = media_result::Fail;
    GError* error = nullptr;
    GstDiscoverer* discoverer =
        detail::initGstreamer(hr) ? gst_discoverer_new(kProbeTimeout, &error) : nullptr;
    GErrorPtr errorOwner(error);
    if (discoverer == nullptr) {
        LOG("CoCreateInstance() failed: ", error != nullptr ? media_result::fromError(error) : hr);
        return -1;
    }
    GObjectPtr<GstDiscoverer> discovererOwner(discoverer);
    const GCharPtr uri = detail::uriFor(fileName);
    GError* probeError = nullptr;
    GObjectPtr<GstDiscovererInfo> info(uri ? gst_discoverer_discover_uri(discoverer, uri.get(), &probeError)
                                           : nullptr);
    GErrorPtr probeErrorOwner(probeError);
    // A missing or unreadable file comes back as "no streams": the result tells them apart.
    const GstDiscovererResult result =
        info ? gst_discoverer_info_get_result(info.get()) : GST_DISCOVERER_URI_INVALID;
    if (result != GST_DISCOVERER_OK) {
        LOG("AddSourceFilter() failed: ", probeFailure(result, probeError));
        return -1;
    }
    std::int32_t timePerFrame = -1;
    GList* streams = gst_discoverer_info_get_video_streams(info.get());
    if (streams != nullptr) {
        auto* video = GST_DISCOVERER_VIDEO_INFO(streams->data);
        const guint num = gst_discoverer_video_info_get_framerate_num(video);
        const guint den = gst_discoverer_video_info_get_framerate_denom(video);
        if (num > 0 && den > 0)
            timePerFrame = std::int32_t(gst_util_uint64_scale_int(kUnitsPerSecond, gint(den), gint(num)));
    }
    gst_discoverer_stream_info_list_free(streams);
    if (timePerFrame <= 0) {
        LOG("No video stream");
        return -1;
    }
    LOG("end");
    return timePerFrame;
}

std::int32_t ChooseTimePerFrame(std::int64_t totalTimeMs, std::int64_t frames,
                                const std::function<std::int32_t()>& grabTimePerFrame)
{
    std::int32_t timePerFrame = -1;
    if (frames > 0 && totalTimeMs > 0) {
        timePerFrame = std::int32_t(totalTimeMs * kUnitsPerMs / frames);
    } else {
        LOG("Set time format didn't work... asking the frame grabber");
        timePerFrame = grabTimePerFrame();
    }
    if (timePerFrame <= 0) {
        LOG("Asking the frame grabber didn't work... setting 100fps");
        timePerFrame = kFallbackTimePerFrame;
    }
    LOG("time per frame: ", timePerFrame);
    return timePerFrame;
}

std::int32_t TimePerFrame()
{
    return state().timePerFrame;
}

} // namespace DsCtrl

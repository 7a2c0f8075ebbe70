#include "common/Logger.h"
#include "player/media/DsCtrl.h"
#include "player/media/DsCtrlState.h"

#include <algorithm>

namespace DsCtrl {

using detail::state;

namespace {

// A seek or state change finishes once the new frame is decoded; this bounds
// the wait so a stuck pipeline cannot freeze the window.
constexpr GstClockTime kSettleTimeout = 5 * GST_SECOND;

bool queryPositionNs(gint64& positionNs)
{
    auto& s = state();
    if (!gst_element_query_position(s.graph, GST_FORMAT_TIME, &positionNs) || positionNs < 0)
        return false;
    s.lastPositionNs = positionNs;
    return true;
}

// Flushing and frame-exact, so that a step lands on the frame asked for.
bool seek(double rate, gint64 positionNs)
{
    auto& s = state();
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!gst_element_seek(s.graph, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, positionNs,
                          GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE))
        return false;
    s.lastPositionNs = positionNs;
    detail::waitForStateChange(kSettleTimeout);
    return true;
}

void applyRate(double rate)
{
    auto& s = state();
    gint64 positionNs = 0;
    if (!queryPositionNs(positionNs))
        positionNs = s.lastPositionNs;
    if (!seek(rate, positionNs)) {
        LOG("SetRate() failed: ", media_result::Fail);
        return;
    }
    s.rate = rate;
}

MediaResult setState(GstState target)
{
    if (gst_element_set_state(state().graph, target) == GST_STATE_CHANGE_FAILURE)
        return detail::takeBusError();
    return media_result::Ok;
}

} // namespace

std::int64_t GetCurrentPositionMilis()
{
    auto& s = state();
    if (s.graph == nullptr)
        return 0;
    gint64 positionNs = 0;
    // Just after a seek the pipeline may not answer yet: the target is the position.
    if (!queryPositionNs(positionNs))
        positionNs = s.lastPositionNs;
    return positionNs / GST_MSECOND;
}

void SetCurrentPositionMilis(std::int64_t positionMs)
{
    LOG("positionMs: ", positionMs);
    auto& s = state();
    if (s.graph == nullptr)
        return;
    if (!seek(s.rate, std::max<std::int64_t>(0, positionMs) * GST_MSECOND))
        LOG("SetPositions() failed: ", media_result::Fail);
    LOG("end");
}

std::int64_t ChangeCurrentPositionMilis(std::int64_t deltaMs)
{
    LOG("deltaMs: ", deltaMs);
    auto& s = state();
    if (s.graph == nullptr)
        return 0;
    gint64 currentNs = 0;
    if (!queryPositionNs(currentNs)) {
        LOG("GetPositions() failed: ", media_result::Fail);
        return GetCurrentPositionMilis();
    }
    const gint64 targetNs = std::max<gint64>(0, currentNs + deltaMs * gint64(GST_MSECOND));
    if (!seek(s.rate, targetNs))
        LOG("SetPositions() failed: ", media_result::Fail);
    LOG("end");
    return targetNs / GST_MSECOND;
}

std::int64_t GetTotalTimeMilis()
{
    auto& s = state();
    if (s.graph == nullptr)
        return -1;
    const GstQueryPtr query(gst_query_new_seeking(GST_FORMAT_TIME));
    gboolean seekable = FALSE;
    if (gst_element_query(s.graph, query.get()))
        gst_query_parse_seeking(query.get(), nullptr, &seekable, nullptr, nullptr);
    gint64 durationNs = -1;
    if (!seekable || !gst_element_query_duration(s.graph, GST_FORMAT_TIME, &durationNs) || durationNs < 0)
        return -1;
    return durationNs / GST_MSECOND;
}

void SetNormalSpeed()
{
    LOG("start");
    if (state().graph != nullptr)
        applyRate(1.0);
    LOG("end");
}

void MultiplySpeed(double factor)
{
    LOG("factor: ", factor);
    auto& s = state();
    if (s.graph != nullptr)
        applyRate(s.rate * factor);
    LOG("end");
}

double GetRate()
{
    return state().rate;
}

GraphState GetGraphState()
{
    auto& s = state();
    if (s.graph == nullptr)
        return GraphState::Stopped;
    GstState current = GST_STATE_NULL;
    gst_element_get_state(s.graph, &current, nullptr, kSettleTimeout);
    switch (current) {
    case GST_STATE_PLAYING:
        return GraphState::Running;
    case GST_STATE_PAUSED:
        return GraphState::Paused;
    default:
        return GraphState::Stopped;
    }
}

bool PauseResume()
{
    LOG("start");
    bool resumed = false;
    switch (GetGraphState()) {
    case GraphState::Paused:
        RunGraph();
        resumed = true;
        break;
    case GraphState::Running:
        PauseGraph();
        break;
    case GraphState::Stopped:
        break;
    }
    LOG("end");
    return resumed;
}

MediaResult RunGraph()
{
    return state().graph != nullptr ? setState(GST_STATE_PLAYING) : media_result::NoMovie;
}

MediaResult PauseGraph()
{
    return state().graph != nullptr ? setState(GST_STATE_PAUSED) : media_result::NoMovie;
}

MediaResult StopGraph()
{
    return state().graph != nullptr ? setState(GST_STATE_READY) : media_result::NoMovie;
}

} // namespace DsCtrl

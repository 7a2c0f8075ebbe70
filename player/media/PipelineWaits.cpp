#include "player/media/PipelineWaits.h"

#include "common/Logger.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

namespace pipeline_waits {

namespace {

constexpr GstClockTime kSliceNs = 100 * GST_MSECOND;

} // namespace

bool waitForPreroll(GstElement* pipeline, const std::atomic<bool>& noVideo,
                    std::chrono::milliseconds stallLimit, const BusCheck& checkBus, const Failure& fail)
{
    const auto started = std::chrono::steady_clock::now();
    GstStateChangeReturn result = GST_STATE_CHANGE_ASYNC;
    while (result == GST_STATE_CHANGE_ASYNC && !noVideo &&
           std::chrono::steady_clock::now() - started < stallLimit) {
        result = gst_element_get_state(pipeline, nullptr, nullptr, kSliceNs);
        if (!checkBus())
            return false;
    }
    if (noVideo)
        return fail("the movie holds no video");
    if (result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL)
        return checkBus();
    // An error that came with the failed change says more than the change itself.
    checkBus();
    LOG("gst_element_get_state() failed: ", static_cast<int>(result));
    return fail(result == GST_STATE_CHANGE_ASYNC ? "the movie gives no video frame in time"
                                                 : "the movie holds no video that can be decoded");
}

GstSample* pullSample(GstElement* appsink, std::chrono::milliseconds stallLimit, const BusCheck& checkBus,
                      const Failure& fail)
{
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(appsink), kSliceNs);
        if (!checkBus()) {
            if (sample != nullptr)
                gst_sample_unref(sample);
            return nullptr;
        }
        if (sample != nullptr)
            return sample;
        if (gst_app_sink_is_eos(GST_APP_SINK(appsink)))
            return nullptr;
        if (std::chrono::steady_clock::now() - started > stallLimit) {
            LOG("gst_app_sink_try_pull_sample() failed: ", stallLimit.count());
            fail("the decoder gave no frame for " + std::to_string(stallLimit.count()) + " ms");
            return nullptr;
        }
    }
}

} // namespace pipeline_waits

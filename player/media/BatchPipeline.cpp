#include "player/media/BatchPipeline.h"

#include "player/media/GstRef.h"
#include "player/media/PipelineWaits.h"

BatchPipeline::BatchPipeline(std::chrono::milliseconds stallLimit) : stallLimit_(stallLimit) {}

BatchPipeline::~BatchPipeline()
{
    stop();
}

void BatchPipeline::adopt(GstElement* pipeline)
{
    stop();
    pipeline_ = pipeline != nullptr ? GST_ELEMENT(gst_object_ref_sink(pipeline)) : nullptr;
}

bool BatchPipeline::fail(const std::string& text)
{
    if (error_.empty())
        error_ = text;
    return false;
}

std::string BatchPipeline::popBusError() const
{
    if (pipeline_ == nullptr)
        return {};
    return ::popBusError(pipeline_).value_or(std::string());
}

bool BatchPipeline::waitForPreroll(const std::atomic<bool>& noVideo, const BusCheck& checkBus)
{
    return pipeline_waits::waitForPreroll(pipeline_, noVideo, stallLimit_, checkBus,
                                          [this](const std::string& text) { return fail(text); });
}

GstSample* BatchPipeline::pullSample(GstElement* appsink, const BusCheck& checkBus)
{
    return pipeline_waits::pullSample(appsink, stallLimit_, checkBus,
                                      [this](const std::string& text) { return fail(text); });
}

void BatchPipeline::stop()
{
    if (pipeline_ == nullptr)
        return;
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
    pipeline_ = nullptr;
}

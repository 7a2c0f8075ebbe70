#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

typedef struct _GstElement GstElement;
typedef struct _GstSample GstSample;

// The pipeline of a decoding pass that runs as fast as its frames come (the
// render and shot tools): owned, stopped and released here, with the first
// reason the pass failed. The pass's own bus check says what a bus error means
// to it; the waits look at the bus between their slices.
class BatchPipeline
{
public:
    // Looks at the bus: false once an error was taken off it (and failed on).
    using BusCheck = std::function<bool()>;

    explicit BatchPipeline(std::chrono::milliseconds stallLimit);
    ~BatchPipeline();
    BatchPipeline(const BatchPipeline&) = delete;
    BatchPipeline& operator=(const BatchPipeline&) = delete;

    // Takes the pipeline over (a floating reference is sunk); nullptr leaves none.
    void adopt(GstElement* pipeline);
    GstElement* get() const { return pipeline_; }
    // A pipeline that has not failed.
    bool usable() const { return pipeline_ != nullptr && error_.empty(); }

    // Records why the pass failed; the first reason stays. Always false.
    bool fail(const std::string& text);
    const std::string& error() const { return error_; }
    // The text of the first error waiting on the bus, taken off it; empty when none.
    std::string popBusError() const;

    // Waits until the pipeline has prerolled after a state change or a seek.
    bool waitForPreroll(const std::atomic<bool>& noVideo, const BusCheck& checkBus);
    // The next sample of the appsink, owned by the caller; nullptr at the end
    // of the stream and on a failure.
    GstSample* pullSample(GstElement* appsink, const BusCheck& checkBus);

    // Stops the pipeline and releases it.
    void stop();

private:
    std::chrono::milliseconds stallLimit_;
    GstElement* pipeline_ = nullptr;
    std::string error_;
};

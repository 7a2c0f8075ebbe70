#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

typedef struct _GstElement GstElement;
typedef struct _GstSample GstSample;

// The waits of a decoding pass that reads frames from an appsink as fast as
// they come (the render and shot tools). Neither blocks longer than a slice
// at a time: the bus is looked at between slices, and a decoder that gives
// nothing for the stall limit counts as stuck.
namespace pipeline_waits {

// Looks at the bus: false once an error was taken off it (and reported).
using BusCheck = std::function<bool()>;
// Records why the pass failed; always answers false.
using Failure = std::function<bool(const std::string&)>;

// Waits until the pipeline has prerolled after a state change or a seek. A
// movie without video never prerolls; noVideo ends the wait at once.
bool waitForPreroll(GstElement* pipeline, const std::atomic<bool>& noVideo,
                    std::chrono::milliseconds stallLimit, const BusCheck& checkBus, const Failure& fail);

// The next sample of the appsink, owned by the caller; nullptr at the end of
// the stream and on a failure (then fail was called).
GstSample* pullSample(GstElement* appsink, std::chrono::milliseconds stallLimit, const BusCheck& checkBus,
                      const Failure& fail);

} // namespace pipeline_waits

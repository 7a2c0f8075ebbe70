#pragma once

#include <gst/gst.h>
#include <memory>
#include <optional>
#include <string>

// Owning handles for GStreamer objects, released with their own unref call.
struct GstObjectUnref
{
    void operator()(gpointer object) const { gst_object_unref(object); }
};
struct GObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GstMiniObjectUnref
{
    void operator()(GstMiniObject* object) const { gst_mini_object_unref(object); }
    void operator()(GstMessage* message) const { gst_message_unref(message); }
    void operator()(GstQuery* query) const { gst_query_unref(query); }
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
struct GErrorFree
{
    void operator()(GError* error) const { g_error_free(error); }
};
struct GFree
{
    void operator()(gpointer memory) const { g_free(memory); }
};

template <typename T> using GstObjectPtr = std::unique_ptr<T, GstObjectUnref>;
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GstMessagePtr = std::unique_ptr<GstMessage, GstMiniObjectUnref>;
using GstQueryPtr = std::unique_ptr<GstQuery, GstMiniObjectUnref>;
using GstCapsPtr = std::unique_ptr<GstCaps, GstMiniObjectUnref>;
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;
using GCharPtr = std::unique_ptr<gchar, GFree>;

// The text of the first error waiting on the element's bus, if any; the
// message is taken off the bus.
inline std::optional<std::string> popBusError(GstElement* element)
{
    const GstObjectPtr<GstBus> bus(gst_element_get_bus(element));
    const GstMessagePtr message(gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR));
    if (!message)
        return std::nullopt;
    GError* raw = nullptr;
    gst_message_parse_error(message.get(), &raw, nullptr);
    const GErrorPtr failure(raw);
    return std::string(failure ? failure->message : "unknown error");
}

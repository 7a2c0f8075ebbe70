#include "player/media/MediaResult.h"

#include <gst/gst.h>

namespace media_result {

MediaResult fromError(const GError* error)
{
    if (error == nullptr)
        return Fail;
    if (error->domain == GST_RESOURCE_ERROR) {
        switch (error->code) {
        case GST_RESOURCE_ERROR_NOT_FOUND:
        case GST_RESOURCE_ERROR_OPEN_READ:
            return FileNotFound;
        default:
            return Fail;
        }
    }
    if (error->domain == GST_STREAM_ERROR)
        return UnsupportedStream;
    if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
        return UnsupportedStream;
    return Fail;
}

} // namespace media_result

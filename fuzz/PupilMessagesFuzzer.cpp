// Payloads from Pupil Capture's publisher as the client receives them: the first
// byte picks the topic the payload arrives under, the rest is the payload. Every
// decoder must refuse what it cannot read, and what it accepts must hold only
// finite numbers and no more entries than the bound.

#include "FuzzSupport.h"

#include "recorder/pupil/PupilMessages.h"

#include <cmath>
#include <string>

using fuzz_support::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::quietLog();
    if (size == 0)
        return 0;
    const std::string_view payload = fuzz_support::asText(data + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        const auto decoded = pupil::decodeSurface(payload);
        if (decoded.ok()) {
            check(decoded.value.gaze.size() <= pupil::maxEntries, "surface gaze over the bound");
            check(std::isfinite(decoded.value.timestamp), "surface time not finite");
            for (const pupil::SurfaceGaze& gaze : decoded.value.gaze)
                check(std::isfinite(gaze.x) && std::isfinite(gaze.y) && std::isfinite(gaze.confidence) &&
                          std::isfinite(gaze.timestamp),
                      "gaze value not finite");
        }
        break;
    }
    case 1: {
        const auto decoded = pupil::decodePupil(payload, data[0] & 1);
        if (decoded.ok())
            check(decoded.value.diameterPx >= 0 && std::isfinite(decoded.value.diameterPx) &&
                      decoded.value.diameter3dMm >= 0 && std::isfinite(decoded.value.timestamp),
                  "pupil value out of range");
        break;
    }
    case 2: {
        const auto decoded = pupil::decodeNotification(payload);
        if (decoded.ok()) {
            // What we send decodes to what we meant.
            const auto again = pupil::decodeNotification(pupil::encodeNotification(decoded.value.subject));
            check(again.ok() && again.value.subject == decoded.value.subject, "notification round trip");
        }
        break;
    }
    default: {
        const std::string topic(payload.substr(0, 64));
        const int eye = pupil::pupilTopicEye(topic);
        check(eye >= -1 && eye <= 1, "eye out of range");
        check(eye < 0 || pupil::topicKind(topic) == pupil::TopicKind::Pupil,
              "eye of a topic that is no pupil's");
        break;
    }
    }
    return 0;
}

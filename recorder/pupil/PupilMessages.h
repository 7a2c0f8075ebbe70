#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Decoding of the messages Pupil Capture publishes. Each decoder takes the
// msgpack payload of one message and keeps only the fields this program uses;
// a payload that is not exactly one well-formed msgpack value, or whose fields
// have other types than expected, is refused with a reason. Sizes, counts and
// nesting are bounded, so no payload makes a decoder allocate more than a small
// multiple of its own size.
namespace pupil {

// Nothing we read is nested deeper or holds more entries than this.
inline constexpr std::size_t maxEntries = 4096;
inline constexpr std::size_t maxDepth = 16;

// One gaze datum mapped onto a surface: normalised position (origin bottom-left,
// y up, 0-1 inside the surface), confidence 0-1 and Pupil time in seconds.
struct SurfaceGaze
{
    double x = 0;
    double y = 0;
    double confidence = 0;
    bool onSurface = false;
    double timestamp = 0;
};

struct SurfaceMessage
{
    std::string name;
    double timestamp = 0;
    std::vector<SurfaceGaze> gaze;
};

// One pupil datum of one eye (0 or 1): the diameter in pixels, in millimetres
// when the 3d model supplied one (diameter3dMm > 0).
struct PupilDatum
{
    int eye = 0;
    double diameterPx = 0;
    double diameter3dMm = 0;
    double confidence = 0;
    double timestamp = 0;
};

struct Notification
{
    std::string subject;
};

// What a decoder gives: the value, or why the payload was refused.
template <typename T> struct Decoded
{
    T value;
    std::string error; // empty on success
    bool ok() const { return error.empty(); }
};

// The kind of a topic we subscribe to; None for anything else.
enum class TopicKind
{
    None = 0,
    Surface,
    Pupil,
    Notification,
};
TopicKind topicKind(std::string_view topic);

// The eye of a "pupil.<eye>[.<method>]" topic, -1 when the topic names none.
int pupilTopicEye(std::string_view topic);

Decoded<SurfaceMessage> decodeSurface(std::string_view payload);
Decoded<PupilDatum> decodePupil(std::string_view payload, int eye);
Decoded<Notification> decodeNotification(std::string_view payload);

// The payload of a notification request: a map {"subject": subject}.
std::string encodeNotification(std::string_view subject);

} // namespace pupil

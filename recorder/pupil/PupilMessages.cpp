#include "recorder/pupil/PupilMessages.h"

#include <msgpack.hpp>

#include <cmath>
#include <optional>

namespace pupil {

namespace {

// The payload as one msgpack value; anything before its end that is left over is an error.
std::optional<msgpack::object_handle> unpackOne(std::string_view payload, std::string& error)
{
    if (payload.empty()) {
        error = "empty payload";
        return std::nullopt;
    }
    const msgpack::unpack_limit limits(maxEntries, maxEntries, payload.size(), payload.size(), payload.size(),
                                       maxDepth);
    try {
        std::size_t offset = 0;
        msgpack::object_handle handle =
            msgpack::unpack(payload.data(), payload.size(), offset, nullptr, nullptr, limits);
        if (offset != payload.size()) {
            error = "bytes after the value";
            return std::nullopt;
        }
        return handle;
    } catch (const std::exception& failure) {
        error = std::string("not msgpack: ") + failure.what();
        return std::nullopt;
    }
}

bool isNumber(const msgpack::object& o)
{
    return o.type == msgpack::type::FLOAT32 || o.type == msgpack::type::FLOAT64 ||
           o.type == msgpack::type::POSITIVE_INTEGER || o.type == msgpack::type::NEGATIVE_INTEGER;
}

double numberOf(const msgpack::object& o)
{
    switch (o.type) {
    case msgpack::type::POSITIVE_INTEGER:
        return static_cast<double>(o.via.u64);
    case msgpack::type::NEGATIVE_INTEGER:
        return static_cast<double>(o.via.i64);
    default:
        return o.via.f64;
    }
}

// The fields of one map that we read, looked up by name.
class Fields
{
public:
    explicit Fields(const msgpack::object& map) : map_(map) {}

    const msgpack::object* find(std::string_view key) const
    {
        const msgpack::object* found = nullptr;
        for (std::uint32_t i = 0; i < map_.via.map.size; ++i) {
            const msgpack::object_kv& entry = map_.via.map.ptr[i];
            if (entry.key.type != msgpack::type::STR)
                continue;
            if (std::string_view(entry.key.via.str.ptr, entry.key.via.str.size) != key)
                continue;
            if (found) {
                duplicate_ = std::string(key);
                return nullptr;
            }
            found = &entry.val;
        }
        return found;
    }

    bool number(std::string_view key, double& out, std::string& error) const
    {
        const msgpack::object* value = find(key);
        if (!value || !isNumber(*value)) {
            error = why(key, "a number");
            return false;
        }
        out = numberOf(*value);
        if (!std::isfinite(out)) {
            error = std::string(key) + " is not finite";
            return false;
        }
        return true;
    }

    bool boolean(std::string_view key, bool& out, std::string& error) const
    {
        const msgpack::object* value = find(key);
        if (!value || value->type != msgpack::type::BOOLEAN) {
            error = why(key, "true or false");
            return false;
        }
        out = value->via.boolean;
        return true;
    }

    bool text(std::string_view key, std::string& out, std::string& error) const
    {
        const msgpack::object* value = find(key);
        if (!value || value->type != msgpack::type::STR) {
            error = why(key, "a text");
            return false;
        }
        out.assign(value->via.str.ptr, value->via.str.size);
        return true;
    }

    std::string why(std::string_view key, const char* expected) const
    {
        if (!duplicate_.empty())
            return "duplicate " + duplicate_;
        return std::string(key) + " is missing or not " + expected;
    }

private:
    const msgpack::object& map_;
    mutable std::string duplicate_;
};

bool decodeGaze(const msgpack::object& o, SurfaceGaze& gaze, std::string& error)
{
    if (o.type != msgpack::type::MAP) {
        error = "gaze datum is not a map";
        return false;
    }
    const Fields fields(o);
    const msgpack::object* position = fields.find("norm_pos");
    if (!position || position->type != msgpack::type::ARRAY || position->via.array.size != 2 ||
        !isNumber(position->via.array.ptr[0]) || !isNumber(position->via.array.ptr[1])) {
        error = fields.why("norm_pos", "two numbers");
        return false;
    }
    gaze.x = numberOf(position->via.array.ptr[0]);
    gaze.y = numberOf(position->via.array.ptr[1]);
    if (!std::isfinite(gaze.x) || !std::isfinite(gaze.y)) {
        error = "norm_pos is not finite";
        return false;
    }
    return fields.number("confidence", gaze.confidence, error) &&
           fields.boolean("on_surf", gaze.onSurface, error) &&
           fields.number("timestamp", gaze.timestamp, error);
}

template <typename T, typename Read> Decoded<T> decodeMap(std::string_view payload, Read read)
{
    Decoded<T> decoded;
    const std::optional<msgpack::object_handle> handle = unpackOne(payload, decoded.error);
    if (!handle)
        return decoded;
    const msgpack::object& root = handle->get();
    if (root.type != msgpack::type::MAP) {
        decoded.error = "payload is not a map";
        return decoded;
    }
    if (!read(Fields(root), decoded.value, decoded.error) && decoded.error.empty())
        decoded.error = "unreadable";
    return decoded;
}

} // namespace

TopicKind topicKind(std::string_view topic)
{
    if (topic.starts_with("surfaces."))
        return TopicKind::Surface;
    if (topic.starts_with("pupil."))
        return TopicKind::Pupil;
    if (topic.starts_with("notify."))
        return TopicKind::Notification;
    return TopicKind::None;
}

int pupilTopicEye(std::string_view topic)
{
    if (!topic.starts_with("pupil.") || topic.size() < 7)
        return -1;
    const char eye = topic[6];
    if ((eye != '0' && eye != '1') || (topic.size() > 7 && topic[7] != '.'))
        return -1;
    return eye - '0';
}

Decoded<SurfaceMessage> decodeSurface(std::string_view payload)
{
    return decodeMap<SurfaceMessage>(
        payload, [](const Fields& fields, SurfaceMessage& out, std::string& error) {
            if (!fields.text("name", out.name, error) || !fields.number("timestamp", out.timestamp, error))
                return false;
            const msgpack::object* list = fields.find("gaze_on_surfaces");
            if (!list || list->type != msgpack::type::ARRAY) {
                error = fields.why("gaze_on_surfaces", "a list");
                return false;
            }
            out.gaze.resize(list->via.array.size);
            for (std::uint32_t i = 0; i < list->via.array.size; ++i) {
                if (!decodeGaze(list->via.array.ptr[i], out.gaze[i], error)) {
                    error = "gaze " + std::to_string(i) + ": " + error;
                    return false;
                }
            }
            return true;
        });
}

Decoded<PupilDatum> decodePupil(std::string_view payload, int eye)
{
    return decodeMap<PupilDatum>(payload, [eye](const Fields& fields, PupilDatum& out, std::string& error) {
        out.eye = eye;
        if (!fields.number("diameter", out.diameterPx, error) ||
            !fields.number("confidence", out.confidence, error) ||
            !fields.number("timestamp", out.timestamp, error))
            return false;
        // Only the 3d detector adds the diameter in millimetres.
        if (fields.find("diameter_3d") && !fields.number("diameter_3d", out.diameter3dMm, error))
            return false;
        if (out.diameterPx < 0 || out.diameter3dMm < 0) {
            error = "negative diameter";
            return false;
        }
        return true;
    });
}

Decoded<Notification> decodeNotification(std::string_view payload)
{
    return decodeMap<Notification>(payload, [](const Fields& fields, Notification& out, std::string& error) {
        return fields.text("subject", out.subject, error);
    });
}

std::string encodeNotification(std::string_view subject)
{
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> packer(buffer);
    packer.pack_map(1);
    packer.pack(std::string_view("subject"));
    packer.pack(subject);
    return std::string(buffer.data(), buffer.size());
}

} // namespace pupil

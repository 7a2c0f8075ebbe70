#include "measures/GazeEvent.h"

namespace measures {

std::string_view eventTypeName(EventType type)
{
    switch (type) {
    case EventType::Fixation:
        return "fixation";
    case EventType::Saccade:
        return "saccade";
    case EventType::Pursuit:
        return "pursuit";
    case EventType::Loss:
        return "loss";
    case EventType::None:
        break;
    }
    return {};
}

std::optional<EventType> eventTypeFromName(std::string_view name)
{
    for (const EventType type :
         {EventType::Fixation, EventType::Saccade, EventType::Pursuit, EventType::Loss})
        if (eventTypeName(type) == name)
            return type;
    return std::nullopt;
}

bool hasPosition(EventType type)
{
    return type == EventType::Fixation || type == EventType::Saccade || type == EventType::Pursuit;
}

bool hasAmplitude(EventType type)
{
    return type == EventType::Saccade || type == EventType::Pursuit;
}

bool hasPeakVelocity(EventType type)
{
    return hasAmplitude(type);
}

} // namespace measures

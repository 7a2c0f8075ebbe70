#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace measures {

enum class EventType : std::uint8_t
{
    None = 0, // not classified
    Fixation,
    Saccade,
    Pursuit,
    Loss // blink, lost tracking, or a silence between samples
};

// "fixation", "saccade", "pursuit", "loss" ("" for None): the words of the events files.
std::string_view eventTypeName(EventType type);
std::optional<EventType> eventTypeFromName(std::string_view name);

// One eye movement of one viewer.
//
// Which values apply depends on the type:
//   fixation: x, y (mean position);
//   saccade:  x, y (where it ends), amplitudeDeg, peakVelocityDegS;
//   pursuit:  x, y (mean position), amplitudeDeg (distance covered), peakVelocityDegS;
//   loss:     times only.
// Values that do not apply are 0.
struct GazeEvent
{
    EventType type = EventType::None;
    int startMs = 0; // time of the first sample
    int endMs = 0;   // time of the last sample
    // Time the event holds the gaze: from its first sample to the first sample
    // after it (one typical sample period for the last event of a recording).
    int durationMs = 0;
    int x = 0; // results-file units
    int y = 0;
    double amplitudeDeg = 0;
    double peakVelocityDegS = 0;
    // The samples of the event: [firstSample, firstSample + sampleCount) of the
    // classified input. A loss that is a silence between samples has none; its
    // startMs and endMs are then the last sample time before it plus 1 and the
    // next sample time minus 1.
    std::size_t firstSample = 0;
    std::size_t sampleCount = 0;

    friend bool operator==(const GazeEvent&, const GazeEvent&) = default;
};

bool hasPosition(EventType type);
bool hasAmplitude(EventType type); // amplitudeDeg and peakVelocityDegS apply
bool hasPeakVelocity(EventType type);

} // namespace measures

#pragma once

#include <istream>
#include <string>
#include <vector>

namespace sim {

// One timed event of a stand-in script, counted from the server's start.
struct ScriptEvent
{
    enum class Kind
    {
        none = 0,
        trackerState, // value = new tracker state
        drop,         // close every client connection
        raw,          // text written to every client as it stands
        split,        // text written in value parts, a few milliseconds apart
        silent,       // value 1: stop answering, 0: answer again
    };
    int atMs = 0;
    Kind kind = Kind::none;
    int value = 0;
    std::string text;
};

struct ParsedScript
{
    std::vector<ScriptEvent> events;
    std::string error; // "line N: ..." when the script is unusable
};

// One event per line: "MS trackerstate N", "MS drop", "MS raw TEXT",
// "MS split PARTS TEXT", "MS silent on|off"; blank lines and "#" comments are skipped.
ParsedScript parseScript(std::istream& in);

} // namespace sim

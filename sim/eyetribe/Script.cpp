#include "sim/eyetribe/Script.h"

#include <sstream>

namespace sim {

namespace {

std::string restOfLine(std::istringstream& line)
{
    std::string rest;
    std::getline(line >> std::ws, rest);
    return rest;
}

// Empty when the line is sound.
std::string parseEvent(const std::string& text, ScriptEvent& event)
{
    std::istringstream line(text);
    std::string command;
    if (!(line >> event.atMs) || event.atMs < 0)
        return "expected a time in milliseconds";
    if (!(line >> command))
        return "expected a command after the time";
    if (command == "trackerstate") {
        event.kind = ScriptEvent::Kind::trackerState;
        if (!(line >> event.value))
            return "trackerstate needs a number";
    } else if (command == "drop") {
        event.kind = ScriptEvent::Kind::drop;
    } else if (command == "raw") {
        event.kind = ScriptEvent::Kind::raw;
        event.text = restOfLine(line);
        if (event.text.empty())
            return "raw needs a text";
    } else if (command == "split") {
        event.kind = ScriptEvent::Kind::split;
        if (!(line >> event.value) || event.value < 1)
            return "split needs a number of parts";
        event.text = restOfLine(line);
        if (event.text.empty())
            return "split needs a text";
    } else if (command == "silent") {
        event.kind = ScriptEvent::Kind::silent;
        std::string mode;
        line >> mode;
        if (mode != "on" && mode != "off")
            return "silent needs on or off";
        event.value = mode == "on" ? 1 : 0;
    } else {
        return "unknown command \"" + command + "\"";
    }
    return {};
}

} // namespace

ParsedScript parseScript(std::istream& in)
{
    ParsedScript parsed;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const auto first = text.find_first_not_of(" \t\r");
        if (first == std::string::npos || text[first] == '#')
            continue;
        if (text.back() == '\r')
            text.pop_back();
        ScriptEvent event;
        const std::string error = parseEvent(text, event);
        if (!error.empty()) {
            parsed.error = "line " + std::to_string(number) + ": " + error;
            parsed.events.clear();
            return parsed;
        }
        parsed.events.push_back(std::move(event));
    }
    return parsed;
}

} // namespace sim

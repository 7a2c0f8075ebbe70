#include "analysis/FilmMeasures.h"

#include "measures/EventClassifier.h"
#include "player/data/TimeLineManager.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <fstream>
#include <memory>
#include <thread>

ResolvedGeometry resolveGeometry(const std::filesystem::path& file, const GeometryChoice& choice)
{
    ResolvedGeometry resolved;
    if (const auto line = readScreenLine(file)) {
        if (line->ok) {
            resolved.geometry = line->geometry;
            resolved.fromFile = true;
        } else {
            resolved.problem = line->error;
        }
    }
    if (choice.screenMm) {
        resolved.geometry.widthMm = choice.screenMm->first;
        resolved.geometry.heightMm = choice.screenMm->second;
    }
    if (choice.distanceMm)
        resolved.geometry.distanceMm = *choice.distanceMm;
    return resolved;
}

FilmMeasures measureFilm(const TimeLineManager& results, const std::vector<ScreenGeometry>& geometries,
                         const FilmMeasureOptions& options)
{
    const auto& timeLines = results.timeLines();
    FilmMeasures film;
    film.viewers.resize(timeLines.size());
    unsigned threads = options.threads ? options.threads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::clamp<std::size_t>(timeLines.size(), 1, threads));

    // Each file's usable column is made once, for its events and for synchrony.
    std::vector<std::unique_ptr<TimeLineGaze>> gaze(timeLines.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t v = next++; v < timeLines.size(); v = next++) {
            gaze[v] = std::make_unique<TimeLineGaze>(timeLines[v]);
            std::vector<measures::GazeEvent> events =
                measures::classifyEvents(gaze[v]->columns(), geometries[v], options.events);
            ViewerMeasures& viewer = film.viewers[v];
            if (!options.shotStartsMs.empty())
                viewer.shots = measures::eventSumsPerShot(events, options.shotStartsMs);
            if (options.eventsDone)
                options.eventsDone(v, events, viewer.problem);
            if (options.gazeDone)
                options.gazeDone(v, gaze[v]->columns(), events);
            if (options.keepEvents)
                viewer.events = std::move(events);
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();

    if (options.synchronyWanted && !timeLines.empty()) {
        std::vector<measures::GazeColumns> columns;
        for (const auto& viewer : gaze)
            columns.push_back(viewer->columns());
        measures::SynchronyParameters parameters = options.synchrony;
        parameters.threads = options.threads;
        film.synchrony =
            measures::computeSynchrony(columns, geometries.front(), parameters, options.shotStartsMs);
    }
    return film;
}

namespace {

void appendNumber(std::string& line, long long value)
{
    char digits[24];
    line.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

void appendFixed(std::string& line, double value, int decimals)
{
    char digits[48];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    line.append(digits, result.ec == std::errc() ? result.ptr : digits);
}

} // namespace

void appendEventLine(std::string& line, const measures::GazeEvent& event)
{
    line += measures::eventTypeName(event.type);
    line += ';';
    appendNumber(line, event.startMs);
    line += ';';
    appendNumber(line, event.endMs);
    line += ';';
    appendNumber(line, event.durationMs);
    line += ';';
    if (measures::hasPosition(event.type)) {
        appendNumber(line, event.x);
        line += ';';
        appendNumber(line, event.y);
    } else {
        line += ';';
    }
    line += ';';
    if (measures::hasAmplitude(event.type))
        appendFixed(line, event.amplitudeDeg, 2);
    line += ';';
    if (measures::hasPeakVelocity(event.type))
        appendFixed(line, event.peakVelocityDegS, 1);
}

std::string eventLine(const measures::GazeEvent& event)
{
    std::string line;
    appendEventLine(line, event);
    return line;
}

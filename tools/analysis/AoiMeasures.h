#pragma once

#include "measures/GazeEvent.h"
#include "measures/GazeSample.h"
#include "player/data/Aoi.h"

#include <cstddef>
#include <span>
#include <vector>

// The areas of a film prepared for measuring many viewers: their key spans,
// the shots and the film's end. Read-only once made, shared between threads.
class AoiFilm
{
public:
    // shotStartsMs in rising order (may be empty); filmEndMs: where the last
    // shot and every area's last key end.
    AoiFilm(const std::vector<Aoi>& aois, std::vector<int> shotStartsMs, int filmEndMs);

    std::size_t aoiCount() const { return spans_.size(); }
    // Shots, then the whole film as the last "shot".
    std::size_t cellCount() const { return shotStarts_.size() + 1; }
    std::size_t shotCount() const { return shotStarts_.size(); }
    int filmEndMs() const { return filmEndMs_; }
    // [start, end) of a cell; the whole film is [0, filmEndMs).
    int cellStartMs(std::size_t cell) const;
    int cellEndMs(std::size_t cell) const;
    // How long the area exists within the cell, and its first moment there (-1: never).
    long long visibleMs(std::size_t aoi, std::size_t cell) const
    {
        return visible_[aoi * cellCount() + cell];
    }
    int firstVisibleMs(std::size_t aoi, std::size_t cell) const
    {
        return firstVisible_[aoi * cellCount() + cell];
    }

    // A piece of a key span: from startMs (inclusive) to endMs (exclusive)
    // the box is x, y, width, height at keyMs and changes by the d* values
    // per ms. A moving span is cut into pieces of at most kPieceMs, so that
    // the bounds below stay close to the box.
    static constexpr int kPieceMs = 500;
    struct Span
    {
        int startMs = 0;
        int endMs = 0;
        int keyMs = 0;
        AoiShape shape = AoiShape::Hidden;
        double x = 0, y = 0, width = 0, height = 0;
        double dx = 0, dy = 0, dwidth = 0, dheight = 0;
        // Bounds of every box the span passes through: most samples are far
        // from most areas and need no more than this test.
        double left = 0, top = 0, right = 0, bottom = 0;
    };
    const std::vector<Span>& spans(std::size_t aoi) const { return spans_[aoi]; }

private:
    std::vector<std::vector<Span>> spans_;
    std::vector<int> shotStarts_;
    int filmEndMs_ = 0;
    std::vector<long long> visible_;
    std::vector<int> firstVisible_;
};

// What one viewer did with one area within one cell (a shot or the film).
struct AoiMeasure
{
    long long gazeMs = 0;           // usable sample time with the gaze inside
    bool entered = false;           // a usable sample inside
    int timeToFirstFixationMs = -1; // -1: no fixation inside
    int firstFixationMs = 0;
    long long dwellMs = 0; // fixations and pursuits inside
    int fixations = 0;
    int visits = 0; // entries from outside (or from the area's or the cell's start)
};

// The step of the recording: the mean of the steps between samples that are
// at most twice the median step, rounded up; 0 with fewer than two samples.
// The first 10,000 steps tell it: a recording keeps its rate.
int sampleIntervalMs(std::span<const int> timesMs);

// One viewer's measures, [aoi * film.cellCount() + cell].
//
// Each usable sample counts the time to the next sample, at most intervalMs,
// toward the cell its time falls in and toward every area its position lies
// in at that time. A fixation or pursuit is inside an area when more than half
// of its samples are; within a shot it counts for the part of its duration
// that falls there, so one held over a cut is also the next shot's. Samples whose
// time is not after the one before them are skipped, as the classifier takes
// them as lost.
// The film cut into this many equal stretches for a picture of where the gaze lies.
constexpr std::size_t kAoiPresenceBins = 1000;

// events: in time order, as the classifier gives them for gaze. presenceMs,
// when given, receives the gaze time inside each area in each stretch of the
// film, [aoi * kAoiPresenceBins + stretch], added to what it holds.
std::vector<AoiMeasure> measureAois(const AoiFilm& film, const measures::GazeColumns& gaze,
                                    const std::vector<measures::GazeEvent>& events, int intervalMs,
                                    std::vector<float>* presenceMs = nullptr);

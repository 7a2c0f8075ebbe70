#include "analysis/AoiMeasures.h"

#include <algorithm>
#include <climits>
#include <cmath>

AoiFilm::AoiFilm(const std::vector<Aoi>& aois, std::vector<int> shotStartsMs, int filmEndMs)
    : shotStarts_(std::move(shotStartsMs)), filmEndMs_(std::max(0, filmEndMs))
{
    for (const Aoi& aoi : aois) {
        std::vector<Span>& spans = spans_.emplace_back();
        for (std::size_t k = 0; k < aoi.keys.size(); ++k) {
            const AoiKey& key = aoi.keys[k];
            Span span;
            span.startMs = key.timeMs;
            span.endMs = k + 1 < aoi.keys.size() ? aoi.keys[k + 1].timeMs : INT_MAX;
            span.shape = key.shape;
            span.x = key.x;
            span.y = key.y;
            span.width = key.width;
            span.height = key.height;
            span.keyMs = key.timeMs;
            if (k + 1 < aoi.keys.size() && aoi.keys[k + 1].shape != AoiShape::Hidden) {
                const AoiKey& next = aoi.keys[k + 1];
                const double ms = double(next.timeMs - key.timeMs);
                span.dx = (next.x - key.x) / ms;
                span.dy = (next.y - key.y) / ms;
                span.dwidth = (next.width - key.width) / ms;
                span.dheight = (next.height - key.height) / ms;
            }
            const bool moves = span.dx != 0 || span.dy != 0 || span.dwidth != 0 || span.dheight != 0;
            for (long long from = span.startMs; from < span.endMs; from += kPieceMs) {
                Span piece = span;
                piece.startMs = static_cast<int>(from);
                piece.endMs =
                    moves ? static_cast<int>(std::min<long long>(from + kPieceMs, span.endMs)) : span.endMs;
                // The box moves linearly: its bounds over the piece are those of its two ends.
                const double f0 = piece.startMs - span.keyMs;
                const double f1 = piece.endMs - span.keyMs;
                piece.left = std::min(span.x + f0 * span.dx, span.x + f1 * span.dx);
                piece.top = std::min(span.y + f0 * span.dy, span.y + f1 * span.dy);
                piece.right = std::max(span.x + span.width + f0 * (span.dx + span.dwidth),
                                       span.x + span.width + f1 * (span.dx + span.dwidth));
                piece.bottom = std::max(span.y + span.height + f0 * (span.dy + span.dheight),
                                        span.y + span.height + f1 * (span.dy + span.dheight));
                spans.push_back(piece);
                if (!moves)
                    break;
            }
        }
    }
    for (const Aoi& aoi : aois) {
        for (std::size_t cell = 0; cell < cellCount(); ++cell) {
            visible_.push_back(aoi.presentMs(cellStartMs(cell), cellEndMs(cell)));
            firstVisible_.push_back(aoi.firstPresentMs(cellStartMs(cell), cellEndMs(cell)));
        }
    }
}

int AoiFilm::cellStartMs(std::size_t cell) const
{
    return cell < shotStarts_.size() ? shotStarts_[cell] : 0;
}

int AoiFilm::cellEndMs(std::size_t cell) const
{
    if (cell + 1 < shotStarts_.size())
        return shotStarts_[cell + 1];
    return std::max(filmEndMs_, cellStartMs(cell));
}

int sampleIntervalMs(std::span<const int> timesMs)
{
    constexpr std::size_t kStepsLooked = 10000;
    std::vector<int> steps;
    const std::size_t size = std::min(timesMs.size(), kStepsLooked + 1);
    for (std::size_t i = 1; i < size; ++i)
        if (timesMs[i] > timesMs[i - 1])
            steps.push_back(timesMs[i] - timesMs[i - 1]);
    if (steps.empty())
        return 0;
    auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    const long long limit = 2LL * *middle;
    long long sum = 0;
    long long count = 0;
    for (const int step : steps) {
        if (step <= limit) {
            sum += step;
            ++count;
        }
    }
    return static_cast<int>((sum + count - 1) / count);
}

namespace {

bool isInside(const AoiFilm::Span& span, int timeMs, double px, double py)
{
    if (px < span.left || py < span.top || px > span.right || py > span.bottom)
        return false;
    const double f = timeMs - span.keyMs;
    const AoiBox box{span.shape, span.x + f * span.dx, span.y + f * span.dy, span.width + f * span.dwidth,
                     span.height + f * span.dheight};
    return box.contains(px, py);
}

// The cell of a time: the shot it falls in, or none before the first shot.
class ShotCursor
{
public:
    explicit ShotCursor(const AoiFilm& film) : film_(film) {}
    // Times must not fall; returns shotCount() when no shot holds timeMs.
    std::size_t at(int timeMs)
    {
        const std::size_t shots = film_.shotCount();
        while (next_ < shots && film_.cellStartMs(next_) <= timeMs)
            ++next_;
        return next_ == 0 ? shots : next_ - 1;
    }

private:
    const AoiFilm& film_;
    std::size_t next_ = 0;
};

} // namespace

namespace {

// The samples that count, once per viewer: usable, after the one before them
// and within the film, with the time each holds and the cell it falls in.
struct CountedSamples
{
    std::vector<std::uint32_t> index; // in the classified input, rising
    std::vector<int> timeMs;
    std::vector<float> x; // exact: positions stay far below 2^24
    std::vector<float> y;
    std::vector<int> ms;
    std::vector<std::uint32_t> cell;
};

CountedSamples countedSamples(const AoiFilm& film, const measures::GazeColumns& gaze, int intervalMs)
{
    CountedSamples counted;
    for (auto* column : {&counted.timeMs, &counted.ms})
        column->reserve(gaze.size());
    for (auto* column : {&counted.index, &counted.cell})
        column->reserve(gaze.size());
    counted.x.reserve(gaze.size());
    counted.y.reserve(gaze.size());
    ShotCursor shots(film);
    int lastTime = INT_MIN;
    for (std::size_t i = 0; i < gaze.size(); ++i) {
        const int t = gaze.timeMs[i];
        if (t <= lastTime)
            continue;
        lastTime = t;
        if (!gaze.usable[i] || t < 0 || t >= film.filmEndMs())
            continue;
        int next = t + intervalMs;
        // Samples out of order are passed over once each: they are never looked at again.
        for (std::size_t j = i + 1; j < gaze.size(); ++j) {
            if (gaze.timeMs[j] > t) {
                next = std::min(next, gaze.timeMs[j]);
                break;
            }
        }
        counted.index.push_back(static_cast<std::uint32_t>(i));
        counted.timeMs.push_back(t);
        counted.x.push_back(static_cast<float>(gaze.x[i]));
        counted.y.push_back(static_cast<float>(gaze.y[i]));
        counted.ms.push_back(next - t);
        counted.cell.push_back(static_cast<std::uint32_t>(shots.at(t)));
    }
    return counted;
}

// Marks the samples inside one area, in flags (one per sample) and in a list
// of their positions: within each key span a test against the span's bounds,
// which most samples fail, then the exact shape for the few that pass it.
void markInside(const std::vector<AoiFilm::Span>& spans, const CountedSamples& samples,
                std::vector<std::uint8_t>& in, std::vector<std::uint32_t>& inside)
{
    in.assign(samples.timeMs.size(), 0);
    inside.clear();
    std::size_t from = 0;
    const std::size_t size = samples.timeMs.size();
    const int* time = samples.timeMs.data();
    const float* x = samples.x.data();
    const float* y = samples.y.data();
    for (const AoiFilm::Span& span : spans) {
        while (from < size && time[from] < span.startMs)
            ++from;
        if (span.shape == AoiShape::Hidden)
            continue;
        // A unit of slack keeps rounding to float from losing points on the edge.
        const auto left = static_cast<float>(span.left - 1);
        const auto top = static_cast<float>(span.top - 1);
        const auto right = static_cast<float>(span.right + 1);
        const auto bottom = static_cast<float>(span.bottom + 1);
        for (; from < size && time[from] < span.endMs; ++from) {
            if (x[from] < left || x[from] > right || y[from] < top || y[from] > bottom)
                continue;
            if (isInside(span, time[from], x[from], y[from])) {
                in[from] = 1;
                inside.push_back(static_cast<std::uint32_t>(from));
            }
        }
    }
}

} // namespace

std::vector<AoiMeasure> measureAois(const AoiFilm& film, const measures::GazeColumns& gaze,
                                    const std::vector<measures::GazeEvent>& events, int intervalMs,
                                    std::vector<float>* presenceMs)
{
    if (presenceMs)
        presenceMs->resize(film.aoiCount() * kAoiPresenceBins);
    const std::size_t cells = film.cellCount();
    const std::size_t whole = cells - 1;
    std::vector<AoiMeasure> result(film.aoiCount() * cells);
    const CountedSamples samples = countedSamples(film, gaze, intervalMs);
    std::vector<std::uint8_t> in;
    std::vector<std::uint32_t> inside;
    for (std::size_t aoi = 0; aoi < film.aoiCount(); ++aoi) {
        AoiMeasure* row = &result[aoi * cells];
        markInside(film.spans(aoi), samples, in, inside);
        for (const std::uint32_t j : inside) {
            const int ms = samples.ms[j];
            const std::size_t cell = samples.cell[j];
            // The sample before is the last usable one: a blink between two
            // samples inside is no new visit, an area appearing under the gaze is.
            const bool wasInside = j > 0 && in[j - 1];
            row[whole].gazeMs += ms;
            row[whole].entered = true;
            row[whole].visits += wasInside ? 0 : 1;
            if (cell < whole) {
                row[cell].gazeMs += ms;
                row[cell].entered = true;
                row[cell].visits += wasInside && samples.cell[j - 1] == cell ? 0 : 1;
            }
            if (presenceMs) {
                const auto stretch = static_cast<std::size_t>(static_cast<long long>(samples.timeMs[j]) *
                                                              kAoiPresenceBins / film.filmEndMs());
                (*presenceMs)[aoi * kAoiPresenceBins + stretch] += static_cast<float>(ms);
            }
        }

        // Events and the samples inside both come in order: one walk over each.
        ShotCursor eventShots(film);
        std::size_t next = 0;
        for (const measures::GazeEvent& event : events) {
            if (next == inside.size())
                break;
            if (event.type != measures::EventType::Fixation && event.type != measures::EventType::Pursuit)
                continue;
            const std::size_t end = event.firstSample + event.sampleCount;
            while (next < inside.size() && samples.index[inside[next]] < event.firstSample)
                ++next;
            std::size_t count = 0;
            for (std::size_t k = next; k < inside.size() && samples.index[inside[k]] < end; ++k)
                ++count;
            if (2 * count <= event.sampleCount)
                continue;
            const auto credit = [&](std::size_t cell, long long fromMs, long long ms) {
                AoiMeasure& m = row[cell];
                m.dwellMs += ms;
                if (event.type != measures::EventType::Fixation || m.fixations++ > 0)
                    return;
                const int firstVisible = std::max(film.firstVisibleMs(aoi, cell), 0);
                m.timeToFirstFixationMs = static_cast<int>(std::max<long long>(0, fromMs - firstVisible));
                m.firstFixationMs = static_cast<int>(ms);
            };
            credit(whole, event.startMs, event.durationMs);
            // Within a shot an event counts for the part of it that falls there:
            // a fixation held over a cut is the new shot's first.
            const long long eventEnd = static_cast<long long>(event.startMs) + event.durationMs;
            const std::size_t startCell = eventShots.at(event.startMs);
            for (std::size_t shot = startCell == whole ? 0 : startCell;
                 shot < film.shotCount() && film.cellStartMs(shot) < eventEnd; ++shot) {
                const long long from = std::max<long long>(event.startMs, film.cellStartMs(shot));
                const long long to = std::min<long long>(eventEnd, film.cellEndMs(shot));
                if (to > from)
                    credit(shot, from, to - from);
            }
        }
    }
    return result;
}

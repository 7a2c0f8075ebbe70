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
            if (k + 1 < aoi.keys.size() && aoi.keys[k + 1].shape != AoiShape::Hidden) {
                const AoiKey& next = aoi.keys[k + 1];
                const double ms = double(next.timeMs - key.timeMs);
                span.dx = (next.x - key.x) / ms;
                span.dy = (next.y - key.y) / ms;
                span.dwidth = (next.width - key.width) / ms;
                span.dheight = (next.height - key.height) / ms;
            }
            spans.push_back(span);
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

bool inside(const AoiFilm::Span& span, int timeMs, double px, double py)
{
    const double f = timeMs - span.startMs;
    const double x = span.x + f * span.dx;
    const double y = span.y + f * span.dy;
    const double width = span.width + f * span.dwidth;
    const double height = span.height + f * span.dheight;
    if (px < x || py < y || px > x + width || py > y + height)
        return false;
    if (span.shape == AoiShape::Rectangle)
        return true;
    const double rx = width / 2;
    const double ry = height / 2;
    if (rx <= 0 || ry <= 0)
        return false;
    const double dx = (px - x - rx) / rx;
    const double dy = (py - y - ry) / ry;
    return dx * dx + dy * dy <= 1.0;
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

std::vector<AoiMeasure> measureAois(const AoiFilm& film, const measures::GazeColumns& gaze,
                                    const std::vector<measures::GazeEvent>& events, int intervalMs)
{
    const std::size_t cells = film.cellCount();
    const std::size_t whole = cells - 1;
    std::vector<AoiMeasure> result(film.aoiCount() * cells);
    std::vector<std::uint8_t> in(gaze.size(), 0);
    for (std::size_t aoi = 0; aoi < film.aoiCount(); ++aoi) {
        AoiMeasure* row = &result[aoi * cells];
        const std::vector<AoiFilm::Span>& spans = film.spans(aoi);
        std::size_t span = 0;
        ShotCursor shots(film);
        std::size_t previousCell = whole;
        bool wasInside = false;     // at the last usable sample, within the film
        bool wasInsideShot = false; // the same, within that sample's shot
        int lastTime = INT_MIN;
        for (std::size_t i = 0; i < gaze.size(); ++i) {
            const int t = gaze.timeMs[i];
            in[i] = 0;
            if (t <= lastTime)
                continue;
            lastTime = t;
            if (!gaze.usable[i] || t < 0 || t >= film.filmEndMs())
                continue;
            while (span < spans.size() && spans[span].endMs <= t)
                ++span;
            const bool present =
                span < spans.size() && spans[span].startMs <= t && spans[span].shape != AoiShape::Hidden;
            const bool isInside = present && inside(spans[span], t, gaze.x[i], gaze.y[i]);
            const std::size_t cell = shots.at(t);
            if (cell != previousCell)
                wasInsideShot = false;
            previousCell = cell;
            if (isInside) {
                in[i] = 1;
                int next = t + intervalMs;
                for (std::size_t j = i + 1; j < gaze.size(); ++j) {
                    if (gaze.timeMs[j] > t) {
                        next = std::min(next, gaze.timeMs[j]);
                        break;
                    }
                }
                const int ms = next - t;
                for (AoiMeasure* m : {&row[whole], cell < whole ? &row[cell] : nullptr}) {
                    if (!m)
                        continue;
                    m->gazeMs += ms;
                    m->entered = true;
                }
                if (!wasInside)
                    ++row[whole].visits;
                if (cell < whole && !wasInsideShot)
                    ++row[cell].visits;
            }
            wasInside = isInside;
            wasInsideShot = isInside;
        }

        ShotCursor eventShots(film);
        for (const measures::GazeEvent& event : events) {
            if (event.type != measures::EventType::Fixation && event.type != measures::EventType::Pursuit)
                continue;
            std::size_t count = 0;
            const std::size_t end = std::min(event.firstSample + event.sampleCount, gaze.size());
            for (std::size_t i = event.firstSample; i < end; ++i)
                count += in[i];
            if (2 * count <= event.sampleCount)
                continue;
            const auto credit = [&](std::size_t cell, long long fromMs, long long ms) {
                AoiMeasure& m = row[cell];
                m.dwellMs += ms;
                if (event.type != measures::EventType::Fixation || m.fixations++ > 0)
                    return;
                const int first = std::max(film.firstVisibleMs(aoi, cell), 0);
                m.timeToFirstFixationMs = static_cast<int>(std::max<long long>(0, fromMs - first));
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

#include "measures/EventClassifier.h"

#include "measures/AngleTable.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>

namespace measures {
namespace {

struct Thresholds
{
    double peakDegS = 0;
    double onsetDegS = 0;
};

// Working values per sample, kept column by column.
struct Track
{
    explicit Track(std::size_t n) : ax(n), ay(n), speed(n), fitSpeed(n), label(n), runStart(n) {}
    std::vector<double> ax; // angular position, degrees
    std::vector<double> ay;
    std::vector<double> speed;          // deg/s from the samples before; 0 at the start of a run
    std::vector<float> fitSpeed;        // deg/s of the line fitted around the sample (fixation or pursuit)
    std::vector<EventType> label;       // None until classified
    std::vector<std::uint8_t> runStart; // first usable sample after a loss or a silence
};

// The typical time between samples: the median of the first intervals.
double typicalPeriodMs(const GazeColumns& samples)
{
    std::vector<int> intervals;
    for (std::size_t i = 1; i < samples.size() && intervals.size() < 1001; ++i)
        if (samples.timeMs[i] > samples.timeMs[i - 1])
            intervals.push_back(samples.timeMs[i] - samples.timeMs[i - 1]);
    if (intervals.empty())
        return 1;
    auto middle = intervals.begin() + static_cast<std::ptrdiff_t>(intervals.size() / 2);
    std::nth_element(intervals.begin(), middle, intervals.end());
    return *middle;
}

// Nystrom and Holmqvist's threshold: start high, then repeatedly set it to the
// mean plus k deviations of the velocities below it until it settles.
Thresholds adaptiveThresholds(const std::vector<float>& velocities, const EventParameters& p)
{
    double peak = p.initialPeakDegS;
    double mean = 0;
    double deviation = 0;
    for (int round = 0; round < 100; ++round) {
        double sum = 0;
        double squares = 0;
        std::size_t count = 0;
        for (const float v : velocities) {
            if (v < peak) {
                sum += v;
                squares += static_cast<double>(v) * v;
                ++count;
            }
        }
        if (count == 0)
            break;
        mean = sum / static_cast<double>(count);
        deviation = std::sqrt(std::max(0.0, squares / static_cast<double>(count) - mean * mean));
        const double next = std::max(p.minPeakDegS, mean + p.peakK * deviation);
        const bool settled = std::abs(next - peak) < 1.0;
        peak = next;
        if (settled)
            break;
    }
    return {peak, mean + p.onsetK * deviation};
}

void measurePositionsAndSpeeds(const GazeColumns& samples, const ScreenGeometry& geometry,
                               const EventParameters& p, Track& track)
{
    const AngleTable angles(geometry);
    // Sample intervals are few and short: their inverses once, not a division per sample.
    constexpr int kInverses = 256;
    std::array<double, kInverses> inverseMs{};
    for (int k = 1; k < kInverses; ++k)
        inverseMs[static_cast<std::size_t>(k)] = 1000.0 / k;
    int lastTime = INT_MIN;
    bool previousUsable = false;
    std::size_t runFirst = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const GazeSample& s = samples[i];
        const bool usable = s.usable && s.timeMs > lastTime;
        const bool silence =
            i > 0 && s.timeMs > lastTime && s.timeMs - static_cast<double>(lastTime) > p.maxGapMs;
        lastTime = std::max(lastTime, s.timeMs);
        if (!usable) {
            track.label[i] = EventType::Loss;
            previousUsable = false;
            continue;
        }
        track.ax[i] = angles.horizontalDeg(s.x);
        track.ay[i] = angles.verticalDeg(s.y);
        if (!previousUsable || silence) {
            track.runStart[i] = 1;
            runFirst = i;
        } else {
            // Back far enough to span the velocity interval, never out of the run.
            std::size_t j = i - 1;
            while (j > runFirst && s.timeMs - samples.timeMs[j] < p.velocityIntervalMs)
                --j;
            const double dx = track.ax[i] - track.ax[j];
            const double dy = track.ay[i] - track.ay[j];
            const int interval = s.timeMs - samples.timeMs[j];
            track.speed[i] = std::sqrt(dx * dx + dy * dy) *
                             (interval < kInverses ? inverseMs[interval] : 1000.0 / interval);
        }
        previousUsable = true;
    }
}

bool hasSpeed(const Track& track, std::size_t i)
{
    return track.label[i] != EventType::Loss && !track.runStart[i];
}

// The thresholds of every sample's stretch: each window of the recording gets
// its own when it holds enough velocities, else the recording's.
std::vector<Thresholds> stretchThresholds(const GazeColumns& samples, const EventParameters& p,
                                          const Track& track, std::vector<std::size_t>& stretchOf)
{
    constexpr std::size_t enoughVelocities = 200;
    std::optional<Thresholds> whole; // only when a stretch is too short for its own
    const auto wholeRecording = [&] {
        std::vector<float> all;
        for (std::size_t i = 0; i < samples.size(); ++i)
            if (hasSpeed(track, i))
                all.push_back(static_cast<float>(track.speed[i]));
        return adaptiveThresholds(all, p);
    };

    std::vector<Thresholds> thresholds;
    stretchOf.assign(samples.size(), 0);
    std::vector<float> part;
    const double origin = samples.timeMs[0];
    for (std::size_t first = 0; first < samples.size();) {
        const double stretch = std::floor((samples.timeMs[first] - origin) / p.thresholdWindowMs);
        const double from = origin + stretch * p.thresholdWindowMs;
        const double to = from + p.thresholdWindowMs;
        std::size_t end = first;
        part.clear();
        while (end < samples.size() && samples.timeMs[end] >= from && samples.timeMs[end] < to) {
            if (hasSpeed(track, end))
                part.push_back(static_cast<float>(track.speed[end]));
            stretchOf[end] = thresholds.size();
            ++end;
        }
        // Times that go back start a stretch of their own; it is small and takes the whole's values.
        if (part.size() < enoughVelocities && !whole)
            whole = wholeRecording();
        thresholds.push_back(part.size() >= enoughVelocities ? adaptiveThresholds(part, p) : *whole);
        first = std::max(end, first + 1);
    }
    return thresholds;
}

void markSaccades(const GazeColumns& samples, const std::vector<Thresholds>& thresholds,
                  const std::vector<std::size_t>& stretchOf, Track& track)
{
    const std::size_t n = samples.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (!hasSpeed(track, i) || track.speed[i] <= thresholds[stretchOf[i]].peakDegS)
            continue;
        // Widen the peak along its falling flanks down to the onset threshold.
        std::size_t first = i;
        while (first > 0 && hasSpeed(track, first - 1) &&
               track.speed[first - 1] > thresholds[stretchOf[first - 1]].onsetDegS &&
               track.speed[first - 1] < track.speed[first])
            --first;
        std::size_t last = i;
        while (last + 1 < n && hasSpeed(track, last + 1) &&
               (track.speed[last + 1] > thresholds[stretchOf[last + 1]].peakDegS ||
                (track.speed[last + 1] > thresholds[stretchOf[last + 1]].onsetDegS &&
                 track.speed[last + 1] < track.speed[last])))
            ++last;
        for (std::size_t k = first; k <= last; ++k)
            track.label[k] = EventType::Saccade;
        i = last;
    }
}

// Running least-squares sums over a sliding window, with times relative to a
// centre that moves along so that the sums stay small and exact enough.
struct WindowFit
{
    double n = 0, st = 0, stt = 0, sx = 0, sy = 0, sxt = 0, syt = 0, sxx = 0, syy = 0;

    void add(double t, double x, double y, double sign)
    {
        n += sign;
        st += sign * t;
        stt += sign * t * t;
        sx += sign * x;
        sy += sign * y;
        sxt += sign * x * t;
        syt += sign * y * t;
        sxx += sign * x * x;
        syy += sign * y * y;
    }
    void moveCentre(double by)
    {
        stt += -2 * by * st + by * by * n;
        st -= by * n;
        sxt -= by * sx;
        syt -= by * sy;
    }
    // For a fitted line at least minSpeed fast (per second of t): its speed,
    // that speed in standard errors of the scatter around the line, and the
    // scatter itself (a sum of squares). Slower lines give zeros: most windows
    // are slow, and are spared the rest.
    void fit(double minSpeed, double& speed, double& consistency, double& residual) const
    {
        speed = 0;
        consistency = 0;
        residual = 0;
        if (n < 3)
            return;
        const double inverseN = 1 / n;
        const double ct = stt - st * st * inverseN;
        if (ct <= 0)
            return;
        const double inverseCt = 1 / ct;
        const double cx = sxt - st * sx * inverseN;
        const double cy = syt - st * sy * inverseN;
        const double bx = cx * inverseCt;
        const double by = cy * inverseCt;
        const double speed2 = bx * bx + by * by;
        if (speed2 < minSpeed * minSpeed)
            return;
        speed = std::sqrt(speed2);
        residual = std::max(0.0, sxx - sx * sx * inverseN - bx * cx) +
                   std::max(0.0, syy - sy * sy * inverseN - by * cy);
        const double variance = residual / (2 * (n - 2));
        consistency = variance > 0 ? std::sqrt(speed2 * ct / variance) : (speed > 0 ? INFINITY : 0);
    }
};

// The gaze over a window explained as two resting places with one jump
// between them, the best jump: what a saccade too small or too noisy for the
// velocity threshold leaves behind. A pursuit is a line that explains the
// gaze better than any such jump.
class StepFit
{
public:
    // Prepares the stretch [first, last]; the buffers are reused from one stretch to the next.
    void reset(const Track& track, std::size_t first, std::size_t last)
    {
        const std::size_t m = last - first + 1;
        sx_.assign(m + 1, 0.0);
        sy_.assign(m + 1, 0.0);
        sq_.assign(m + 1, 0.0);
        first_ = first;
        for (std::size_t k = 0; k < m; ++k) {
            const double x = track.ax[first + k] - track.ax[first];
            const double y = track.ay[first + k] - track.ay[first];
            sx_[k + 1] = sx_[k] + x;
            sy_[k + 1] = sy_[k] + y;
            sq_[k + 1] = sq_[k] + x * x + y * y;
        }
    }

    // Least squared distance of the samples [low, high) from their two group means.
    double bestStepResidual(std::size_t low, std::size_t high) const
    {
        const std::size_t a = low - first_;
        const std::size_t b = high - first_;
        double best = INFINITY;
        for (std::size_t split = a + 1; split < b; ++split)
            best = std::min(best, spread(a, split) + spread(split, b));
        return best;
    }

private:
    double spread(std::size_t a, std::size_t b) const
    {
        const auto n = static_cast<double>(b - a);
        const double x = sx_[b] - sx_[a];
        const double y = sy_[b] - sy_[a];
        return std::max(0.0, sq_[b] - sq_[a] - (x * x + y * y) / n);
    }

    std::size_t first_ = 0;
    std::vector<double> sx_, sy_, sq_; // prefix sums from the stretch's first sample
};

// Relabels runs of one label shorter than minMs inside [first, last] as other,
// when the neighbourCheck allows.
template <typename Allow>
void dropShortRuns(const GazeColumns& samples, Track& track, std::size_t first, std::size_t last,
                   EventType label, EventType other, double minMs, double periodMs, Allow allow)
{
    for (std::size_t i = first; i <= last;) {
        std::size_t end = i;
        while (end < last && track.label[end + 1] == track.label[i])
            ++end;
        if (track.label[i] == label && samples.timeMs[end] - samples.timeMs[i] + periodMs < minMs &&
            allow(i, end))
            std::fill(track.label.begin() + static_cast<std::ptrdiff_t>(i),
                      track.label.begin() + static_cast<std::ptrdiff_t>(end) + 1, other);
        i = end + 1;
    }
}

// Fixation or pursuit for every sample of a stretch between saccades (or
// losses): a line is fitted to the gaze over a window around each sample, and
// the gaze pursues when that line moves fast enough and clearly beyond the
// scatter around it.
void classifyStretch(const GazeColumns& samples, const EventParameters& p, double periodMs, StepFit& steps,
                     std::size_t first, std::size_t last, Track& track)
{
    const bool saccadeBefore = first > 0 && track.label[first - 1] == EventType::Saccade;
    const bool saccadeAfter =
        last + 1 < samples.size() && track.label[last + 1] == EventType::Saccade && !track.runStart[last + 1];
    if (saccadeBefore && saccadeAfter &&
        samples.timeMs[last] - samples.timeMs[first] + periodMs < p.minFixationMs) {
        // Too short to be a fixation between two saccades: the middle of one.
        std::fill(track.label.begin() + static_cast<std::ptrdiff_t>(first),
                  track.label.begin() + static_cast<std::ptrdiff_t>(last) + 1, EventType::Saccade);
        return;
    }
    const double half = p.pursuitWindowMs / 2;
    const double x0 = track.ax[first];
    const double y0 = track.ay[first];
    WindowFit window;
    steps.reset(track, first, last);
    double centre = samples.timeMs[first];
    std::size_t low = first;
    std::size_t high = first; // one past the window
    for (std::size_t i = first; i <= last; ++i) {
        const double t = samples.timeMs[i];
        window.moveCentre((t - centre) / 1000.0);
        centre = t;
        while (high <= last && samples.timeMs[high] <= t + half) {
            window.add((samples.timeMs[high] - centre) / 1000.0, track.ax[high] - x0, track.ay[high] - y0, 1);
            ++high;
        }
        while (samples.timeMs[low] < t - half) {
            window.add((samples.timeMs[low] - centre) / 1000.0, track.ax[low] - x0, track.ay[low] - y0, -1);
            ++low;
        }
        double speed = 0;
        double consistency = 0;
        double lineResidual = 0;
        window.fit(p.pursuitMinSpeedDegS, speed, consistency, lineResidual);
        track.fitSpeed[i] = static_cast<float>(speed);
        const bool pursuit = speed >= p.pursuitMinSpeedDegS && consistency >= p.pursuitMinConsistency &&
                             lineResidual < p.pursuitStepRatio * steps.bestStepResidual(low, high);
        track.label[i] = pursuit ? EventType::Pursuit : EventType::Fixation;
    }
    dropShortRuns(samples, track, first, last, EventType::Pursuit, EventType::Fixation, p.minPursuitMs,
                  periodMs, [](std::size_t, std::size_t) { return true; });
    // A short pause within a pursuit, or a short edge beside one, belongs to it.
    dropShortRuns(samples, track, first, last, EventType::Fixation, EventType::Pursuit, p.minFixationMs,
                  periodMs, [&](std::size_t a, std::size_t b) {
                      return (a > first && track.label[a - 1] == EventType::Pursuit) ||
                             (b < last && track.label[b + 1] == EventType::Pursuit);
                  });
}

void classifyBetweenSaccades(const GazeColumns& samples, const EventParameters& p, double periodMs,
                             Track& track)
{
    const std::size_t n = samples.size();
    StepFit steps;
    for (std::size_t i = 0; i < n;) {
        if (track.label[i] != EventType::None) {
            ++i;
            continue;
        }
        std::size_t last = i;
        while (last + 1 < n && track.label[last + 1] == EventType::None && !track.runStart[last + 1])
            ++last;
        classifyStretch(samples, p, periodMs, steps, i, last, track);
        i = last + 1;
    }
}

GazeEvent makeEvent(const GazeColumns& samples, const ScreenGeometry& geometry, const Track& track,
                    std::size_t first, std::size_t last)
{
    GazeEvent event;
    event.type = track.label[first];
    event.startMs = samples.timeMs[first];
    event.endMs = samples.timeMs[last];
    event.firstSample = first;
    event.sampleCount = last - first + 1;
    switch (event.type) {
    case EventType::Fixation:
    case EventType::Pursuit: {
        double sx = 0, sy = 0;
        for (std::size_t k = first; k <= last; ++k) {
            sx += samples.x[k];
            sy += samples.y[k];
        }
        const auto count = static_cast<double>(event.sampleCount);
        event.x = static_cast<int>(std::lround(sx / count));
        event.y = static_cast<int>(std::lround(sy / count));
        if (event.type == EventType::Fixation)
            break;
        // The distance covered along the line fitted to the whole pursuit, which
        // noise at its two ends does not inflate.
        WindowFit fit;
        const double t0 = samples.timeMs[first];
        float peak = 0;
        for (std::size_t k = first; k <= last; ++k) {
            fit.add((samples.timeMs[k] - t0) / 1000.0, track.ax[k] - track.ax[first],
                    track.ay[k] - track.ay[first], 1);
            peak = std::max(peak, track.fitSpeed[k]);
        }
        double speed = 0;
        double consistency = 0;
        double residual = 0;
        fit.fit(0, speed, consistency, residual);
        event.amplitudeDeg = speed * (event.endMs - event.startMs) / 1000.0;
        event.peakVelocityDegS = peak;
        break;
    }
    case EventType::Saccade: {
        // It starts where the gaze was before its first sample, when that is known.
        const std::size_t from = first > 0 && !track.runStart[first] ? first - 1 : first;
        event.x = samples.x[last];
        event.y = samples.y[last];
        event.amplitudeDeg = geometry.visualAngleDeg(samples.x[from], samples.y[from], event.x, event.y);
        for (std::size_t k = first; k <= last; ++k)
            event.peakVelocityDegS = std::max(event.peakVelocityDegS, track.speed[k]);
        break;
    }
    case EventType::Loss:
    case EventType::None:
        break;
    }
    return event;
}

void appendLoss(std::vector<GazeEvent>& events, const GazeEvent& loss)
{
    if (!events.empty() && events.back().type == EventType::Loss) {
        GazeEvent& previous = events.back();
        previous.endMs = std::max(previous.endMs, loss.endMs);
        if (loss.sampleCount > 0) {
            if (previous.sampleCount == 0)
                previous.firstSample = loss.firstSample;
            previous.sampleCount = loss.firstSample + loss.sampleCount - previous.firstSample;
        }
        return;
    }
    events.push_back(loss);
}

// Fixation, saccade, fixation in nearly the same place soon after: noise broke
// one fixation in two.
bool mergeIntoPrevious(std::vector<GazeEvent>& events, const GazeEvent& fixation,
                       const ScreenGeometry& geometry, const EventParameters& p)
{
    if (events.size() < 2 || events.back().type != EventType::Saccade)
        return false;
    GazeEvent& before = events[events.size() - 2];
    if (before.type != EventType::Fixation || fixation.startMs - before.endMs > p.mergeGapMs ||
        geometry.visualAngleDeg(before.x, before.y, fixation.x, fixation.y) >= p.mergeDistanceDeg)
        return false;
    const auto a = static_cast<double>(before.sampleCount);
    const auto b = static_cast<double>(fixation.sampleCount);
    before.x = static_cast<int>(std::lround((before.x * a + fixation.x * b) / (a + b)));
    before.y = static_cast<int>(std::lround((before.y * a + fixation.y * b) / (a + b)));
    before.endMs = fixation.endMs;
    before.sampleCount = fixation.firstSample + fixation.sampleCount - before.firstSample;
    events.pop_back();
    return true;
}

std::vector<GazeEvent> collectEvents(const GazeColumns& samples, const ScreenGeometry& geometry,
                                     const EventParameters& p, double periodMs, const Track& track)
{
    std::vector<GazeEvent> events;
    events.reserve(samples.size() / 16 + 16);
    const std::size_t n = samples.size();
    const int period = std::max(1, static_cast<int>(std::lround(periodMs)));
    int lastTime = INT_MIN;
    for (std::size_t i = 0; i < n;) {
        if (i > 0 && samples.timeMs[i] > lastTime &&
            samples.timeMs[i] - static_cast<double>(lastTime) > p.maxGapMs &&
            samples.timeMs[i] - 1 >= lastTime + period) {
            GazeEvent silence;
            silence.type = EventType::Loss;
            silence.startMs = lastTime + period;
            silence.endMs = samples.timeMs[i] - 1;
            silence.firstSample = i;
            appendLoss(events, silence);
        }
        std::size_t last = i;
        while (last + 1 < n && track.label[last + 1] == track.label[i] &&
               !(track.label[i] != EventType::Loss && track.runStart[last + 1]))
            ++last;
        for (std::size_t k = i; k <= last; ++k)
            lastTime = std::max(lastTime, samples.timeMs[k]);
        GazeEvent event = makeEvent(samples, geometry, track, i, last);
        if (!events.empty() && event.startMs <= events.back().endMs) {
            // Samples whose times went back: their loss follows what came before.
            event.startMs = events.back().endMs + 1;
            event.endMs = std::max(event.endMs, event.startMs);
        }
        if (event.type == EventType::Loss)
            appendLoss(events, event);
        else if (event.type != EventType::Fixation || !mergeIntoPrevious(events, event, geometry, p))
            events.push_back(event);
        i = last + 1;
    }
    for (std::size_t k = 0; k < events.size(); ++k) {
        const long long next =
            k + 1 < events.size() ? events[k + 1].startMs : static_cast<long long>(events[k].endMs) + period;
        events[k].durationMs = static_cast<int>(std::clamp<long long>(next - events[k].startMs, 0, INT_MAX));
    }
    return events;
}

} // namespace

std::vector<GazeEvent> classifyEvents(const GazeColumns& samples, const ScreenGeometry& geometry,
                                      const EventParameters& parameters)
{
    if (samples.empty())
        return {};
    Track track(samples.size());
    const double periodMs = typicalPeriodMs(samples);
    measurePositionsAndSpeeds(samples, geometry, parameters, track);
    std::vector<std::size_t> stretchOf;
    const std::vector<Thresholds> thresholds = stretchThresholds(samples, parameters, track, stretchOf);
    markSaccades(samples, thresholds, stretchOf, track);
    classifyBetweenSaccades(samples, parameters, periodMs, track);
    return collectEvents(samples, geometry, parameters, periodMs, track);
}

std::vector<GazeEvent> classifyEvents(std::span<const GazeSample> samples, const ScreenGeometry& geometry,
                                      const EventParameters& parameters)
{
    const GazeColumnStore store(samples);
    return classifyEvents(store.columns(), geometry, parameters);
}

} // namespace measures

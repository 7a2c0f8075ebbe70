#include "measures/Synchrony.h"

#include "measures/AngleTable.h"
#include "measures/PairSums.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <thread>

namespace measures {
namespace {

struct Gaze
{
    std::size_t viewer;
    double x; // degrees
    double y;
};

long long floorDiv(long long a, long long b)
{
    const long long q = a / b;
    return q * b > a ? q - 1 : q;
}

// Multiples of stepMs with at least one viewer's sample within reach, from 0
// on. Each viewer's samples give runs of such steps; the runs of all viewers
// are joined. This costs the samples and the steps, never the time they span.
std::vector<long long> stepTimes(std::span<const GazeColumns> viewers, const SynchronyParameters& p)
{
    const long long step = p.stepMs;
    const long long reach = p.sampleReachMs;
    struct Run
    {
        long long first; // step numbers
        long long last;
    };
    std::vector<Run> runs;
    for (const GazeColumns& samples : viewers) {
        const std::size_t own = runs.size();
        for (const int time : samples.timeMs) {
            // Movie time starts at 0: no step before it, even with samples within reach.
            const long long first = std::max(0LL, -floorDiv(-(time - reach), step));
            const long long last = floorDiv(time + reach, step);
            if (first > last)
                continue;
            if (runs.size() > own && first >= runs.back().first && first <= runs.back().last + 1)
                runs.back().last = std::max(runs.back().last, last);
            else
                runs.push_back({first, last});
        }
    }
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.first < b.first; });
    std::vector<long long> times;
    long long next = LLONG_MIN; // the first step not yet listed
    for (const Run& run : runs) {
        for (long long k = std::max(run.first, next); k <= run.last; ++k)
            times.push_back(k * step);
        next = std::max(next, run.last + 1);
    }
    return times;
}

// Steps measured together: their gaze of every viewer stays in the cache.
constexpr std::size_t kChunkSteps = 512;

class StepMeasure
{
public:
    StepMeasure(std::span<const GazeColumns> viewers, const ScreenGeometry& geometry,
                const SynchronyParameters& p)
        : viewers_(viewers), angles_(geometry), p_(p)
    {
        const double width =
            geometry.horizontalDeg(ScreenGeometry::unitsPerScreen) - geometry.horizontalDeg(0);
        const double height = geometry.verticalDeg(ScreenGeometry::unitsPerScreen) - geometry.verticalDeg(0);
        area_ = width * height;
        sigma2_ = p.sigmaDeg * p.sigmaDeg;
    }

    // Finds every viewer's gaze at the steps times[0, count): one pass over
    // each viewer's samples in order, which the memory streams, rather than a
    // visit to every viewer at every step.
    void gather(const long long* times, std::size_t count)
    {
        const std::size_t n = viewers_.size();
        chunk_.assign(count * n * 2, NAN);
        for (std::size_t v = 0; v < n; ++v) {
            const auto& samples = viewers_[v];
            const auto& timeMs = samples.timeMs;
            std::size_t c = static_cast<std::size_t>(
                std::upper_bound(timeMs.begin(), timeMs.end(), times[0] - p_.sampleReachMs - 1,
                                 [](long long time, int sampleMs) { return time < sampleMs; }) -
                timeMs.begin());
            for (std::size_t k = 0; k < count; ++k) {
                const long long t = times[k];
                while (c < samples.size() && timeMs[c] <= t)
                    ++c;
                std::size_t nearest = samples.size();
                long long distance = p_.sampleReachMs + 1LL;
                if (c > 0 && t - timeMs[c - 1] < distance) {
                    nearest = c - 1;
                    distance = t - timeMs[c - 1];
                }
                if (c < samples.size() && timeMs[c] - t < distance)
                    nearest = c;
                if (nearest == samples.size() || !samples.usable[nearest])
                    continue;
                const int x = samples.x[nearest];
                const int y = samples.y[nearest];
                if (x < 0 || y < 0 || x > ScreenGeometry::unitsPerScreen ||
                    y > ScreenGeometry::unitsPerScreen)
                    continue;
                float* cell = &chunk_[(k * n + v) * 2];
                cell[0] = static_cast<float>(angles_.horizontalDeg(x));
                cell[1] = static_cast<float>(angles_.verticalDeg(y));
            }
        }
    }

    // Measures the k-th step of the last gather(), at time t; distances and
    // NSS of each viewer go to perViewer.
    SynchronyStep measure(std::size_t k, long long t, std::vector<std::pair<double, double>>& perViewer)
    {
        gaze_.clear();
        const std::size_t n = viewers_.size();
        const float* row = &chunk_[k * n * 2];
        for (std::size_t v = 0; v < n; ++v)
            if (!std::isnan(row[v * 2]))
                gaze_.push_back({v, row[v * 2], row[v * 2 + 1]});
        SynchronyStep step;
        step.timeMs = static_cast<int>(t);
        step.viewers = static_cast<int>(gaze_.size());
        perViewer.clear();
        if (gaze_.size() < 2)
            return step;

        const auto m = static_cast<double>(gaze_.size());
        double cx = 0;
        double cy = 0;
        for (const Gaze& g : gaze_) {
            cx += g.x;
            cy += g.y;
        }
        cx /= m;
        cy /= m;

        // With g(r) = exp(-r^2 / 2 sigma^2), the map of the others at viewer i
        // is the sum of e_ij^2, where e_ij = exp(-d_ij^2 / 4 sigma^2); over the
        // screen its mean is (m-1) 2 pi sigma^2 / A and its mean square
        // pi sigma^2 / A times the sum of e_jk over the others' pairs. So pairs
        // of viewers are all that is needed, not a map drawn in pixels.
        const std::size_t count = gaze_.size();
        // Sorted across the screen, each viewer meets only those within reach.
        std::sort(gaze_.begin(), gaze_.end(), [](const Gaze& a, const Gaze& b) { return a.x < b.x; });
        const std::size_t padded = (count + kPairBlock - 1) / kPairBlock * kPairBlock;
        // Padding lies far off, where it adds nothing.
        xs_.assign(padded, 1e4f);
        ys_.assign(padded, 1e4f);
        for (std::size_t i = 0; i < count; ++i) {
            xs_[i] = static_cast<float>(gaze_[i].x);
            ys_[i] = static_cast<float>(gaze_[i].y);
        }
        rowSum_.assign(padded, 0.0f);
        value_.assign(padded, 0.0f);
        // Beyond 6.93 sigma a pair's e is under exp(-12), six millionths.
        addPairSums(xs_.data(), ys_.data(), padded, static_cast<float>(-1.0 / (4 * sigma2_)),
                    static_cast<float>(6.93 * p_.sigmaDeg), rowSum_.data(), value_.data());
        for (std::size_t i = 0; i < count; ++i)
            rowSum_[i] += 1; // each viewer with itself
        double total = 0;
        for (std::size_t i = 0; i < count; ++i)
            total += rowSum_[i];
        const double mean = (m - 1) * 2 * std::numbers::pi * sigma2_ / area_;
        const double pairScale = std::numbers::pi * sigma2_ / area_;
        double dispersion = 0;
        double nss = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const double dx = gaze_[i].x - cx;
            const double dy = gaze_[i].y - cy;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double variance = pairScale * (total - 2 * rowSum_[i] + 1) - mean * mean;
            const double score = variance > 0 ? (value_[i] - mean) / std::sqrt(variance) : 0.0;
            dispersion += d;
            nss += score;
            perViewer.emplace_back(d, score);
        }
        step.dispersionDeg = dispersion / m;
        step.nss = nss / m;
        return step;
    }

    std::size_t viewerAt(std::size_t k) const { return gaze_[k].viewer; }

private:
    std::span<const GazeColumns> viewers_;
    AngleTable angles_;
    const SynchronyParameters& p_;
    std::vector<float> chunk_; // per step of a chunk, per viewer: x and y in degrees, NaN for none
    std::vector<Gaze> gaze_;
    std::vector<float> xs_;
    std::vector<float> ys_;
    std::vector<float> value_;
    std::vector<float> rowSum_;
    double area_ = 1;
    double sigma2_ = 1;
};

} // namespace

SynchronyResult computeSynchrony(std::span<const GazeColumns> viewers, const ScreenGeometry& geometry,
                                 const SynchronyParameters& parameters, std::span<const int> binStartsMs)
{
    SynchronyResult result;
    SynchronyParameters p = parameters;
    p.stepMs = std::max(1, p.stepMs);
    p.sampleReachMs = std::max(0, p.sampleReachMs);
    const std::vector<long long> times = stepTimes(viewers, p);
    result.steps.resize(times.size());

    const auto emptyBins = [&] {
        std::vector<SynchronyBin> bins(binStartsMs.size());
        for (SynchronyBin& bin : bins)
            bin.viewers.resize(viewers.size());
        return bins;
    };
    unsigned threads = p.threads ? p.threads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::clamp<std::size_t>(times.size() / 1000, 1, threads));
    std::vector<std::vector<SynchronyBin>> partBins(threads);
    const auto work = [&](unsigned part) {
        const std::size_t begin = times.size() * part / threads;
        const std::size_t end = times.size() * (part + 1) / threads;
        std::vector<SynchronyBin> bins = emptyBins();
        StepMeasure measure(viewers, geometry, p);
        std::vector<std::pair<double, double>> perViewer;
        for (std::size_t s = begin; s < end; ++s) {
            const long long t = times[s];
            if ((s - begin) % kChunkSteps == 0)
                measure.gather(&times[s], std::min(kChunkSteps, end - s));
            const SynchronyStep step = measure.measure((s - begin) % kChunkSteps, t, perViewer);
            result.steps[s] = step;
            if (step.viewers < 2 || binStartsMs.empty())
                continue;
            const auto bin =
                std::upper_bound(binStartsMs.begin(), binStartsMs.end(), t) - binStartsMs.begin() - 1;
            if (bin < 0)
                continue;
            SynchronyBin& b = bins[static_cast<std::size_t>(bin)];
            ++b.all.steps;
            b.all.dispersionDeg += step.dispersionDeg;
            b.all.nss += step.nss;
            for (std::size_t k = 0; k < perViewer.size(); ++k) {
                SynchronySums& sums = b.viewers[measure.viewerAt(k)];
                ++sums.steps;
                sums.dispersionDeg += perViewer[k].first;
                sums.nss += perViewer[k].second;
            }
        }
        partBins[part] = std::move(bins);
    };
    std::vector<std::thread> helpers;
    for (unsigned part = 1; part < threads; ++part)
        helpers.emplace_back(work, part);
    work(0);
    for (std::thread& helper : helpers)
        helper.join();

    result.bins = emptyBins();
    const auto add = [](SynchronySums& to, const SynchronySums& from) {
        to.steps += from.steps;
        to.dispersionDeg += from.dispersionDeg;
        to.nss += from.nss;
    };
    for (const auto& bins : partBins) {
        for (std::size_t b = 0; b < bins.size(); ++b) {
            add(result.bins[b].all, bins[b].all);
            for (std::size_t v = 0; v < viewers.size(); ++v)
                add(result.bins[b].viewers[v], bins[b].viewers[v]);
        }
    }
    return result;
}

} // namespace measures

namespace measures {

SynchronyResult computeSynchrony(std::span<const std::span<const GazeSample>> viewers,
                                 const ScreenGeometry& geometry, const SynchronyParameters& parameters,
                                 std::span<const int> binStartsMs)
{
    std::vector<GazeColumnStore> stores;
    stores.reserve(viewers.size());
    std::vector<GazeColumns> columns;
    for (const auto& samples : viewers)
        columns.push_back(stores.emplace_back(samples).columns());
    return computeSynchrony(columns, geometry, parameters, binStartsMs);
}

} // namespace measures

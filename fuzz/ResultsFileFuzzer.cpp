// Results files as the player loads them: one or more files (separated by a form
// feed in the input) go through TimeLineManager::add with the preprocessing
// settings, then the statistics, the overlay pass and keypoint navigation run
// over them. An optional first line "@eventsNum;filterRadius;actionRadius" sets
// the preprocessing values, which come from a settings file the user edits.
//
// Small inputs are also checked against the plain definitions of the derived
// values, which the loader computes by faster means.

#include "FuzzSupport.h"

#include "player/data/TimeLine.h"
#include "player/data/TimeLineManager.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

using fuzz_support::check;

namespace {

struct Settings
{
    int eventsNum = 8;
    int filterRadius = 20000;
    int actionRadius = 500;
};

int parseOr(std::string_view text, int fallback)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

Settings takeSettings(std::string_view& input)
{
    Settings settings;
    std::string_view line = fuzz_support::takeSettingsLine(input);
    int* const fields[] = {&settings.eventsNum, &settings.filterRadius, &settings.actionRadius};
    for (int* field : fields) {
        const size_t semicolon = std::min(line.find(';'), line.size());
        *field = parseOr(line.substr(0, semicolon), *field);
        line.remove_prefix(std::min(semicolon + 1, line.size()));
    }
    return settings;
}

__extension__ typedef __int128 Wide;

int lastTime(const TimeLine& timeLine)
{
    const std::vector<TimeLineItem> items = timeLine.items();
    return items.empty() ? -1 : items.back().time;
}

// The derived values as defined: a window of the last eventsNum samples as
// loaded, a walk back over steady samples, a walk both ways from every
// interesting point.
std::vector<TimeLineItem> derivedPlainly(std::vector<TimeLineItem> items, const Settings& s)
{
    const std::vector<TimeLineItem> loaded = items;
    const auto n = static_cast<std::int64_t>(items.size());
    for (std::int64_t k = n - 1; k >= 0; --k) {
        std::int64_t sumX = 0, sumY = 0, count = 0;
        for (std::int64_t j = k; j >= 0 && j > k - s.eventsNum; --j) {
            if (loaded[j].blink > 0) {
                sumX += loaded[j].x;
                sumY += loaded[j].y;
                ++count;
            }
        }
        if (count > 0) {
            items[k].avgX = static_cast<int>(sumX / count);
            items[k].avgY = static_cast<int>(sumY / count);
        } else {
            items[k].avgX = items[k].avgY = items[k].blink = -1;
        }
    }
    const Wide r2 = static_cast<Wide>(s.filterRadius) * s.filterRadius;
    for (std::int64_t p = n - 1; p >= 0; --p) {
        int count = 0;
        for (std::int64_t q = p - 1; q >= 0 && items[q].blink > 0; --q) {
            const Wide dx = static_cast<std::int64_t>(items[p].avgX) - items[q].avgX;
            const Wide dy = static_cast<std::int64_t>(items[p].avgY) - items[q].avgY;
            if (dx * dx + dy * dy >= r2)
                break;
            ++count;
        }
        items[p].stillCount = count;
    }
    for (TimeLineItem& item : items)
        item.nearAction = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        if (items[i].interestingPoint != 1)
            continue;
        const std::int64_t t = items[i].time;
        items[i].nearAction = 1;
        for (std::int64_t k = i - 1; k >= 0 && t - items[k].time < s.actionRadius; --k)
            items[k].nearAction = 1;
        for (std::int64_t k = i + 1; k < n && items[k].time - t < s.actionRadius; ++k)
            items[k].nearAction = 1;
    }
    return items;
}

// The pupil series as defined: every 32 ms step up to the largest time, each
// viewer's sample at that time (clamped to its recording).
std::vector<PupilStep> pupilSeriesPlainly(const std::vector<TimeLine>& timeLines)
{
    int maxTime = 0;
    for (const TimeLine& timeLine : timeLines)
        maxTime = std::max(maxTime, lastTime(timeLine));
    std::vector<PupilStep> series;
    for (std::int64_t t = 0; t < std::int64_t{maxTime} + 32; t += 32) {
        std::int64_t sum = 0, count = 0;
        for (const TimeLine& timeLine : timeLines) {
            const int pupil = timeLine.itemAt(static_cast<int>(t)).pupil;
            if (pupil > 0) {
                sum += pupil;
                ++count;
            }
        }
        if (count == 0 || sum == 0)
            continue;
        const auto mean = static_cast<int>(sum / count);
        float squares = 0.0f;
        for (const TimeLine& timeLine : timeLines) {
            const int pupil = timeLine.itemAt(static_cast<int>(t)).pupil;
            if (pupil > 0) {
                const auto d = static_cast<float>(pupil - mean);
                squares += d * d;
            }
        }
        series.push_back(
            {static_cast<int>(t), mean, static_cast<int>(std::sqrt(squares / static_cast<float>(count)))});
    }
    return series;
}

bool hasInterestingPointAt(const std::vector<TimeLineItem>& items, int time)
{
    return std::any_of(items.begin(), items.end(), [time](const TimeLineItem& item) {
        return item.time == time && item.interestingPoint == 1;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::quietLog();
    std::string_view input = fuzz_support::asText(data, size);
    const Settings settings = takeSettings(input);
    const std::vector<std::string_view> files = fuzz_support::splitFiles(input);

    TimeLineManager manager;
    std::vector<TimeLine> plain;
    for (size_t i = 0; i < files.size(); ++i) {
        const auto path = fuzz_support::writeScratchFile("viewer" + std::to_string(i) + ".csv", files[i]);
        const int status =
            manager.add(path, settings.eventsNum, settings.filterRadius, settings.actionRadius);
        const int statuses[] = {0, 2, 3, 4, 11, 20, 21, 22, 23, 24, 31};
        check(std::find(std::begin(statuses), std::end(statuses), status) != std::end(statuses),
              "add() returned a status the reader does not define");
        if (status == 0) {
            TimeLine& timeLine = plain.emplace_back();
            check(timeLine.load(path) == 0, "a file loads once and fails the next time");
        }
    }
    check(manager.timeLines().size() == plain.size() && manager.paths().size() == plain.size(),
          "the loaded files and their paths disagree");

    for (size_t i = 0; i < plain.size(); ++i) {
        const std::vector<TimeLineItem> items = manager.timeLines()[i].items();
        check(items.size() == plain[i].items().size(), "deriving values changed the number of samples");
        for (const TimeLineItem& item : items)
            check(item.interestingPoint == 0 || item.interestingPoint == 1,
                  "an interesting point is not 0 or 1");
        if (items.size() <= 300)
            check(items == derivedPlainly(plain[i].items(), settings),
                  "derived values differ from their plain definition");
    }

    manager.calculateStats();
    check(manager.pupilRuns().empty() || manager.smallestDeviation() < manager.largestDeviation(),
          "the deviation range is empty or upside down");
    int maxTime = 0;
    for (const TimeLine& timeLine : plain)
        maxTime = std::max(maxTime, lastTime(timeLine));
    if (!plain.empty() && maxTime <= 200000)
        check(manager.pupilSeries() == pupilSeriesPlainly(plain), "pupil series differs from its definition");

    const std::vector<TimeLineItem> first =
        plain.empty() ? std::vector<TimeLineItem>() : plain.front().items();
    // Around the first samples, the last one and a few in between.
    std::vector<int> probes = {INT_MIN, -1, 0, 1, 31, 32, INT_MAX};
    for (size_t k = 0; k < first.size(); k = k < 4 ? k + 1 : k * 4 + 1)
        for (const size_t index : {k, first.size() - 1 - k})
            for (int d : {-1, 0, 1})
                probes.push_back(static_cast<int>(
                    std::clamp<std::int64_t>(std::int64_t{first[index].time} + d, INT_MIN, INT_MAX)));

    for (int t : probes) {
        manager.rewind();
        size_t visited = 0;
        while (manager.anyMore() && visited <= plain.size()) {
            manager.getNextItem(t);
            ++visited;
        }
        check(visited == plain.size(), "the overlay pass does not visit every file once");

        const int previous = manager.GetFirstPreviousActionTime(t);
        const int next = manager.GetFirstNextActionTime(t);
        if (plain.empty()) {
            check(previous == -1 && next == -1, "navigation without results");
        } else {
            check(previous == -1 || hasInterestingPointAt(first, previous),
                  "previous keypoint is not an interesting point");
            check(next == -1 || hasInterestingPointAt(first, next),
                  "next keypoint is not an interesting point");
        }
        const PupilStep step = manager.pupilStepAt(t);
        check(step.time % 32 == 0, "a pupil step off the 32 ms grid");
        const int counted = manager.countWithInterestingPoint(-1, t);
        check(counted >= 0 && static_cast<size_t>(counted) <= plain.size(),
              "more viewers counted than loaded");
        check(manager.countWithInterestingPoint(t, 0) <= static_cast<int>(plain.size()),
              "more viewers counted than loaded");
    }
    manager.clear();
    check(!manager.anyMore(), "results left after clear()");
    return 0;
}

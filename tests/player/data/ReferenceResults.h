#pragma once

// The results reader, derivation and set statistics written the plain way, one
// sample and one step at a time, to hold the player's faster code to.

#include "player/data/PupilStep.h"
#include "player/data/TextFields.h"
#include "player/data/TimeLineItem.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

namespace reference {

// The data lines of a results text whose header is the recorder's, fields by position.
inline std::vector<TimeLineItem> read(std::string_view text)
{
    std::vector<TimeLineItem> items;
    std::string_view line;
    bool header = false;
    std::vector<std::string_view> fields;
    while (text_fields::nextLine(text, line)) {
        if (text_fields::isSkipped(line))
            continue;
        if (!header) {
            header = true;
            continue;
        }
        text_fields::split(line, fields);
        TimeLineItem item;
        int* members[] = {&item.time, &item.x, &item.y, &item.blink, &item.pupil, &item.interestingPoint};
        for (size_t k = 0; k < std::min<size_t>(fields.size(), 6); ++k)
            *members[k] = text_fields::toInt(fields[k]);
        item.pupil = item.pupil == -1 ? 0 : item.pupil;
        item.interestingPoint = std::clamp(item.interestingPoint, 0, 1);
        items.push_back(item);
    }
    return items;
}

inline void derive(std::vector<TimeLineItem>& items, int eventsNum, int filterRadius, int actionRadius)
{
    const std::vector<TimeLineItem> loaded = items;
    for (size_t k = items.size(); k-- > 0;) {
        std::int64_t sumX = 0, sumY = 0, count = 0;
        for (size_t w = 0; w < static_cast<size_t>(std::max(eventsNum, 0)) && w <= k; ++w) {
            if (loaded[k - w].blink > 0) {
                sumX += loaded[k - w].x;
                sumY += loaded[k - w].y;
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
    const double r2 = static_cast<double>(filterRadius) * filterRadius;
    for (size_t p = items.size(); p-- > 0;) {
        int count = 0;
        for (size_t q = p; q-- > 0;) {
            const double dx = static_cast<double>(items[p].avgX) - items[q].avgX;
            const double dy = static_cast<double>(items[p].avgY) - items[q].avgY;
            if (items[q].blink <= 0 || dx * dx + dy * dy >= r2)
                break;
            ++count;
        }
        items[p].stillCount = count;
    }
    for (TimeLineItem& item : items)
        item.nearAction = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].interestingPoint != 1)
            continue;
        const std::int64_t t = items[i].time;
        items[i].nearAction = 1;
        for (size_t k = i; k-- > 0 && t - items[k].time < actionRadius;)
            items[k].nearAction = 1;
        for (size_t k = i + 1; k < items.size() && items[k].time - t < actionRadius; ++k)
            items[k].nearAction = 1;
    }
}

inline TimeLineItem itemAt(const std::vector<TimeLineItem>& items, int t)
{
    if (items.empty())
        return {};
    if (t < items.front().time)
        return items.front();
    if (t > items.back().time)
        return items.back();
    return *std::lower_bound(items.begin(), items.end(), t,
                             [](const TimeLineItem& item, int time) { return item.time < time; });
}

struct Statistics
{
    std::vector<PupilStep> series;
    int minDiameter = 1000000;
    int maxDiameter = -1;
    int maxDiameterTime = 0;
    int smallestDeviation = 1000000;
    int largestDeviation = -1;
};

inline Statistics statistics(const std::vector<std::vector<TimeLineItem>>& files)
{
    Statistics s;
    int maxTime = 0;
    for (const auto& items : files)
        maxTime = std::max(maxTime, items.empty() ? -1 : items.back().time);
    for (std::int64_t t = 0; t < std::int64_t{maxTime} + 32; t += 32) {
        std::int64_t sum = 0, count = 0;
        for (const auto& items : files)
            if (const int pupil = itemAt(items, static_cast<int>(t)).pupil; pupil > 0) {
                sum += pupil;
                ++count;
            }
        if (count == 0 || sum == 0)
            continue;
        const auto mean = static_cast<int>(sum / count);
        s.minDiameter = std::min(s.minDiameter, mean);
        if (mean > s.maxDiameter) {
            s.maxDiameter = mean;
            s.maxDiameterTime = static_cast<int>(t);
        }
        s.series.push_back({static_cast<int>(t), mean, 0});
    }
    for (PupilStep& step : s.series) {
        float squares = 0.0f;
        int count = 0;
        for (const auto& items : files)
            if (const int pupil = itemAt(items, step.time).pupil; pupil > 0) {
                squares += static_cast<float>(pupil - step.mean) * static_cast<float>(pupil - step.mean);
                ++count;
            }
        step.deviation = static_cast<int>(std::sqrt(squares / static_cast<float>(count)));
        s.smallestDeviation = std::min(s.smallestDeviation, step.deviation);
        s.largestDeviation = std::max(s.largestDeviation, step.deviation);
    }
    if (s.smallestDeviation == s.largestDeviation)
        s.largestDeviation = s.smallestDeviation + 1;
    return s;
}

} // namespace reference

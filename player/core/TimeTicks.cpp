#include "player/core/TimeTicks.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::int64_t kHourMs = 3600000;
// Round steps; beyond the last, its doubles.
constexpr std::array<std::int64_t, 14> kStepsMs = {1000,   2000,    5000,    10000,      15000,
                                                   30000,  60000,   120000,  300000,     600000,
                                                   900000, 1800000, kHourMs, 2 * kHourMs};

} // namespace

QString tickLabel(std::int64_t timeMs, std::int64_t totalMs)
{
    const std::int64_t seconds = std::max<std::int64_t>(0, timeMs) / 1000;
    const QChar zero(QLatin1Char('0'));
    if (totalMs >= kHourMs)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, zero)
            .arg(seconds % 60, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, zero);
}

std::vector<TimeTick> timeTicks(std::int64_t totalMs, int span,
                                const std::function<int(const QString&)>& textWidth, int gap)
{
    std::vector<TimeTick> ticks;
    if (totalMs <= 0 || span <= 0)
        return ticks;
    // The widest label is that of the longest time.
    const int widest = textWidth(tickLabel(totalMs, totalMs));
    const double pixelsPerMs = static_cast<double>(span) / totalMs;
    std::int64_t step = kStepsMs.front();
    // Half a label more than the label and the gap: the first label, kept
    // inside the span, stands half its width right of its tick.
    const double least = 1.5 * widest + gap;
    for (size_t i = 0; step * pixelsPerMs < least; ++i)
        step = i + 1 < kStepsMs.size() ? kStepsMs[i + 1] : step * 2;
    double lastRight = -1e9;
    for (std::int64_t t = 0; t <= totalMs; t += step) {
        TimeTick tick;
        tick.timeMs = t;
        tick.x = t * pixelsPerMs;
        const QString label = tickLabel(t, totalMs);
        const int width = textWidth(label);
        // Centred on its tick, but never past either end of the span.
        const double left =
            std::clamp(tick.x - width / 2.0, 0.0, std::max(0.0, static_cast<double>(span - width)));
        if (left >= lastRight + gap && width <= span) {
            tick.label = label;
            tick.labelLeft = left;
            lastRight = left + width;
        }
        ticks.push_back(tick);
    }
    return ticks;
}

#include "player/data/ShotLine.h"

#include "common/AtomicFile.h"
#include "common/Logger.h"
#include "player/data/TextFields.h"
#include "player/data/TimeLineManager.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

enum class ShotColumn : int
{
    Ignored = -1,
    Time = 0,
    Number = 1,
    Blink = 2,
    InterestingPoint = 3
};

ShotColumn shotColumnFromHeader(std::string_view name)
{
    if (name == "time_ms")
        return ShotColumn::Time;
    if (name == "number")
        return ShotColumn::Number;
    if (name == "blink")
        return ShotColumn::Blink;
    if (name == "interesting_point")
        return ShotColumn::InterestingPoint;
    return ShotColumn::Ignored;
}

} // namespace

ShotLine::ShotLine(const TimeLineManager& results) : results_(results) {}

int ShotLine::load(const std::filesystem::path& path)
{
    shots_.clear();
    std::string content;
    if (!text_fields::readWholeFile(path, content))
        return CannotOpen;
    LOG("ShotLine file '", path.string(), "' load");
    return loadText(content);
}

int ShotLine::loadText(std::string_view text)
{
    shots_.clear();
    std::string_view line;
    std::vector<std::string_view> fields;
    std::vector<ShotColumn> columns;
    switch (text_fields::readHeader(text, columns, shotColumnFromHeader, ShotColumn::Ignored)) {
    case text_fields::HeaderResult::Missing:
        return NoHeader;
    case text_fields::HeaderResult::Duplicate:
        return DuplicateColumn;
    case text_fields::HeaderResult::Read:
        break;
    }
    if (columns.size() < 2)
        return TooFewColumns;

    int expectedNumber = 1;
    while (text_fields::nextLine(text, line)) {
        if (text_fields::isSkipped(line))
            continue;
        Shot shot;
        text_fields::split(line, fields);
        const size_t count = std::min(fields.size(), columns.size());
        for (size_t k = 0; k < count; ++k) {
            const int value = text_fields::toInt(fields[k]);
            switch (columns[k]) {
            case ShotColumn::Time:
                if (value < 0)
                    return NegativeTime;
                shot.time = value;
                break;
            case ShotColumn::Number:
                if (value != expectedNumber)
                    return NumbersOutOfOrder;
                shot.number = value;
                ++expectedNumber;
                break;
            case ShotColumn::Blink:
                shot.blink = value;
                break;
            case ShotColumn::InterestingPoint:
                shot.interestingCount = value;
                break;
            case ShotColumn::Ignored:
                break;
            }
        }
        shots_.push_back(shot);
    }
    return Loaded;
}

std::string ShotLine::text() const
{
    std::string out = "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n";
    for (const Shot& shot : shots_)
        out += std::to_string(shot.time) + ';' + std::to_string(shot.number) + "\r\n";
    return out;
}

int ShotLine::save(const std::filesystem::path& path) const
{
    if (!AtomicFile::write(path, text()))
        return CannotOpen;
    LOG("ShotLine file '", path.string(), "' saved");
    return Loaded;
}

void ShotLine::clear()
{
    shots_.clear();
}

void ShotLine::renumber()
{
    int number = 1;
    for (Shot& shot : shots_)
        shot.number = number++;
}

void ShotLine::addShot(const Shot& shot)
{
    const auto later = [&](const Shot& s) { return s.time > shot.time; };
    const bool sameTime =
        std::any_of(shots_.begin(), shots_.end(), [&](const Shot& s) { return s.time == shot.time; });
    if (!sameTime)
        shots_.insert(std::find_if(shots_.begin(), shots_.end(), later), shot);
    renumber();
    recount();
}

int ShotLine::toggleShot(int t)
{
    if (t <= 0)
        return 1;
    const auto existing =
        std::find_if(shots_.begin(), shots_.end(), [t](const Shot& s) { return s.time == t; });
    if (existing != shots_.end()) {
        const int oldNumber = existing->number;
        shots_.erase(existing);
        renumber();
        recount();
        return oldNumber - 1;
    }
    const auto position =
        shots_.insert(std::find_if(shots_.begin(), shots_.end(), [t](const Shot& s) { return s.time > t; }),
                      Shot{t, 0, 0, 0});
    const auto index = position - shots_.begin();
    renumber();
    recount();
    return shots_[static_cast<size_t>(index)].number;
}

void ShotLine::recount()
{
    for (size_t i = 0; i < shots_.size(); ++i) {
        const int to = i + 1 < shots_.size() ? shots_[i + 1].time : -1;
        shots_[i].interestingCount = results_.countWithInterestingPoint(to, shots_[i].time);
    }
}

std::ptrdiff_t ShotLine::indexAtOrBefore(int t) const
{
    const auto after = std::upper_bound(shots_.begin(), shots_.end(), t,
                                        [](int time, const Shot& shot) { return time < shot.time; });
    return (after - shots_.begin()) - 1;
}

Shot ShotLine::currentShot(int t) const
{
    if (shots_.empty())
        return {};
    return shots_[static_cast<size_t>(std::max<std::ptrdiff_t>(indexAtOrBefore(t), 0))];
}

Shot ShotLine::previousShot(int t) const
{
    if (shots_.empty())
        return {};
    return shots_[static_cast<size_t>(std::max<std::ptrdiff_t>(indexAtOrBefore(t) - 1, 0))];
}

Shot ShotLine::nextShot(int t) const
{
    if (shots_.size() < 2)
        return {};
    if (t < shots_.front().time)
        return shots_[1];
    if (t > shots_.back().time)
        return {};
    const auto current = static_cast<size_t>(indexAtOrBefore(t));
    if (shots_[current].time == t)
        return shots_[std::min(current + 1, shots_.size() - 1)];
    return shots_[current + 1];
}

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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The number of the line that starts at or contains `at`, counted from 1.
int lineNumberOf(std::string_view text, const char* at)
{
    return 1 + static_cast<int>(std::count(text.data(), at, '\n'));
}

// The line number of the header: the first line that is neither empty nor a comment.
int headerLineOf(std::string_view text)
{
    const std::string_view whole = text;
    std::string_view line;
    while (text_fields::nextLine(text, line))
        if (!text_fields::isSkipped(line))
            return lineNumberOf(whole, line.data());
    return 0;
}

} // namespace

ShotLine::ShotLine(const TimeLineManager& results) : results_(results) {}

int ShotLine::load(const std::filesystem::path& path)
{
    shots_.clear();
    loadProblem_ = {};
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status))
        return CannotOpen;
    std::string content;
    const bool small =
        !std::filesystem::is_regular_file(status) || std::filesystem::file_size(path, error) <= kMaxFileBytes;
    if (!small || !text_fields::readWholeFile(path, content)) {
        loadProblem_ = {CannotOpen, 0};
        return CannotOpen;
    }
    LOG("ShotLine file '", path.string(), "' load");
    return loadText(content);
}

int ShotLine::loadText(std::string_view text)
{
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    const std::string_view whole = text;
    loadProblem_ = {};
    const int status = readText(text);
    loadProblem_.status = status;
    if (status == NoHeader || status == TooFewColumns || status == DuplicateColumn)
        loadProblem_.line = headerLineOf(whole);
    return status;
}

int ShotLine::readText(std::string_view text)
{
    shots_.clear();
    const std::string_view whole = text;
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
                if (value < 0) {
                    loadProblem_.line = lineNumberOf(whole, line.data());
                    return NegativeTime;
                }
                shot.time = value;
                break;
            case ShotColumn::Number:
                if (value != expectedNumber) {
                    loadProblem_.line = lineNumberOf(whole, line.data());
                    return NumbersOutOfOrder;
                }
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
    loadProblem_ = {};
}

std::string ShotLine::describeLoadProblem() const
{
    std::string problem;
    switch (loadProblem_.status) {
    case Loaded:
        return {};
    case CannotOpen:
        return "the file cannot be read";
    case NegativeTime:
        problem = "a shot starts at a negative time";
        break;
    case NumbersOutOfOrder:
        problem = "the shot numbers are not 1, 2, 3, ... in order";
        break;
    case NoHeader:
        problem = loadProblem_.line == 0 ? "there is no header line (time_ms;number)"
                                         : "the header does not start with a known column (time_ms;number)";
        break;
    case TooFewColumns:
        problem = "the header has fewer than two columns (time_ms;number)";
        break;
    case DuplicateColumn:
        problem = "the header names a column twice";
        break;
    default:
        problem = "unknown problem " + std::to_string(loadProblem_.status);
        break;
    }
    return loadProblem_.line > 0 ? "line " + std::to_string(loadProblem_.line) + ": " + problem : problem;
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

std::filesystem::path shotFileOf(const std::filesystem::path& movie)
{
    std::filesystem::path file = movie;
    file += "_shots.csv";
    return file;
}

// Shot files as the player opens them beside a movie: the file (before an
// optional form feed) is loaded through ServiceShotFile, with the results file
// after the form feed loaded for the interesting-point counts. Then shot
// navigation is asked at many times, shots are toggled as the user would, and
// the edited list is saved and read back.

#include "FuzzSupport.h"

#include "player/data/ServiceShotFile.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

using fuzz_support::check;

namespace {

bool strictlyAscending(const std::vector<Shot>& shots)
{
    return std::adjacent_find(shots.begin(), shots.end(),
                              [](const Shot& a, const Shot& b) { return a.time >= b.time; }) == shots.end();
}

bool numberedInOrder(const std::vector<Shot>& shots)
{
    for (size_t i = 0; i < shots.size(); ++i)
        if (shots[i].number != static_cast<int>(i) + 1)
            return false;
    return true;
}

// Index of the last shot starting at or before t, or -1; for ascending lists.
std::ptrdiff_t lastAtOrBefore(const std::vector<Shot>& shots, int t)
{
    std::ptrdiff_t found = -1;
    for (size_t i = 0; i < shots.size() && shots[i].time <= t; ++i)
        found = static_cast<std::ptrdiff_t>(i);
    return found;
}

// Navigation as defined, over a strictly ascending list.
void checkNavigation(const ShotLine& line, int t)
{
    const std::vector<Shot>& shots = line.shots();
    const Shot none{};
    if (shots.empty()) {
        check(line.currentShot(t) == none && line.previousShot(t) == none && line.nextShot(t) == none,
              "navigation in an empty shot list");
        return;
    }
    const std::ptrdiff_t i = lastAtOrBefore(shots, t);
    const Shot current = shots[static_cast<size_t>(std::max<std::ptrdiff_t>(i, 0))];
    check(line.currentShot(t) == current, "currentShot");
    check(line.previousShot(t) == shots[static_cast<size_t>(std::max<std::ptrdiff_t>(i - 1, 0))],
          "previousShot");
    Shot next;
    if (shots.size() < 2 || t > shots.back().time)
        next = none;
    else if (i < 0)
        next = shots[1];
    else if (shots[static_cast<size_t>(i)].time == t)
        next = shots[std::min(static_cast<size_t>(i) + 1, shots.size() - 1)];
    else
        next = shots[static_cast<size_t>(i) + 1];
    check(line.nextShot(t) == next, "nextShot");
}

void checkAnswersComeFromTheList(const ShotLine& line, int t)
{
    const auto isListed = [&](const Shot& shot) {
        return shot == Shot{} ||
               std::find(line.shots().begin(), line.shots().end(), shot) != line.shots().end();
    };
    check(isListed(line.currentShot(t)) && isListed(line.previousShot(t)) && isListed(line.nextShot(t)),
          "navigation answered with a shot that is not in the list");
}

std::vector<int> probeTimes(const std::vector<Shot>& shots)
{
    std::vector<int> times = {INT_MIN, -1, 0, 1, INT_MAX};
    for (size_t i = 0; i < std::min<size_t>(shots.size(), 32); ++i)
        for (std::int64_t d : {-1, 0, 1})
            times.push_back(static_cast<int>(std::clamp<std::int64_t>(shots[i].time + d, INT_MIN, INT_MAX)));
    return times;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::quietLog();
    std::string_view input = fuzz_support::asText(data, size);
    const size_t feed = input.find('\f');
    TimeLineManager results;
    if (feed != std::string_view::npos) {
        results.add(fuzz_support::writeScratchFile("viewer.csv", input.substr(feed + 1)), 8, 20000, 500);
        input = input.substr(0, feed);
    }
    const auto shotFile = fuzz_support::writeScratchFile("movie.avi_shots.csv", input);

    ShotLine line(results);
    ServiceShotFile(line, shotFile, true);
    for (const Shot& shot : line.shots())
        check(shot.interestingCount >= 0 &&
                  shot.interestingCount <= static_cast<int>(results.timeLines().size()),
              "a shot counts more viewers than are loaded");
    for (int t : probeTimes(line.shots())) {
        checkAnswersComeFromTheList(line, t);
        if (strictlyAscending(line.shots()))
            checkNavigation(line, t);
    }

    // The user sets and removes shot starts at the times the list suggests.
    std::vector<int> toggles = {0, -5, 1, INT_MAX};
    for (size_t i = 0; i < std::min<size_t>(line.shots().size(), 8); ++i)
        toggles.push_back(line.shots()[i].time / 2 + 1);
    const bool wasAscending = strictlyAscending(line.shots());
    for (int t : toggles) {
        const std::vector<Shot> before = line.shots();
        const int answer = line.toggleShot(t);
        if (t <= 0) {
            check(answer == 1 && line.shots() == before, "a toggle at or before 0 changed the list");
            continue;
        }
        check(numberedInOrder(line.shots()), "shots are not numbered 1, 2, ... after a toggle");
        check(line.shots().size() == before.size() + 1 || line.shots().size() + 1 == before.size(),
              "a toggle did not add or remove exactly one shot");
        if (wasAscending) {
            check(strictlyAscending(line.shots()), "a toggle broke the order of the shots");
            for (int probe : probeTimes(line.shots()))
                checkNavigation(line, probe);
        }
        if (line.shots().size() > before.size())
            check(line.shots()[static_cast<size_t>(answer - 1)].time == t,
                  "a toggle answered the wrong number");
    }

    // What the user edited is what the next start reads.
    const auto savedFile = fuzz_support::scratchFolder() / "saved_shots.csv";
    check(line.save(savedFile) == ShotLine::Loaded, "the shot list could not be saved");
    ShotLine reread(results);
    check(reread.load(savedFile) == ShotLine::Loaded, "a saved shot file does not load");
    check(reread.shots().size() == line.shots().size(),
          "a saved shot file reads back another number of shots");
    for (size_t i = 0; i < line.shots().size(); ++i)
        check(reread.shots()[i].time == line.shots()[i].time &&
                  reread.shots()[i].number == line.shots()[i].number,
              "a saved shot file reads back other shots");
    return 0;
}

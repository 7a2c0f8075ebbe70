// AOI files as the player opens them beside a movie: the file is loaded into
// an editable set through AoiFile::load. What loads must keep its promises
// (valid unique names, keys in rising time order, boxes in range), answer
// questions about any time, survive edits and their undoing, and read back
// the same after saving.

#include "FuzzSupport.h"

#include "player/data/AoiFile.h"
#include "player/data/AoiSet.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>
#include <set>

using fuzz_support::check;

namespace {

void checkPromises(const std::vector<Aoi>& aois)
{
    std::set<std::string> names;
    for (const Aoi& aoi : aois) {
        check(isValidAoiName(aoi.name), "an area loaded with a name a file may not hold");
        check(names.insert(aoi.name).second, "two areas loaded under one name");
        check(!aoi.keys.empty(), "an area loaded without keys");
        for (std::size_t i = 0; i < aoi.keys.size(); ++i) {
            check(aoi.keys[i].timeMs >= 0, "a key loaded at a negative time");
            check(i == 0 || aoi.keys[i - 1].timeMs < aoi.keys[i].timeMs, "keys loaded out of order");
            check(AoiSet::validBox(aoi.keys[i]), "a key loaded with a box out of range");
        }
    }
}

std::vector<int> probeTimes(const Aoi& aoi)
{
    std::vector<int> times = {INT_MIN, -1, 0, INT_MAX};
    for (std::size_t i = 0; i < std::min<std::size_t>(aoi.keys.size(), 16); ++i)
        for (int d : {-1, 0, 1})
            times.push_back(aoi.keys[i].timeMs == INT_MAX && d > 0 ? INT_MAX : aoi.keys[i].timeMs + d);
    return times;
}

void checkQuestions(const Aoi& aoi)
{
    for (int t : probeTimes(aoi)) {
        const AoiBox box = aoi.at(t);
        check(!box.present() || aoi.keyIndexAt(t) >= 0, "an area shown before its first key");
        if (box.present())
            check(box.width > 0 && box.height > 0, "an area shown with no size");
        (void)box.contains(box.x + box.width / 2, box.y + box.height / 2);
        const long long span = t > 0 ? t : 0;
        const long long present = aoi.presentMs(0, static_cast<int>(span));
        check(present >= 0 && present <= span, "an area present longer than the time asked about");
        const int first = aoi.firstPresentMs(0, static_cast<int>(span));
        check(first == -1 || (first >= 0 && first < span),
              "an area first present outside the time asked about");
        check((first == -1) == (present == 0), "presence and first presence disagree");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz_support::quietLog();
    const std::string_view input = fuzz_support::asText(data, size);
    const auto file = fuzz_support::writeScratchFile("movie.avi_aois.csv", input);

    AoiSet set;
    bool loadFailed = false;
    AoiFile::Result result;
    const bool loaded = AoiFile::load(set, file, loadFailed, &result);
    check(loaded == (result.status == AoiFile::Loaded), "load's answer and its status disagree");
    check(loaded || set.aois().empty(), "a file that failed to load left areas behind");
    check(!AoiFile::describe(result).empty() || loaded, "a failure without words");
    check(AoiFile::read(input).status == result.status, "the file and its text read differently");
    checkPromises(set.aois());
    for (const Aoi& aoi : set.aois())
        checkQuestions(aoi);

    // Edits of the first area at its key times, then every one undone.
    const std::vector<Aoi> before = set.aois();
    if (!before.empty()) {
        const Aoi& first = before.front();
        int edits = 0;
        for (int t : probeTimes(first)) {
            const AoiKey box{0, AoiShape::Ellipse, 1000, 2000, 3000, 4000};
            edits += set.setKey(0, t, box) == AoiSet::Edit::Done;
            edits += set.hideFrom(0, t < INT_MAX ? t + 1 : t) == AoiSet::Edit::Done;
            if (!set.aois().empty())
                edits += set.removeKey(0, t) == AoiSet::Edit::Done;
            if (set.aois().empty())
                break;
        }
        checkPromises(set.aois());
        for (int i = 0; i < edits; ++i)
            check(set.undo(), "an edit could not be undone");
        check(set.aois() == before, "undoing every edit did not give back the areas loaded");
    }

    // What is saved is what the next opening reads.
    std::filesystem::path savedTo;
    check(AoiFile::save(set, file, loadFailed, &savedTo), "the areas could not be saved");
    const AoiFile::Result reread = AoiFile::load(savedTo);
    check(reread.status == AoiFile::Loaded, "a saved AOI file does not load");
    check(reread.aois == set.aois(), "a saved AOI file reads back other areas");
    if (loadFailed) {
        std::ifstream kept(file, std::ios::binary);
        const std::string left{std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()};
        check(savedTo != file && left == input, "a file that failed to load was written over");
    }
    return 0;
}

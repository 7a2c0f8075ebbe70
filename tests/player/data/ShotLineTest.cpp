#include "player/data/ShotLine.h"
#include "player/data/ServiceShotFile.h"
#include "player/data/TimeLineManager.h"

#include "ResultsText.h"
#include "TestEnvironment.h"
#include "common/Logger.h"

#include <gtest/gtest.h>

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string magic = "#Gazeview shot file version 0.0.1\n";

class ShotLineTest : public ::testing::Test
{
protected:
    std::vector<int> times() const
    {
        std::vector<int> t;
        for (const Shot& shot : shots.shots())
            t.push_back(shot.time);
        return t;
    }

    std::vector<int> numbers() const
    {
        std::vector<int> n;
        for (const Shot& shot : shots.shots())
            n.push_back(shot.number);
        return n;
    }

    TempDir dir;
    TimeLineManager results;
    ShotLine shots{results};
};

} // namespace

TEST_F(ShotLineTest, ReportsEveryLoadStatus)
{
    struct Case
    {
        std::string text;
        int status;
        size_t shotsKept;
    };
    const std::vector<Case> cases = {
        {magic + "time_ms;number\n0;1\n15000;2\n", 0, 2},
        {magic + "time_ms;number\n0;1\n15000;3\n", 3, 1},
        {magic + "time_ms;number\n0;1\n-4;2\n", 2, 1},
        {magic, 20, 0},
        {magic + "number;time_ms\n1;0\n", 0, 1},
        {magic + "foo;time_ms\n", 20, 0},
        {magic + "time_ms\n0\n", 21, 0},
        {magic + "time_ms;number;time_ms\n", 31, 0},
        {magic + "time_ms;foo;bar\n", 31, 0},
        {magic + "time_ms;number;blink;interesting_point;note\r\n\r\n0;1;4;9;x\r\n#c\r\n500;2\r\n", 0, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shots.loadText(c.text), c.status) << c.text;
        EXPECT_EQ(shots.shots().size(), c.shotsKept) << c.text;
    }
    EXPECT_EQ(shots.shots()[0], (Shot{0, 1, 4, 9}));
    EXPECT_EQ(shots.shots()[1], (Shot{500, 2, 0, 0}));

    EXPECT_EQ(shots.load(dir / "missing.csv"), 1);
    EXPECT_EQ(shots.load(dir.path()), 1);
}

TEST_F(ShotLineTest, ReadsWhatSpreadsheetsWriteAndSaysWhereALoadFailed)
{
    // A spreadsheet's UTF-8 export: byte-order mark, CR LF line ends.
    const std::string bom = "\xEF\xBB\xBF";
    ASSERT_EQ(shots.loadText(bom + "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n"
                                   "4000;2\r\n9000;3\r\n15000;4\r\n"),
              0);
    EXPECT_EQ(times(), (std::vector<int>{0, 4000, 9000, 15000}));
    EXPECT_FALSE(shots.loadFailed());

    struct Case
    {
        std::string text;
        int status;
        int line;
        std::string description;
    };
    const std::vector<Case> cases = {
        {magic + "time_ms;number\n0;1\n\n#c\n15000;3\n", 3, 6,
         "line 6: the shot numbers are not 1, 2, 3, ... in order"},
        {bom + magic + "time_ms;number\r\n0;1\r\n-4;2\r\n", 2, 4, "line 4: a shot starts at a negative time"},
        {magic + "\nfoo;time_ms\n", 20, 3,
         "line 3: the header does not start with a known column (time_ms;number)"},
        {magic, 20, 0, "there is no header line (time_ms;number)"},
        {magic + "time_ms\n", 21, 2, "line 2: the header has fewer than two columns (time_ms;number)"},
        {magic + "time_ms;number;time_ms\n", 31, 2, "line 2: the header names a column twice"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shots.loadText(c.text), c.status) << c.text;
        EXPECT_TRUE(shots.loadFailed()) << c.text;
        EXPECT_EQ(shots.loadProblem().line, c.line) << c.text;
        EXPECT_EQ(shots.describeLoadProblem(), c.description) << c.text;
    }

    // A missing file is no problem; one that is there but cannot be read is.
    EXPECT_EQ(shots.load(dir / "missing.csv"), 1);
    EXPECT_FALSE(shots.loadFailed());
    EXPECT_EQ(shots.load(dir.path()), 1);
    EXPECT_TRUE(shots.loadFailed());
    EXPECT_EQ(shots.describeLoadProblem(), "the file cannot be read");
    shots.clear();
    EXPECT_FALSE(shots.loadFailed());
}

TEST_F(ShotLineTest, SavesAFileThatReadsBackTheSame)
{
    ASSERT_EQ(shots.loadText(magic + "time_ms;number\n0;1\n15000;2\n"), 0);
    shots.toggleShot(7000);
    const auto file = dir / "film.avi_shots.csv";
    ASSERT_EQ(shots.save(file), 0);
    EXPECT_EQ(readFile(file),
              "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n7000;2\r\n15000;3\r\n");

    ShotLine again(results);
    ASSERT_EQ(again.load(file), 0);
    EXPECT_EQ(again.shots(), shots.shots());

    EXPECT_EQ(shots.save(dir / "no such folder" / "x_shots.csv"), 1);
}

TEST_F(ShotLineTest, TogglesShotStarts)
{
    ASSERT_EQ(shots.loadText(magic + "time_ms;number\n0;1\n15000;2\n"), 0);
    EXPECT_EQ(shots.toggleShot(0), 1);
    EXPECT_EQ(shots.toggleShot(-10), 1);
    EXPECT_EQ(times(), (std::vector<int>{0, 15000}));

    EXPECT_EQ(shots.toggleShot(7000), 2);
    EXPECT_EQ(times(), (std::vector<int>{0, 7000, 15000}));
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3}));

    EXPECT_EQ(shots.toggleShot(15000), 2);
    EXPECT_EQ(shots.toggleShot(7000), 1);
    EXPECT_EQ(times(), (std::vector<int>{0}));
    EXPECT_EQ(shots.toggleShot(30000), 2);

    shots.clear();
    EXPECT_EQ(shots.toggleShot(500), 1);
    EXPECT_EQ(times(), (std::vector<int>{500}));

    shots.addShot(Shot{200, 0, 0, 0});
    shots.addShot(Shot{900, 0, 0, 0});
    shots.addShot(Shot{500, 0, 0, 0});
    EXPECT_EQ(times(), (std::vector<int>{200, 500, 900}));
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3}));
}

TEST_F(ShotLineTest, FindsTheShotOfATime)
{
    EXPECT_EQ(shots.currentShot(10), Shot{});
    EXPECT_EQ(shots.previousShot(10), Shot{});
    EXPECT_EQ(shots.nextShot(10), Shot{});

    ASSERT_EQ(shots.loadText(magic + "time_ms;number\n1000;1\n15000;2\n30000;3\n"), 0);
    struct Case
    {
        int t;
        int current;
        int previous;
        int next; // 0: none
    };
    const std::vector<Case> cases = {
        {0, 1, 1, 2},     {1000, 1, 1, 2},  {14999, 1, 1, 2}, {15000, 2, 1, 3},
        {20000, 2, 1, 3}, {30000, 3, 2, 3}, {40000, 3, 2, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shots.currentShot(c.t).number, c.current) << c.t;
        EXPECT_EQ(shots.previousShot(c.t).number, c.previous) << c.t;
        EXPECT_EQ(shots.nextShot(c.t).number, c.next) << c.t;
    }
    EXPECT_EQ(shots.nextShot(40000), Shot{});

    ASSERT_EQ(shots.loadText(magic + "time_ms;number\n0;1\n"), 0);
    EXPECT_EQ(shots.previousShot(99).number, 1);
    EXPECT_EQ(shots.nextShot(99), Shot{});
}

TEST_F(ShotLineTest, CountsViewersWithInterestingPointsPerShot)
{
    for (int viewer = 0; viewer < 3; ++viewer) {
        auto rows = results_text::steadyRows(30000, 100, 30000);
        if (viewer < 2)
            rows[120 + viewer].interestingPoint = 1; // 12.0 s and 12.1 s
        rows[250].interestingPoint = 1;              // 25 s, for every viewer
        const auto file = dir / ("v" + std::to_string(viewer) + ".csv");
        writeFile(file, results_text::fileOf(rows));
        ASSERT_EQ(results.add(file, 8, 20000, 500), 0);
    }
    ASSERT_EQ(shots.loadText(magic + "time_ms;number;interesting_point\n0;1;7\n10000;2;7\n20000;3;7\n"), 0);
    shots.recount();
    std::vector<int> counts;
    for (const Shot& shot : shots.shots())
        counts.push_back(shot.interestingCount);
    EXPECT_EQ(counts, (std::vector<int>{0, 2, 3}));

    shots.toggleShot(12050);
    EXPECT_EQ(shots.currentShot(12000).interestingCount, 1);
    EXPECT_EQ(shots.currentShot(12050).interestingCount, 1);
}

TEST_F(ShotLineTest, ServicesTheShotFileOfAMovie)
{
    const auto file = dir / "film.avi_shots.csv";
    ASSERT_FALSE(Logger::open(playerLogStyle(), dir / "Gazeview.log"));

    // No file yet: one shot at 0, not an edit of anybody's.
    EXPECT_TRUE(ServiceShotFile(shots, file, true));
    EXPECT_EQ(shots.shots(), std::vector<Shot>{(Shot{0, 1, 0, 0})});
    EXPECT_FALSE(shots.modified());

    shots.toggleShot(5000);
    EXPECT_TRUE(ServiceShotFile(shots, file, false));
    EXPECT_TRUE(shots.shots().empty());
    EXPECT_TRUE(ServiceShotFile(shots, file, true));
    EXPECT_EQ(times(), (std::vector<int>{0, 5000}));
    EXPECT_FALSE(shots.modified());

    // A damaged file is reported, kept as read, and not offered for overwriting.
    const std::string damaged = magic + "time_ms;number\n0;1\n15000;3\n";
    writeFile(file, damaged);
    EXPECT_FALSE(ServiceShotFile(shots, file, true));
    EXPECT_EQ(times(), (std::vector<int>{0}));
    EXPECT_FALSE(shots.modified());
    EXPECT_EQ(readFile(file), damaged);

    // Saved all the same, the shots go beside it, under a new name each time.
    shots.toggleShot(8000);
    std::filesystem::path savedTo;
    EXPECT_TRUE(ServiceShotFile(shots, file, false, &savedTo));
    EXPECT_EQ(savedTo, dir / "film.avi_shots.edited.csv");
    EXPECT_EQ(readFile(file), damaged);
    ShotLine edited(results);
    ASSERT_EQ(edited.load(savedTo), 0);
    EXPECT_EQ(edited.shots().size(), 2u);
    EXPECT_FALSE(ServiceShotFile(shots, file, true));
    EXPECT_TRUE(ServiceShotFile(shots, file, false, &savedTo));
    EXPECT_EQ(savedTo, dir / "film.avi_shots.edited-2.csv");
    EXPECT_EQ(readFile(file), damaged);

    // A shot file that is there but cannot be read is not taken for a missing one.
    const auto folderInTheWay = dir / "clip.avi_shots.csv";
    std::filesystem::create_directory(folderInTheWay);
    EXPECT_FALSE(ServiceShotFile(shots, folderInTheWay, true));
    EXPECT_FALSE(shots.modified());
    EXPECT_TRUE(ServiceShotFile(shots, folderInTheWay, false, &savedTo));
    EXPECT_EQ(savedTo, dir / "clip.avi_shots.edited.csv");
    EXPECT_TRUE(std::filesystem::is_directory(folderInTheWay));
    ASSERT_FALSE(ServiceShotFile(shots, file, true));

    // A save that fails says so and keeps the list.
    EXPECT_FALSE(ServiceShotFile(shots, dir / "gone" / "film.avi_shots.csv", false));
    EXPECT_EQ(times(), (std::vector<int>{0}));
    Logger::instance().close();

    const std::string log = readFile(dir / "Gazeview.log");
    EXPECT_NE(log.find("ServiceShotFile fname: " + file.string()), std::string::npos);
    EXPECT_NE(log.find("Open shot file problem: 3"), std::string::npos);
    EXPECT_NE(log.find("ShotLine file '" + file.string() + "' saved"), std::string::npos);
}

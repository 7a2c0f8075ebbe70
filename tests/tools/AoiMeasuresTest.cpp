#include "analysis/AoiMeasures.h"
#include "analysis/AnalysisReport.h"
#include "analysis/AoiReport.h"

#include "AnalysisRun.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

using testing_support::readFile;
using testing_support::splitLines;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

using measures::EventType;
using measures::GazeEvent;
using measures::GazeSample;

constexpr int kIn = 50000;   // inside the box below
constexpr int kOut = 500000; // outside it

// A box at the top left from 1000 ms, hidden from 3000 to 4000 ms.
std::vector<Aoi> hiddenForASecond()
{
    return {Aoi{"box",
                {{1000, AoiShape::Rectangle, 0, 0, 100000, 100000},
                 {3000, AoiShape::Hidden, 0, 0, 0, 0},
                 {4000, AoiShape::Rectangle, 0, 0, 100000, 100000}}}};
}

// 100 Hz from 0 to 5990 ms, inside the box's place while inside(t).
template <typename Inside> std::vector<GazeSample> samples(Inside inside)
{
    std::vector<GazeSample> result;
    for (int t = 0; t < 6000; t += 10) {
        const int at = inside(t) ? kIn : kOut;
        result.push_back({t, at, at, t != 1600});
    }
    return result;
}

GazeEvent event(EventType type, std::size_t first, std::size_t count)
{
    GazeEvent e;
    e.type = type;
    e.firstSample = first;
    e.sampleCount = count;
    e.startMs = static_cast<int>(first) * 10;
    e.endMs = static_cast<int>(first + count - 1) * 10;
    e.durationMs = static_cast<int>(count) * 10;
    return e;
}

} // namespace

TEST(AoiMeasuresTest, EachMeasureOfAViewerPerShotAndFilm)
{
    const AoiFilm film(hiddenForASecond(), {0, 2000}, 6000);
    EXPECT_EQ(film.visibleMs(0, 0), 1000);
    EXPECT_EQ(film.visibleMs(0, 1), 3000);
    EXPECT_EQ(film.visibleMs(0, 2), 4000);

    // Inside from 1500 ms (a lost sample at 1600) across the cut at 2000 to
    // 2500, then from 3500, where the box is hidden, until 4300.
    const auto gaze = samples([](int t) { return (t >= 1500 && t < 2500) || (t >= 3500 && t < 4300); });
    const measures::GazeColumnStore store(gaze);
    const std::vector<GazeEvent> events = {
        event(EventType::Fixation, 100, 41), // outside
        event(EventType::Fixation, 150, 10), // inside, shot 1
        event(EventType::Pursuit, 200, 45),  // inside, shot 2: dwell but no fixation
        event(EventType::Fixation, 245, 10), // half inside: not inside
        event(EventType::Fixation, 350, 50), // where the box is hidden
        event(EventType::Fixation, 400, 30), // inside once the box is back
    };
    std::vector<float> presence;
    const std::vector<AoiMeasure> m = measureAois(film, store.columns(), events, 10, &presence);
    ASSERT_EQ(m.size(), 3u);
    // The picture's stretches of 6 ms hold the gaze time inside where it fell.
    ASSERT_EQ(presence.size(), kAoiPresenceBins);
    EXPECT_FLOAT_EQ(std::accumulate(presence.begin(), presence.end(), 0.0f), 1290.0f);
    EXPECT_FLOAT_EQ(presence[1500 / 6], 10.0f);
    EXPECT_FLOAT_EQ(presence[3600 / 6], 0.0f);

    const AoiMeasure& shot1 = m[0];
    EXPECT_EQ(shot1.gazeMs, 490);
    EXPECT_TRUE(shot1.entered);
    EXPECT_EQ(shot1.timeToFirstFixationMs, 500); // the box appears at 1000
    EXPECT_EQ(shot1.firstFixationMs, 100);
    EXPECT_EQ(shot1.dwellMs, 100);
    EXPECT_EQ(shot1.fixations, 1);
    EXPECT_EQ(shot1.visits, 1); // the lost sample does not make a second visit

    const AoiMeasure& shot2 = m[1];
    EXPECT_EQ(shot2.gazeMs, 500 + 300);
    EXPECT_EQ(shot2.timeToFirstFixationMs, 2000);
    EXPECT_EQ(shot2.firstFixationMs, 300);
    EXPECT_EQ(shot2.dwellMs, 450 + 300);
    EXPECT_EQ(shot2.fixations, 1);
    EXPECT_EQ(shot2.visits, 2); // inside as the shot begins, and as the box comes back

    const AoiMeasure& all = m[2];
    EXPECT_EQ(all.gazeMs, 1290);
    EXPECT_EQ(all.timeToFirstFixationMs, 500);
    EXPECT_EQ(all.dwellMs, 100 + 450 + 300);
    EXPECT_EQ(all.fixations, 2);
    EXPECT_EQ(all.visits, 2); // the cut is no entry for the whole film
}

TEST(AoiMeasuresTest, AViewerWhoNeverLooksAndAMovingArea)
{
    // The box moves from the left edge to x 900,000 over 9 s.
    const std::vector<Aoi> moving = {Aoi{"ball",
                                         {{0, AoiShape::Ellipse, 0, 400000, 100000, 200000},
                                          {9000, AoiShape::Ellipse, 900000, 400000, 100000, 200000}}}};
    const AoiFilm film(moving, {}, 10000);
    ASSERT_EQ(film.cellCount(), 1u);

    std::vector<GazeSample> never;
    std::vector<GazeSample> follows;
    for (int t = 0; t < 10000; t += 10) {
        never.push_back({t, 500000, 100000, true});
        // On the ball's centre for the first half, on its corner later (outside the ellipse).
        const int left = std::min(t, 9000) * 100;
        follows.push_back({t, t < 5000 ? left + 50000 : left + 2000, t < 5000 ? 500000 : 402000, true});
    }
    const measures::GazeColumnStore neverStore(never);
    const std::vector<AoiMeasure> none =
        measureAois(film, neverStore.columns(), {event(EventType::Fixation, 0, 1000)}, 10);
    EXPECT_EQ(none[0].gazeMs, 0);
    EXPECT_FALSE(none[0].entered);
    EXPECT_EQ(none[0].timeToFirstFixationMs, -1);
    EXPECT_EQ(none[0].fixations, 0);
    EXPECT_EQ(none[0].visits, 0);

    const measures::GazeColumnStore followStore(follows);
    const std::vector<AoiMeasure> seen = measureAois(film, followStore.columns(), {}, 10);
    EXPECT_EQ(seen[0].gazeMs, 5000);
    EXPECT_EQ(seen[0].visits, 1);
}

TEST(AoiMeasuresTest, SampleTimeStopsAtTheRecordingsStep)
{
    std::vector<int> times;
    for (int i = 0; i < 600; ++i)
        times.push_back(i * 1000 / 60);
    EXPECT_EQ(sampleIntervalMs(times), 17);
    times.push_back(20000); // a silence does not change the step
    EXPECT_EQ(sampleIntervalMs(times), 17);
    EXPECT_EQ(sampleIntervalMs(std::vector<int>{5}), 0);

    const AoiFilm film({Aoi{"all", {{0, AoiShape::Rectangle, 0, 0, 1000000, 1000000}}}}, {}, 3000);
    const std::vector<GazeSample> gaze = {
        {0, 1, 1, true}, {10, 1, 1, true}, {2000, 1, 1, true}, {1500, 1, 1, true}, {2010, 1, 1, true}};
    const measures::GazeColumnStore store(gaze);
    // 10 + 10 (not 1990) + 10 (to the sample out of order's successor) + 10 (the last).
    EXPECT_EQ(measureAois(film, store.columns(), {}, 10)[0].gazeMs, 40);
}

TEST(AoiMeasuresTest, TheToolWritesTheTableAndTheSummary)
{
    TempDir dir;
    const std::string top = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                            "interesting_point_value\n#Movie path: /films/feature.avi\n";
    std::string looks = top;
    std::string never = top;
    for (int t = 0; t < 6000; t += 10) {
        const int at = t >= 1000 && t < 3000 ? 100000 + (t % 20) * 10 : 800000;
        looks += std::to_string(t) + ';' + std::to_string(at) + ';' + std::to_string(at) + ";1;30000;0\n";
        never += std::to_string(t) + ";800000;800000;1;30000;0\n";
    }
    writeFile(dir / "P1.csv", looks);
    writeFile(dir / "P2.csv", never);
    writeFile(dir / "film.avi_shots.csv", "time_ms;number\n0;1\n2000;2\n");
    writeFile(dir / "film.avi_aois.csv", "#Gazeview AOI file version 1\nname;shape;time_ms;x;y;width;height\n"
                                         "face;rectangle;0;0;0;200000;200000\n");

    const auto at = [&](const char* name) { return (dir / name).string(); };
    const auto output = testing_support::analyse(
        {"--aois", at("film.avi_aois.csv"), "--aoi-table", at("table.csv"), "--aoi-summary",
         at("summary.csv"), "--shots", at("film.avi_shots.csv"), at("P1.csv"), at("P2.csv")});
    ASSERT_EQ(output.status, 0) << output.err;

    const auto table = splitLines(readFile(dir / "table.csv"));
    ASSERT_EQ(table.size(), 7u);
    EXPECT_EQ(table[0], kAoiTableHeader);
    EXPECT_EQ(table[0], "viewer;aoi;shot;visible_ms;gaze_ms;gaze_percent;entered;time_to_first_fixation_ms;"
                        "first_fixation_ms;dwell_ms;dwell_percent;fixations;visits");
    EXPECT_TRUE(table[1].starts_with("P1;face;1;2000;1000;50.00;1;1")) << table[1];
    EXPECT_TRUE(table[2].starts_with("P1;face;2;4000;1000;25.00;1;0;")) << table[2]; // inside as it begins
    EXPECT_TRUE(table[3].starts_with("P1;face;all;6000;2000;33.33;1;1")) << table[3];
    EXPECT_TRUE(table[3].ends_with(";1")) << table[3]; // one visit over the cut
    EXPECT_EQ(table[4], "P2;face;1;2000;0;0.00;0;;;0;0.00;0;0");
    EXPECT_EQ(table[6], "P2;face;all;6000;0;0.00;0;;;0;0.00;0;0");

    const auto summary = splitLines(readFile(dir / "summary.csv"));
    ASSERT_EQ(summary.size(), 4u);
    EXPECT_EQ(summary[0], kAoiSummaryHeader);
    EXPECT_TRUE(summary[1].starts_with("face;1;2;0.500;")) << summary[1];

    // The plain-text report has the summary too, with its units.
    const std::string face1 =
        "face, shot 1: visible 2000 ms, looked 1 of 2 viewers (50.00 %), mean time to first "
        "fixation ";
    const auto start = output.out.find(face1);
    ASSERT_NE(start, std::string::npos) << output.out;
    const std::string line = output.out.substr(start, output.out.find('\n', start) - start);
    EXPECT_NE(line.find(" ms, mean dwell "), std::string::npos) << line;
    EXPECT_TRUE(line.ends_with(" ms")) << line;
    EXPECT_NE(output.out.find("face, shot 2: visible 4000 ms, looked 1 of 2"), std::string::npos)
        << output.out;
    EXPECT_NE(output.out.find("face, shot all: visible 6000 ms"), std::string::npos) << output.out;

    // Outputs never replace inputs.
    const auto parsed = parseAnalysisArguments({"gaze-analyse", "--aois", at("film.avi_aois.csv"),
                                                "--aoi-table", at("film.avi_aois.csv"), at("P1.csv")});
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_NE(runAnalysis(parsed.options, out, err), 0);
    EXPECT_NE(err.str().find("would replace"), std::string::npos) << err.str();
    EXPECT_EQ(splitLines(readFile(dir / "film.avi_aois.csv")).size(), 3u);
    EXPECT_FALSE(
        parseAnalysisArguments({"gaze-analyse", "--aoi-table", at("t.csv"), at("P1.csv")}).error.empty());
}

TEST(AoiMeasuresTest, TheFastPathAgreesWithTheModelOnEverySample)
{
    // Areas that move, grow, shrink, change shape and hide, under scattered gaze.
    const std::vector<Aoi> aois = {Aoi{"a",
                                       {{500, AoiShape::Rectangle, 100000, 100000, 300000, 200000},
                                        {4000, AoiShape::Ellipse, 600000, 500000, 100000, 400000},
                                        {9000, AoiShape::Ellipse, 200000, 600000, 500000, 100000},
                                        {12000, AoiShape::Hidden, 0, 0, 0, 0},
                                        {15000, AoiShape::Rectangle, 0, 0, 1000000, 1000000}}},
                                   Aoi{"b", {{0, AoiShape::Ellipse, 300000, 300000, 400000, 400000}}}};
    const AoiFilm film(aois, {0, 7000, 13000}, 20000);
    std::vector<GazeSample> gaze;
    unsigned seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % 1000000);
    };
    for (int t = 0; t < 20000; t += 10)
        gaze.push_back({t, next(), next(), true});
    const measures::GazeColumnStore store(gaze);
    const std::vector<AoiMeasure> m = measureAois(film, store.columns(), {}, 10);
    for (std::size_t a = 0; a < aois.size(); ++a) {
        long long expected = 0;
        for (const GazeSample& s : gaze)
            expected += aois[a].at(s.timeMs).contains(s.x, s.y) ? 10 : 0;
        EXPECT_EQ(m[a * film.cellCount() + film.cellCount() - 1].gazeMs, expected) << aois[a].name;
        EXPECT_GT(expected, 0);
    }
}

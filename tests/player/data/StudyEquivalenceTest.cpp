#include "ReferenceResults.h"
#include "ResultsText.h"
#include "StudyGenerator.h"
#include "TestEnvironment.h"
#include "player/data/TimeLineManager.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

struct Settings
{
    int eventsNum;
    int filterRadius;
    int actionRadius;
};

} // namespace

TEST(StudyEquivalence, SamplesLookupsAndStatisticsMatchThePlainComputation)
{
    // Given studies of several viewers, with windows summed on request and kept
    for (const Settings settings : {Settings{8, 20000, 500}, Settings{1, 5000, 0}, Settings{50, 60000, 1200},
                                    Settings{0, 20000, 500}}) {
        SCOPED_TRACE(settings.eventsNum);
        TempDir dir;
        std::vector<std::filesystem::path> paths;
        std::vector<std::vector<TimeLineItem>> expected;
        for (unsigned v = 0; v < 6; ++v) {
            const std::string text = study::recording(v + 1, 1500 + 300 * static_cast<int>(v));
            paths.push_back(dir / ("viewer" + std::to_string(v) + ".csv"));
            writeFile(paths.back(), text);
            expected.push_back(reference::read(text));
            reference::derive(expected.back(), settings.eventsNum, settings.filterRadius,
                              settings.actionRadius);
        }

        // When they are loaded on several threads
        TimeLineManager results;
        std::vector<size_t> progress;
        const auto statuses = results.addAll(
            paths, settings.eventsNum, settings.filterRadius, settings.actionRadius,
            [&](size_t done, size_t total) {
                EXPECT_EQ(total, paths.size());
                progress.push_back(done);
            },
            3);
        results.calculateStats();

        // Then every sample, lookup and statistic is the plain computation's
        EXPECT_EQ(statuses, std::vector<int>(paths.size(), 0));
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back(), paths.size());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        ASSERT_EQ(results.timeLines().size(), expected.size());
        for (size_t f = 0; f < expected.size(); ++f) {
            EXPECT_EQ(results.timeLines()[f].items(), expected[f]) << paths[f];
            EXPECT_EQ(results.paths()[f], paths[f]);
        }
        // Playback forwards, a seek backwards and a jump ahead, through the overlay pass.
        std::vector<int> times;
        for (int t = -100; t < 40000; t += 64)
            times.push_back(t);
        times.insert(times.end(), {5000, 3, 30000, 29999, 100000});
        for (const int t : times) {
            results.rewind();
            for (size_t f = 0; f < expected.size(); ++f)
                ASSERT_EQ(results.getNextItem(t), reference::itemAt(expected[f], t))
                    << "file " << f << " at " << t;
        }
        const reference::Statistics statistics = reference::statistics(expected);
        EXPECT_EQ(results.pupilSeries(), statistics.series);
        EXPECT_EQ(results.pupilStepCount(), statistics.series.size());
        EXPECT_EQ(results.minDiameter(), statistics.minDiameter);
        EXPECT_EQ(results.maxDiameter(), statistics.maxDiameter);
        EXPECT_EQ(results.maxDiameterTime(), statistics.maxDiameterTime);
        EXPECT_EQ(results.smallestDeviation(), statistics.smallestDeviation);
        EXPECT_EQ(results.largestDeviation(), statistics.largestDeviation);
        for (const int t : times) {
            const auto step = std::lower_bound(statistics.series.begin(), statistics.series.end(), t,
                                               [](const PupilStep& s, int time) { return s.time < time; });
            const PupilStep wanted = step == statistics.series.end() ? statistics.series.back() : *step;
            ASSERT_EQ(results.pupilStepAt(t), wanted) << t;
        }
    }
}

TEST(StudyEquivalence, FilesWhoseTimesDoNotAscendGiveThePlainStatistics)
{
    // Given a file whose times go back now and then, beside an ordinary one
    TempDir dir;
    std::mt19937 random(5);
    std::string shuffled =
        "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm\n";
    for (int i = 0; i < 400; ++i)
        shuffled += std::to_string(static_cast<int>(random() % 9000)) + ";500000;500000;1;" +
                    std::to_string(20000 + static_cast<int>(random() % 5000)) + "\n";
    const std::string ordinary = study::recording(9, 500);
    writeFile(dir / "a.csv", shuffled);
    writeFile(dir / "b.csv", ordinary);
    std::vector<std::vector<TimeLineItem>> expected = {reference::read(shuffled), reference::read(ordinary)};
    for (auto& items : expected)
        reference::derive(items, 8, 20000, 500);

    // When they are loaded and counted
    TimeLineManager results;
    results.addAll({dir / "a.csv", dir / "b.csv"}, 8, 20000, 500);
    results.calculateStats();

    // Then the series and the lookups are the plain computation's
    EXPECT_EQ(results.pupilSeries(), reference::statistics(expected).series);
    for (int t = 0; t < 10000; t += 7) {
        size_t hint = 0;
        ASSERT_EQ(results.timeLines()[0].itemAt(t, hint), reference::itemAt(expected[0], t)) << t;
    }
}

TEST(StudyEquivalence, StatisticsDoNotDependOnHowManyThreadsWalkThem)
{
    // Given viewers with gaps, files whose times do not ascend and files that end early
    std::vector<std::string> texts;
    for (unsigned v = 0; v < 5; ++v)
        texts.push_back(
            study::recording(v + 20, 200 + 900 * static_cast<int>(v), 13 + 7 * static_cast<int>(v)));
    std::mt19937 random(11);
    std::string shuffled =
        "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm\n";
    for (int i = 0; i < 300; ++i)
        shuffled += std::to_string(static_cast<int>(random() % 30000)) + ";1;1;1;" +
                    std::to_string(static_cast<int>(random() % 3) * 20000) + "\n";
    texts.push_back(shuffled);
    TempDir dir;
    std::vector<std::filesystem::path> paths;
    std::vector<std::vector<TimeLineItem>> expected;
    for (size_t f = 0; f < texts.size(); ++f) {
        paths.push_back(dir / ("v" + std::to_string(f) + ".csv"));
        writeFile(paths.back(), texts[f]);
        expected.push_back(reference::read(texts[f]));
        reference::derive(expected.back(), 8, 20000, 500);
    }
    const reference::Statistics statistics = reference::statistics(expected);
    TimeLineManager results;
    results.addAll(paths, 8, 20000, 500);

    // When the steps are walked by one thread and in spans by several
    results.calculateStats(1);
    const std::vector<PupilRun> oneThread = results.pupilRuns();
    for (const unsigned threads : {1u, 2u, 3u, 7u, 64u, 5000u}) {
        SCOPED_TRACE(threads);
        results.calculateStats(threads);

        // Then the runs, the series and the statistics are the same
        EXPECT_EQ(results.pupilRuns(), oneThread);
        EXPECT_EQ(results.pupilSeries(), statistics.series);
        EXPECT_EQ(results.minDiameter(), statistics.minDiameter);
        EXPECT_EQ(results.maxDiameter(), statistics.maxDiameter);
        EXPECT_EQ(results.maxDiameterTime(), statistics.maxDiameterTime);
        EXPECT_EQ(results.smallestDeviation(), statistics.smallestDeviation);
        EXPECT_EQ(results.largestDeviation(), statistics.largestDeviation);
    }
}

TEST(StudyEquivalence, OddLinesReadAsTheFieldByFieldConversion)
{
    // Given lines of every shape: numbers of any length and sign, blanks, trailing
    // text, empty and missing fields, lines longer than 64 bytes, CRLF, comments,
    // and a last line without a line feed; over a megabyte, so the stream reader
    // refills its buffer
    const std::vector<std::string> anyField = {
        "0",    "7", "-1", "42", "123456", "1234567",        "12345678",    "-7654321", "+15",        " 9",
        "\t-3", "",  "-",  "x",  "12ab",   "99999999999999", "-2147483649", "0000001",  "2147483647", "5 6"};
    const std::vector<std::string> timeField = {"0",  "17", "1234567", "99999999", " 8",
                                                "+3", "",   "x",       "12ab"};
    const std::vector<std::string> pupilField = {"0", "-1", "31000", "65535", "65536", "123456789", "", "-"};
    std::mt19937 random(3);
    const auto pick = [&random](const std::vector<std::string>& from) {
        return from[random() % from.size()];
    };
    std::string text = results_text::header + "\r\n";
    while (text.size() < 1500000) {
        std::string line = pick(timeField) + ';' + pick(anyField) + ';' + pick(anyField) + ';' +
                           pick(anyField) + ';' + pick(pupilField) + ';' + pick(anyField);
        for (unsigned extra = random() % 12; extra-- > 0;)
            line += ';' + pick(anyField);
        if (random() % 17 == 0)
            line = line.substr(0, random() % (line.size() + 1));
        if (random() % 29 == 0)
            line += std::string(40 + random() % 40, ' ');
        if (random() % 211 == 0)
            line = "# a comment;1;2";
        text += line + (random() % 5 == 0 ? "\r\n" : "\n");
    }
    for (const std::string last : {"5;1;2;3;4", "6;1;2;3;4;1", "7;12", "8"}) {
        const std::string whole = text + last;
        const std::vector<TimeLineItem> expected = reference::read(whole);

        // When it is read from memory and as a stream
        TimeLine fromText;
        TimeLine fromStream;
        std::istringstream in(whole);
        ASSERT_EQ(fromText.loadText(whole), TimeLine::Loaded);
        ASSERT_EQ(fromStream.loadStream(in), TimeLine::Loaded);

        // Then both hold what the field-by-field conversion gives
        EXPECT_EQ(fromText.items(), expected) << last;
        EXPECT_EQ(fromStream.items(), expected) << last;
    }
}

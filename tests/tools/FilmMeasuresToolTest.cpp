#include "analysis/AnalysisReport.h"
#include "analysis/FilmMeasures.h"

#include "AnalysisRun.h"
#include "SyntheticViewer.h"
#include "TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <sstream>

using testing_support::readFile;
using testing_support::splitLines;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const ScreenGeometry screen{1920, 1080, 510, 290, 650};

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> result(1);
    for (const char c : line) {
        if (c == ';')
            result.emplace_back();
        else
            result.back() += c;
    }
    return result;
}

// A results file as the recorder writes it, screen line included when given.
std::string resultsFile(const measures_test::LabelledGaze& gaze, const std::string& screenLine)
{
    std::string text = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                       "interesting_point_value\n#Examination date: 2026_12_09_10_00_00\n"
                       "#Movie path: /films/feature.avi\n";
    if (!screenLine.empty())
        text += screenLine + "\n";
    text += "#Output path: /results/P.csv\n#Examination id: P\n";
    for (const auto& s : gaze.samples) {
        text += std::to_string(s.timeMs) + ';';
        text +=
            s.usable ? std::to_string(s.x) + ';' + std::to_string(s.y) + ";1;30000;0\n" : "-1;-1;-1;-1;0\n";
    }
    return text;
}

class FilmMeasuresToolTest : public testing_support::AnalysisToolTestBase
{
protected:
    FilmMeasuresToolTest()
    {
        measures_test::ViewerShape shape;
        shape.durationMs = 30000;
        for (unsigned v = 0; v < 3; ++v)
            writeFile(dir / ("P0" + std::to_string(v + 1) + ".csv"),
                      resultsFile(measures_test::synthesiseViewer(40 + v, shape, screen),
                                  v < 2 ? formatScreenLine(screen) : std::string()));
        writeFile(dir / "film.avi_shots.csv",
                  "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n12000;2\r\n20000;3\r\n");
    }
};

} // namespace

TEST_F(FilmMeasuresToolTest, WritesAnEventsFileForEveryResultsFile)
{
    const Output output = run({"--events", at("events"), at("P01.csv"), at("P02.csv"), at("P03.csv")});

    EXPECT_EQ(output.status, 0) << output.err;
    // Only the third file lacks the screen line, and that is told once.
    EXPECT_EQ(splitLines(output.err).size(), 1u) << output.err;
    EXPECT_NE(output.err.find("1 of 3 results files give no usable screen line"), std::string::npos);
    for (const char* name : {"P01", "P02", "P03"}) {
        const auto text = splitLines(readFile(dir / "events" / (std::string(name) + "_events.csv")));
        ASSERT_GT(text.size(), 50u) << name;
        EXPECT_EQ(text[0], "type;start_ms;end_ms;duration_ms;x;y;amplitude_deg;peak_velocity_deg_s");
        std::map<std::string, int> counts;
        long long lastStart = -1;
        for (std::size_t k = 1; k < text.size(); ++k) {
            const auto f = fields(text[k]);
            ASSERT_EQ(f.size(), 8u) << text[k];
            ++counts[f[0]];
            EXPECT_GT(std::stoll(f[1]), lastStart) << text[k];
            lastStart = std::stoll(f[1]);
            EXPECT_LE(std::stoll(f[1]), std::stoll(f[2])) << text[k];
            const bool moves = f[0] == "saccade" || f[0] == "pursuit";
            EXPECT_EQ(f[4].empty(), f[0] == "loss") << text[k];
            EXPECT_EQ(f[6].empty(), !moves) << text[k];
            EXPECT_EQ(f[7].empty(), !moves) << text[k];
            if (f[0] == "saccade") {
                EXPECT_LT(std::stod(f[6]), 40) << text[k];
            }
        }
        EXPECT_EQ(counts.size(), 4u) << name; // all four words, and no other
        for (const char* type : {"fixation", "saccade", "pursuit", "loss"})
            EXPECT_GT(counts[type], 0) << name << ' ' << type;
    }
}

TEST_F(FilmMeasuresToolTest, ScreenOptionsOverTheFileChangeTheAngles)
{
    const auto meanAmplitude = [](const std::string& text) {
        double sum = 0;
        int count = 0;
        for (const auto& line : splitLines(text))
            if (line.starts_with("saccade;")) {
                sum += std::stod(fields(line)[6]);
                ++count;
            }
        return sum / count;
    };
    ASSERT_EQ(run({"--events", at("near"), at("P01.csv")}).status, 0);
    const Output far =
        run({"--events", at("far"), "--distance-mm", "1300", "--screen-mm", "510,290", at("P01.csv")});
    ASSERT_EQ(far.status, 0);
    const double near = meanAmplitude(readFile(dir / "near" / "P01_events.csv"));
    EXPECT_NEAR(meanAmplitude(readFile(dir / "far" / "P01_events.csv")) / near, 0.5, 0.08);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--screen-mm", "510", "a.csv"},
                                               {"--screen-mm", "510,0", "a.csv"},
                                               {"--distance-mm", "-5", "a.csv"},
                                               {"--saccade-peak-k", "abc", "a.csv"},
                                               {"--sync-step-ms", "5", "a.csv"},
                                               {"--sync-reach-ms", "5000", "a.csv"},
                                               {"--sync-sigma-deg", "0", "a.csv"},
                                               {"--shot-table", "t.csv", "a.csv"}}) {
        auto arguments = bad;
        arguments.insert(arguments.begin(), "gaze-analyse");
        EXPECT_NE(parseAnalysisArguments(arguments).error, "") << bad[0];
    }
}

TEST_F(FilmMeasuresToolTest, WritesSynchronyAndTheShotTable)
{
    const Output output =
        run({"--synchrony", at("sync.csv"), "--shots", at("film.avi_shots.csv"), "--shot-table",
             at("table.csv"), "--screen-mm", "510,290", "--distance-mm", "650", dir.path().string()});
    EXPECT_EQ(output.status, 0) << output.err;

    const auto sync = splitLines(readFile(dir / "sync.csv"));
    ASSERT_GT(sync.size(), 700u); // 30 s in steps of 40 ms
    EXPECT_EQ(sync[0], "time_ms;viewers;dispersion_deg;nss");
    int together = 0;
    for (std::size_t k = 1; k < sync.size(); ++k) {
        const auto f = fields(sync[k]);
        ASSERT_EQ(f.size(), 4u);
        EXPECT_EQ(std::stoi(f[0]) % 40, 0);
        const int viewers = std::stoi(f[1]);
        EXPECT_LE(viewers, 3);
        EXPECT_EQ(f[2].empty(), viewers < 2) << sync[k];
        together += viewers == 3;
    }
    EXPECT_GT(together, 500);

    const auto table = splitLines(readFile(dir / "table.csv"));
    ASSERT_EQ(table.size(), 1u + 3 * 4);
    EXPECT_EQ(table[0],
              "shot;start_ms;viewer;fixations;mean_fixation_ms;mean_saccade_amplitude_deg;pursuit_share;"
              "loss_share;mean_dispersion_deg;mean_nss");
    EXPECT_EQ(fields(table[1])[2], "P01");
    EXPECT_EQ(fields(table[4])[2], "all");
    EXPECT_EQ(fields(table[12])[0], "3");
    EXPECT_EQ(fields(table[12])[1], "20000");
    int fixations = 0;
    for (int row = 1; row <= 3; ++row)
        fixations += std::stoi(fields(table[static_cast<std::size_t>(row)])[3]);
    EXPECT_EQ(std::stoi(fields(table[4])[3]), fixations);
    for (std::size_t k = 1; k < table.size(); ++k) {
        const auto f = fields(table[k]);
        ASSERT_EQ(f.size(), 10u) << table[k];
        EXPECT_GT(std::stoi(f[3]), 5) << table[k];
        EXPECT_GE(std::stod(f[6]), 0);
        EXPECT_LE(std::stod(f[6]), 1);
        EXPECT_FALSE(f[8].empty()) << table[k];
    }
}

TEST_F(FilmMeasuresToolTest, OutputsNeverReplaceInputs)
{
    const std::string original = readFile(dir / "P02.csv");
    Output output = run({"--synchrony", at("P02.csv"), at("P01.csv"), at("P02.csv")});
    EXPECT_EQ(output.status, 3);
    EXPECT_NE(output.err.find("is an input"), std::string::npos) << output.err;
    EXPECT_EQ(readFile(dir / "P02.csv"), original);

    // An input that happens to carry the name of an events file.
    writeFile(dir / "P01_events.csv", original);
    output = run({"--events", dir.path().string(), at("P01.csv"), at("P01_events.csv")});
    EXPECT_EQ(output.status, 3);
    EXPECT_EQ(readFile(dir / "P01_events.csv"), original);
    // Folders leave earlier events files out.
    std::filesystem::remove(dir / "P01_events.csv");
    ASSERT_EQ(run({"--events", dir.path().string(), dir.path().string()}).status, 0);
    output = run({"--events", dir.path().string(), dir.path().string()});
    EXPECT_EQ(output.status, 0) << output.err;
}

TEST_F(FilmMeasuresToolTest, JsonCarriesTheEventsAndTheScreen)
{
    const Output output =
        run({"--json", "--no-series", "--events", at("events"), at("P01.csv"), at("P03.csv")});
    ASSERT_EQ(output.status, 0) << output.err;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(output.out)).object();
    const QJsonArray files = root[QStringLiteral("files")].toArray();
    ASSERT_EQ(files.size(), 2);
    const QJsonObject first = files[0].toObject();
    EXPECT_TRUE(first[QStringLiteral("screen")].toObject()[QStringLiteral("fromFile")].toBool());
    EXPECT_FALSE(
        files[1].toObject()[QStringLiteral("screen")].toObject()[QStringLiteral("fromFile")].toBool());
    const QJsonArray events = first[QStringLiteral("events")].toArray();
    const auto written = splitLines(readFile(dir / "events" / "P01_events.csv"));
    ASSERT_EQ(static_cast<std::size_t>(events.size()), written.size() - 1);
    const QJsonObject saccade = [&] {
        for (const auto& e : events)
            if (e.toObject()[QStringLiteral("type")].toString() == QStringLiteral("saccade"))
                return e.toObject();
        return QJsonObject();
    }();
    EXPECT_TRUE(saccade.contains(QStringLiteral("amplitude_deg")));
    EXPECT_TRUE(saccade.contains(QStringLiteral("x")));
}

TEST(ScreenLine, IsReadFromTheCommentsAfterTheHeaderOnly)
{
    TempDir dir;
    const std::string header = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool\n";
    writeFile(dir / "a.csv", header + "#Movie path: /m.avi\n" + formatScreenLine(screen) + "\n1;2;3;1\n");
    writeFile(dir / "before.csv", formatScreenLine(screen) + "\n" + header + "1;2;3;1\n");
    writeFile(dir / "after.csv", header + "1;2;3;1\n" + formatScreenLine(screen) + "\n");
    writeFile(dir / "bad.csv", header + "#Screen: 1920x1080 px, 510x290 mm\n1;2;3;1\n");

    const auto a = readScreenLine(dir / "a.csv");
    ASSERT_TRUE(a && a->ok);
    EXPECT_EQ(a->geometry, screen);
    EXPECT_FALSE(readScreenLine(dir / "before.csv"));
    EXPECT_FALSE(readScreenLine(dir / "after.csv"));
    EXPECT_FALSE(readScreenLine(dir / "missing.csv"));
    const auto bad = readScreenLine(dir / "bad.csv");
    ASSERT_TRUE(bad);
    EXPECT_FALSE(bad->ok);

    const auto resolved = resolveGeometry(dir / "bad.csv", {std::make_pair(600, 340), 700});
    EXPECT_FALSE(resolved.fromFile);
    EXPECT_FALSE(resolved.problem.empty());
    EXPECT_EQ(resolved.geometry.widthMm, 600);
    EXPECT_EQ(resolved.geometry.distanceMm, 700);
}

TEST(AnalysisHelp, AnswersHelpWithTheMeasureOptions)
{
    for (const char* option : {"--help", "-h"}) {
        QProcess tool;
        tool.start(QStringLiteral(GAZE_BIN_DIR "/gaze-analyse"), {QString::fromLatin1(option)});
        ASSERT_TRUE(tool.waitForFinished(30000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit) << option;
        EXPECT_EQ(tool.exitCode(), 0) << option;
        const QByteArray help = tool.readAllStandardOutput();
        for (const char* text :
             {"Usage: gaze-analyse", "--events <dir>", "--synchrony <file>", "--shot-table",
              "--screen-mm <W,H>", "--distance-mm", "--saccade-peak-k", "(default 3)"})
            EXPECT_TRUE(help.contains(text)) << option << ' ' << text;
    }
}

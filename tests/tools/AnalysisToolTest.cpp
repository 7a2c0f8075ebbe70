#include "analysis/AnalysisReport.h"

#include "AnalysisRun.h"
#include "ResultsText.h"
#include "TestEnvironment.h"
#include "common/AppDataFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <clocale>
#include <gtest/gtest.h>

#include <sstream>

using testing_support::writeFile;

namespace {

ParsedArguments parse(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "gaze-analyse");
    return parseAnalysisArguments(arguments);
}

class AnalysisToolTest : public testing_support::AnalysisToolTestBase
{
protected:
    AnalysisToolTest()
    {
        // Two viewers of a 20 s movie; the first marks 3 s and 12 s, the second 12.5 s.
        auto first = results_text::steadyRows(20000, 100, 30000);
        auto second = results_text::steadyRows(10000, 100, 40000);
        first[30].interestingPoint = 1;
        first[120].interestingPoint = 1;
        second[95].interestingPoint = 1;
        writeFile(dir / "P01.csv", results_text::fileOf(first));
        writeFile(dir / "P02.csv", results_text::fileOf(second));
        writeFile(dir / "film.avi_shots.csv", "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n"
                                              "9000;2\r\n");
    }
};

} // namespace

TEST_F(AnalysisToolTest, TakesPreprocessingValuesFromTheSettingsFileThenTheOptions)
{
    EXPECT_EQ(parse({"a.csv"}).options.eventsNum, 8);
    EXPECT_EQ(parse({"a.csv"}).options.filterRadius, 20000);
    EXPECT_EQ(parse({"a.csv"}).options.actionRadius, 500);
    EXPECT_TRUE(parse({"a.csv"}).options.settingsFile.empty());

    const auto folder = appDataFolder();
    ASSERT_TRUE(folder);
    std::filesystem::create_directories(*folder);
    writeFile(*folder / "Gazeview.ini", "[Preprocessing]\r\neventsNum=4\r\nactionRadius=900\r\n");
    const ParsedArguments fromFile = parse({"a.csv"});
    EXPECT_EQ(fromFile.options.eventsNum, 4);
    EXPECT_EQ(fromFile.options.filterRadius, 20000);
    EXPECT_EQ(fromFile.options.actionRadius, 900);
    EXPECT_EQ(fromFile.options.settingsFile, *folder / "Gazeview.ini");

    const ParsedArguments overridden = parse({"--events-num", "2", "--filter-radius=7", "a.csv"});
    EXPECT_EQ(overridden.options.eventsNum, 2);
    EXPECT_EQ(overridden.options.filterRadius, 7);
    EXPECT_EQ(overridden.options.actionRadius, 900);

    writeFile(dir / "other.ini", "[preprocessing]\neventsnum=3\n");
    EXPECT_EQ(parse({"--settings", at("other.ini"), "a.csv"}).options.eventsNum, 3);
    std::filesystem::remove(*folder / "Gazeview.ini");

    EXPECT_NE(parse({"--settings", at("none.ini"), "a.csv"}).error, "");
    EXPECT_EQ(parse({"--at", "soon", "a.csv"}).error,
              "--at needs a whole number from 0 to 2147483647, not \"soon\"");
    EXPECT_EQ(parse({"--events-num=-2", "a.csv"}).error,
              "--events-num needs a whole number from 0 to 1000000, not \"-2\"");
    EXPECT_NE(parse({"--bogus", "a.csv"}).error, "");
    EXPECT_NE(parse({}).error, "");
    EXPECT_TRUE(parse({"--help"}).helpRequested);
}

TEST_F(AnalysisToolTest, PrintsAPlainReport)
{
    const Output result = run(
        {"--at", "12000", "--no-series", "--shots", at("film.avi_shots.csv"), at("P01.csv"), at("P02.csv")});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> expected = {
        "Preprocessing: eventsNum 8, filterRadius 20000, actionRadius 500 (settings: defaults)\n",
        "File " + at("P01.csv") + ": status 0, loaded, 201 samples, movie \"trailer.avi\"\n",
        "  " + at("P01.csv") + ": 12000 500000 500000 1 3.0000 1 500000 500000 1 120\n",
        "  " + at("P02.csv") + ": 10000 500000 500000 1 4.0000 0 500000 500000 0 100\n",
        "Keypoints around 12000 ms (first file): previous 3000, next -1\n",
        "Pupil statistics in tracker units: minDiameter 3.5000, maxDiameter 3.5000, maxDiameterTime 0 ms, "
        "smallest deviation 0.5000, largest deviation 0.5001, 626 steps\n",
        "  shot 1 at 0 ms: 1 of 2 files with an interesting point\n",
        "  shot 2 at 9000 ms: 2 of 2 files with an interesting point\n",
    };
    for (const std::string& line : expected)
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "in\n" << result.out;
    EXPECT_EQ(result.out.find("Pupil series"), std::string::npos);
}

TEST_F(AnalysisToolTest, NamesMillimetresWhereTheFilesSaySo)
{
    // As the recorder of an eye model's diameters writes it, next to the screen line.
    std::string text = results_text::fileOf(results_text::steadyRows(2000, 100, 35000));
    text.insert(text.find('\n') + 1, "#Screen: 1920x1080 px, 531x299 mm, viewing distance 650 mm\n"
                                     "#Pupil: diameter_3d mm\n");
    std::filesystem::create_directories(dir / "mm");
    writeFile(dir / "mm" / "A.csv", text);
    writeFile(dir / "mm" / "B.csv", text);

    const Output plain = run({"--no-series", "--at", "1000", (dir / "mm").string()});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("blink, pupil in mm, interestingPoint"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find("Pupil statistics in mm: minDiameter 3.5000"), std::string::npos) << plain.out;
    EXPECT_NE(plain.out.find(": 1000 500000 500000 1 3.5000 "), std::string::npos) << plain.out;

    const Output json = run({"--json", "--at", "1000", (dir / "mm").string()});
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    const QJsonObject item = root[QStringLiteral("files")][0][QStringLiteral("item")].toObject();
    EXPECT_EQ(item[QStringLiteral("pupil_mm")].toDouble(), 3.5) << json.out;
    EXPECT_FALSE(item.contains(QStringLiteral("pupil_tracker_units")));
    EXPECT_EQ(root[QStringLiteral("pupil")][QStringLiteral("minDiameter_mm")].toDouble(), 3.5);

    // With a file in the tracker's units beside them the study's statistics are in no length.
    const Output mixed = run({"--json", "--at", "1000", (dir / "mm").string(), at("P01.csv")});
    const QJsonObject mixedRoot = QJsonDocument::fromJson(QByteArray::fromStdString(mixed.out)).object();
    EXPECT_TRUE(
        mixedRoot[QStringLiteral("pupil")].toObject().contains(QStringLiteral("minDiameter_tracker_units")));
    EXPECT_TRUE(mixedRoot[QStringLiteral("files")][0][QStringLiteral("item")].toObject().contains(
        QStringLiteral("pupil_mm")))
        << "each file's own value keeps its own unit";
}

TEST_F(AnalysisToolTest, PrintsJson)
{
    const Output result =
        run({"--json", "--at", "9200", "--shots", at("film.avi_shots.csv"), dir.path().string()});
    EXPECT_EQ(result.status, 0) << result.err;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(result.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out;
    const QJsonObject root = document.object();

    // The folder gives both results files in name order, without the shot file.
    const QJsonArray files = root[QStringLiteral("files")].toArray();
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(files[0][QStringLiteral("path")].toString().toStdString(), at("P01.csv"));
    EXPECT_EQ(files[1][QStringLiteral("movie")].toString(), QStringLiteral("trailer.avi"));
    const QJsonObject item = files[1][QStringLiteral("item")].toObject();
    // A file that names no screen has no pixels or degrees.
    EXPECT_EQ(item.size(), 10);
    EXPECT_EQ(item[QStringLiteral("time_ms")].toInt(), 9200);
    EXPECT_EQ(item[QStringLiteral("nearAction")].toInt(), 1);
    EXPECT_EQ(item[QStringLiteral("stillCount_samples")].toInt(), 92);
    EXPECT_EQ(item[QStringLiteral("pupil_tracker_units")].toDouble(), 4.0);

    EXPECT_EQ(root[QStringLiteral("keypoints")][QStringLiteral("next")].toInt(), 12000);
    const QJsonObject pupil = root[QStringLiteral("pupil")].toObject();
    // Runs of equal steps (time, mean, deviation, steps), one for each sample of the viewers.
    EXPECT_EQ(pupil[QStringLiteral("minDiameter_tracker_units")].toDouble(), 3.5);
    const QJsonArray series = pupil[QStringLiteral("series_time_ms_mean_deviation_steps")].toArray();
    ASSERT_EQ(series.size(), 201);
    int steps = 0;
    for (const QJsonValue run : series) {
        EXPECT_EQ(run[1].toDouble(), 3.5);
        EXPECT_EQ(run[2].toDouble(), 0.5);
        steps += run[3].toInt();
    }
    EXPECT_EQ(series[0][0].toInt(), 0);
    EXPECT_EQ(steps, 626);
    const QJsonArray shots = root[QStringLiteral("shots")][QStringLiteral("list")].toArray();
    ASSERT_EQ(shots.size(), 2);
    EXPECT_EQ(shots[1][QStringLiteral("interestingCount")].toInt(), 2);
}

TEST_F(AnalysisToolTest, PositionsComeInPixelsAndDegreesWhereTheFileNamesItsScreen)
{
    // Given a viewer looking at the right quarter of a 1920 px screen, 531 mm wide, from 650 mm
    std::string text =
        results_text::fileOf({{0, 750000, 500000, 1, 30000, 0}, {100, 750000, 500000, 1, 30000, 0}});
    text.insert(text.find("\n0;"), "\n#Screen: 1920x1080 px, 531x299 mm, viewing distance 650 mm");
    writeFile(dir / "screen.csv", text);

    // When the item is reported as text and as JSON
    const Output plain = run({"--no-series", "--at", "0", at("screen.csv")});
    const Output json = run({"--json", "--no-series", "--at", "0", at("screen.csv")});

    // Then the gaze is 1440 px across, atan(132.75 / 650) = 11.54 degrees right of the centre
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find(" = 1440.0 540.0 px, 11.54 0.00 deg\n"), std::string::npos) << plain.out;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    const QJsonObject item =
        root[QStringLiteral("files")].toArray()[0].toObject()[QStringLiteral("item")].toObject();
    EXPECT_EQ(item[QStringLiteral("x_px")].toDouble(), 1440.0) << json.out;
    EXPECT_EQ(item[QStringLiteral("y_deg")].toDouble(), 0.0);
    EXPECT_NEAR(item[QStringLiteral("x_deg")].toDouble(), 11.54, 0.005);
}

TEST_F(AnalysisToolTest, AFailedLoadPrintsNoStatistics)
{
    // Given only a file that cannot be read
    const Output plain = run({at("missing.csv")});
    const Output json = run({"--json", at("missing.csv")});

    // Then neither report shows the marks of no data as if they were values
    EXPECT_EQ(plain.status, 2);
    EXPECT_EQ(plain.out.find("Pupil statistics"), std::string::npos) << plain.out;
    EXPECT_EQ(plain.out.find("1000000"), std::string::npos) << plain.out;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_TRUE(root[QStringLiteral("pupil")].isNull()) << json.out;
}

TEST_F(AnalysisToolTest, JsonKeepsItsDecimalPointUnderADecimalCommaLocale)
{
    // A Qt application takes the user's locale for the C library, and with it a decimal comma.
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "pl_PL.UTF-8"))
        GTEST_SKIP() << "pl_PL.UTF-8 is not installed (scripts/bootstrap installs it)";
    const Output json = run({"--json", "--no-series", at("P01.csv")});
    std::setlocale(LC_NUMERIC, previous.c_str());
    QJsonParseError error;
    QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << json.out;
}

TEST_F(AnalysisToolTest, TheSeriesGrowsWithTheSamplesNotWithTheFilmsLength)
{
    // Given a viewer whose two samples lie an hour apart, the pupil widening at the second
    writeFile(dir / "long.csv", results_text::fileOf({{0, 500000, 500000, 1, 30000, 0},
                                                      {3600000, 500000, 500000, 1, 50000, 0}}));

    // When the report is printed as text and as JSON
    const Output text = run({at("long.csv")});
    const Output json = run({"--json", at("long.csv")});

    // Then each run of equal steps takes one line, however many steps it holds
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_LT(text.out.size(), 2000u);
    EXPECT_NE(text.out.find("\n  0 3.0000 0.0000 1\n  32 5.0000 0.0000 112500\n"), std::string::npos)
        << text.out;
    EXPECT_LT(json.out.size(), 2000u);
}

TEST_F(AnalysisToolTest, AnOutputThatNamesAnInputIsRefusedAndTheInputKept)
{
    // Given a results file that happens to be named like a picture, and links to inputs
    std::filesystem::copy_file(dir / "P01.csv", dir / "r.svg");
    const std::string kept = testing_support::readFile(dir / "r.svg");
    std::filesystem::create_symlink(dir / "P02.csv", dir / "link.png");

    struct Case
    {
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {{"--plot", at("r.svg"), at("r.svg")}},
        {{"--plot", (dir / "." / "r.svg").string(), at("r.svg")}},
        {{"--plot", at("link.png"), dir.path().string()}}, // a folder's member, through a link
        {{"--log", at("film.avi_shots.csv"), "--shots", at("film.avi_shots.csv"), at("P01.csv")}},
    };
    for (const Case& c : cases) {
        // When the report is asked for, Then it is refused, saying which input would go
        const Output result = run(c.arguments);
        EXPECT_EQ(result.status, 1) << c.arguments.front();
        EXPECT_NE(result.err.find("would replace the input"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(testing_support::readFile(dir / "r.svg"), kept);

    // The command refuses before it opens its log, also for a relative name
    QProcess tool;
    tool.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    tool.start(QStringLiteral(GAZE_BIN_DIR "/gaze-analyse"),
               {QStringLiteral("--log"), QStringLiteral("./P02.csv"), QStringLiteral("--plot"),
                QStringLiteral("r.png"), QStringLiteral("P02.csv")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 1);
    EXPECT_EQ(testing_support::readFile(dir / "P02.csv").find("time_ms;"), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir / "r.png"));
}

TEST_F(AnalysisToolTest, FailsClearlyOnUnreadableInput)
{
    writeFile(dir / "broken.csv", "time_ms;foo;bar;blink_bool;pupil_diameter_100nm\n");
    std::filesystem::create_directory(dir / "empty");
    const Output result = run(
        {"--shots", at("none_shots.csv"), at("P01.csv"), at("missing.csv"), at("broken.csv"), at("empty")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find(at("missing.csv") + ": the file cannot be opened (status 1)"),
              std::string::npos);
    EXPECT_NE(result.err.find(at("broken.csv") + ": two columns of the same kind"), std::string::npos);
    EXPECT_NE(result.err.find("the folder " + at("empty") + " holds no results files"), std::string::npos);
    EXPECT_NE(result.err.find(at("none_shots.csv") + ": the file cannot be opened"), std::string::npos);
    // What could be read is still reported.
    EXPECT_NE(result.out.find("File " + at("P01.csv") + ": status 0"), std::string::npos);
}

TEST_F(AnalysisToolTest, RunsAsACommand)
{
    QProcess tool;
    tool.start(QStringLiteral(GAZE_BIN_DIR "/gaze-analyse"),
               {QString::fromStdString(at("P01.csv")), QString::fromStdString(at("missing.csv"))});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 2);
    EXPECT_TRUE(tool.readAllStandardError().contains("missing.csv: the file cannot be opened"));
    EXPECT_TRUE(tool.readAllStandardOutput().contains("P01.csv: status 0"));

    tool.start(QStringLiteral(GAZE_BIN_DIR "/gaze-analyse"), {QString::fromStdString(at("P01.csv"))});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_TRUE(tool.readAllStandardError().isEmpty());
}

TEST_F(AnalysisToolTest, NamesThatAreNotUtf8AreOpenedAsGiven)
{
    // Given results files whose names are bytes that are not UTF-8
    const std::string name = "P\xff\xfe.csv";
    std::filesystem::copy_file(dir / "P01.csv", dir / name);
    std::filesystem::copy_file(dir / "film.avi_shots.csv", dir / "\xff_shots.csv");

    // When they are named on the command line, alone and as an option's value
    const ParsedArguments parsed = parse({"--shots=" + at("\xff_shots.csv"), at(name)});

    // Then the names reach the files unchanged
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.options.inputs.size(), 1u);
    EXPECT_EQ(parsed.options.inputs[0], dir / name);
    EXPECT_EQ(parsed.options.shotFile, dir / "\xff_shots.csv");
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runAnalysis(parsed.options, out, err), 0) << err.str();
}

TEST_F(AnalysisToolTest, ReportsLoadingProgressWhenAsked)
{
    ParsedArguments parsed = parse({at("P01.csv"), at("P02.csv")});
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runAnalysis(parsed.options, out, err), 0);
    EXPECT_EQ(err.str(), "");

    parsed.options.progress = true;
    EXPECT_EQ(runAnalysis(parsed.options, out, err), 0);
    EXPECT_NE(err.str().find("\rgaze-analyse: loaded 2 of 2 files\n"), std::string::npos) << err.str();
}

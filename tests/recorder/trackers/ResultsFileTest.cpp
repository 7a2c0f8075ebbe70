#include "recorder/trackers/ResultsFile.h"
#include "TestEnvironment.h"
#include "mocks/GazeSamples.h"

#include <clocale>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

using gaze_samples::sample;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

const QStringList headers = {"Examination date: 2016_07_11_18_12_25", "Movie path: /movies/trailer.avi",
                             "Output path: /results/P01_2016_07_11_18_12_25.csv", "Examination id: P01"};

} // namespace

TEST(ResultsFile, WritesTheExactLayout)
{
    const QRect workArea(0, 0, 1920, 1080);
    const std::vector<GazePoint> points = {
        sample(1017, 1, 933.75f, 553.0f, 15.0f, 15.5f),   // tracked
        sample(1034, 0, 10, 10, 3, 3),                    // invalid: every field but time and feedback is -1
        sample(1051, 4, 1919.9f, 1079.9f, 3.5f, 3.5f, 1), // blink: valid, blink_bool 0
        sample(1068, 3, -10.0f, 2000.0f, 0, 0),           // EyeX-like: no pupil, outside the primary screen
        sample(1085, 1, 0, 0, 123.4567f, 123.4567f),      // a pupil value in exponent form
        sample(1102, 2, 5, 5, 1, 1, -3),                  // bits other than 0 and 2 are not valid
    };

    std::ostringstream out;
    ASSERT_TRUE(ResultsFile::write(out, headers, workArea, points));
    EXPECT_EQ(out.str(), "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                         "interesting_point_value\n"
                         "#Examination date: 2016_07_11_18_12_25\n"
                         "#Movie path: /movies/trailer.avi\n"
                         "#Output path: /results/P01_2016_07_11_18_12_25.csv\n"
                         "#Examination id: P01\n"
                         "1017;486328;512037;1;152500;0\n"
                         "1034;-1;-1;-1;-1;0\n"
                         "1051;999947;999907;0;35000;1\n"
                         "1068;-5208;1851851;1;0;0\n"
                         "1085;0;0;1;1.23457e+06;0\n"
                         "1102;-1;-1;-1;-1;-3\n");
}

TEST(ResultsFile, PupilValuesIgnoreTheUserLocale)
{
    // A Qt application takes the user's locale for the C library too; Polish writes "1,23457e+06".
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    const char* commaLocale = nullptr;
    for (const char* name : {"pl_PL.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name)) {
            commaLocale = name;
            break;
        }
    }
    if (!commaLocale)
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    const auto line = ResultsFile::dataLine(sample(7, 1, 0, 0, 123.4567f, 123.4567f), QRect(0, 0, 10, 10));
    std::setlocale(LC_NUMERIC, previous.c_str());
    EXPECT_EQ(line, "7;0;0;1;1.23457e+06;0") << commaLocale;
}

TEST(ResultsFile, PositionsAreNotShiftedByTheAreaOrigin)
{
    const auto line = ResultsFile::dataLine(sample(5, 1, 960, 540, 0, 0), QRect(100, 50, 1920, 1080));
    EXPECT_EQ(line, "5;500000;500000;1;0;0");
}

TEST(ResultsFile, SavedFileHasNoByteOrderMarkAndCreatesFolders)
{
    TempDir dir;
    const auto file = dir / "nested" / "deeper" / "P01.csv";
    ASSERT_TRUE(ResultsFile::save(file, {QStringLiteral("Examination id: Zoë")}, QRect(0, 0, 100, 100),
                                  {sample(1, 1, 50, 50, 1, 1)}));
    const auto text = readFile(file);
    EXPECT_EQ(text.rfind("time_ms;", 0), 0u);
    EXPECT_NE(text.find("#Examination id: Zo\xc3\xab\n"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(ResultsFile, FailedSaveLeavesNothingBehind)
{
    TempDir dir;
    // An empty area cannot normalise positions: refused rather than writing garbage.
    EXPECT_FALSE(ResultsFile::save(dir / "a.csv", headers, QRect(), {sample(1, 1, 1, 1, 1, 1)}));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.csv"));
}

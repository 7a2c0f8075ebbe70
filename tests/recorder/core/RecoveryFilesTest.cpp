#include "recorder/core/RecoveryFiles.h"
#include "TestEnvironment.h"
#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"
#include "recorder/core/ResultsHeader.h"

#include <gtest/gtest.h>

namespace {

class RecoveryFilesTest : public ::testing::Test
{
protected:
    RecoveryFilesTest()
    {
        tracker.setWallClock([] { return 1'000'000; });
        tracker.startExamination();
        tracker.setSynchronizationTime(0);
        tracker.deliver(GazePoint{0, 0, 1, {}, {100, 200}});
    }

    QString folder(const char* name) const { return QString::fromStdString((dir / name).string()); }

    RecoveryFiles::HeaderLines header = [](const QString& date, const QString& path) {
        return QStringList{"Examination date: " + date, "Output path: " + path};
    };
    testing_support::TempDir dir;
    FakePrompt prompt;
    FakeTrackerController tracker{prompt};
};

} // namespace

TEST_F(RecoveryFilesTest, TheSamplesGoToTheFirstFolderThatTakesThem)
{
    // Given a results folder that cannot be made and two fallbacks, the first of them taken by a file
    testing_support::writeFile(dir / "taken", "");
    std::filesystem::create_directory(dir / "settings");
    RecoveryFiles files(nullptr, [&] { return QStringList{folder("taken"), folder("settings")}; });

    // When the samples are recovered
    testing::internal::CaptureStderr();
    const QString path =
        files.write(tracker, folder("taken") + "/results", "P01", header, QRect(0, 0, 1000, 1000));
    const std::string told = testing::internal::GetCapturedStderr();

    // Then they land in the settings folder under the recovery name, and stderr says where
    EXPECT_TRUE(path.startsWith(folder("settings") + "/P01_")) << path.toStdString();
    EXPECT_TRUE(path.endsWith("_recovery.csv")) << path.toStdString();
    const std::string text = testing_support::readFile(path.toStdString());
    EXPECT_NE(text.find("#Output path: " + path.toStdString()), std::string::npos) << text;
    EXPECT_NE(text.find("0;100000;200000;"), std::string::npos) << text;
    EXPECT_NE(told.find("the samples were saved to " + path.toStdString()), std::string::npos) << told;
    EXPECT_FALSE(files.failed());
    EXPECT_FALSE(files.terminating());
}

TEST_F(RecoveryFilesTest, NoFolderThatTakesThemIsToldAndMarked)
{
    testing_support::writeFile(dir / "taken", "");
    bool ending = true;
    RecoveryFiles files([&] { return ending; }, [] { return QStringList(); });
    EXPECT_TRUE(files.terminating());

    testing::internal::CaptureStderr();
    EXPECT_EQ(files.write(tracker, folder("taken") + "/results", "P01", header, QRect(0, 0, 1000, 1000)), "");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("could not be saved anywhere"), std::string::npos);
    EXPECT_TRUE(files.failed());
}

TEST(ResultsHeader, NamesAndHeaderLines)
{
    EXPECT_EQ(ResultsHeader::folderFor("/films/my film.v2.avi"), "/films/my film.v2_data");
    EXPECT_EQ(ResultsHeader::path("/r", "P 01", "2026_01_02_03_04_05", "_recovery"),
              "/r/P 01_2026_01_02_03_04_05_recovery.csv");
    EXPECT_EQ(ResultsHeader::screenLine(std::nullopt, 650), "");

    ExaminationInputs inputs;
    inputs.moviePath = "/films/a.avi";
    inputs.examinationId = "P01";
    const QString screen = ResultsHeader::screenLine(TrackerScreen{1920, 1080, 531, 299}, 650);
    EXPECT_EQ(screen, "Screen: 1920x1080 px, 531x299 mm, viewing distance 650 mm");
    EXPECT_EQ(ResultsHeader::lines(inputs, "D", "/r/P01_D.csv", screen),
              (QStringList{"Examination date: D", "Movie path: /films/a.avi", screen,
                           "Output path: /r/P01_D.csv", "Examination id: P01"}));
    EXPECT_EQ(ResultsHeader::lines(inputs, "D", "/r/P01_D.csv", {}).size(), 4);
}

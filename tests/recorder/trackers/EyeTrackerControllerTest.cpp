#include "TestEnvironment.h"
#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"
#include "mocks/GazeSamples.h"
#include "recorder/trackers/ResultsFile.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using gaze_samples::tracked;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

class ControllerTest : public ::testing::Test
{
protected:
    ControllerTest() : controller(prompt)
    {
        controller.setWallClock([this] { return now; });
        controller.setPlayerStopper([this] { ++playerStops; });
    }

    // Starts an examination and synchronises it at the given movie time.
    void startAt(qint64 movieTime)
    {
        controller.startExamination();
        ASSERT_TRUE(controller.setSynchronizationTime(movieTime));
    }

    std::vector<int> times()
    {
        std::vector<int> out;
        for (const auto& p : controller.gazePoints())
            out.push_back(p.time);
        return out;
    }

    FakePrompt prompt;
    FakeTrackerController controller;
    qint64 now = 1'700'000'000'000;
    int playerStops = 0;
};

} // namespace

TEST_F(ControllerTest, SamplesAreStampedWithMovieTimeAndKeptStrictlyIncreasing)
{
    controller.startExamination();
    EXPECT_FALSE(controller.deliver(tracked())) << "no synchronisation yet";
    ASSERT_TRUE(controller.setSynchronizationTime(1000));

    now += 16;
    EXPECT_TRUE(controller.deliver(tracked()));
    EXPECT_FALSE(controller.deliver(tracked())) << "equal time is dropped";
    now += 17;
    EXPECT_TRUE(controller.deliver(tracked()));
    // The player reports a time slightly behind our extrapolation: samples in the past are dropped.
    ASSERT_TRUE(controller.setSynchronizationTime(1020));
    EXPECT_FALSE(controller.deliver(tracked()));
    now += 20;
    EXPECT_TRUE(controller.deliver(tracked()));
    EXPECT_EQ(times(), (std::vector<int>{1016, 1033, 1040}));

    GazePoint preset = tracked();
    preset.time = 5000;
    EXPECT_TRUE(controller.deliver(preset, false)) << "unstamped samples keep their own time";
    EXPECT_EQ(times().back(), 5000);
}

TEST_F(ControllerTest, TimeBaseWorksOnTheLow32BitWords)
{
    // The wall clock's low word wraps between the synchronisation and the sample.
    now = (qint64(7) << 32) + 0xFFFFFFF0LL;
    startAt(2000);
    now += 0x20;
    ASSERT_TRUE(controller.deliver(tracked()));
    EXPECT_EQ(times(), (std::vector<int>{2032}));
}

TEST_F(ControllerTest, PausedRecordingDropsSamplesAndPoints)
{
    startAt(0);
    now += 10;
    ASSERT_TRUE(controller.deliver(tracked()));
    controller.setExaminationPaused(true);
    now += 10;
    EXPECT_FALSE(controller.deliver(tracked()));
    controller.addInterestingPoint(20, 1);
    controller.setExaminationPaused(false);
    now += 10;
    EXPECT_TRUE(controller.deliver(tracked()));
    EXPECT_EQ(times(), (std::vector<int>{10, 30}));
    EXPECT_TRUE(controller.interestingPoints().empty());
}

TEST_F(ControllerTest, InterestingPointsMarkOnlyANearLastSample)
{
    startAt(1000);
    controller.addInterestingPoint(1000, 1);
    EXPECT_TRUE(controller.interestingPoints().empty()) << "no sample yet";

    now += 100;
    ASSERT_TRUE(controller.deliver(tracked())); // at 1100
    controller.addInterestingPoint(1351, 1);
    EXPECT_TRUE(controller.interestingPoints().empty()) << "251 ms away";
    controller.addInterestingPoint(1350, 1);
    ASSERT_EQ(controller.interestingPoints().size(), 1u);
    controller.addInterestingPoint(850, 7);
    ASSERT_EQ(controller.interestingPoints().size(), 1u);
    EXPECT_EQ(controller.interestingPoints()[0].interestingPointValue, 7)
        << "a second point overwrites the first";
}

TEST_F(ControllerTest, SynchronisationBeyondTenSecondsOfDataIsAnError)
{
    controller.startExamination();
    EXPECT_TRUE(controller.setSynchronizationTime(10000));
    EXPECT_FALSE(controller.setSynchronizationTime(10001)) << "right after start the reference is 0";

    startAt(0);
    GazePoint late = tracked();
    late.time = 50000;
    ASSERT_TRUE(controller.deliver(late, false));
    EXPECT_TRUE(controller.setSynchronizationTime(60000));
    EXPECT_FALSE(controller.setSynchronizationTime(60001));
}

TEST_F(ControllerTest, WatchdogFiresOnceAfterSilenceAndNeverWhilePaused)
{
    controller.setNoDataIntervalMs(40);
    QSignalSpy errors(&controller, &EyeTrackerController::examinationError);

    controller.startExamination();
    controller.setExaminationPaused(true);
    // A click on the paused player still reports its (unchanged) time.
    controller.setSynchronizationTime(0);
    QTest::qWait(120);
    EXPECT_EQ(errors.count(), 0);

    controller.setExaminationPaused(false);
    QTest::qWait(25);
    controller.setSynchronizationTime(0); // restarts the full interval
    QTest::qWait(25);
    EXPECT_EQ(errors.count(), 0);
    ASSERT_TRUE(errors.wait(1000));
    QTest::qWait(120);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.at(0).at(0).toBool(), false);
    EXPECT_EQ(errors.at(0).at(1).toBool(), true);

    controller.endExamination(false, {}, {}, {}, false, 1);
    QTest::qWait(80);
    EXPECT_EQ(errors.count(), 1) << "no watchdog after the end";
}

TEST_F(ControllerTest, EndExaminationSavesAndForceSaveWritesTheRetainedSamplesAgain)
{
    TempDir dir;
    const QRect area(0, 0, 1000, 1000);
    startAt(0);
    for (int i = 0; i < 3; ++i) {
        now += 20;
        ASSERT_TRUE(controller.deliver(tracked(500, 250)));
    }

    const QString first = QString::fromStdString((dir / "first.csv").string());
    ASSERT_TRUE(controller.endExamination(true, first, {"Examination id: A"}, area, false, 0));
    EXPECT_EQ(playerStops, 1);
    EXPECT_FALSE(controller.isExaminationInProgress());
    EXPECT_EQ(controller.lastResultPath(), first);
    ASSERT_EQ(prompt.questions.size(), 1);
    EXPECT_TRUE(
        prompt.questions[0].startsWith("Examination statistics|Examination was finished in conventional"));

    // Without force nothing happens once the examination is over.
    const QString second = QString::fromStdString((dir / "second.csv").string());
    EXPECT_FALSE(controller.endExamination(true, second, {}, area, false, 0));
    EXPECT_FALSE(std::filesystem::exists(dir / "second.csv"));

    ASSERT_TRUE(controller.endExamination(true, second, {"Examination id: A"}, area, true, -1));
    EXPECT_EQ(readFile(dir / "second.csv"), readFile(dir / "first.csv"));
    EXPECT_EQ(controller.lastResultPath(), second);
    EXPECT_EQ(readFile(dir / "second.csv"),
              std::string("time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                          "interesting_point_value\n#Examination id: A\n"
                          "20;500000;250000;1;0;0\n40;500000;250000;1;0;0\n60;500000;250000;1;0;0\n"));
}

TEST_F(ControllerTest, ErrorFlagMinusOneKeepsTheEarlierErrorState)
{
    TempDir dir;
    startAt(0);
    now += 20;
    ASSERT_TRUE(controller.deliver(tracked()));
    prompt.answer = false;
    EXPECT_FALSE(controller.endExamination(true, "unused", {}, QRect(0, 0, 10, 10), false, 1));
    EXPECT_TRUE(prompt.questions.last().contains("wasn't finished"));

    prompt.answer = true;
    const QString path = QString::fromStdString((dir / "again.csv").string());
    EXPECT_TRUE(controller.endExamination(true, path, {}, QRect(0, 0, 10, 10), true, -1));
    EXPECT_TRUE(prompt.questions.last().contains("wasn't finished")) << "-1 keeps the error state";

    EXPECT_TRUE(controller.endExamination(true, path, {}, QRect(0, 0, 10, 10), true, 0));
    EXPECT_TRUE(prompt.questions.last().startsWith("Examination statistics|Examination was finished"));
}

TEST_F(ControllerTest, DroppedOrEmptyResultsWriteNothing)
{
    TempDir dir;
    const QString path = QString::fromStdString((dir / "r.csv").string());
    controller.startExamination();
    EXPECT_FALSE(controller.endExamination(true, path, {}, QRect(0, 0, 10, 10), false, 0));
    ASSERT_EQ(prompt.warnings.size(), 1);
    EXPECT_EQ(prompt.warnings[0],
              "Error|No data from EyeTribe (gaze points list is empty)! \nRestart EyeTribe "
              "server and repeat examination.");
    EXPECT_FALSE(std::filesystem::exists(dir / "r.csv"));
    EXPECT_TRUE(controller.lastResultPath().isEmpty());
}

TEST_F(ControllerTest, AFailedSaveReportsFailureAndKeepsNoPath)
{
    TempDir dir;
    testing_support::writeFile(dir / "file", "x");
    startAt(0);
    now += 20;
    ASSERT_TRUE(controller.deliver(tracked()));
    // The results folder is an existing file: nothing can be written there.
    const QString path = QString::fromStdString((dir / "file" / "r.csv").string());
    EXPECT_FALSE(controller.endExamination(true, path, {}, QRect(0, 0, 10, 10), false, 0));
    EXPECT_TRUE(controller.lastResultPath().isEmpty());
}

TEST_F(ControllerTest, TrackerThreadsRunOnWhileTheStatisticsQuestionIsOpen)
{
    TempDir dir;
    startAt(0);
    now += 20;
    ASSERT_TRUE(controller.deliver(tracked()));

    // While the operator reads the question, a tracker thread delivers a sample, as
    // the tracker client does on every frame.
    struct AskingPrompt : FakePrompt
    {
        bool question(const QString& title, const QString& text) override
        {
            auto done = std::make_shared<std::promise<bool>>();
            std::thread([this, done] { done->set_value(controller->deliver(tracked())); }).detach();
            deliveredDuringQuestion =
                done->get_future().wait_for(std::chrono::seconds(5)) == std::future_status::ready;
            return FakePrompt::question(title, text);
        }
        FakeTrackerController* controller = nullptr;
        bool deliveredDuringQuestion = false;
    } asking;
    FakeTrackerController other(asking);
    asking.controller = &other;
    other.setWallClock([this] { return now; });
    other.startExamination();
    ASSERT_TRUE(other.setSynchronizationTime(0));
    now += 20;
    ASSERT_TRUE(other.deliver(tracked()));

    const QString path = QString::fromStdString((dir / "r.csv").string());
    EXPECT_TRUE(other.endExamination(true, path, {}, QRect(0, 0, 10, 10), false, 0));
    EXPECT_TRUE(asking.deliveredDuringQuestion) << "the tracker thread waited for the operator";
    EXPECT_EQ(other.gazePoints().size(), 1u) << "a sample after the end is dropped, not added";
}

TEST_F(ControllerTest, AFailedWriteTellsTheOperatorAndKeepsTheSamplesForAnotherTry)
{
    TempDir dir;
    startAt(0);
    for (int i = 0; i < 3; ++i) {
        now += 20;
        ASSERT_TRUE(controller.deliver(tracked()));
    }
    // A full disk, as the writer finds it.
    controller.setResultsWriter(
        [](const QString&, const QStringList&, const QRect&, const std::vector<GazePoint>&) {
            return std::string("the disk is full");
        });
    const QString full = QString::fromStdString((dir / "full.csv").string());
    EXPECT_FALSE(controller.endExamination(true, full, {}, QRect(0, 0, 10, 10), false, 0));
    ASSERT_FALSE(prompt.warnings.isEmpty());
    EXPECT_TRUE(prompt.warnings.last().startsWith("Error|Failed to save the results to:\n" + full));
    EXPECT_TRUE(prompt.warnings.last().contains("the disk is full"));
    EXPECT_TRUE(controller.lastResultPath().isEmpty());

    controller.setResultsWriter([](const QString& path, const QStringList& headers, const QRect& area,
                                   const std::vector<GazePoint>& points) {
        std::string failure;
        ResultsFile::save(path.toStdString(), headers, area, points, &failure);
        return failure;
    });
    const QString elsewhere = QString::fromStdString((dir / "elsewhere.csv").string());
    EXPECT_TRUE(controller.endExamination(true, elsewhere, {}, QRect(0, 0, 10, 10), true, -1));
    const std::string written = readFile(dir / "elsewhere.csv");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 4) << "the header and the three samples";
}

TEST_F(ControllerTest, SamplesAfterThePlayersLastReportCanBeDropped)
{
    startAt(0);
    for (int i = 0; i < 5; ++i) {
        now += 20;
        ASSERT_TRUE(controller.deliver(tracked()));
    }
    ASSERT_TRUE(controller.setSynchronizationTime(50));
    EXPECT_EQ(controller.lastSynchronisedMovieTime(), 50);
    EXPECT_EQ(controller.dropSamplesAfter(50), 3u);
    EXPECT_EQ(times(), (std::vector<int>{20, 40}));
}

#include "recorder/core/ExaminationWorkflow.h"
#include "TestEnvironment.h"
#include "common/LinkCodes.h"
#include "mocks/FakePlayer.h"
#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

constexpr quint32 wmUser = 0x0400;

class ExaminationWorkflowTest : public ::testing::Test
{
protected:
    ExaminationWorkflowTest()
    {
        tracker->setWallClock([this] { return now; });
        ExaminationWorkflow::Services services;
        services.startDetached = [this](const QString& program, const QStringList& arguments, qint64* pid) {
            started << (QStringList{program} + arguments);
            *pid = player.processId();
            return startSucceeds;
        };
        services.playerPath = QStringLiteral("/opt/gaze view/Gazeview");
        services.recorderCaption = QStringLiteral("Orvalis Reelscan Gazelog");
        services.workArea = [] { return QRect(0, 0, 1000, 1000); };
        services.terminating = [this] { return terminating; };
        services.recoveryFolders = [] { return QStringList(); };
        workflow = std::make_unique<ExaminationWorkflow>(prompt, std::move(services));
        workflow->setController(tracker.get());

        movie = dir / "my movie.avi";
        testing_support::writeFile(movie, "");
        inputs.moviePath = QString::fromStdString(movie.string());
        inputs.outputFolder = QString::fromStdString(dir.path().string());
        inputs.examinationId = QStringLiteral("P01");
    }

    bool post(quint64 code, qint64 time)
    {
        platform::WindowMessage report{wmUser, code, time};
        report.senderPid = player.processId();
        return workflow->handlePlayerMessage(report);
    }

    FakePlayer player;
    testing_support::TempDir dir;
    std::filesystem::path movie;
    FakePrompt prompt;
    std::unique_ptr<FakeTrackerController> tracker = std::make_unique<FakeTrackerController>(prompt, nullptr);
    QList<QStringList> started;
    bool startSucceeds = true;
    bool terminating = false;
    qint64 now = 1'000'000;
    ExaminationInputs inputs;
    std::unique_ptr<ExaminationWorkflow> workflow;
};

} // namespace

TEST_F(ExaminationWorkflowTest, TheEndCarriesTheResultsAndKeypointsAndTheResultsOpenInThePlayer)
{
    struct Ended
    {
        bool saved;
        bool failed;
        QString results;
        std::vector<GazePoint> keypoints;
    };
    std::vector<Ended> ended;
    QObject::connect(
        workflow.get(), &ExaminationWorkflow::examinationEnded,
        [&](bool saved, bool failed, const QString& results, const std::vector<GazePoint>& points) {
            ended.push_back({saved, failed, results, points});
        });
    ASSERT_TRUE(workflow->startExamination(inputs));
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0], (QStringList{"/opt/gaze view/Gazeview", "-m", inputs.moviePath, "-p", "0", "-s",
                                       "Orvalis Reelscan Gazelog", "-u", "-1"}));
    EXPECT_EQ(workflow->state(), ExaminationWorkflow::State::Running);

    EXPECT_TRUE(post(LinkCode::synchronisation, 0));
    now += 40;
    ASSERT_TRUE(tracker->deliver(GazePoint{0, 0, 1, {}, {100, 200}}));
    EXPECT_TRUE(post(LinkCode::interestingPoint, 50));
    EXPECT_TRUE(post(LinkCode::finished, 200));

    ASSERT_EQ(ended.size(), 1u);
    EXPECT_TRUE(ended[0].saved);
    EXPECT_FALSE(ended[0].failed);
    const QString results = ended[0].results;
    EXPECT_TRUE(results.startsWith(inputs.outputFolder + "/P01_")) << results.toStdString();
    EXPECT_TRUE(std::filesystem::exists(results.toStdString()));
    ASSERT_EQ(ended[0].keypoints.size(), 1u);
    EXPECT_EQ(ended[0].keypoints[0].time, 40);

    inputs.partOfMovie = true;
    inputs.partStartText = "10";
    inputs.partEndText = "150";
    workflow->showResults(inputs);
    ASSERT_EQ(started.size(), 2);
    EXPECT_EQ(started[1], (QStringList{"/opt/gaze view/Gazeview", "-m", inputs.moviePath, "-f", results, "-b",
                                       "10", "-e", "150"}));

    QSignalSpy saved(workflow.get(), &ExaminationWorkflow::resultsSaved);
    inputs.examinationId = "P01 again";
    ASSERT_TRUE(workflow->saveExamination(inputs));
    ASSERT_EQ(saved.count(), 1);
    EXPECT_TRUE(saved[0][1].toString().startsWith(inputs.outputFolder + "/P01 again_"));
    EXPECT_TRUE(prompt.warnings.isEmpty()) << prompt.warnings.join('\n').toStdString();
}

TEST_F(ExaminationWorkflowTest, ValidationRefusesBadInputsBeforeAnythingStarts)
{
    const char* const badIds[] = {"", "a/b", "a\\b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"};
    for (const char* id : badIds) {
        inputs.examinationId = id;
        EXPECT_FALSE(workflow->startExamination(inputs)) << id;
        EXPECT_TRUE(prompt.warnings.last().startsWith("Error|Test id can't be blank")) << id;
    }
    inputs.examinationId = "Anna Smith 2";
    tracker->ready = false;
    EXPECT_FALSE(workflow->startExamination(inputs));
    EXPECT_EQ(prompt.warnings.last(), "Error|EyeTribe is not ready - check state in \"Calibration\" tab");
    EXPECT_TRUE(started.isEmpty());

    // A missing results folder is created, nested, when the operator agrees.
    tracker->ready = true;
    const auto nested = dir / "a" / "b";
    inputs.outputFolder = QString::fromStdString(nested.string());
    prompt.answer = false;
    EXPECT_FALSE(workflow->startExamination(inputs));
    EXPECT_FALSE(std::filesystem::exists(nested));
    prompt.answer = true;
    EXPECT_TRUE(workflow->startExamination(inputs));
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    EXPECT_EQ(started.size(), 1);
}

TEST_F(ExaminationWorkflowTest, APlayerThatDoesNotStartLeavesItIdleAndSaysSo)
{
    startSucceeds = false;
    EXPECT_FALSE(workflow->startExamination(inputs));
    EXPECT_FALSE(tracker->isExaminationInProgress());
    EXPECT_EQ(workflow->state(), ExaminationWorkflow::State::Idle);
    EXPECT_TRUE(prompt.warnings.last().startsWith("Error|Failed to run player."));

    prompt.warnings.clear();
    workflow->runPlayer();
    ASSERT_EQ(prompt.warnings.size(), 1);
    EXPECT_TRUE(prompt.warnings.last().endsWith("and whether all parameters are valid."));
    EXPECT_EQ(started.last(), QStringList{"/opt/gaze view/Gazeview"});
}

TEST_F(ExaminationWorkflowTest, InterruptingOrClosingAsksFirstAndNeverDropsSamples)
{
    EXPECT_TRUE(workflow->mayInterruptExamination("Changing the tracker")) << "idle: nothing to ask";
    EXPECT_TRUE(workflow->mayClose(inputs));
    EXPECT_TRUE(prompt.questions.isEmpty());

    ASSERT_TRUE(workflow->startExamination(inputs));
    EXPECT_TRUE(post(LinkCode::synchronisation, 0));
    now += 40;
    ASSERT_TRUE(tracker->deliver(GazePoint{0, 0, 1, {}, {100, 200}}));

    prompt.answer = false;
    EXPECT_FALSE(workflow->mayInterruptExamination("Changing the tracker"));
    EXPECT_TRUE(prompt.questions.last().contains("Changing the tracker ends the running examination."));
    EXPECT_FALSE(workflow->mayClose(inputs));
    EXPECT_TRUE(prompt.questions.last().contains("Close the program?"));
    EXPECT_TRUE(workflow->isExaminationRunning());

    prompt.answer = true;
    EXPECT_TRUE(workflow->mayClose(inputs));
    EXPECT_FALSE(workflow->isExaminationRunning());
    const QString recovery = workflow->recoveryPath();
    EXPECT_TRUE(recovery.startsWith(inputs.outputFolder + "/P01_")) << recovery.toStdString();
    EXPECT_TRUE(recovery.endsWith("_recovery.csv")) << recovery.toStdString();
    EXPECT_NE(testing_support::readFile(recovery.toStdString()).find("40;100000;200000;"), std::string::npos);

    // Ended by a signal: nobody is left to answer, so nobody is asked.
    ASSERT_TRUE(workflow->startExamination(inputs));
    const auto asked = prompt.questions.size();
    prompt.answer = false;
    terminating = true;
    EXPECT_TRUE(workflow->mayClose(inputs));
    EXPECT_EQ(prompt.questions.size(), asked);
    EXPECT_FALSE(workflow->isExaminationRunning());
}

TEST_F(ExaminationWorkflowTest, AMissingCameraOrResultsFileIsToldAndNothingStarts)
{
    EXPECT_EQ(workflow->useCamera(false, "secret"), ExaminationWorkflow::CameraUse::off);
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_EQ(workflow->useCamera(true, "secret"), ExaminationWorkflow::CameraUse::unavailable);
    EXPECT_TRUE(prompt.warnings.last().startsWith("Error|GoPro camera is not avaible!"));
    EXPECT_FALSE(workflow->checkCamera());

    workflow->showResults(inputs);
    EXPECT_EQ(prompt.warnings.last(), "Error|No last examination or last examination was not saved.");
    EXPECT_TRUE(started.isEmpty());
}

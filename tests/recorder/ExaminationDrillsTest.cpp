// Faults met during an examination, as an operator meets them: what they are
// told, that no sample recorded before the fault is lost, and that no
// half-written file is left behind.

#include "TestEnvironment.h"
#include "common/LinkCodes.h"
#include "mocks/FakePlayer.h"
#include "mocks/FakePrompt.h"
#include "mocks/FakeTrackerController.h"
#include "mocks/GazeSamples.h"
#include "recorder/Gazelog.h"
#include "recorder/gopro/GoproController.h"
#include "recorder/trackers/ResultsFile.h"
#include "sim/gopro/GoproCameraStandIn.h"
#include "ui_Gazelog.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

using gaze_samples::tracked;
using testing_support::TempDir;

namespace {

// The files in a folder, temporary ones included.
QStringList filesIn(const std::filesystem::path& folder)
{
    QStringList names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names << QString::fromStdString(entry.path().filename().string());
    names.sort();
    return names;
}

class ExaminationDrills : public ::testing::Test
{
protected:
    // Opens the window; with a camera port, the camera box is ticked and the camera used.
    void open(quint16 cameraPort = 0)
    {
        GazelogServices services;
        services.prompt = &prompt;
        services.makeController = [this](int, OperatorPrompt& p, QObject* parent) {
            tracker = new FakeTrackerController(p, parent);
            tracker->setWallClock([this] { return now; });
            return tracker;
        };
        services.startDetached = [this](const QString&, const QStringList& arguments, qint64* pid) {
            starts << arguments;
            *pid = player.processId();
            return true;
        };
        services.playerPath = QStringLiteral("/bin/true");
        services.workArea = [] { return QRect(0, 0, 1000, 1000); };
        services.terminating = terminating;
        if (cameraPort != 0) {
            services.makeGopro = [cameraPort](QObject* parent) {
                GoproTimings fast;
                fast.pauseAfterReplyMs = 0;
                fast.requestTimeoutMs = 1500;
                return new GoproController(GoproEndpoint{QStringLiteral("127.0.0.1:%1").arg(cameraPort), 1},
                                           fast, parent);
            };
        }
        window = std::make_unique<Gazelog>(QString(), std::move(services));
        Ui::Gazelog* ui = window->form();
        movie = dir / "movie.avi";
        testing_support::writeFile(movie, "");
        results = dir / "results";
        std::filesystem::create_directories(results);
        ui->lineEditMoviePath->setText(QString::fromStdString(movie.string()));
        ui->lineEditOutputDirectory->setText(QString::fromStdString(results.string()));
        ui->lineEditExaminationId->setText("P01");
        if (cameraPort != 0)
            ui->checkBoxUseGoProCamera->setChecked(true);
    }

    bool report(quint64 code, qint64 time, qint64 sender = 0)
    {
        return window->handlePlayerMessage(Gazelog::wmUser, code, time, sender ? sender : player.processId());
    }

    // Starts and records samples at movie times 20, 40, ... up to `count` of them.
    void record(int count)
    {
        window->startExamination();
        ASSERT_EQ(window->workflow()->state(), ExaminationWorkflow::State::Running);
        ASSERT_TRUE(report(LinkCode::synchronisation, 0));
        for (int i = 0; i < count; ++i) {
            now += 20;
            ASSERT_TRUE(tracker->deliver(tracked(100.0f + i)));
        }
    }

    std::vector<int> keptTimes()
    {
        std::vector<int> times;
        for (const GazePoint& point : tracker->gazePoints())
            times.push_back(point.time);
        return times;
    }

    FakePlayer player;
    TempDir dir;
    std::filesystem::path movie;
    std::filesystem::path results;
    FakePrompt prompt;
    FakeTrackerController* tracker = nullptr;
    QList<QStringList> starts;
    std::function<bool()> terminating = [] { return false; };
    qint64 now = 1'000'000;
    std::unique_ptr<Gazelog> window;
};

} // namespace

TEST_F(ExaminationDrills, PlayerKilledMidExaminationIsReportedAtOnceAndItsUnseenGazeDropped)
{
    open();
    record(5); // samples at 20 .. 100
    ASSERT_TRUE(report(LinkCode::synchronisation, 64));
    now += 40;
    ASSERT_TRUE(tracker->deliver(tracked(0))); // at 104: gaze on a frame the player never reported

    // When the player dies without a word,
    player.kill();

    // then within a second the operator is told that the player ended,
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->workflow()->isExaminationRunning(); }, 1000));
    ASSERT_FALSE(prompt.warnings.isEmpty());
    EXPECT_TRUE(prompt.warnings.last().startsWith("Error|The player ended during the examination (its last "
                                                  "report was at 64 ms)"))
        << prompt.warnings.last().toStdString();
    EXPECT_FALSE(prompt.warnings.last().contains("No data from EyeTribe"));
    // the samples up to its last report are kept and those after it dropped, nothing is written yet,
    EXPECT_EQ(keptTimes(), (std::vector<int>{20, 40, 60}));
    EXPECT_TRUE(filesIn(results).isEmpty());
    // and "Save results" writes what was kept.
    EXPECT_TRUE(window->form()->buttonExaminationSave->isEnabled());
    window->form()->buttonExaminationSave->click();
    ASSERT_EQ(filesIn(results).size(), 1);
    const std::string saved = testing_support::readFile(results / filesIn(results)[0].toStdString());
    EXPECT_NE(saved.find("\n20;100000;100000;1;0;0\n40;101000;100000;1;0;0\n60;102000;100000;1;0;0\n"),
              std::string::npos)
        << saved;
}

TEST_F(ExaminationDrills, OnlyTheExaminationsPlayerIsHeardAndEnded)
{
    open();
    FakePlayer visualisation; // left open by the operator before the examination
    record(2);

    // Another player's times do not reach the examination.
    EXPECT_FALSE(report(LinkCode::synchronisation, 90000, visualisation.processId()));
    EXPECT_FALSE(report(LinkCode::finished, 50, visualisation.processId()));
    EXPECT_TRUE(window->workflow()->isExaminationRunning());

    ASSERT_TRUE(report(LinkCode::finished, 50));
    EXPECT_FALSE(window->workflow()->isExaminationRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.isRunning(); }, 3000))
        << "the examination's player ends";
    QTest::qWait(100);
    EXPECT_TRUE(visualisation.isRunning()) << "the visualisation player survives the examination";
}

TEST_F(ExaminationDrills, ResultsFolderFullOrReadOnlyAtSaveTellsTheOperatorAndKeepsEverything)
{
    open();
    const char* const failures[] = {"the disk is full",
                                    "the folder cannot be written: Read-only file system"};
    for (const char* failure : failures) {
        record(3);
        const std::vector<int> recorded = keptTimes();
        tracker->setResultsWriter([failure](const QString&, const QStringList&, const QRect&,
                                            const std::vector<GazePoint>&) { return std::string(failure); });
        ASSERT_TRUE(report(LinkCode::finished, 60));

        // The operator answered Yes and is told where and why the file could not be written,
        ASSERT_FALSE(prompt.warnings.isEmpty());
        EXPECT_TRUE(prompt.warnings.last().startsWith("Error|Failed to save the results to:\n" +
                                                      QString::fromStdString(results.string())));
        EXPECT_TRUE(prompt.warnings.last().contains(failure));
        // nothing half-written is left, every sample is kept, and "Save results" is offered.
        EXPECT_TRUE(filesIn(results).isEmpty());
        EXPECT_EQ(keptTimes(), recorded);
        EXPECT_TRUE(window->form()->buttonExaminationSave->isEnabled());
        EXPECT_FALSE(window->form()->buttonRunVisualization->isEnabled());
    }

    // Another folder: the samples are saved there.
    tracker->setResultsWriter([](const QString& path, const QStringList& headers, const QRect& area,
                                 const std::vector<GazePoint>& points) {
        std::string failure;
        ResultsFile::save(path.toStdString(), headers, area, points, &failure);
        return failure;
    });
    const auto other = dir / "other";
    window->form()->lineEditOutputDirectory->setText(QString::fromStdString(other.string()));
    window->form()->buttonExaminationSave->click();
    ASSERT_EQ(filesIn(other).size(), 1);
    EXPECT_TRUE(window->form()->buttonRunVisualization->isEnabled());
}

TEST_F(ExaminationDrills, TheCameraSilentIsGivenUpAtItsFirstUnansweredRequest)
{
    GoproCameraStandIn camera;
    camera.setBehaviour(GoproCameraStandIn::Behaviour::NeverAnswer);
    open(camera.listen());

    EXPECT_FALSE(window->form()->checkBoxUseGoProCamera->isChecked());
    EXPECT_FALSE(window->form()->buttonGoProPreview->isEnabled());
    ASSERT_FALSE(prompt.warnings.isEmpty());
    EXPECT_TRUE(prompt.warnings.last().startsWith("Error|The GoPro camera does not answer"));
    EXPECT_EQ(camera.commands().size(), 1) << "no further request waits for a silent camera";

    // Start then goes ahead without the camera.
    record(1);
    EXPECT_EQ(camera.commands().size(), 1);
}

TEST_F(ExaminationDrills, ADoubleStartWithASlowCameraGivesOneExamination)
{
    GoproCameraStandIn camera;
    open(camera.listen());
    ASSERT_TRUE(window->form()->checkBoxUseGoProCamera->isChecked());
    camera.setAnswerDelayMs(300);

    // A second start arrives while the camera is still answering the first.
    bool startEnabledDuringWait = true;
    QTimer::singleShot(100, [&] {
        startEnabledDuringWait = window->form()->buttonExaminationStart->isEnabled();
        window->startExamination();
    });
    window->startExamination();

    EXPECT_FALSE(startEnabledDuringWait);
    EXPECT_EQ(starts.size(), 1);
    EXPECT_EQ(window->workflow()->state(), ExaminationWorkflow::State::Running);
    EXPECT_TRUE(window->form()->buttonExaminationAbort->isEnabled());
}

TEST_F(ExaminationDrills, AStopThatMeetsTheMoviesEndStopsAndSavesOnce)
{
    GoproCameraStandIn camera;
    open(camera.listen());
    record(3);
    camera.setAnswerDelayMs(300);

    // The movie ends while the camera answers the operator's stop.
    QTimer::singleShot(100, [&] { report(LinkCode::finished, 60); });
    window->form()->buttonExaminationAbort->click();

    ASSERT_EQ(prompt.questions.size(), 1);
    EXPECT_TRUE(prompt.questions[0].startsWith("Examination statistics|Examination wasn't finished in "
                                               "conventional way."));
    EXPECT_EQ(filesIn(results).size(), 1);
    EXPECT_TRUE(window->form()->buttonRunVisualization->isEnabled()) << "the save is not undone";
    ASSERT_FALSE(camera.commands().isEmpty());
    EXPECT_EQ(camera.commands().last().path, "camera/SH");
    EXPECT_EQ(camera.commands().last().parameter, "%00") << "the camera's recording is stopped";
    EXPECT_FALSE(camera.isRecording());
    EXPECT_TRUE(window->form()->buttonExaminationStart->isEnabled());
}

TEST_F(ExaminationDrills, AnUnusableMessageBusFolderIsAWarningAndStartSaysWhy)
{
    // The bus folder belongs to nobody we trust: it is writable by others.
    TempDir runtime;
    std::filesystem::create_directories(runtime / "orvalis");
    std::filesystem::permissions(runtime / "orvalis", std::filesystem::perms::all);
    testing_support::ScopedEnv env;
    env.set("XDG_RUNTIME_DIR", runtime.path().string());
    open();
    ASSERT_FALSE(prompt.warnings.isEmpty());
    EXPECT_TRUE(prompt.warnings.first().startsWith("Error|The player cannot report to this window:"));

    window->startExamination();
    EXPECT_TRUE(prompt.warnings.last().startsWith(
        "Error|The player cannot report to this window, so an examination cannot start:"));
    EXPECT_TRUE(prompt.warnings.last().contains("writable by other users"));
    EXPECT_TRUE(starts.isEmpty());
    EXPECT_TRUE(window->form()->buttonExaminationStart->isEnabled());
}

TEST_F(ExaminationDrills, ChangingTheTrackerOrFrequencyOrClosingAsksFirstAndNeverDropsSamples)
{
    open();
    record(3);
    Ui::Gazelog* ui = window->form();

    // No: everything stays as it was.
    prompt.answer = false;
    ui->comboBoxEyeTracker->setCurrentIndex(1);
    EXPECT_EQ(ui->comboBoxEyeTracker->currentIndex(), 0);
    ui->comboBoxFps->setCurrentIndex(1);
    EXPECT_EQ(ui->comboBoxFps->currentIndex(), 0);
    ui->buttonRestartServer->click();
    EXPECT_TRUE(window->workflow()->isExaminationRunning());
    EXPECT_TRUE(prompt.questions.last().startsWith("Examination in progress|"));
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->workflow()->isExaminationRunning());

    // Yes to closing: the samples go to a recovery file and the player is ended.
    prompt.answer = true;
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->workflow()->isExaminationRunning());
    ASSERT_FALSE(window->recoveryPath().isEmpty());
    EXPECT_TRUE(window->recoveryPath().endsWith("_recovery.csv"));
    EXPECT_EQ(filesIn(results), QStringList{QFileInfo(window->recoveryPath()).fileName()});
    const std::string saved = testing_support::readFile(window->recoveryPath().toStdString());
    EXPECT_NE(saved.find("\n20;100000;100000;1;0;0\n40;101000;100000;1;0;0\n60;102000;100000;1;0;0\n"),
              std::string::npos);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.isRunning(); }, 3000));
}

TEST_F(ExaminationDrills, AWindowDestroyedDuringAnExaminationLeavesARecoveryFile)
{
    // As after SIGTERM: the program ends without anyone to ask.
    open();
    record(2);
    window.reset();
    const QStringList files = filesIn(results);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("P01_") && files[0].endsWith("_recovery.csv"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.isRunning(); }, 3000));
}

TEST_F(ExaminationDrills, ARecoveryFileGoesToTheSettingsFolderThenTheRuntimeFolderWhenTheResultsFolderFails)
{
    TempDir config;
    TempDir runtime;
    testing_support::ScopedEnv env;
    env.set("XDG_CONFIG_HOME", config.path().string());
    env.set("XDG_RUNTIME_DIR", runtime.path().string());
    std::filesystem::create_directories(config / "Orvalis");
    open();
    // A file where a folder should be: nothing can be written there, nor the folder made again.
    const auto block = [](const std::filesystem::path& folder) {
        std::filesystem::remove_all(folder);
        testing_support::writeFile(folder, "");
    };
    const auto lose = [&](int samples) {
        std::filesystem::remove_all(results);
        std::filesystem::create_directories(results);
        record(samples);
        block(results);
        testing::internal::CaptureStderr();
        window->abandonExamination();
        return testing::internal::GetCapturedStderr();
    };

    // Given no results folder when the program ends: the settings folder takes the samples
    std::string told = lose(3);
    const QString first = window->recoveryPath();
    EXPECT_TRUE(first.startsWith(QString::fromStdString((config / "Orvalis").string())))
        << first.toStdString();
    EXPECT_NE(told.find("saved to " + first.toStdString()), std::string::npos) << told;
    EXPECT_NE(testing_support::readFile(first.toStdString()).find("\n20;100000;100000;1;0;0\n"),
              std::string::npos);

    // Given the settings folder gone too: the runtime folder
    block(config / "Orvalis");
    told = lose(2);
    const QString second = window->recoveryPath();
    EXPECT_TRUE(second.startsWith(QString::fromStdString((runtime / "orvalis").string())))
        << second.toStdString();
    EXPECT_TRUE(std::filesystem::exists(second.toStdString()));
    EXPECT_FALSE(window->workflow()->recoveryFailed());

    // Given no place at all: the loss is told, and marked for the exit status
    testing_support::writeFile(runtime / "file", "");
    env.set("XDG_RUNTIME_DIR", (runtime / "file").string());
    told = lose(2);
    EXPECT_TRUE(window->recoveryPath().isEmpty());
    EXPECT_TRUE(window->workflow()->recoveryFailed());
    EXPECT_NE(told.find("could not be saved anywhere"), std::string::npos) << told;
}

TEST_F(ExaminationDrills, ANewFrequencySavesTheRunningExaminationThenRestartsTheServerAtThatRate)
{
    open();
    // The rate the tracker is set to when each restart is asked for.
    std::vector<int> restartedAt;
    tracker->onDisconnect = [&] { restartedAt.push_back(tracker->rate()); };
    Ui::Gazelog* ui = window->form();
    ASSERT_GE(ui->comboBoxFps->count(), 2);
    const int first = ui->comboBoxFps->itemText(0).toInt();
    const int second = ui->comboBoxFps->itemText(1).toInt();

    ui->comboBoxFps->setCurrentIndex(1);
    EXPECT_EQ(restartedAt, std::vector<int>{second});

    record(2);
    prompt.answer = true;
    ui->comboBoxFps->setCurrentIndex(0);
    EXPECT_FALSE(window->workflow()->isExaminationRunning());
    EXPECT_EQ(restartedAt, (std::vector<int>{second, first}));
    ASSERT_EQ(filesIn(results).size(), 1) << "the examination was saved before the restart";
    EXPECT_NE(testing_support::readFile(results / filesIn(results).first().toStdString())
                  .find("\n20;100000;100000;1;0;0\n40;101000;100000;1;0;0\n"),
              std::string::npos);
}

TEST_F(ExaminationDrills, SamplesGoToARecoveryFileWhenTheProgramIsEndedWhileTheOperatorIsAsked)
{
    // The session closes while the statistics question is open: the dialog ends
    // unanswered, which reads as "do not save", and nobody is left to save later.
    bool ending = false;
    terminating = [&] { return ending; };
    open();
    record(3);
    ending = true;
    prompt.answer = false;
    window->stopExamination();
    EXPECT_FALSE(window->workflow()->isExaminationRunning());
    const QStringList files = filesIn(results);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files.first().endsWith("_recovery.csv"));
    EXPECT_NE(testing_support::readFile(results / files.first().toStdString())
                  .find("\n20;100000;100000;1;0;0\n40;101000;100000;1;0;0\n60;102000;100000;1;0;0\n"),
              std::string::npos);

    // An operator's own "do not save" while the program goes on is kept.
    std::filesystem::remove(results / files.first().toStdString());
    ending = false;
    record(2);
    window->stopExamination();
    EXPECT_TRUE(filesIn(results).isEmpty());
}

TEST_F(ExaminationDrills, ResultsNameTheScreenTheTrackerReportedAtTheStartAndRecoveryFilesToo)
{
    open();
    const std::string screenLine = "\n#Screen: 2560x1440 px, 597x336 mm, viewing distance 650 mm\n";

    // The tracker's server goes during the examination: its screen at the start is still named.
    tracker->screen = TrackerScreen{2560, 1440, 597, 336};
    record(2);
    tracker->screen.reset();
    report(LinkCode::finished, 60);
    const std::string saved = testing_support::readFile(tracker->lastResultPath().toStdString());
    EXPECT_NE(saved.find(".avi" + screenLine + "#Output path: "), std::string::npos) << saved;

    // A tracker that never said: the display the recorder runs on.
    record(2);
    report(LinkCode::finished, 60);
    const QScreen* display = QGuiApplication::primaryScreen();
    const std::string displayLine = "#Screen: " + std::to_string(display->geometry().width()) + "x" +
                                    std::to_string(display->geometry().height()) + " px, " +
                                    std::to_string(std::lround(display->physicalSize().width())) + "x" +
                                    std::to_string(std::lround(display->physicalSize().height())) +
                                    " mm, viewing distance 650 mm\n";
    EXPECT_NE(testing_support::readFile(tracker->lastResultPath().toStdString()).find(displayLine),
              std::string::npos);

    // The program ends mid-examination: the recovery file names the screen as well.
    tracker->screen = TrackerScreen{2560, 1440, 597, 336};
    record(2);
    window.reset();
    const QStringList files = filesIn(results).filter(QStringLiteral("_recovery.csv"));
    ASSERT_EQ(files.size(), 1);
    const std::string recovered = testing_support::readFile(results / files[0].toStdString());
    EXPECT_NE(recovered.find(".avi" + screenLine + "#Output path: "), std::string::npos) << recovered;
}

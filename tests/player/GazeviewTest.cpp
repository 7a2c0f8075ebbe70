#include "player/PlayerWindow.h"
#include "player/core/AppCtrl.h"

#include "PlayerWindowFixture.h"
#include "core/PlayerTestSupport.h"

#include <QProcess>
#include <QSlider>
#include <gtest/gtest.h>

using testing_support::readFile;
using testing_support::TempDir;

namespace {

struct ProgramRun
{
    int exitCode = -1;
    std::string output;
    std::string log;
};

// Runs the built program with its own settings folder and no display.
ProgramRun runGazeview(const QStringList& arguments)
{
    TempDir config;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.path().string()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(GAZE_BIN_DIR "/Gazeview"), arguments);
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
        return {};
    }
    ProgramRun run;
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    run.output = program.readAllStandardOutput().toStdString();
    run.log = readFile(config / "Orvalis" / "Gazeview.log");
    return run;
}

} // namespace

TEST(Gazeview, HelpGoesToStandardOutputAndEndsWithCodeZero)
{
    const ProgramRun run = runGazeview({QStringLiteral("-h")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output.find('\r'), std::string::npos);
    EXPECT_EQ(run.output.rfind("Usage: Gazeview [options]\n", 0), 0u);
    EXPECT_NE(run.output.find("\t--version\t"), std::string::npos);
    EXPECT_NE(run.output.find("\nHELP:\n\nCommand line parameters:\n\t-m <movie_filename>\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("\t-u <screen_num> fullscreen on chosen screen in play mode\n"
                              "The parameters -p -f and -d are disjunctive\n"),
              std::string::npos);
}

TEST(Gazeview, AFatalStartUpErrorWithoutADisplayGoesToStandardErrorAndEndsWithCodeOne)
{
    // Given a file where the settings folder belongs, and no display
    TempDir config;
    testing_support::writeFile(config / "Orvalis", "a file where the folder belongs");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.path().string()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);

    program.start(QStringLiteral(GAZE_BIN_DIR "/Gazeview"), QStringList());
    const bool ended = program.waitForFinished(30000);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }

    // Then it ends at once with code 1 and says why
    ASSERT_TRUE(ended) << "waiting for a message box nobody can see";
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_NE(program.readAllStandardError().toStdString().find("Could not create, find or access to"),
              std::string::npos);
}

TEST(Gazeview, AQuitRequestedDuringStartUpEndsTheLoopWithItsCode)
{
    const ProgramRun run = runGazeview(
        {QStringLiteral("-f"), QStringLiteral("a.csv"), QStringLiteral("-d"), QStringLiteral("/results")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.empty());
    // Start-up went on to the window and its loop, and the log was closed in order.
    const auto at = [&](const char* line) { return run.log.find(line); };
    ASSERT_NE(at("Begin of the main loop"), std::string::npos) << run.log;
    EXPECT_LT(at("Parameter d excludes p and/or f"), at("Begin of the main loop"));
    EXPECT_LT(at("Begin of the main loop"), at("End of the main loop"));
    EXPECT_LT(at("End of the main loop"), at("AppCtrl stopped"));
    EXPECT_LT(at("AppCtrl stopped"), at("The log ends here"));

    EXPECT_EQ(runGazeview({QStringLiteral("movie.avi")}).exitCode, 1);
}

TEST(Gazeview, TheMainWindowHasItsNameTitleAndSize)
{
    player_test::CapturedLog log;
    AppCtrl app;
    PlayerWindow window(app);
    window.show();

    EXPECT_EQ(window.objectName(), "GazeviewCls");
    EXPECT_EQ(window.windowTitle(), "Orvalis Reelscan Gazeview");
    EXPECT_EQ(window.size(), QSize(960, 384));
    EXPECT_EQ(window.minimumSize(), QSize(960, 384));
    window.resize(500, 200);
    EXPECT_EQ(window.size(), QSize(960, 384));

    // The slider takes a 22-pixel strip under the video.
    window.resize(1200, 700);
    const QSize client = window.centralWidget()->size();
    EXPECT_EQ(window.videoRect(), QRect(0, 0, client.width(), client.height() - 22));
    EXPECT_EQ(window.slider()->geometry(), QRect(0, client.height() - 22, client.width(), 22));
    EXPECT_EQ(window.slider()->maximum(), 1000);
}

TEST(Gazeview, TheRecorderWindowIsLookedUpByTheGivenCaption)
{
    platform::WindowMessageReceiver recorder;
    ASSERT_TRUE(recorder.registerWindow(QStringLiteral("Orvalis Reelscan Gazelog")));

    player_test::CapturedLog log;
    AppCtrl app;
    app.serverWindowCaption = QStringLiteral("Orvalis Reelscan Gazelog");
    PlayerWindow window(app);
    EXPECT_EQ(app.serverWindow, recorder.socketPath());

    AppCtrl other;
    other.serverWindowCaption = QStringLiteral("Orvalis Reelscan Gazelog (old)");
    PlayerWindow otherWindow(other);
    EXPECT_TRUE(other.serverWindow.empty());
}

TEST(Gazeview, AnExaminationScreenReportsToTheRecorderAndEndsWithThePlayWindow)
{
    // Given a recorder window on the bus and the command line the recorder builds
    player_test::FakeRecorder recorder(QStringLiteral("Orvalis Reelscan Gazelog"));
    ASSERT_TRUE(recorder.registered);
    TempDir config;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.path().string()));
    program.setProcessEnvironment(environment);

    // When it plays the first 400 ms of the movie full screen on the last monitor
    program.start(QStringLiteral(GAZE_BIN_DIR "/Gazeview"),
                  {QStringLiteral("-m"), testMovies().withSound, QStringLiteral("-p"), QStringLiteral("0"),
                   QStringLiteral("-s"), QStringLiteral("Orvalis Reelscan Gazelog"), QStringLiteral("-u"),
                   QStringLiteral("-1"), QStringLiteral("-e"), QStringLiteral("400")});
    ASSERT_TRUE(waitUntil([&] { return program.state() == QProcess::NotRunning; }, 30000))
        << readFile(config / "Orvalis" / "Gazeview.log");

    // Then it reported the duration, the movie time, the end, and quit with code 0
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    ASSERT_FALSE(recorder.codes().empty());
    EXPECT_EQ(recorder.codes().front(), 32);
    EXPECT_EQ(recorder.codes().back(), 4);
    EXPECT_NEAR(recorder.timesOf(32).front(), 3000, 100);
    EXPECT_FALSE(recorder.timesOf(8).empty());
    EXPECT_GT(recorder.timesOf(4).front(), 400);
}

TEST(Gazeview, AnExaminationScreenReportsTheEndOfTheMovieBeforeItQuits)
{
    player_test::FakeRecorder recorder(QStringLiteral("Orvalis Reelscan Gazelog"));
    ASSERT_TRUE(recorder.registered);
    TempDir config;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.path().string()));
    program.setProcessEnvironment(environment);

    // When the whole movie plays
    program.start(QStringLiteral(GAZE_BIN_DIR "/Gazeview"),
                  {QStringLiteral("-m"), testMovies().videoOnly, QStringLiteral("-p"), QStringLiteral("0"),
                   QStringLiteral("-s"), QStringLiteral("Orvalis Reelscan Gazelog")});
    ASSERT_TRUE(waitUntil([&] { return program.state() == QProcess::NotRunning; }, 30000))
        << readFile(config / "Orvalis" / "Gazeview.log");
    waitUntil([] { return false; }, 100);

    // Then the last word the recorder hears is the end of the movie, at its end
    EXPECT_EQ(program.exitCode(), 0);
    ASSERT_FALSE(recorder.codes().empty());
    EXPECT_EQ(recorder.codes().back(), 4) << readFile(config / "Orvalis" / "Gazeview.log");
    EXPECT_EQ(recorder.timesOf(4).size(), 1u);
}

TEST(Gazeview, APoliteTerminationClosesTheExaminationScreenInOrder)
{
    player_test::FakeRecorder recorder(QStringLiteral("Orvalis Reelscan Gazelog"));
    ASSERT_TRUE(recorder.registered);
    TempDir config;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.path().string()));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(GAZE_BIN_DIR "/Gazeview"),
                  {QStringLiteral("-m"), testMovies().videoOnly, QStringLiteral("-p"), QStringLiteral("0"),
                   QStringLiteral("-s"), QStringLiteral("Orvalis Reelscan Gazelog")});
    ASSERT_TRUE(waitUntil([&] { return recorder.has(8); }, 30000));

    program.terminate();
    ASSERT_TRUE(waitUntil([&] { return program.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const std::string log = readFile(config / "Orvalis" / "Gazeview.log");
    EXPECT_NE(log.find("CloseClip()"), std::string::npos) << log;
    EXPECT_NE(log.find("The log ends here"), std::string::npos) << log;
}

TEST(Gazeview, EndingAsksNothingAndWritesNoShotFileForAMovieNobodyEdited)
{
    // Given results shown over a movie that has no shot file yet, with "yes" ready for any question
    TempDir config;
    TempDir work;
    std::filesystem::copy_file(testMovies().videoOnly.toStdString(), work / "movie.avi");
    testing_support::writeFile(work / "viewer.csv",
                               "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;"
                               "pupil_diameter_100nm;interesting_point_value\n"
                               "0;500000;500000;1;30000;0\n");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config.path().string()));
    environment.insert(QStringLiteral("GAZEVIEW_UNATTENDED_ANSWER"), QStringLiteral("yes"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(GAZE_BIN_DIR "/Gazeview"),
                  {QStringLiteral("-m"), QString::fromStdString((work / "movie.avi").string()),
                   QStringLiteral("-f"), QString::fromStdString((work / "viewer.csv").string())});
    const auto log = [&] { return readFile(config / "Orvalis" / "Gazeview.log"); };
    ASSERT_TRUE(waitUntil([&] { return log().find("Movie totalTime = ") != std::string::npos; }, 30000));

    // When it is told to end, it ends without a question, and nothing was edited to save
    program.terminate();
    ASSERT_TRUE(waitUntil([&] { return program.state() == QProcess::NotRunning; }, 30000)) << log();
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(log().find("unattended question"), std::string::npos) << log();
    EXPECT_FALSE(std::filesystem::exists(work / "movie.avi_shots.csv"));
}

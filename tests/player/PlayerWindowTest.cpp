#include "PlayerWindowFixture.h"
#include "platform/quit_signals.h"
#include "player/PlayerMenus.h"
#include "player/TimeSlider.h"
#include "player/core/TitleText.h"
#include "player/media/DsCtrl.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <gtest/gtest.h>

using player_test::PlayerWindowTest;
using testing_support::writeFile;

TEST(TitleText, ShowsHoursMinutesSecondsAndFrame)
{
    EXPECT_EQ(TitleText::movieTime(3723480, 400000), "01:02:03:12");
    EXPECT_EQ(TitleText::movieTime(999, 333667), "00:00:00:29");
    EXPECT_EQ(TitleText::movieTime(0, 0), "00:00:00:00");
    EXPECT_EQ(TitleText::windowTitle("/films/a%s.avi", TitleText::movieTime(3723480, 400000),
                                     TitleText::shot(2, 5)),
              "/films/a%s.avi -- time 01:02:03:12 -- shot # 2 / 5 -- Orvalis Reelscan Gazeview");
}

TEST_F(PlayerWindowTest, TheCommandLineMovieOpensPausedWithItsTitle)
{
    app.movieFileName = movies->videoOnly;
    startAndOpen();

    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Paused);
    ASSERT_TRUE(waitUntil([&] { return window->windowTitle().contains(QStringLiteral(" -- time ")); }));
    EXPECT_EQ(window->windowTitle(),
              movies->videoOnly + " -- time 00:00:00:00 -- shot # 1 / 1 -- Orvalis Reelscan Gazeview");
    // The video area fills the client area but for the slider strip; the 4:3
    // picture stands in its middle, as tall as the area.
    const QRect client = window->centralWidget()->rect();
    const QRect area(0, 0, client.width(), client.height() - 22);
    EXPECT_EQ(window->videoWidget()->geometry(), area);
    EXPECT_EQ(DsCtrl::VideoRect(), DsCtrl::Letterboxed(area, QSize(160, 120)));
    EXPECT_EQ(DsCtrl::VideoRect().height(), area.height());
    EXPECT_EQ(window->slider()->geometry(), QRect(0, client.height() - 22, client.width(), 22));

    // Faster, faster, slower, normal
    window->command(ID_FASTER);
    window->command(ID_FASTER);
    EXPECT_DOUBLE_EQ(DsCtrl::GetRate(), 2.25);
    window->command(ID_SLOWER);
    EXPECT_NEAR(DsCtrl::GetRate(), 1.5, 1e-6);
    window->command(ID_NORMAL_SPEED);
    EXPECT_DOUBLE_EQ(DsCtrl::GetRate(), 1.0);

    // Escape outside PLAY mode only closes the movie
    press(Qt::Key_Escape);
    EXPECT_FALSE(DsCtrl::IsMovieOpen());
    EXPECT_FALSE(app.quitCode.has_value());
    EXPECT_EQ(window->windowTitle(), "Orvalis Reelscan Gazeview");
}

TEST_F(PlayerWindowTest, StepsJumpsAndShotsMoveTheMovie)
{
    const QString movie = privateMovie();
    app.movieFileName = movie;
    app.timeStep = 40;
    app.timeBiggerStep = 1000;
    startAndOpen();
    const auto at = [] { return DsCtrl::GetCurrentPositionMilis(); };

    press(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_NEAR(at(), 1000, 40);
    press(Qt::Key_Right);
    EXPECT_NEAR(at(), 1040, 40);
    press(Qt::Key_Left, Qt::ShiftModifier);
    press(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(at(), 0);

    // One shot only (no shot file): the next shot is the end of the movie
    press(Qt::Key_Period);
    EXPECT_NEAR(at(), 3000, 80);

    // A shot added at 1 s: previous and next shot go to its start
    window->command(ID_FILE_CLOSE);
    EXPECT_TRUE(questions.empty()) << "nobody edited the shots: nothing to ask";
    EXPECT_FALSE(std::filesystem::exists(folder / "movie.avi_shots.csv"));
    app.movieFileName = movie;
    window->command(ID_FILE_INITCLIP);
    DsCtrl::SetCurrentPositionMilis(1000);
    press(Qt::Key_Plus);
    EXPECT_EQ(window->shots().shots().size(), 2u);
    EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("shot # 2 / 2")));
    DsCtrl::SetCurrentPositionMilis(2000);
    press(Qt::Key_Comma);
    EXPECT_EQ(at(), 0);
    press(Qt::Key_Period);
    EXPECT_NEAR(at(), 1000, 40);

    // Closing asks to save the edited shots; yes writes the shot file
    answer = true;
    window->command(ID_FILE_CLOSE);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions.front(), "Shots have been edited - save?");
    const std::string shotFile = testing_support::readFile(folder / "movie.avi_shots.csv");
    EXPECT_NE(shotFile.find("1000"), std::string::npos) << shotFile;
}

TEST_F(PlayerWindowTest, SwitchesAreStoredAndChecked)
{
    makeWindow();
    window->command(ID_SHOW_HEATMAP);
    window->command(ID_ACCURATE_PRESENTATION);
    window->command(ID_ADJUST_HORIZONTAL);
    window->command(ID_SHOW_COUNTER);
    window->command(ID_SHOW_LEGEND);

    EXPECT_FALSE(app.showHeatmap);
    EXPECT_TRUE(window->action(ID_SHOW_LEGEND)->isChecked());
    EXPECT_FALSE(window->action(ID_SHOW_HEATMAP)->isChecked());
    EXPECT_TRUE(window->action(ID_ACCURATE_PRESENTATION)->isChecked());
    EXPECT_FALSE(window->action(ID_FAST_PRESENTATION)->isChecked());
    EXPECT_TRUE(window->action(ID_ADJUST_HORIZONTAL)->isChecked());
    EXPECT_FALSE(window->action(ID_ADJUST_DEFAULT)->isChecked());
    EXPECT_TRUE(window->counter()->isVisible());
    const std::string gui = testing_support::readFile(app.guiFilePath);
    for (const char* line : {"showHeatmap=0", "multiQuality=1", "viewScaleXPercent=50",
                             "viewScaleYPercent=100", "showBigCounter=1", "showLegend=1"})
        EXPECT_NE(gui.find(line), std::string::npos) << line << " in\n" << gui;

    // Another language only after a yes, then the program closes
    window->command(ID_LANGUAGE_POLISH);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_FALSE(app.quitCode.has_value());
    answer = true;
    window->command(ID_LANGUAGE_POLISH);
    EXPECT_NE(testing_support::readFile(app.guiFilePath).find("language=pl"), std::string::npos);
    EXPECT_EQ(app.quitCode, 0);
}

TEST_F(PlayerWindowTest, ResultsForAnotherMovieAreLoadedOnlyWhenAccepted)
{
    app.movieFileName = privateMovie();
    startAndOpen();
    const std::string ours = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;"
                             "pupil_diameter_100nm;interesting_point_value\n#Movie path: /films/movie.avi\n"
                             "0;500000;500000;1;30000;0\n";
    std::string theirs = ours;
    theirs.replace(theirs.find("movie.avi"), 9, "other.avi");
    for (const auto& [name, text] : {std::pair{"a.csv", ours}, {"b.csv", ours}, {"c.csv", theirs}}) {
        testing_support::writeFile(folder / name, text);
        chosenResults << QString::fromStdString((folder / name).string());
    }

    window->command(ID_OPEN_RESULTS);

    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions.front().contains(QStringLiteral("\nc.csv -> other.avi\n")));
    EXPECT_EQ(window->results().timeLines().size(), 2u);
    EXPECT_EQ(app.mode, AppCtrl::Mode::Directory);
    EXPECT_TRUE(window->action(ID_MULTI_RESULTS)->isChecked());
}

TEST_F(PlayerWindowTest, TheSliderSeeksAndTheClockLeavesItAloneForAWhile)
{
    std::int64_t now = 1000;
    app.movieFileName = movies->videoOnly;
    makeWindow();
    window->clock().setTickCount([&] { return now; });
    window->command(ID_FILE_INITCLIP);
    ASSERT_TRUE(DsCtrl::IsMovieOpen());

    // When the user drags the thumb to the middle
    QSlider* slider = window->slider();
    slider->setSliderDown(true);
    slider->setSliderPosition(500);
    slider->setSliderDown(false);

    // Then the movie is there, and the clock does not move the thumb for six seconds
    EXPECT_NEAR(DsCtrl::GetCurrentPositionMilis(), 1500, 40);
    DsCtrl::SetCurrentPositionMilis(600);
    window->clock().TimerProc();
    EXPECT_EQ(slider->value(), 500);
    now += 6001;
    DsCtrl::SetCurrentPositionMilis(900);
    window->clock().TimerProc();
    EXPECT_EQ(slider->value(), 300);
}

TEST_F(PlayerWindowTest, ALoopedShotPlaysAgainFromItsStart)
{
    app.movieFileName = privateMovie();
    startAndOpen();
    DsCtrl::SetCurrentPositionMilis(400);
    window->command(ID_TOGGLE_SHOT);
    DsCtrl::SetCurrentPositionMilis(200);
    window->command(ID_LOOP_SHOT);
    EXPECT_TRUE(window->action(ID_LOOP_SHOT)->isChecked());

    // Playing past the end of the first shot goes back to its start
    window->command(ID_PAUSE_RESUME);
    bool passed = false;
    ASSERT_TRUE(waitUntil([&] {
        const auto at = DsCtrl::GetCurrentPositionMilis();
        passed = passed || at >= 400;
        return passed && at < 200;
    }));
}

TEST_F(PlayerWindowTest, ALoopedMiddleShotKeepsPlayingAgainFromItsOwnStart)
{
    app.movieFileName = privateMovie();
    startAndOpen();
    for (const int start : {1000, 2000}) {
        DsCtrl::SetCurrentPositionMilis(start);
        window->command(ID_TOGGLE_SHOT);
    }
    DsCtrl::SetCurrentPositionMilis(1500);
    window->clock().TimerProc();
    window->command(ID_LOOP_SHOT);

    // Leaving the second shot goes back to its start, and it stays the looped shot
    DsCtrl::SetCurrentPositionMilis(2100);
    window->clock().TimerProc();
    EXPECT_EQ(DsCtrl::GetCurrentPositionMilis(), 1000);
    window->clock().TimerProc();
    EXPECT_EQ(DsCtrl::GetCurrentPositionMilis(), 1000);
    DsCtrl::SetCurrentPositionMilis(1700);
    window->clock().TimerProc();
    EXPECT_EQ(DsCtrl::GetCurrentPositionMilis(), 1700);
}

TEST_F(PlayerWindowTest, ThePlayWindowEndsTheProgramAlsoAfterTheMovieReachedItsEnd)
{
    app.movieFileName = movies->videoOnly;
    app.endTimeMs = 2900;
    makeWindow();
    window->clock().setInterval(60 * 60 * 1000); // the test ticks the clock itself
    window->command(ID_FILE_INITCLIP);
    ASSERT_TRUE(DsCtrl::IsMovieOpen());

    // The end of the stream is handled before the clock sees the position past the play window
    DsCtrl::SetCurrentPositionMilis(2800);
    window->command(ID_PAUSE_RESUME);
    ASSERT_TRUE(waitUntil([] { return DsCtrl::MovieCompleted(); }));
    window->graphNotify();
    EXPECT_FALSE(app.quitCode.has_value());
    ASSERT_GT(DsCtrl::GetCurrentPositionMilis(), app.endTimeMs);
    window->clock().TimerProc();
    EXPECT_EQ(app.quitCode, 0);
}

TEST_F(PlayerWindowTest, TheCameraRecordingFollowsTheMovieShiftedByItsOffset)
{
    // Given an extension program that shows its window, and a recording that starts 300 ms into the movie
    player_test::FakeRecorder extension(QString::fromLatin1(PlayerWindow::extensionTitle));
    ASSERT_TRUE(extension.registered);
    app.extensionFileName = QStringLiteral("/bin/true");
    app.recordingOffset = -300;
    app.movieFileName = movies->videoOnly;
    startAndOpen();
    window->setExtensionStartWait(0);
    PlayerWindow::Prompts prompts;
    prompts.chooseRecording = [] { return QStringLiteral("/recordings/viewer.mp4"); };
    window->setPrompts(prompts);

    window->command(40028);
    ASSERT_TRUE(waitUntil([&] { return window->hasExtension(); }));
    EXPECT_TRUE(extension.messages.empty()) << "the movie is paused";

    // When the movie plays past the offset, then steps and ends with Escape
    const auto resting = static_cast<int>(DsCtrl::GetCurrentPositionMilis());
    press(Qt::Key_Space);
    ASSERT_TRUE(waitUntil([&] { return extension.timesOf(2).size() == 2; }));
    const auto starts = extension.timesOf(2);
    EXPECT_EQ(starts[0], resting - 300) << "the position the movie resumed from";
    EXPECT_GE(starts[1], 0);
    EXPECT_LT(starts[1], 200);
    press(Qt::Key_Space);
    press(Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_TRUE(waitUntil([&] { return extension.has(8); }));
    EXPECT_NEAR(extension.timesOf(8).back(), extension.timesOf(3).front() + app.timeBiggerStep, 40);
    press(Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return extension.has(4); }));

    // Then outside PLAY mode the extension stays open
    for (const auto& m : extension.messages)
        EXPECT_EQ(m.identifier, platform::WM_USER) << "a close request";
}

TEST_F(PlayerWindowTest, KeypointKeysGoFromOneInterestingPointToTheNext)
{
    std::string text = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                       "interesting_point_value\n";
    for (int t = 0; t <= 3000; t += 20)
        text += std::to_string(t) + ";500000;500000;1;30000;" + (t == 1000 || t == 2000 ? "1" : "0") + "\n";
    testing_support::writeFile(folder / "viewer.csv", text);
    app.mode = AppCtrl::Mode::File;
    app.resultsPath = QString::fromStdString((folder / "viewer.csv").string());
    app.movieFileName = movies->videoOnly;
    startAndOpen();
    const auto at = [] { return DsCtrl::GetCurrentPositionMilis(); };

    press(Qt::Key_T);
    EXPECT_EQ(at(), 1000);
    press(Qt::Key_T);
    EXPECT_EQ(at(), 2000);
    press(Qt::Key_T);
    EXPECT_EQ(at(), 2000) << "no point after the last";
    press(Qt::Key_R);
    EXPECT_EQ(at(), 1000);
}

TEST_F(PlayerWindowTest, AShotFileThatCannotBeSavedIsNotDroppedUnnoticed)
{
    app.movieFileName = privateMovie();
    startAndOpen();
    DsCtrl::SetCurrentPositionMilis(1000);
    press(Qt::Key_Plus);
    // A folder stands where the shot file should go, so every save fails.
    std::filesystem::create_directory(folder / "movie.avi_shots.csv");
    questions.clear();
    answers = {true, true, false}; // save; try again; give up
    window->command(ID_FILE_CLOSE);
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[0], "Shots have been edited - save?");
    EXPECT_TRUE(questions[1].startsWith("The shots could not be saved to\n")) << questions[1].toStdString();
    EXPECT_EQ(questions[2], questions[1]);
}

TEST_F(PlayerWindowTest, ASpreadsheetShotFileLoadsAndADamagedOneSurvivesASave)
{
    // Given a shot file saved by a spreadsheet: byte-order mark, CR LF
    app.movieFileName = privateMovie();
    const auto shotFile = folder / "movie.avi_shots.csv";
    writeFile(shotFile, "\xEF\xBB\xBF#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n500;2\r\n"
                        "1000;3\r\n2000;4\r\n");
    startAndOpen();
    EXPECT_EQ(window->shots().shots().size(), 4u);
    EXPECT_TRUE(told.empty());
    window->command(ID_FILE_CLOSE);

    // Given a damaged one: the user hears at once which line is wrong
    const std::string damaged =
        "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n500;2\r\n1000;4\r\n2000;5\r\n";
    writeFile(shotFile, damaged);
    app.movieFileName = QString::fromStdString((folder / "movie.avi").string());
    window->command(ID_FILE_INITCLIP);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].contains("line 5: the shot numbers are not 1, 2, 3, ... in order"))
        << told[0].toStdString();

    // When a shot is added and the edited shots are saved
    DsCtrl::SetCurrentPositionMilis(1500);
    press(Qt::Key_Plus);
    answer = true;
    window->command(ID_FILE_CLOSE);

    // Then the damaged file is untouched and the shots went beside it, as the user is told
    EXPECT_EQ(testing_support::readFile(shotFile), damaged);
    const auto beside = folder / "movie.avi_shots.edited.csv";
    ASSERT_EQ(told.size(), 2u);
    EXPECT_TRUE(told[1].contains(QString::fromStdString(beside.string()))) << told[1].toStdString();
    EXPECT_EQ(testing_support::readFile(beside),
              "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n500;2\r\n1500;3\r\n");
}

TEST_F(PlayerWindowTest, EndingTheProgramKeepsEditedShotsWithoutAQuestion)
{
    // Given a damaged shot file, and a shot added to what could be read of it
    app.movieFileName = privateMovie();
    const auto shotFile = folder / "movie.avi_shots.csv";
    const std::string damaged = "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n500;3\r\n";
    writeFile(shotFile, damaged);
    startAndOpen();
    told.clear();
    DsCtrl::SetCurrentPositionMilis(1500);
    press(Qt::Key_Plus);

    // When the program is ended as a termination signal ends it
    platform::endAsTerminated();

    // Then nobody was asked or told anything, and the shots went beside the damaged file
    EXPECT_TRUE(questions.empty()) << questions.front().toStdString();
    EXPECT_TRUE(told.empty());
    EXPECT_FALSE(DsCtrl::IsMovieOpen());
    EXPECT_EQ(testing_support::readFile(shotFile), damaged);
    EXPECT_EQ(testing_support::readFile(folder / "movie.avi_shots.edited.csv"),
              "#Gazeview shot file version 0.0.1\r\ntime_ms;number\r\n0;1\r\n1500;2\r\n");
}

TEST_F(PlayerWindowTest, MenuShortcutsWorkInFullScreen)
{
    app.movieFileName = movies->videoOnly;
    startAndOpen();
    int movies = 0;
    int results = 0;
    int recordings = 0;
    PlayerWindow::Prompts prompts;
    prompts.askYesNo = [](const QString&) { return false; };
    prompts.chooseMovie = [&] { return ++movies, QString(); };
    prompts.chooseResults = [&] { return ++results, QStringList(); };
    prompts.chooseRecording = [&] { return ++recordings, QString(); };
    window->setPrompts(prompts);
    window->setFullScreen(true);
    window->activateWindow();
    ASSERT_TRUE(window->menuBar()->isHidden());

    QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);

    EXPECT_EQ(results, 1);
    EXPECT_EQ(recordings, 1);
    EXPECT_EQ(movies, 1);
}

TEST_F(PlayerWindowTest, AClickOnTheSlidersGrooveSeeksThere)
{
    std::int64_t now = 1000;
    app.movieFileName = movies->videoOnly;
    makeWindow();
    window->clock().setTickCount([&] { return now; });
    window->command(ID_FILE_INITCLIP);
    ASSERT_TRUE(DsCtrl::IsMovieOpen());
    window->clock().TimerProc();

    // When the user clicks the groove three quarters along
    QSlider* slider = window->slider();
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    const QRect groove =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier,
                      QPoint(groove.left() + groove.width() * 3 / 4, slider->height() / 2));

    // Then the movie goes there and the next tick leaves the thumb there
    EXPECT_NEAR(DsCtrl::GetCurrentPositionMilis(), 2250, 150);
    const int thumb = slider->value();
    EXPECT_NEAR(thumb, 750, 50);
    now += 64;
    window->clock().TimerProc();
    EXPECT_EQ(slider->value(), thumb);
}

TEST_F(PlayerWindowTest, TheSliderShowsTheMovieTimeUnderItsTicks)
{
    // Given a movie open in the window
    app.movieFileName = movies->videoOnly;
    startAndOpen();
    auto* slider = static_cast<TimeSlider*>(window->slider());
    ASSERT_GT(slider->totalTimeMs(), 0);

    // Then the strip under the groove holds the times' text, at every width; closing the movie forgets its
    // duration
    const auto textPixels = [&] {
        const QImage shown = slider->grab().toImage();
        const QRgb background = shown.pixel(shown.width() / 2, shown.height() - 1);
        int differing = 0;
        for (int y = shown.height() - TimeSlider::kLabelPixels; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                differing += shown.pixel(x, y) != background;
        return differing;
    };
    for (const int width : {960, 1600}) {
        window->resize(width, window->height());
        waitUntil([] { return false; }, 50);
        EXPECT_GT(textPixels(), 20) << width;
    }
    window->command(ID_FILE_CLOSE);
    EXPECT_EQ(slider->totalTimeMs(), 0);
}

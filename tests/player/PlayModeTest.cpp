#include "PlayerWindowFixture.h"
#include "player/media/DsCtrl.h"
#include "player/media/MixerBitmap.h"

#include <QLabel>
#include <QSlider>
#include <algorithm>
#include <gtest/gtest.h>

using player_test::FakeRecorder;
using player_test::PlayerWindowTest;

namespace {

class PlayMode : public PlayerWindowTest
{
protected:
    void SetUp() override
    {
        PlayerWindowTest::SetUp();
        ASSERT_TRUE(recorder.registered);
        app.mode = AppCtrl::Mode::Play;
        app.movieFileName = movies->videoOnly;
        app.serverWindowCaption = QString::fromLatin1(kRecorderTitle);
    }

    bool waitForCode(int code, int timeoutMs = 5000)
    {
        return waitUntil([&] { return recorder.has(code); }, timeoutMs);
    }

    FakeRecorder recorder{QString::fromLatin1(kRecorderTitle)};
};

} // namespace

TEST_F(PlayMode, ReportsDurationPositionsPauseResumeClicksAndEscape)
{
    // Given an examination screen started with the recorder's caption
    startAndOpen();

    // Then the duration comes first, then the movie time as it plays
    ASSERT_TRUE(waitForCode(32));
    EXPECT_EQ(recorder.codes().front(), 32);
    EXPECT_NEAR(recorder.timesOf(32).front(), 3000, 100);
    ASSERT_TRUE(
        waitUntil([&] { return recorder.timesOf(8).size() >= 3 && recorder.timesOf(8).back() > 100; }));
    const auto positions = recorder.timesOf(8);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end()), positions.end()) << "repeated position";
    EXPECT_LE(positions.back(), 3000);

    // When the viewer pauses, the pause is reported and the standing movie reports nothing more
    press(Qt::Key_Space);
    ASSERT_TRUE(waitForCode(3));
    const auto pausedAt = recorder.timesOf(3).front();
    EXPECT_GE(pausedAt, positions.back());
    waitUntil([] { return false; }, 100);
    const auto reportsWhilePaused = recorder.timesOf(8);
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(recorder.timesOf(8).size(), reportsWhilePaused.size());

    // When the viewer resumes and clicks, both are reported with the movie time
    press(Qt::Key_Space);
    ASSERT_TRUE(waitForCode(2));
    EXPECT_NEAR(recorder.timesOf(2).front(), pausedAt, 50);
    click(Qt::RightButton);
    ASSERT_TRUE(waitForCode(16));
    EXPECT_GE(recorder.timesOf(16).front(), pausedAt);

    // When the viewer presses Escape, the movie is finished and the program quits
    press(Qt::Key_Escape);
    ASSERT_TRUE(waitForCode(4));
    EXPECT_GE(recorder.timesOf(4).front(), recorder.timesOf(16).front());
    EXPECT_EQ(app.quitCode, 0);
    EXPECT_FALSE(DsCtrl::IsMovieOpen());
}

TEST_F(PlayMode, TheEndOfThePlayWindowFinishesOnceAndQuits)
{
    app.endTimeMs = 300;
    startAndOpen();

    ASSERT_TRUE(waitForCode(4));
    EXPECT_GT(recorder.timesOf(4).front(), 300);
    EXPECT_LT(recorder.timesOf(4).front(), 1500);
    EXPECT_EQ(app.quitCode, 0);
    for (const auto t : recorder.timesOf(8))
        EXPECT_LE(t, 300);
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(recorder.timesOf(4).size(), 1u);
    EXPECT_FALSE(window->clock().isActive());
}

TEST_F(PlayMode, TheEndOfTheMovieFinishesAndQuits)
{
    startAndOpen();
    ASSERT_TRUE(waitForCode(32));
    DsCtrl::SetCurrentPositionMilis(2700);

    ASSERT_TRUE(waitForCode(4));
    EXPECT_GE(recorder.timesOf(4).front(), 2700);
    EXPECT_EQ(app.quitCode, 0);
    // Code 4 is the last word: the clock reports no position after it.
    EXPECT_FALSE(window->clock().isActive());
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(recorder.codes().back(), 4);
}

TEST_F(PlayMode, ADelayedStartShowsTheIdlePatternUntilTheDeadline)
{
    app.playDelayMs = 3000;
    std::int64_t now = 1000;
    makeWindow();
    window->clock().setTickCount([&] { return now; });
    window->command(40003);
    ASSERT_TRUE(DsCtrl::IsMovieOpen());

    // Waiting: paused, idle pattern over the whole video
    const MixerBitmap* mixer = DsCtrl::GetMixerBitmap();
    ASSERT_NE(mixer, nullptr);
    EXPECT_FALSE(mixer->isEmpty());
    EXPECT_EQ(mixer->parameters().destination, QRectF(0, 0, 1, 1));
    now += 3000;
    window->clock().TimerProc();
    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Paused);
    EXPECT_TRUE(window->clock().startPending());

    // Past the deadline: playing, the pattern gone
    now += 1;
    window->clock().TimerProc();
    EXPECT_FALSE(window->clock().startPending());
    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Running);
    EXPECT_TRUE(mixer->isEmpty());
}

TEST_F(PlayMode, FullScreenCoversTheChosenMonitorWithoutMenuOrSlider)
{
    app.monitors = {QRect(0, 0, 800, 600)};
    app.monitorNum = 0;
    startAndOpen();

    EXPECT_TRUE(window->isFullScreenMode());
    EXPECT_EQ(window->geometry(), QRect(0, 0, 800, 600));
    EXPECT_TRUE(window->slider()->isHidden());
    EXPECT_EQ(DsCtrl::VideoRect(), window->videoWidget()->rect());
    EXPECT_EQ(window->videoWidget()->size(), QSize(800, 600));
}

TEST_F(PlayMode, WithoutTheRecorderNothingIsPostedAndPlayStillEnds)
{
    app.serverWindowCaption = QStringLiteral("no such window");
    app.endTimeMs = 200;
    startAndOpen();
    ASSERT_TRUE(waitUntil([&] { return app.quitCode.has_value(); }));
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(PlayMode, EachPressOfAButtonIsOneInterestingPoint)
{
    startAndOpen();
    ASSERT_TRUE(waitForCode(32));
    QWidget* video = window->videoWidget();
    const QPointF at(video->width() / 2.0, video->height() / 2.0);
    const auto send = [&](QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent event(type, at, video->mapToGlobal(at.toPoint()), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(video, &event);
    };

    // A single click, then a double click as Qt delivers it: press, release,
    // press, double click, release
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::LeftButton);
    send(QEvent::MouseButtonPress, Qt::RightButton);
    send(QEvent::MouseButtonRelease, Qt::RightButton);
    send(QEvent::MouseButtonPress, Qt::RightButton);
    send(QEvent::MouseButtonDblClick, Qt::RightButton);
    send(QEvent::MouseButtonRelease, Qt::RightButton);

    ASSERT_TRUE(waitUntil([&] { return recorder.timesOf(16).size() >= 3; }));
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(recorder.timesOf(16).size(), 3u) << "one for the click, two for the double click";
}

TEST_F(PlayMode, TheCameraRecordingHearsTheEndOfTheMovieBeforeItIsClosed)
{
    // Given a camera recording following the examination
    FakeRecorder extension(QString::fromLatin1(PlayerWindow::extensionTitle));
    ASSERT_TRUE(extension.registered);
    app.extensionFileName = QStringLiteral("/bin/true");
    startAndOpen();
    ASSERT_TRUE(waitForCode(32));
    window->setExtensionStartWait(0);
    PlayerWindow::Prompts prompts;
    prompts.chooseRecording = [] { return QStringLiteral("/recordings/viewer.mp4"); };
    window->setPrompts(prompts);
    window->command(40028);
    ASSERT_TRUE(waitUntil([&] { return window->hasExtension(); }));

    // When the movie plays to its end
    DsCtrl::SetCurrentPositionMilis(2700);
    ASSERT_TRUE(waitForCode(4));
    ASSERT_TRUE(waitUntil([&] {
        return !extension.messages.empty() && extension.messages.back().identifier == platform::WM_CLOSE;
    }));

    // Then the recording got code 4 with the end's time, then the close request
    const auto& messages = extension.messages;
    ASSERT_GE(messages.size(), 2u);
    const auto& last = messages[messages.size() - 2];
    EXPECT_EQ(last.identifier, platform::WM_USER);
    EXPECT_EQ(last.wParam, 4u);
    EXPECT_EQ(last.lParam, recorder.timesOf(4).front());
}

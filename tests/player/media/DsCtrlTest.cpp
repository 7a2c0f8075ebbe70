#include "player/media/DsCtrl.h"
#include "FakeVideoWindow.h"
#include "TestMovies.h"
#include "player/media/DsCtrlState.h"

#include <QDir>
#include <QFile>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;
using testing::Not;

namespace {

class DsCtrlTest : public testing::Test
{
protected:
    void SetUp() override { movies = &testMovies(); }
    void TearDown() override { DsCtrl::CloseInterfaces(); }

    void open(const QString& file, ViewScale scale = {})
    {
        ASSERT_EQ(DsCtrl::PlayMovieInWindow(file, window, scale), media_result::Ok);
    }

    const TestMovies* movies = nullptr;
    FakeVideoWindow window;
};

} // namespace

TEST_F(DsCtrlTest, SoundOnlyFileFailsAfterEveryFrameRateFallback)
{
    LogCapture log;
    EXPECT_NE(DsCtrl::PlayMovieInWindow(movies->soundOnly, window, {}), media_result::Ok);
    const std::string text = log.text();
    EXPECT_THAT(text, HasSubstr("Set time format didn't work... asking the frame grabber"));
    EXPECT_THAT(text, HasSubstr("No video stream"));
    EXPECT_THAT(text, HasSubstr("Asking the frame grabber didn't work... setting 100fps"));
    EXPECT_THAT(text, HasSubstr("time per frame: 100000"));
    EXPECT_THAT(text, HasSubstr("File should contain video stream"));
    EXPECT_EQ(window.shown, 0);
}

TEST_F(DsCtrlTest, FilesThatCannotPlayFailWithTheirCode)
{
    const QString notAMovie = movies->folder + QStringLiteral("/notes.avi");
    {
        QFile file(notAMovie);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is not a movie\n");
    }
    const std::pair<QString, MediaResult> cases[] = {
        {movies->folder + QStringLiteral("/missing.avi"), media_result::FileNotFound},
        {notAMovie, media_result::UnsupportedStream},
        {QString(), media_result::NoMovie},
    };
    for (const auto& [file, expected] : cases) {
        LogCapture log;
        EXPECT_EQ(DsCtrl::PlayMovieInWindow(file, window, {}), expected) << file.toStdString();
        if (!file.isEmpty()) {
            EXPECT_THAT(log.text(),
                        HasSubstr("RenderFileToVideoRenderer() failed: " + std::to_string(expected)));
        }
        DsCtrl::CloseInterfaces();
        EXPECT_FALSE(DsCtrl::IsMovieOpen());
    }
    EXPECT_EQ(window.shown, 0);
}

TEST_F(DsCtrlTest, MovieOpensFittedToItsVideoAndPlays)
{
    // A relative name that starts like a URI and is not ASCII is still a file.
    const QString oddName = QStringLiteral("Film: r\u0119ka.avi");
    QFile::copy(movies->videoOnly, movies->folder + QStringLiteral("/") + oddName);
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(movies->folder);
    for (const QString& file : {movies->withSound, movies->videoOnly, oddName}) {
        SCOPED_TRACE(file.toStdString());
        FakeVideoWindow fresh;
        LogCapture log;
        ASSERT_EQ(DsCtrl::PlayMovieInWindow(file, fresh, {}), media_result::Ok);

        EXPECT_EQ(DsCtrl::NativeVideoSize(), QSize(160, 120));
        EXPECT_EQ(fresh.size, QSize(160, 120));
        // The client area less the slider strip is wider than 4:3: the picture stands in its middle
        EXPECT_EQ(DsCtrl::VideoRect(), QRect(14, 0, 131, 98));
        EXPECT_EQ(DsCtrl::SourceRect(), QRect(0, 0, 160, 120));
        EXPECT_EQ(fresh.shown, 1);
        EXPECT_EQ(DsCtrl::GetTotalTimeMilis(), 3000);
        EXPECT_EQ(DsCtrl::GetTotalTimeFrames(), 75);
        EXPECT_EQ(DsCtrl::TimePerFrame(), 400000);
        EXPECT_THAT(log.text(), HasSubstr("time per frame: 400000"));
        EXPECT_THAT(log.text(), Not(HasSubstr("asking the frame grabber")));
        EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Running);
        // Video and audio streams only: no subtitles (bit 2), no visualisation (bit 3).
        guint flags = 0;
        g_object_get(DsCtrl::detail::state().graph, "flags", &flags, nullptr);
        EXPECT_EQ(flags & 0xFu, 0x3u);

        ASSERT_TRUE(waitUntil([&] { return fresh.videoChanges > 1 && !DsCtrl::NewestFrame().isNull(); }));
        const QImage frame = DsCtrl::NewestFrame();
        EXPECT_EQ(frame.size(), QSize(160, 120));
        EXPECT_EQ(frame.format(), QImage::Format_RGB32);
        DsCtrl::CloseInterfaces();
    }
    QDir::setCurrent(previousFolder);
}

TEST_F(DsCtrlTest, ViewScaleChoosesThePartOfEachFrame)
{
    open(movies->videoOnly, {0.5, 1.0});
    EXPECT_EQ(window.size, QSize(80, 120));
    EXPECT_EQ(DsCtrl::SourceRect(), QRect(0, 0, 80, 120));

    // Full screen: the window keeps its size and the video keeps its own; the
    // part shown keeps its shape, 8:3 for the top half and 4:3 for the whole frame.
    window.normalFrame = false;
    window.size = QSize(1920, 1080);
    ASSERT_EQ(DsCtrl::InitVideoWindow(window, {1.0, 0.5}), media_result::Ok);
    EXPECT_EQ(window.size, QSize(1920, 1080));
    EXPECT_EQ(DsCtrl::SourceRect(), QRect(0, 0, 160, 60));
    EXPECT_EQ(DsCtrl::VideoRect(), QRect(0, 169, 1920, 720));
    ASSERT_EQ(DsCtrl::MoveVideoWindow(QRect(0, 0, 1920, 1080), {}), media_result::Ok);
    EXPECT_EQ(DsCtrl::VideoRect(), QRect(240, 0, 1440, 1080));
    EXPECT_EQ(DsCtrl::SourceRect(), QRect(0, 0, 160, 120));

    // The client area lies below a menu bar inside the window.
    window.normalFrame = true;
    window.menuHeight = 20;
    ASSERT_EQ(DsCtrl::InitVideoWindow(window, {}), media_result::Ok);
    EXPECT_EQ(window.size, QSize(160, 120));
    EXPECT_EQ(DsCtrl::VideoRect(), QRect(28, 0, 104, 78));

    DsCtrl::CloseInterfaces();
    EXPECT_NE(DsCtrl::InitVideoWindow(window, {}), media_result::Ok);
    EXPECT_EQ(window.size, QSize(960, 384));
}

TEST_F(DsCtrlTest, FrameRateProbeReadsTheFileItself)
{
    EXPECT_EQ(DsCtrl::GrabTimePerFrame(movies->withSound), 400000);
    {
        LogCapture log;
        EXPECT_EQ(DsCtrl::GrabTimePerFrame(movies->folder + QStringLiteral("/missing.avi")), -1);
        EXPECT_THAT(log.text(), HasSubstr("AddSourceFilter() failed: "));
        EXPECT_THAT(log.text(), Not(HasSubstr("No video stream")));
    }
    LogCapture log;
    EXPECT_EQ(DsCtrl::GrabTimePerFrame(movies->soundOnly), -1);
    EXPECT_THAT(log.text(), HasSubstr("No video stream"));
}

TEST(ChooseTimePerFrame, PrefersFrameCountThenProbeThenTenMilliseconds)
{
    struct Case
    {
        std::int64_t totalMs, frames;
        std::int32_t probe, expected;
        bool asksProbe, fallsBack;
    };
    const Case cases[] = {
        {3000, 75, 1, 400000, false, false},     {1001, 30, 1, 333666, false, false},
        {3000, -1, 333667, 333667, true, false}, {-1, 75, 400000, 400000, true, false},
        {3000, -1, -1, 100000, true, true},
    };
    for (const Case& c : cases) {
        LogCapture log;
        int probes = 0;
        EXPECT_EQ(DsCtrl::ChooseTimePerFrame(c.totalMs, c.frames,
                                             [&] {
                                                 ++probes;
                                                 return c.probe;
                                             }),
                  c.expected);
        const std::string text = log.text();
        EXPECT_EQ(probes, c.asksProbe ? 1 : 0);
        EXPECT_EQ(text.find("Set time format didn't work... asking the frame grabber") != std::string::npos,
                  c.asksProbe);
        EXPECT_EQ(text.find("Asking the frame grabber didn't work... setting 100fps") != std::string::npos,
                  c.fallsBack);
        EXPECT_THAT(text, HasSubstr("time per frame: " + std::to_string(c.expected)));
    }
}

TEST_F(DsCtrlTest, MovieWithoutFrameRatePlaysAtHundredFramesPerSecond)
{
    open(movies->noFrameRate);
    EXPECT_EQ(DsCtrl::TimePerFrame(), 100000);
}

TEST_F(DsCtrlTest, SeeksAreExactAndNeverBeforeTheStart)
{
    open(movies->withSound);
    ASSERT_EQ(DsCtrl::PauseGraph(), media_result::Ok);
    DsCtrl::SetCurrentPositionMilis(1000);
    EXPECT_EQ(DsCtrl::GetCurrentPositionMilis(), 1000);
    EXPECT_EQ(DsCtrl::ChangeCurrentPositionMilis(400), 1400);
    EXPECT_EQ(DsCtrl::GetCurrentPositionMilis(), 1400);
    EXPECT_EQ(DsCtrl::ChangeCurrentPositionMilis(-40), 1360);
    EXPECT_EQ(DsCtrl::ChangeCurrentPositionMilis(-5000), 0);
    EXPECT_EQ(DsCtrl::GetCurrentPositionMilis(), 0);
    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Paused);
    // Routine pipeline messages do not wake the window.
    waitUntil([] { return false; }, 3 * DsCtrl::kGraphPollIntervalMs);
    EXPECT_EQ(window.graphNotifications, 0);
}

TEST_F(DsCtrlTest, RateChangesMultiplyAndReset)
{
    open(movies->withSound);
    LogCapture log;
    DsCtrl::MultiplySpeed(1.5);
    EXPECT_DOUBLE_EQ(DsCtrl::GetRate(), 1.5);
    DsCtrl::MultiplySpeed(1.5);
    EXPECT_DOUBLE_EQ(DsCtrl::GetRate(), 2.25);
    DsCtrl::MultiplySpeed(0.6666667);
    EXPECT_NEAR(DsCtrl::GetRate(), 1.5, 1e-6);
    DsCtrl::SetNormalSpeed();
    EXPECT_DOUBLE_EQ(DsCtrl::GetRate(), 1.0);
    EXPECT_THAT(log.text(), Not(HasSubstr("failed")));
    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Running);
}

TEST_F(DsCtrlTest, PauseResumeTogglesButLeavesAStoppedMovieAlone)
{
    open(movies->videoOnly);
    EXPECT_FALSE(DsCtrl::PauseResume());
    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Paused);
    EXPECT_TRUE(DsCtrl::PauseResume());
    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Running);
    ASSERT_EQ(DsCtrl::StopGraph(), media_result::Ok);
    EXPECT_FALSE(DsCtrl::PauseResume());
    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Stopped);
}

TEST_F(DsCtrlTest, EndOfStreamReachesTheWindowAndCompletesTheMovie)
{
    open(movies->withSound);
    EXPECT_FALSE(DsCtrl::MovieCompleted());
    DsCtrl::SetCurrentPositionMilis(2800);
    ASSERT_TRUE(waitUntil([] { return DsCtrl::MovieCompleted(); }));
    EXPECT_GT(window.graphNotifications, 0);

    // Opening again starts afresh.
    open(movies->withSound);
    EXPECT_FALSE(DsCtrl::MovieCompleted());
}

TEST_F(DsCtrlTest, WithoutAMovieEverythingIsQuiet)
{
    LogCapture log;
    EXPECT_FALSE(DsCtrl::IsMovieOpen());
    EXPECT_EQ(DsCtrl::GetCurrentPositionMilis(), 0);
    EXPECT_EQ(DsCtrl::ChangeCurrentPositionMilis(-100), 0);
    DsCtrl::SetCurrentPositionMilis(100);
    DsCtrl::MultiplySpeed(1.5);
    EXPECT_EQ(DsCtrl::GetRate(), 1.0);
    EXPECT_EQ(DsCtrl::GetTotalTimeMilis(), -1);
    EXPECT_EQ(DsCtrl::GetTotalTimeFrames(), -1);
    EXPECT_THAT(log.text(), HasSubstr("No pMS"));
    EXPECT_FALSE(DsCtrl::PauseResume());
    EXPECT_EQ(DsCtrl::HandleGraphEvent(), media_result::NoMovie);
    EXPECT_EQ(DsCtrl::GetMixerBitmap(), nullptr);
    EXPECT_FALSE(DsCtrl::HasVideo());
    EXPECT_TRUE(DsCtrl::NewestFrame().isNull());
}

TEST(Letterbox, ThePictureKeepsItsShapeCentredInAnyArea)
{
    struct Case
    {
        QRect area;
        QSize shape;
        QRect picture;
    };
    const Case cases[] = {
        {QRect(0, 0, 960, 340), QSize(1920, 1080), QRect(178, 0, 604, 340)},  // wider: bars left and right
        {QRect(0, 0, 960, 900), QSize(1920, 1080), QRect(0, 180, 960, 540)},  // taller: bars above and below
        {QRect(10, 20, 640, 360), QSize(1280, 720), QRect(10, 20, 640, 360)}, // the same shape: no bars
        {QRect(0, 0, 3, 1000), QSize(1920, 1080), QRect(0, 499, 3, 2)},       // a sliver still shows a pixel
        {QRect(0, 0, 1000, 1), QSize(100, 4000), QRect(499, 0, 1, 1)},        // never less than one pixel
        {QRect(0, 0, 640, 480), QSize(0, 0), QRect(0, 0, 640, 480)},          // no shape known: the area
        {QRect(5, 5, 0, 0), QSize(16, 9), QRect(5, 5, 0, 0)},                 // no area: nothing
    };
    for (const Case& c : cases) {
        const QRect picture = DsCtrl::Letterboxed(c.area, c.shape);
        EXPECT_EQ(picture, c.picture) << c.area.width() << "x" << c.area.height() << " for "
                                      << c.shape.width() << "x" << c.shape.height();
        if (!c.area.isEmpty()) {
            EXPECT_TRUE(c.area.contains(picture));
        }
    }
}

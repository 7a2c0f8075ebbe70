#include "player/core/MovieSession.h"

#include "FakeVideoWindow.h"
#include "TestMovies.h"
#include "common/LinkCodes.h"
#include "player/core/AppCtrl.h"
#include "player/core/ClockView.h"
#include "player/core/MovieScreen.h"
#include "player/core/PlaybackClock.h"
#include "player/core/RecorderLink.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/DsCtrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The window as the session sees it: a record of what it was asked.
class FakeScreen : public MovieScreen
{
public:
    QString chooseMovie() override { return {}; }
    bool askYesNo(const QString& question) override
    {
        questions.push_back(question);
        return false;
    }
    void tell(const QString& message) override { told.push_back(message); }
    void setFullScreen(bool on) override { fullScreen = on; }
    void overlayOpened(bool idle) override { idleShown.push_back(idle); }
    void movieOpened() override { ++opened; }
    void movieClosed() override { ++closed; }

    std::vector<QString> questions;
    std::vector<QString> told;
    std::vector<bool> idleShown;
    bool fullScreen = false;
    int opened = 0;
    int closed = 0;
};

// The pipeline's news go to the session, as the main window passes them on.
class SessionVideoWindow : public FakeVideoWindow
{
public:
    void graphNotify() override { session->movieEvent(); }
    MovieSession* session = nullptr;
};

// The clock's side of the window is not under test here: its ticks see a standing movie.
class QuietView : public ClockView
{
public:
    int moviePositionMs() const override { return 0; }
    void startMovie() override {}
    void seekMovie(int) override {}
    void finishExamination(int) override {}
    void drawOverlay(int) override {}
    void setSliderPosition(int) override {}
    void UpdateTitle(int, int) override {}
};

struct Post
{
    std::string to;
    std::uint32_t identifier;
    std::uint64_t code;
    std::int64_t value;
};

class MovieSessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        link.setPost([this](const platform::WindowHandle& window, std::uint32_t identifier,
                            std::uint64_t code, std::int64_t value) {
            posts.push_back({window.string(), identifier, code, value});
        });
        app.serverWindow = "/recorder";
        link.setExtensionWindow("/extension");
        app.recordingOffset = 100;
        app.movieFileName = testMovies().videoOnly;
        // No tick comes between the steps of a test: every report here is the session's.
        clock.setInterval(1 << 30);
        video.session = &session;
    }

    void TearDown() override { DsCtrl::CloseInterfaces(); }

    // The messages one window got: code and value, WM_CLOSE as code -1.
    std::vector<std::pair<std::int64_t, std::int64_t>> to(const std::string& window) const
    {
        std::vector<std::pair<std::int64_t, std::int64_t>> got;
        for (const Post& post : posts)
            if (post.to == window)
                got.emplace_back(post.identifier == platform::WM_CLOSE ? -1
                                                                       : static_cast<std::int64_t>(post.code),
                                 post.value);
        return got;
    }

    AppCtrl app;
    TimeLineManager results;
    ShotLine shots{results};
    QuietView view;
    RecorderLink link{app};
    PlaybackClock clock{view, app, shots, link};
    SessionVideoWindow video;
    FakeScreen screen;
    MovieSession session{app, video, screen, shots, clock, link};
    std::vector<Post> posts;
};

} // namespace

TEST_F(MovieSessionTest, AnExaminationReportsItsDurationFirstAndFinishesOnceWithCode4AndTheQuit)
{
    app.mode = AppCtrl::Mode::Play;
    session.open();
    ASSERT_TRUE(DsCtrl::IsMovieOpen());
    EXPECT_EQ(screen.opened, 1);
    EXPECT_EQ(screen.idleShown, std::vector<bool>{false});
    ASSERT_EQ(to("/recorder").size(), 1u);
    EXPECT_EQ(to("/recorder")[0].first, static_cast<std::int64_t>(LinkCode::duration));
    EXPECT_NEAR(static_cast<double>(to("/recorder")[0].second), 3000, 100);

    // The end of the play window and then the end of the movie: one code 4, one close request, one quit
    session.finishExamination(1234);
    session.finishExamination(1300);
    EXPECT_EQ(to("/recorder").back(), (std::pair<std::int64_t, std::int64_t>{4, 1234}));
    EXPECT_EQ(to("/recorder").size(), 2u);
    EXPECT_EQ(to("/extension"), (std::vector<std::pair<std::int64_t, std::int64_t>>{{-1, 0}}));
    EXPECT_EQ(app.quitCode, 0);
    EXPECT_FALSE(clock.isActive());
}

TEST_F(MovieSessionTest, TheCameraRecordingHearsTheEndOfTheMovieWithItsOffsetBeforeItIsClosed)
{
    app.mode = AppCtrl::Mode::Play;
    session.open();
    ASSERT_TRUE(DsCtrl::IsMovieOpen());
    DsCtrl::SetCurrentPositionMilis(2700);

    ASSERT_TRUE(waitUntil([&] { return app.quitCode.has_value(); }));
    const auto recorder = to("/recorder");
    const auto extension = to("/extension");
    ASSERT_EQ(extension.size(), 2u);
    EXPECT_EQ(extension[0].first, 4);
    EXPECT_EQ(extension[1].first, -1);
    EXPECT_EQ(recorder.back().first, 4);
    EXPECT_GE(recorder.back().second, 2700);
    EXPECT_EQ(extension[0].second, recorder.back().second + 100);
}

TEST_F(MovieSessionTest, OutsideAnExaminationTheEndIsToldOnceAndTheMovieStaysOpenUntilEscape)
{
    app.mode = AppCtrl::Mode::File;
    app.beginTimeMs = 2700;
    session.open();
    ASSERT_TRUE(DsCtrl::IsMovieOpen());
    // Opened paused at its begin time; the extension follows the seek
    EXPECT_EQ(to("/extension"), (std::vector<std::pair<std::int64_t, std::int64_t>>{{8, 2800}}));
    DsCtrl::RunGraph();

    ASSERT_TRUE(waitUntil([&] { return to("/extension").size() == 2; }));
    EXPECT_EQ(to("/extension")[1].first, 4);
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(to("/extension").size(), 2u);
    EXPECT_TRUE(DsCtrl::IsMovieOpen());
    EXPECT_FALSE(app.quitCode.has_value());

    // Escape closes the movie and tells the extension, but the program goes on
    session.escape();
    EXPECT_EQ(to("/extension").size(), 3u);
    EXPECT_EQ(to("/extension")[2].first, 4);
    EXPECT_FALSE(DsCtrl::IsMovieOpen());
    EXPECT_EQ(screen.closed, 1);
    EXPECT_TRUE(app.movieFileName.isEmpty());
    EXPECT_FALSE(app.quitCode.has_value());
    EXPECT_TRUE(to("/recorder").empty()) << "only an examination reports to the recorder";
}

TEST_F(MovieSessionTest, AnExaminationScreenAsksNothingAndEscapeReportsTheEndToBoth)
{
    app.mode = AppCtrl::Mode::Play;
    app.playDelayMs = 5000;
    session.open();
    ASSERT_TRUE(DsCtrl::IsMovieOpen());
    EXPECT_EQ(screen.idleShown, std::vector<bool>{true});
    EXPECT_EQ(DsCtrl::GetGraphState(), DsCtrl::GraphState::Paused);
    shots.addShot(Shot{1000, 2});
    shots.setModified(true);
    session.interestingPoint();

    session.escape();
    EXPECT_TRUE(screen.questions.empty());
    const auto recorder = to("/recorder");
    ASSERT_EQ(recorder.size(), 3u);
    EXPECT_EQ(recorder[1].first, 16);
    EXPECT_EQ(recorder[2].first, 4);
    EXPECT_EQ(to("/extension").size(), 2u);
    EXPECT_EQ(to("/extension").back().first, -1);
    EXPECT_EQ(app.quitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(shotFileOf(testMovies().videoOnly.toStdString())));
}

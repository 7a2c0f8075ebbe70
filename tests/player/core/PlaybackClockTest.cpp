#include "player/core/PlaybackClock.h"
#include "common/LinkCodes.h"
#include "platform/window_bus.h"
#include "player/core/AppCtrl.h"
#include "player/core/ClockView.h"
#include "player/core/RecorderLink.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The movie and the window as the clock sees them: a position the test moves,
// and a record of what the clock asked for.
class FakeView : public ClockView
{
public:
    int moviePositionMs() const override { return position; }
    void startMovie() override { ++starts; }
    void seekMovie(int positionMs) override { position = positionMs; }
    void finishExamination(int positionMs) override { finishedAt.push_back(positionMs); }
    void drawOverlay(int positionMs) override { drawn.push_back(positionMs); }
    void setSliderPosition(int value) override { slider = value; }
    void UpdateTitle(int, int) override { ++titles; }

    int position = 0;
    int starts = 0;
    std::vector<int> finishedAt;
    std::vector<int> drawn;
    int slider = -1;
    int titles = 0;
};

class PlaybackClockTest : public testing::Test
{
protected:
    void SetUp() override
    {
        link.setPost([this](const platform::WindowHandle& window, std::uint32_t identifier,
                            std::uint64_t code, std::int64_t value) {
            if (window == app.serverWindow && identifier == platform::WM_USER &&
                code == LinkCode::synchronisation)
                reported.push_back(static_cast<int>(value));
        });
        app.mode = AppCtrl::Mode::Play;
        app.serverWindow = "/recorder";
        shots.addShot(Shot{});
        clock.setTickCount([this] { return now; });
    }

    std::int64_t now = 1000;
    std::vector<int> reported;
    FakeView view;
    AppCtrl app;
    TimeLineManager results;
    ShotLine shots{results};
    RecorderLink link{app};
    PlaybackClock clock{view, app, shots, link};
};

} // namespace

TEST_F(PlaybackClockTest, TicksEvery64MsAndReportsEachNewPositionOnceInPlayMode)
{
    EXPECT_EQ(clock.intervalMs(), 64);
    clock.start(10000);
    EXPECT_TRUE(clock.isActive());

    // One second of a playing movie, tick by tick
    std::vector<int> positions;
    for (int t = 0; t < 1000; t += clock.intervalMs()) {
        now += clock.intervalMs();
        view.position = t;
        positions.push_back(t);
        clock.TimerProc();
        EXPECT_EQ(reported.size(), positions.size());
    }
    ASSERT_EQ(positions.size(), 16u);
    EXPECT_EQ(reported, positions);
    EXPECT_EQ(view.drawn, positions);
    EXPECT_EQ(view.slider, 960 * 1000 / 10000);

    // A standing movie reports and draws nothing more
    for (int i = 0; i < 5; ++i)
        clock.TimerProc();
    EXPECT_EQ(reported.size(), 16u);
    EXPECT_EQ(view.drawn.size(), 16u);
    EXPECT_EQ(view.titles, 16);

    // Outside PLAY mode the movie time is not reported
    app.mode = AppCtrl::Mode::File;
    view.position = 1100;
    clock.TimerProc();
    EXPECT_EQ(reported.size(), 16u);
    EXPECT_EQ(view.drawn.back(), 1100);
}

TEST_F(PlaybackClockTest, ADelayedStartAndTheEndOfThePlayWindowComeOnceEach)
{
    // Given a start 3 s from now and a play window ending at 300 ms
    app.endTimeMs = 300;
    clock.start(3000);
    clock.delayStart(3000);

    now += 3000;
    clock.TimerProc();
    EXPECT_EQ(view.starts, 0);
    now += 1;
    clock.TimerProc();
    EXPECT_EQ(view.starts, 1);
    EXPECT_FALSE(clock.startPending());

    view.position = 300;
    clock.TimerProc();
    EXPECT_TRUE(view.finishedAt.empty());
    view.position = 364;
    clock.TimerProc();
    EXPECT_EQ(view.finishedAt, std::vector<int>{364});
    EXPECT_FALSE(clock.isActive());
    EXPECT_EQ(reported, (std::vector<int>{0, 300}));
}

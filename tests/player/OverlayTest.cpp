#include "PlayerWindowFixture.h"
#include "data/ResultsText.h"
#include "player/PlayerMenus.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/DsCtrl.h"
#include "player/overlay/DxCtrl.h"
#include "player/overlay/Graphics.h"

#include <QAction>
#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>

using player_test::PlayerWindowTest;
using testing_support::writeFile;

namespace {

// A viewer looking at one point the whole time, pupil large enough that its
// hole lies inside the green focus ring.
std::string steadyGaze(int x, int y, int pupil = 120000)
{
    std::vector<results_text::Row> rows;
    for (int t = 0; t <= 3000; t += 20)
        rows.push_back({t, x, y, 1, pupil, 0});
    return results_text::fileOf(rows);
}

} // namespace

TEST(HeatMap, ColoursFollowTheShareOfViewers)
{
    const HeatThresholds t;
    struct Case
    {
        std::uint32_t cell;
        int results;
        QRgb colour;
    };
    const Case cases[] = {
        {0, 4, 0},                                // nobody looks here
        {4, 4, 0xCFFF0000},                       // everybody: red
        {1, 1, 0xCFFF0000},                       // the only viewer: red
        {1, 8, 0xCF0000FF | (127u << 8)},         // 1/8: half-way from blue to cyan
        {3, 8, 0xCF00FF00 | 127u},                // 3/8: half-way from cyan to green
        {5, 8, 0xCF00FF00 | (127u << 16)},        // 5/8: half-way from green to yellow
        {7, 8, 0xCFFF0000 | (127u << 8)},         // 7/8: half-way from yellow to red
        {200u << 24, 4, (200u << 24) | 0xFF00FF}, // a mark where nobody looks: magenta
        {2, 0, 0xCFFF0000},                       // no results count as one
    };
    for (const Case& c : cases)
        EXPECT_EQ(DxCtrl::heatColour(c.cell, t, c.results), c.colour)
            << std::hex << c.cell << " of " << c.results;
}

TEST(HeatMap, CirclesAreCountedInTheVisibleAreaAndKeepTheAspect)
{
    DxCtrl dx(256);
    dx.SetAspect(320, 160); // visible rows: half the columns
    EXPECT_EQ(dx.visibleHeight(), 128);
    dx.AddCircle(0.5, 0.5, 10);
    dx.AddCircle(0.5, 0.5, 10);
    EXPECT_EQ(dx.cell(128, 64), 2u);
    EXPECT_EQ(dx.cell(128 + 9, 64), 2u);
    EXPECT_EQ(dx.cell(128 + 10, 64), 0u);
    // Far outside the screen or near its edge: drawn where it falls, never past the canvas.
    dx.AddCircle(-40.0, 70.0, 10);
    dx.AddCircle(0.0, 0.0, 200);
    EXPECT_EQ(dx.cell(0, 0), 1u);

    const QImage surface = dx.GetSurface({}, 2);
    EXPECT_EQ(surface.size(), QSize(256, 128));
    EXPECT_EQ(surface.pixel(128, 64), 0xCFFF0000u);

    // A circle far larger than the canvas (a long steady gaze, a large setting) covers all of it
    dx.ClearCanvas();
    dx.AddCircle(0.5, 0.5, 65536);
    dx.AddCircle(0.5, 0.5, 2000000000);
    EXPECT_EQ(dx.cell(0, 0), 2u);
    EXPECT_EQ(dx.cell(255, 127), 2u);
}

TEST(HeatMap, MarksAreSetOverTheirRectangle)
{
    DxCtrl dx(512);
    dx.SetAspect(100, 100);
    dx.SetMark(QRectF(0.5, 0.5, 0.25, 0.25), 64);
    dx.OrMark(QRectF(0.5, 0.5, 0.25, 0.25), 128);
    EXPECT_EQ(dx.cell(256, 256) >> 24, 192u);
    EXPECT_EQ(dx.cell(383, 383) >> 24, 192u);
    EXPECT_EQ(dx.cell(384, 384) >> 24, 0u);
    EXPECT_EQ(dx.cell(255, 256), 0u);
}

TEST(Overlay, OneViewerIsAGreenRingWithCyanFocusAndAPupilHoleAtTheGazePoint)
{
    const OverlayOptions app;
    const Graphics graphics(256, QSize(510, 255));
    TimeLineItem item{};
    item.avgX = 250000;
    item.avgY = 500000;
    item.blink = 1;
    item.pupil = 120000;  // hole inset 100
    item.stillCount = 10; // cyan inset 50

    const AlphaBitmap gaze = graphics.singleViewer(item, app);
    EXPECT_EQ(gaze.image.pixel(127, 127) & 0xFFFFFF, 0x000000u); // the pupil hole, keyed out
    EXPECT_EQ(gaze.image.pixel(127 + 40, 127) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(gaze.image.pixel(127 + 60, 127) & 0xFFFFFF, 0x00FFFFu);
    EXPECT_EQ(gaze.image.pixel(127 + 90, 127) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(gaze.colourKey, QRgb(0));
    EXPECT_DOUBLE_EQ(gaze.alpha, 0.7);
    // 255 pixels of a 510 x 255 video: a quarter of the width, the whole height.
    EXPECT_DOUBLE_EQ(gaze.destination.left(), 0.0);
    EXPECT_DOUBLE_EQ(gaze.destination.right(), 0.5);
    EXPECT_DOUBLE_EQ(gaze.destination.top(), 0.0);
    EXPECT_DOUBLE_EQ(gaze.destination.bottom(), 1.0);

    // Near an interesting point the pupil is red; without a position nothing shows.
    item.nearAction = 1;
    EXPECT_EQ(graphics.singleViewer(item, app).image.pixel(127, 127) & 0xFFFFFF, 0xFF0000u);
    item.blink = -1;
    const QImage hidden = graphics.singleViewer(item, app).image;
    EXPECT_EQ(hidden.pixel(127 + 40, 127) & 0xFFFFFF, 0u);
}

TEST(Overlay, ManyViewersShowHeatPupilBarAndKeypoints)
{
    testing_support::TempDir folder;
    AppCtrl app;
    TimeLineManager results;
    for (const char* name : {"a.csv", "b.csv"}) {
        writeFile(folder / name, steadyGaze(500000, 500000, 30000));
        ASSERT_EQ(results.add(folder / name, app.eventsNum, app.filterRadius, app.actionRadius), 0);
    }
    results.calculateStats();
    ShotLine shots(results);
    shots.addShot(Shot{});
    MixerBitmap mixer;
    Graphics graphics(256, QSize(256, 256));

    graphics.DrawMulti(mixer, results, shots, 1000, OverlayOptions{});

    const DxCtrl& canvas = graphics.canvas();
    EXPECT_EQ(canvas.cell(128, 128) & 0xFFFFFF, 2u);
    // The pupil never changes: the filled part has no length, the rest is faint.
    const int barRow = static_cast<int>(0.86 * 256);
    EXPECT_EQ(canvas.cell(static_cast<int>(0.05 * 256), barRow) >> 24, 0u);
    EXPECT_EQ(canvas.cell(static_cast<int>(0.3 * 256), barRow) >> 24, 64u);
    // Two viewers, neither with an interesting point in the shot.
    const int keyRow = static_cast<int>(0.77 * 256);
    EXPECT_EQ(canvas.cell(static_cast<int>(0.055 * 256), keyRow) >> 24, 48u);
    EXPECT_EQ(canvas.cell(static_cast<int>(0.075 * 256), keyRow) >> 24, 48u);
    EXPECT_EQ(canvas.cell(static_cast<int>(0.095 * 256), keyRow) >> 24, 0u);
    EXPECT_EQ(mixer.parameters().destination, QRectF(0, 0, 1, 1));
    EXPECT_FALSE(mixer.isEmpty());
}

TEST_F(PlayerWindowTest, ResultsFileShowsTheGazeOverTheMovie)
{
    // Given a viewer looking at the centre and the movie opened with that file
    writeFile(folder / "viewer.csv", steadyGaze(500000, 500000));
    app.mode = AppCtrl::Mode::File;
    app.resultsPath = QString::fromStdString((folder / "viewer.csv").string());
    app.movieFileName = movies->videoOnly;
    startAndOpen();
    ASSERT_TRUE(waitUntil([] { return DsCtrl::GetMixerBitmap() && !DsCtrl::GetMixerBitmap()->isEmpty(); }));
    ASSERT_TRUE(waitUntil([] { return !DsCtrl::NewestFrame().isNull(); }));

    // Then the green ring lies around the centre of the video, the hole shows the movie
    const QImage shown = window->videoWidget()->grab().toImage();
    const QRect video = DsCtrl::VideoRect();
    const QRect ring = DsCtrl::GetMixerBitmap()->destinationIn(video);
    const QPoint centre = ring.center();
    const QRgb onRing = shown.pixel(centre.x() + ring.width() * 37 / 255, centre.y());
    EXPECT_GE(qGreen(onRing), 178) << std::hex << onRing;
    EXPECT_LE(qRed(onRing), 78) << std::hex << onRing;
    EXPECT_LE(qBlue(onRing), 78) << std::hex << onRing;
    EXPECT_EQ(centre, video.center());
}

TEST_F(PlayerWindowTest, AFolderOfResultsShowsTheHeatMapAndOptionsApplyAtOnce)
{
    // Given two viewers of the movie loaded from their folder, the movie paused
    const auto results = folder / "results";
    std::filesystem::create_directory(results);
    writeFile(results / "a.csv", steadyGaze(500000, 500000));
    writeFile(results / "b.csv", steadyGaze(500000, 500000));
    writeFile(results / "notes.txt", "not a results file");
    app.mode = AppCtrl::Mode::Directory;
    app.resultsPath = QString::fromStdString(results.string());
    app.movieFileName = movies->videoOnly;
    startAndOpen();
    ASSERT_EQ(window->results().timeLines().size(), 2u);
    ASSERT_TRUE(waitUntil([&] { return window->graphics() && !DsCtrl::GetMixerBitmap()->isEmpty(); }));
    const int n = window->graphics()->canvas().resolution();
    const int middleRow = window->graphics()->canvas().visibleHeight() / 2;
    EXPECT_EQ(window->graphics()->canvas().cell(n / 2, middleRow) & 0xFFFFFF, 2u);

    // When the heat map is switched off, the standing movie shows it gone
    window->command(ID_SHOW_HEATMAP);
    EXPECT_EQ(window->graphics()->canvas().cell(n / 2, middleRow) & 0xFFFFFF, 0u);
}

TEST_F(PlayerWindowTest, TheLegendIsShownOnlyWhenTheViewMenuAsksForIt)
{
    // Given two viewers over a black movie, the legend off as it starts
    const auto results = folder / "results";
    std::filesystem::create_directory(results);
    writeFile(results / "a.csv", steadyGaze(300000, 600000));
    writeFile(results / "b.csv", steadyGaze(300000, 600000));
    app.mode = AppCtrl::Mode::Directory;
    app.resultsPath = QString::fromStdString(results.string());
    app.movieFileName = movies->blackLandscape;
    startAndOpen();
    ASSERT_FALSE(app.showLegend);
    ASSERT_TRUE(
        waitUntil([] { return !DsCtrl::GetMixerBitmap()->isEmpty() && !DsCtrl::NewestFrame().isNull(); }));
    const auto whiteInTopRight = [&] {
        const QImage shown = window->videoWidget()->grab().toImage();
        const QRect video = DsCtrl::VideoRect();
        int white = 0;
        for (int y = video.top(); y < video.top() + video.height() / 3; ++y)
            for (int x = video.center().x(); x <= video.right(); ++x)
                white += qGray(shown.pixel(x, y)) > 240;
        return white;
    };
    EXPECT_EQ(whiteInTopRight(), 0);

    // When the View menu's item is chosen, the legend's text stands in the picture's top right
    window->action(ID_SHOW_LEGEND)->trigger();
    EXPECT_TRUE(app.showLegend);
    EXPECT_GT(whiteInTopRight(), 10);

    // And chosen again, it is gone
    window->action(ID_SHOW_LEGEND)->trigger();
    EXPECT_EQ(whiteInTopRight(), 0);
}

TEST_F(PlayerWindowTest, TheBigCounterLeavesThePupilBarAndTheSquaresInSight)
{
    app.showBigCounter = true;
    app.movieFileName = movies->blackLandscape;
    startAndOpen();
    for (const bool fullScreen : {false, true}) {
        window->setFullScreen(fullScreen);
        waitUntil([] { return false; }, 50);
        ASSERT_TRUE(window->counter()->isVisible());
        // The pupil bar and the keypoint squares lie from 0.75 to 0.88 of the picture's height, from 0.05 of
        // its width on
        const QRect video = DsCtrl::VideoRect().translated(window->videoWidget()->pos());
        const QRect marks(QPoint(video.left() + static_cast<int>(0.05 * video.width()),
                                 video.top() + static_cast<int>(0.75 * video.height())),
                          QPoint(video.right(), video.top() + static_cast<int>(0.88 * video.height())));
        EXPECT_FALSE(window->counter()->geometry().intersects(marks))
            << (fullScreen ? "full screen" : "window");
    }
}

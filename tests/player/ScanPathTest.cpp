// One viewer's scan path over the frame: where its fixations are drawn, what is
// left out, and how the synchrony strip of many viewers is drawn.

#include "player/overlay/ScanPath.h"
#include "OverlayCanvas.h"
#include "PlayerWindowFixture.h"
#include "data/ResultsText.h"
#include "player/SynchronyStrip.h"
#include "player/core/PlayerCommand.h"
#include "player/data/TimeLineManager.h"
#include "player/media/MixerBitmap.h"
#include "player/media/VideoPainter.h"
#include "player/overlay/Graphics.h"

#include <QAction>
#include <QPainter>
#include <QSlider>
#include <gtest/gtest.h>

#include <optional>

using player_test::PlayerWindowTest;
using testing_support::writeFile;

namespace {

struct Spot
{
    double x;
    double y;
};

// A viewer at 60 Hz resting on each spot for restMs, with a jitter well under a
// tenth of a degree, jumping from one to the next in two samples.
std::string restingOn(const std::vector<Spot>& spots, int restMs)
{
    std::vector<results_text::Row> rows;
    int t = 0;
    int n = 0;
    for (std::size_t s = 0; s < spots.size(); ++s) {
        for (const int end = t + restMs; t < end; t += 17, ++n) {
            const int jitter = (n * 7919 % 11 - 5) * 150;
            rows.push_back({t, static_cast<int>(spots[s].x * 1e6) + jitter,
                            static_cast<int>(spots[s].y * 1e6) - jitter, 1, 120000, 0});
        }
        if (s + 1 < spots.size())
            for (int step = 1; step <= 2; ++step, t += 17)
                rows.push_back(
                    {t, static_cast<int>((spots[s].x + (spots[s + 1].x - spots[s].x) * step / 3) * 1e6),
                     static_cast<int>((spots[s].y + (spots[s + 1].y - spots[s].y) * step / 3) * 1e6), 1,
                     120000, 0});
    }
    return results_text::fileOf(rows);
}

bool isGold(QRgb c)
{
    return qRed(c) > 60 && qGreen(c) > 40 && qBlue(c) < 30 && qRed(c) > qGreen(c);
}

bool isWhiteish(QRgb c)
{
    return qRed(c) > 60 && qGreen(c) > 60 && qBlue(c) > 60;
}

// The centre of the matching pixels within radius of a point, if any.
std::optional<QPointF> centreNear(const QImage& image, QPointF at, int radius, bool (*match)(QRgb))
{
    double sumX = 0;
    double sumY = 0;
    int count = 0;
    for (int y = static_cast<int>(at.y()) - radius; y <= static_cast<int>(at.y()) + radius; ++y)
        for (int x = static_cast<int>(at.x()) - radius; x <= static_cast<int>(at.x()) + radius; ++x)
            if (image.rect().contains(x, y) && match(image.pixel(x, y))) {
                sumX += x + 0.5;
                sumY += y + 0.5;
                ++count;
            }
    if (count == 0)
        return std::nullopt;
    return QPointF(sumX / count, sumY / count);
}

int countMatching(const QImage& image, bool (*match)(QRgb))
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += match(image.pixel(x, y));
    return count;
}

class ScanPathDrawing : public ::testing::Test
{
protected:
    ScanPathDrawing()
    {
        const auto file = folder / "viewer.csv";
        writeFile(file, restingOn(spots, 600));
        AppCtrl app;
        EXPECT_EQ(results.add(file, app.eventsNum, app.filterRadius, app.actionRadius), 0);
        results.calculateStats();
    }

    // The overlay at positionMs over a frame of frameSize shown in a video rectangle of videoSize.
    QImage overlay(int positionMs, const OverlayOptions& options, QSize frameSize, QSize videoSize)
    {
        Graphics graphics(256, frameSize);
        MixerBitmap mixer;
        graphics.DrawSingle(mixer, results, positionMs, options);
        return player_test::composeOverBlack(mixer, frameSize, options.viewScaleX, options.viewScaleY,
                                             videoSize);
    }

    // Three places, far apart; the viewer rests on each for 600 ms and is on the last at 1500 ms.
    const std::vector<Spot> spots{{0.2, 0.25}, {0.55, 0.7}, {0.85, 0.3}};
    testing_support::TempDir folder;
    TimeLineManager results;
};

} // namespace

TEST_F(ScanPathDrawing, FixationsAreCirclesWhereTheViewerLookedJoinedByTheSaccades)
{
    const QSize video(800, 500);
    for (const QSize frame : {QSize(640, 360), QSize(500, 500), QSize(1920, 1080)})
        for (const auto& [scaleX, scaleY] : {std::pair{1.0, 1.0}, {0.5, 1.0}, {1.0, 0.5}}) {
            SCOPED_TRACE(testing::Message()
                         << frame.width() << "x" << frame.height() << " at " << scaleX << " x " << scaleY);
            OverlayOptions options;
            options.showScanPath = true;
            options.viewScaleX = scaleX;
            options.viewScaleY = scaleY;
            const QImage shown = overlay(1500, options, frame, video);

            // The view shows the part of the frame the viewer saw, so each fixation lies at its own place.
            for (int s = 0; s < 2; ++s) {
                const QPointF expected(spots[s].x * video.width(), spots[s].y * video.height());
                const auto circle = centreNear(shown, expected, 40, isGold);
                ASSERT_TRUE(circle.has_value()) << "fixation " << s;
                EXPECT_NEAR(circle->x(), expected.x(), 3.0) << "fixation " << s;
                EXPECT_NEAR(circle->y(), expected.y(), 3.0) << "fixation " << s;
            }
            // Half-way between the first two, the saccade's line.
            const QPointF middle((spots[0].x + spots[1].x) / 2 * video.width(),
                                 (spots[0].y + spots[1].y) / 2 * video.height());
            EXPECT_TRUE(centreNear(shown, middle, 3, isWhiteish).has_value());
            // Nowhere else: the corner far from every fixation stays black.
            EXPECT_FALSE(centreNear(shown, QPointF(20, video.height() - 20), 15, isGold).has_value());
        }
}

TEST_F(ScanPathDrawing, SwitchedOffOrOlderThanTheWindowNothingOfItIsDrawnAndACurrentOneGrows)
{
    const QSize frame(640, 360);
    OverlayOptions options;
    EXPECT_EQ(countMatching(overlay(1500, options, frame, frame), isGold), 0) << "switched off";

    // Switched on with the window shorter than the time since the first fixation ended: only it goes.
    options.showScanPath = true;
    options.scanPathWindowMs = 600;
    const QImage shown = overlay(1500, options, frame, frame);
    EXPECT_FALSE(
        centreNear(shown, QPointF(spots[0].x * frame.width(), spots[0].y * frame.height()), 30, isGold));
    EXPECT_TRUE(
        centreNear(shown, QPointF(spots[1].x * frame.width(), spots[1].y * frame.height()), 30, isGold));

    // A fixation under way is drawn as large as it has lasted so far.
    EXPECT_LT(countMatching(overlay(50, options, frame, frame), isGold),
              countMatching(overlay(500, options, frame, frame), isGold));
}

TEST(ScanPath, LongerFixationsAreLargerUpToASecond)
{
    EXPECT_LT(ScanPath::radiusShare(100), ScanPath::radiusShare(400));
    EXPECT_LT(ScanPath::radiusShare(400), ScanPath::radiusShare(1000));
    EXPECT_EQ(ScanPath::radiusShare(1000), ScanPath::radiusShare(5000));
    EXPECT_EQ(ScanPath::radiusShare(-5), ScanPath::radiusShare(0));
}

TEST(ScanPath, TheScreenComesFromTheResultsFileOrTheDefaults)
{
    testing_support::TempDir folder;
    const auto with = folder / "with.csv";
    writeFile(with, results_text::header +
                        "\n#Movie path: /m.avi\n#Screen: 1920x1080 px, 531x299 mm, viewing "
                        "distance 700 mm\n0;1;1;1;1;0\n");
    const ScreenGeometry geometry = ScanPath::screenOf(with);
    EXPECT_EQ(geometry.widthMm, 531);
    EXPECT_EQ(geometry.distanceMm, 700);

    // A malformed line, one after the data begins, or no file: the defaults.
    const auto bad = folder / "bad.csv";
    writeFile(bad, results_text::header + "\n#Screen: 1920x1080 px, wide\n0;1;1;1;1;0\n");
    const auto late = folder / "late.csv";
    writeFile(late, results_text::header +
                        "\n0;1;1;1;1;0\n#Screen: 1920x1080 px, 531x299 mm, viewing distance "
                        "700 mm\n");
    const auto endless = folder / "endless.csv";
    writeFile(endless, std::string(200 * 1024, 'x'));
    for (const auto& file : {bad, late, endless, folder / "missing.csv"})
        EXPECT_EQ(ScanPath::screenOf(file), ScreenGeometry{}) << file;

    // A spreadsheet's export, with CR LF and a blank line among the comments, reads as well.
    const auto exported = folder / "exported.csv";
    writeFile(exported, results_text::header +
                            "\r\n#Movie path: /m.avi\r\n\r\n#Screen: 1920x1080 px, 531x299 "
                            "mm, viewing distance 700 mm\r\n0;1;1;1;1;0\r\n");
    EXPECT_EQ(ScanPath::screenOf(exported).distanceMm, 700);
}

TEST(SynchronyStrip, TheCurveRisesWhereViewersAgreeAndCutsAreMarked)
{
    // Agreement high over the first half of a 10 s movie, none over the second; a cut at 2.5 s.
    std::vector<measures::SynchronyStep> steps;
    for (int t = 0; t < 10000; t += 40)
        steps.push_back({t, 3, 1.0, t < 5000 ? 4.0 : 0.0});
    // Steps seen by one viewer only count for nothing, whatever they hold.
    steps.push_back({9000, 1, 0.0, 50.0});
    const std::vector<int> cuts{2500};
    const QImage strip = SynchronyStrip::render(QSize(200, 24), steps, cuts, 10000);

    const QRgb background = strip.pixel(199, 0);
    const auto barHeight = [&](int x) {
        int height = 0;
        for (int y = 0; y < strip.height(); ++y)
            height += strip.pixel(x, y) != background;
        return height;
    };
    EXPECT_GE(barHeight(20), 20) << "full agreement reaches the top";
    EXPECT_LE(barHeight(150), 1) << "none stays at the bottom";
    EXPECT_LE(barHeight(180), 1) << "a single viewer is no agreement";
    EXPECT_EQ(barHeight(50), 24) << "the cut runs the whole height";
    EXPECT_EQ(strip.pixel(50, 0), strip.pixel(50, 23));
    EXPECT_NE(strip.pixel(50, 0), strip.pixel(20, 23)) << "a cut looks unlike the curve";

    // Seen closely, every column between two steps shows the step before it; a long gap stays dark.
    const std::vector<measures::SynchronyStep> sparse{
        {0, 2, 1.0, 2.0}, {40, 2, 1.0, 2.0}, {1000, 2, 1.0, 2.0}};
    const QImage close = SynchronyStrip::render(QSize(200, 24), sparse, {}, 1100);
    EXPECT_NE(close.pixel(3, 20), background) << "between the first two steps";
    EXPECT_EQ(close.pixel(100, 20), background) << "in the gap of most of a second";
    EXPECT_NE(close.pixel(185, 20), background) << "the last step";

    // Nothing known yet: the empty strip.
    const QImage empty = SynchronyStrip::render(QSize(200, 24), {}, {}, 10000);
    EXPECT_EQ(countMatching(empty, [](QRgb c) { return c != 0xFF202020u; }), 0);
}

TEST_F(PlayerWindowTest, TheSynchronyStripShowsAlongTheSliderForManyViewersWhenSwitchedOn)
{
    // Given three viewers of the movie loaded from their folder, the movie open
    const auto results = folder / "results";
    std::filesystem::create_directory(results);
    for (const char* name : {"a.csv", "b.csv", "c.csv"})
        writeFile(results / name, restingOn({{0.4, 0.4}, {0.6, 0.5}}, 800));
    app.mode = AppCtrl::Mode::Directory;
    app.resultsPath = QString::fromStdString(results.string());
    app.movieFileName = movies->videoOnly;
    startAndOpen();
    SynchronyStrip* strip = window->synchronyStrip();
    const int videoHeight = window->videoWidget()->height();
    EXPECT_FALSE(strip->isVisible()) << "off until asked for";

    // When it is switched on, the strip lies between the video and the slider, and fills in
    window->command(ID_SHOW_SYNCHRONY);
    EXPECT_TRUE(window->action(ID_SHOW_SYNCHRONY)->isChecked());
    ASSERT_TRUE(strip->isVisible());
    EXPECT_EQ(window->videoWidget()->height(), videoHeight - SynchronyStrip::stripHeight);
    EXPECT_EQ(strip->geometry().top(), window->videoWidget()->geometry().bottom() + 1);
    EXPECT_EQ(strip->geometry().bottom() + 1, window->slider()->geometry().top());
    ASSERT_TRUE(waitUntil([&] { return strip->ready(); }));
    EXPECT_FALSE(strip->steps().empty());
    EXPECT_TRUE(std::any_of(strip->steps().begin(), strip->steps().end(),
                            [](const measures::SynchronyStep& step) { return step.viewers == 3; }));

    // One viewer's gaze has no synchrony to show; back to many, and switched off, it is gone
    window->command(ID_SINGLE_RESULT);
    EXPECT_FALSE(strip->isVisible());
    window->command(ID_MULTI_RESULTS);
    EXPECT_TRUE(strip->isVisible());
    window->command(ID_SHOW_SYNCHRONY);
    EXPECT_FALSE(strip->isVisible());
    EXPECT_EQ(window->videoWidget()->height(), videoHeight);
}

TEST_F(PlayerWindowTest, TheScanPathLiesOverTheFramePointsInAWindowAndFullScreen)
{
    // One viewer rests on a place for 400 ms, then on another until the end of the movie.
    std::vector<results_text::Row> rows;
    for (int t = 0; t <= 2000; t += 17) {
        const bool first = t < 400;
        rows.push_back({t, (first ? 250000 : 750000) + (t % 3) * 150, first ? 300000 : 650000, 1, 120000, 0});
    }
    writeFile(folder / "viewer.csv", results_text::fileOf(rows));
    for (const bool fullScreen : {false, true})
        for (const auto& [scaleX, scaleY] : {std::pair{1.0, 1.0}, {0.5, 1.0}}) {
            SCOPED_TRACE(testing::Message()
                         << scaleX << " x " << scaleY << (fullScreen ? ", full screen" : ""));
            // Given the movie opened paused at 1.5 s with the scan path switched on
            app.mode = AppCtrl::Mode::File;
            app.resultsPath = QString::fromStdString((folder / "viewer.csv").string());
            app.movieFileName = movies->blackLandscape;
            app.viewScaleX = scaleX;
            app.viewScaleY = scaleY;
            app.beginTimeMs = 1500;
            app.showScanPath = true;
            startAndOpen();
            if (fullScreen)
                window->setFullScreen(true);
            ASSERT_TRUE(waitUntil([] { return !DsCtrl::GetMixerBitmap()->isEmpty(); }));
            ASSERT_TRUE(waitUntil([] { return !DsCtrl::NewestFrame().isNull(); }));

            // Then the first fixation's circle is at its place in the video rectangle
            const QImage shown =
                window->videoWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect video = DsCtrl::VideoRect();
            const QPointF first(video.x() + 0.25 * video.width(), video.y() + 0.3 * video.height());
            const auto circle = centreNear(shown, first, 40, isGold);
            ASSERT_TRUE(circle.has_value());
            EXPECT_NEAR(circle->x(), first.x(), 3.0);
            EXPECT_NEAR(circle->y(), first.y(), 3.0);
            window.reset();
        }
}

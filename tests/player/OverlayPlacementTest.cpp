// Where the overlay lands in the picture: over the frame point the gaze belongs
// to, which the view shows at the gaze's own place, at every view scale and
// aspect ratio; and what the analysis options do to the picture.

#include "OverlayCanvas.h"
#include "PlayerWindowFixture.h"
#include "data/ResultsText.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/DsCtrl.h"
#include "player/media/MixerBitmap.h"
#include "player/media/VideoPainter.h"
#include "player/overlay/Graphics.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

using player_test::PlayerWindowTest;
using testing_support::writeFile;

namespace {

constexpr double kGazeX = 0.8;
constexpr double kGazeY = 0.3;

// A viewer looking at one point; the pupil hole lies inside the green ring.
std::string steadyGaze(double x, double y)
{
    std::vector<results_text::Row> rows;
    for (int t = 0; t <= 3000; t += 20)
        rows.push_back({t, static_cast<int>(x * 1e6), static_cast<int>(y * 1e6), 1, 120000, 0});
    return results_text::fileOf(rows);
}

bool isGreen(QRgb c)
{
    return qGreen(c) > 100 && qRed(c) < 60 && qBlue(c) < 60;
}

bool isRed(QRgb c)
{
    return qRed(c) > 100 && qGreen(c) < 60 && qBlue(c) < 60;
}

// The centre of the smallest rectangle holding every matching pixel of area.
std::optional<QPointF> centreOf(const QImage& image, const std::function<bool(QRgb)>& match,
                                QRect area = QRect())
{
    if (area.isNull())
        area = image.rect();
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (left > right)
        return std::nullopt;
    return QPointF((left + right + 1) / 2.0, (top + bottom + 1) / 2.0);
}

struct Scale
{
    double x;
    double y;
};

const Scale kScales[] = {{1.0, 1.0}, {0.5, 1.0}, {1.0, 0.5}, {0.5, 0.5}};
// Frames large enough to hold the whole ring around the gaze at every scale.
const QSize kFrames[] = {QSize(640, 360), QSize(480, 800), QSize(500, 500)};

// Results of viewers loaded from generated files.
struct Study
{
    explicit Study(const std::vector<std::string>& files)
    {
        AppCtrl app;
        for (size_t i = 0; i < files.size(); ++i) {
            const auto file = folder / ("viewer" + std::to_string(i) + ".csv");
            writeFile(file, files[i]);
            EXPECT_EQ(results.add(file, app.eventsNum, app.filterRadius, app.actionRadius), 0);
        }
        results.calculateStats();
        shots.addShot(Shot{});
    }

    testing_support::TempDir folder;
    TimeLineManager results;
    ShotLine shots{results};
};

} // namespace

TEST(OverlayPlacement, OneViewersRingLiesWhereTheViewShowsTheGaze)
{
    TimeLineItem item{};
    item.avgX = static_cast<int>(kGazeX * 1e6);
    item.avgY = static_cast<int>(kGazeY * 1e6);
    item.blink = 1;
    item.pupil = 120000;
    const QSize video(800, 500);
    for (const QSize frame : kFrames)
        for (const Scale scale : kScales) {
            SCOPED_TRACE(testing::Message()
                         << frame.width() << "x" << frame.height() << " at " << scale.x << " x " << scale.y);
            OverlayOptions options;
            options.viewScaleX = scale.x;
            options.viewScaleY = scale.y;
            const Graphics graphics(256, frame);
            MixerBitmap mixer;
            mixer.SetAlphaBitmap(graphics.singleViewer(item, options));

            const auto ring =
                centreOf(player_test::composeOverBlack(mixer, frame, scale.x, scale.y, video), isGreen);
            ASSERT_TRUE(ring.has_value());
            EXPECT_NEAR(ring->x(), kGazeX * video.width(), 2.0);
            EXPECT_NEAR(ring->y(), kGazeY * video.height(), 2.0);
        }
}

TEST(OverlayPlacement, TheHeatMapLiesWhereTheViewShowsTheGaze)
{
    Study study({steadyGaze(kGazeX, kGazeY)});
    const QSize video(800, 500);
    for (const QSize frame : kFrames)
        for (const Scale scale : kScales) {
            SCOPED_TRACE(testing::Message()
                         << frame.width() << "x" << frame.height() << " at " << scale.x << " x " << scale.y);
            OverlayOptions options;
            options.viewScaleX = scale.x;
            options.viewScaleY = scale.y;
            options.considerFocusTime = false; // a small circle, whole at every scale
            options.showPupil = false;
            options.showActions = false;
            Graphics graphics(256, frame);
            MixerBitmap mixer;
            graphics.DrawMulti(mixer, study.results, study.shots, 1000, options);

            const auto heat =
                centreOf(player_test::composeOverBlack(mixer, frame, scale.x, scale.y, video), isRed);
            ASSERT_TRUE(heat.has_value());
            // The canvas places circles to the cell: allow one and a half cells as shown.
            const double cellX = video.width() / (256 * scale.x);
            const double cellY = video.height() / (256.0 * frame.height() / frame.width() * scale.y);
            EXPECT_NEAR(heat->x(), kGazeX * video.width(), 1.5 * cellX + 2);
            EXPECT_NEAR(heat->y(), kGazeY * video.height(), 1.5 * cellY + 2);
        }
}

TEST(OverlayOptions, ConsideringFocusTimeGrowsTheHeatWithASteadyGaze)
{
    Study study({steadyGaze(0.5, 0.5)});
    study.results.rewind();
    const int stillCount = study.results.getNextItem(2000).stillCount;
    ASSERT_GT(stillCount, 10) << "a gaze this steady makes the focus circle larger than the fixed one";
    const QSize frame(256, 256);
    const QSize video(512, 512); // two pixels a canvas cell

    const auto heatWidth = [&](bool considerFocusTime) {
        OverlayOptions options;
        options.considerFocusTime = considerFocusTime;
        options.showPupil = false;
        options.showActions = false;
        Graphics graphics(256, frame);
        MixerBitmap mixer;
        graphics.DrawMulti(mixer, study.results, study.shots, 2000, options);
        const QImage shown = player_test::composeOverBlack(mixer, frame, 1.0, 1.0, video);
        int width = 0;
        for (int x = 0; x < video.width(); ++x)
            width += isRed(shown.pixel(x, 257)) ? 1 : 0;
        return width;
    };
    // A circle of radius r covers 2r - 1 cells across its centre.
    const OverlayOptions defaults;
    const int growing = defaults.heatMapCircleDiameterStep * stillCount + defaults.heatMapCircleDiameterStart;
    EXPECT_NEAR(heatWidth(true), 2 * (2 * growing - 1), 2);
    EXPECT_NEAR(heatWidth(false), 2 * (2 * defaults.heatMapCircleDiameterConst - 1), 2);
}

TEST(OverlayOptions, ThePupilBarShowsTheMeanPupilAndItsAgreement)
{
    // Given a viewer whose pupil widens steadily over the movie
    std::vector<results_text::Row> rows;
    for (int t = 0; t <= 3000; t += 20)
        rows.push_back({t, 500000, 500000, 1, 20000 + t * 10, 0});
    Study study({results_text::fileOf(rows)});
    const PupilStep step = study.results.pupilStepAt(1500);
    const double d = (step.mean - study.results.minDiameter()) * 100.0 /
                     (study.results.maxDiameter() - study.results.minDiameter());
    ASSERT_GT(d, 20);
    ASSERT_LT(d, 80);
    const QSize frame(256, 256);
    const QSize video(512, 512);
    const int row = static_cast<int>(0.86 * video.height());

    for (const bool agreed : {true, false}) {
        SCOPED_TRACE(agreed ? "viewers agree" : "viewers disagree");
        OverlayOptions options;
        options.showHeatmap = false;
        options.showActions = false;
        // Any deviation is below a threshold above one, none below zero.
        options.pupilStandardDeviationPercentThreshold = agreed ? 2.0 : 0.0;
        Graphics graphics(256, frame);
        MixerBitmap mixer;
        graphics.DrawMulti(mixer, study.results, study.shots, 1500, options);
        const QImage shown = player_test::composeOverBlack(mixer, frame, 1.0, 1.0, video);

        // Then the filled part reaches 0.05 + d x 0.005 of the width, the rest up to 0.557
        int filledEnd = -1;
        for (int x = 0; x < video.width(); ++x)
            if (qRed(shown.pixel(x, row)) >= (agreed ? 250 : 90))
                filledEnd = x;
        EXPECT_NEAR(filledEnd + 1, (0.05 + d * 0.005) * video.width(), 3);
        const QRgb filled = shown.pixel(static_cast<int>(0.06 * video.width()), row);
        const QRgb rest = shown.pixel(static_cast<int>(0.54 * video.width()), row);
        EXPECT_NEAR(qRed(filled), agreed ? 255 : 96, 2);
        EXPECT_NEAR(qBlue(filled), agreed ? 255 : 96, 2);
        EXPECT_NEAR(qRed(rest), agreed ? 64 : 16, 2);
        EXPECT_EQ(qRed(shown.pixel(static_cast<int>(0.57 * video.width()), row)), 0);
    }
}

TEST_F(PlayerWindowTest, TheGazeRingLiesOverTheFramePointInAWindowAndFullScreen)
{
    writeFile(folder / "viewer.csv", steadyGaze(kGazeX, kGazeY));
    struct Case
    {
        QString movie;
        Scale scale;
        bool fullScreen;
    };
    std::vector<Case> cases;
    for (const QString& movie : {movies->blackLandscape, movies->blackPortrait})
        for (const Scale scale : {Scale{1.0, 1.0}, Scale{0.5, 1.0}, Scale{1.0, 0.5}})
            for (const bool fullScreen : {false, true})
                cases.push_back({movie, scale, fullScreen});

    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.movie.toStdString() << " at " << c.scale.x << " x " << c.scale.y
                                        << (c.fullScreen ? ", full screen" : ", in a window"));
        // Given the movie opened with one viewer's results at the view scale
        app.mode = AppCtrl::Mode::File;
        app.resultsPath = QString::fromStdString((folder / "viewer.csv").string());
        app.movieFileName = c.movie;
        app.viewScaleX = c.scale.x;
        app.viewScaleY = c.scale.y;
        startAndOpen();
        if (c.fullScreen)
            window->setFullScreen(true);
        ASSERT_TRUE(waitUntil([] { return !DsCtrl::GetMixerBitmap()->isEmpty(); }));
        ASSERT_TRUE(waitUntil([] { return !DsCtrl::NewestFrame().isNull(); }));

        // Then the ring's centre is at the gaze's place in the video rectangle
        const QImage shown = window->videoWidget()->grab().toImage();
        const QRect video = DsCtrl::VideoRect();
        ASSERT_FALSE(video.isEmpty());
        const auto ring = centreOf(shown, isGreen, video);
        ASSERT_TRUE(ring.has_value());
        EXPECT_NEAR(ring->x(), video.x() + kGazeX * video.width(), 2.0);
        EXPECT_NEAR(ring->y(), video.y() + kGazeY * video.height(), 2.0);
        window.reset();
    }
}

namespace {

// The bounding box of the bright pixels of image inside area.
QRect brightBox(const QImage& image, const QRect& area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) > 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Resizes the window so that its video area has this size, as far as the
// window's minimum allows, and lets the layout settle.
void resizeVideoArea(PlayerWindow& window, QSize area)
{
    for (int attempt = 0; attempt < 5 && window.videoWidget()->size() != area; ++attempt) {
        window.resize(window.size() + area - window.videoWidget()->size());
        waitUntil([] { return false; }, 50);
    }
}

} // namespace

TEST_F(PlayerWindowTest, AWideMovieKeepsItsShapeInAWindowOfAnotherShape)
{
    // Given a 16:9 movie of a round ball on black
    const std::string movie = (folder / "ball.avi").string();
    ASSERT_TRUE(runPipeline("videotestsrc num-buffers=10 pattern=ball ! "
                            "video/x-raw,width=320,height=180,framerate=25/1 ! jpegenc ! avimux ! filesink "
                            "location=\"" +
                            movie + "\""));
    app.movieFileName = QString::fromStdString(movie);
    startAndOpen();
    ASSERT_TRUE(waitUntil([] { return !DsCtrl::NewestFrame().isNull(); }));

    // Wider than 16:9, taller than 16:9, and both in full screen
    for (const QSize area : {QSize(960, 340), QSize(960, 900)})
        for (const bool fullScreen : {false, true}) {
            SCOPED_TRACE(testing::Message() << area.width() << "x" << area.height()
                                            << (fullScreen ? ", full screen" : ", in a window"));
            // When the window takes that shape
            window->setFullScreen(fullScreen);
            if (!fullScreen)
                resizeVideoArea(*window, area);
            waitUntil([] { return false; }, 50);
            const QImage shown =
                window->videoWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect widget = window->videoWidget()->rect();
            const QRect video = DsCtrl::VideoRect();
            // (the window's minimum size may keep it from the exact size, not from the shape)
            if (!fullScreen) {
                ASSERT_EQ(widget.width() * 9 > widget.height() * 16, area.width() * 9 > area.height() * 16);
            }

            // Then the picture keeps the movie's shape, centred, with black bars
            ASSERT_FALSE(video.isEmpty());
            EXPECT_TRUE(widget.contains(video));
            EXPECT_TRUE(video.width() == widget.width() || video.height() == widget.height());
            EXPECT_NEAR(video.width() * 9.0, video.height() * 16.0, 16.0);
            EXPECT_NEAR(video.center().x(), widget.center().x(), 1);
            EXPECT_NEAR(video.center().y(), widget.center().y(), 1);
            EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 0));
            EXPECT_EQ(shown.pixel(widget.right(), widget.bottom()), qRgb(0, 0, 0));

            // And the ball is round: as wide as it is tall
            const QRect ball = brightBox(shown, video);
            ASSERT_FALSE(ball.isEmpty());
            EXPECT_GT(ball.width(), 10);
            EXPECT_NEAR(ball.width(), ball.height(), 2 + ball.width() / 50);
        }
}

TEST_F(PlayerWindowTest, TheOverlayFollowsThePictureInAWindowOfAnotherShape)
{
    writeFile(folder / "viewer.csv", steadyGaze(kGazeX, kGazeY));
    for (const Scale scale : {Scale{1.0, 1.0}, Scale{0.5, 1.0}})
        for (const QSize area : {QSize(1200, 340), QSize(960, 900)}) {
            SCOPED_TRACE(testing::Message() << area.width() << "x" << area.height() << " at " << scale.x);
            // Given the landscape movie with one viewer in a window of another shape
            app.mode = AppCtrl::Mode::File;
            app.resultsPath = QString::fromStdString((folder / "viewer.csv").string());
            app.movieFileName = movies->blackLandscape;
            app.viewScaleX = scale.x;
            app.viewScaleY = scale.y;
            startAndOpen();
            resizeVideoArea(*window, area);
            ASSERT_EQ(window->videoWidget()->size(), area);
            ASSERT_TRUE(waitUntil([] { return !DsCtrl::GetMixerBitmap()->isEmpty(); }));
            ASSERT_TRUE(waitUntil([] { return !DsCtrl::NewestFrame().isNull(); }));
            waitUntil([] { return false; }, 50);

            // Then the picture has the shape of the part shown
            const QRect video = DsCtrl::VideoRect();
            const QRect source = DsCtrl::SourceRect();
            EXPECT_NEAR(static_cast<double>(video.width()) / video.height(),
                        static_cast<double>(source.width()) / source.height(), 0.02);
            // And the ring lies over the gaze's place in it
            const QImage shown = window->videoWidget()->grab().toImage();
            const auto ring = centreOf(shown, isGreen, window->videoWidget()->rect());
            ASSERT_TRUE(ring.has_value());
            EXPECT_NEAR(ring->x(), video.x() + kGazeX * video.width(), 2.0);
            EXPECT_NEAR(ring->y(), video.y() + kGazeY * video.height(), 2.0);
            window.reset();
        }
}

TEST(OverlayOrder, AHeatBlobUnderThePupilBarStaysVisible)
{
    // Given one viewer looking at the middle of the pupil bar's filled part, with the pupil at its largest
    std::vector<results_text::Row> rows;
    for (int t = 0; t <= 3000; t += 20)
        rows.push_back({t, 100000, 860000, 1, 20000 + t * 10, 0});
    Study study({results_text::fileOf(rows)});
    const QSize frame(256, 256);
    const QSize video(512, 512);
    OverlayOptions options;
    options.considerFocusTime = false;
    options.showActions = false;
    options.pupilStandardDeviationPercentThreshold = 2.0; // the bar at its brightest
    Graphics graphics(256, frame);
    MixerBitmap mixer;
    graphics.DrawMulti(mixer, study.results, study.shots, 3000, options);
    const QImage shown = player_test::composeOverBlack(mixer, frame, 1.0, 1.0, video);

    // Then the bar is magenta where nobody looks, and where the blob lies under it the blob's red shows
    // through: the bar does not cut the blob in half
    const int row = static_cast<int>(0.86 * video.height());
    const QRgb bar = shown.pixel(static_cast<int>(0.4 * video.width()), row);
    EXPECT_EQ(qRed(bar), qBlue(bar));
    EXPECT_GT(qRed(bar), 200);
    const QRgb blob = shown.pixel(static_cast<int>(0.1 * video.width()), row);
    EXPECT_GT(qRed(blob), 200);
    EXPECT_LT(qBlue(blob), qRed(blob) * 3 / 4) << std::hex << blob;
    // ... the same red as the blob just above the bar, only tinted
    const QRgb above =
        shown.pixel(static_cast<int>(0.1 * video.width()), static_cast<int>(0.83 * video.height()));
    EXPECT_TRUE(isRed(above)) << std::hex << above;
}

TEST(OverlayPlacement, AGazeDiscAtTheFramesEdgeIsCutByTheEdgeOnly)
{
    TimeLineItem item{};
    item.blink = 1;
    item.pupil = 120000;
    const QSize frame(640, 360);
    // The green disc is 95 of the drawing's 255 pixels across, the drawing shown at the frame's own scale.
    const double radius = 95.0 / 2;
    struct Case
    {
        double x, y;
    };
    for (const Case c : {Case{0.995, 0.5}, Case{0.005, 0.5}, Case{0.5, 0.995}, Case{0.5, 0.005}}) {
        SCOPED_TRACE(testing::Message() << "gaze at " << c.x << ", " << c.y);
        item.avgX = static_cast<int>(c.x * 1e6);
        item.avgY = static_cast<int>(c.y * 1e6);
        const Graphics graphics(256, frame);
        MixerBitmap mixer;
        mixer.SetAlphaBitmap(graphics.singleViewer(item, OverlayOptions{}));
        const QImage shown = player_test::composeOverBlack(mixer, frame, 1.0, 1.0, frame);

        // Then the part inside the frame is there, reaching the edge, and the inner side lies one radius
        // from the gaze
        QRect green;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (isGreen(shown.pixel(x, y)))
                    green |= QRect(x, y, 1, 1);
        ASSERT_FALSE(green.isEmpty());
        const QPointF gaze(c.x * frame.width(), c.y * frame.height());
        if (c.x > 0.9) {
            EXPECT_EQ(green.right(), frame.width() - 1);
            EXPECT_NEAR(green.left(), gaze.x() - radius, 2);
        } else if (c.x < 0.1) {
            EXPECT_EQ(green.left(), 0);
            EXPECT_NEAR(green.right() + 1, gaze.x() + radius, 2);
        } else if (c.y > 0.9) {
            EXPECT_EQ(green.bottom(), frame.height() - 1);
            EXPECT_NEAR(green.top(), gaze.y() - radius, 2);
        } else {
            EXPECT_EQ(green.top(), 0);
            EXPECT_NEAR(green.bottom() + 1, gaze.y() + radius, 2);
        }
        // ... and as wide or tall along the edge as the whole disc
        const int along = c.x > 0.9 || c.x < 0.1 ? green.height() : green.width();
        EXPECT_NEAR(along, 2 * radius, 3);
    }
}

TEST(OverlayPlacement, ALongSteadyGazeGrowsTheFocusDiscToTheWholeDrawingAndNoFurther)
{
    TimeLineItem item{};
    item.avgX = 500000;
    item.avgY = 500000;
    item.blink = 1;
    item.pupil = 120000; // the hole inside the green disc
    const Graphics graphics(256, QSize(640, 360));
    for (const int stillCount : {10, 26, 27, 200}) {
        SCOPED_TRACE(stillCount);
        item.stillCount = stillCount;
        const QImage drawing = graphics.singleViewer(item, OverlayOptions{}).image;
        const auto cyan = [&](int x, int y) { return (drawing.pixel(x, y) & RGB_MASK) == 0x00FFFF; };
        const int last = Graphics::kBitmapSize - 1;
        const int inset = std::max(0, 80 - 3 * stillCount);
        // A round disc: cyan on its rim's widest row, the drawing's corners left out
        EXPECT_TRUE(cyan(inset + 1, last / 2));
        EXPECT_TRUE(cyan(last / 2, inset + 1));
        EXPECT_FALSE(cyan(0, 0));
        EXPECT_FALSE(cyan(last, last));
        EXPECT_FALSE(cyan(inset + 10, inset + 10));
    }
}

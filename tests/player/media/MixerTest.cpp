#include "FakeVideoWindow.h"
#include "TestMovies.h"
#include "player/media/DsCtrl.h"
#include "player/media/MixerBitmap.h"
#include "player/media/VideoPainter.h"

#include <QPainter>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>

namespace {

constexpr QRgb kFrameColour = 0xFF204060;

QImage filled(QSize size, QRgb colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(size, format);
    image.fill(colour);
    return image;
}

// Paints frame and overlay into a fresh target of the given size.
QImage render(QSize target, const QImage& frame, const QRect& source, const QRect& videoRect,
              const MixerBitmap* mixer)
{
    QImage out = filled(target, 0xFF808080);
    QPainter painter(&out);
    VideoPainter::paint(painter, frame, source, videoRect, mixer);
    return out;
}

int blended(int overlay, int video, double alpha)
{
    return int(overlay * alpha + video * (1 - alpha) + 0.5);
}

void expectNear(QRgb actual, QRgb expected, const char* where)
{
    EXPECT_NEAR(qRed(actual), qRed(expected), 2) << where;
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 2) << where;
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 2) << where;
}

} // namespace

TEST(MixerBitmap, ColourKeyLeavesTheFrameAndTheRestBlendsAtItsAlpha)
{
    // A drawing: left half black (the key), right half white.
    QImage drawing = filled(QSize(10, 10), 0xFF000000);
    for (int y = 0; y < 10; ++y)
        for (int x = 5; x < 10; ++x)
            drawing.setPixel(x, y, 0xFFFFFFFF);
    MixerBitmap mixer;
    mixer.SetAlphaBitmap({drawing, drawing.rect(), QRectF(0, 0, 1, 1), 0.7, qRgb(0, 0, 0)});

    const QRect video(0, 0, 100, 100);
    const QImage out =
        render(QSize(100, 122), filled(QSize(50, 50), kFrameColour), QRect(0, 0, 50, 50), video, &mixer);
    const QRgb white = qRgb(blended(255, 0x20, 0.7), blended(255, 0x40, 0.7), blended(255, 0x60, 0.7));
    for (int y : {0, 55, 99}) {
        EXPECT_EQ(out.pixel(0, y), kFrameColour);
        EXPECT_EQ(out.pixel(49, y), kFrameColour);
        expectNear(out.pixel(50, y), white, "right half");
        expectNear(out.pixel(99, y), white, "right edge");
    }
    // The strip under the video is not the video's.
    EXPECT_EQ(out.pixel(70, 110), 0xFF808080);
}

TEST(MixerBitmap, SurfacePixelsCarryTheirOwnAlpha)
{
    QImage surface = filled(QSize(2, 1), 0, QImage::Format_ARGB32);
    surface.setPixel(1, 0, 0xCFFF0000);
    MixerBitmap mixer;
    mixer.SetAlphaBitmap({surface, surface.rect(), QRectF(0, 0, 1, 1), 1.0, qRgb(0, 0, 0)});
    const QImage out = render(QSize(20, 10), filled(QSize(20, 10), kFrameColour), QRect(0, 0, 20, 10),
                              QRect(0, 0, 20, 10), &mixer);
    EXPECT_EQ(out.pixel(5, 5), kFrameColour);
    const double a = 0xCF / 255.0;
    expectNear(out.pixel(15, 5), qRgb(blended(255, 0x20, a), blended(0, 0x40, a), blended(0, 0x60, a)),
               "red surface");
}

TEST(MixerBitmap, DestinationIsNormalisedToTheWholeFrameAndClippedToTheVideo)
{
    const QImage red = filled(QSize(4, 4), 0xFFFF0000);
    MixerBitmap mixer;
    const QRect video(10, 20, 200, 100);
    const QImage frame = filled(QSize(20, 10), kFrameColour);

    mixer.SetAlphaBitmap({red, red.rect(), QRectF(0.25, 0.5, 0.5, 0.25), 1.0, std::nullopt});
    EXPECT_EQ(mixer.destinationIn(video), QRect(60, 70, 100, 25));
    QImage out = render(QSize(220, 140), frame, frame.rect(), video, &mixer);
    EXPECT_EQ(out.pixel(60, 70), 0xFFFF0000u);
    EXPECT_EQ(out.pixel(159, 94), 0xFFFF0000u);
    EXPECT_EQ(out.pixel(59, 70), kFrameColour);
    EXPECT_EQ(out.pixel(160, 94), kFrameColour);
    EXPECT_EQ(out.pixel(60, 95), kFrameColour);

    // Half outside the top left corner: only the inside part shows.
    mixer.SetAlphaBitmap({red, red.rect(), QRectF(-0.5, -0.5, 1, 1), 1.0, std::nullopt});
    out = render(QSize(220, 140), frame, frame.rect(), video, &mixer);
    EXPECT_EQ(out.pixel(10, 20), 0xFFFF0000u);
    EXPECT_EQ(out.pixel(109, 69), 0xFFFF0000u);
    EXPECT_EQ(out.pixel(110, 70), kFrameColour);
    EXPECT_EQ(out.pixel(5, 15), 0xFF808080u);

    // Only the source part of the bitmap is used.
    QImage halves = filled(QSize(4, 4), 0xFF00FF00);
    for (int y = 0; y < 4; ++y)
        halves.setPixel(3, y, 0xFF0000FF);
    mixer.SetAlphaBitmap({halves, QRect(0, 0, 2, 4), QRectF(0, 0, 1, 1), 1.0, std::nullopt});
    out = render(QSize(220, 140), frame, frame.rect(), video, &mixer);
    EXPECT_EQ(out.pixel(209, 119), 0xFF00FF00u);
}

TEST(MixerBitmap, TheOverlayIsCutAndStretchedWithTheFrame)
{
    // A red square over frame columns 0.7 to 0.9 and rows 0.2 to 0.4; the view
    // shows the left half of the frame over the whole video rectangle.
    const QImage red = filled(QSize(4, 4), 0xFFFF0000);
    MixerBitmap mixer;
    mixer.SetAlphaBitmap({red, red.rect(), QRectF(0.35, 0.2, 0.1, 0.2), 1.0, std::nullopt});
    const QImage frame = filled(QSize(200, 100), kFrameColour);
    const QRect video(0, 0, 400, 200);

    // Frame column 0.35 is shown at 0.7 of the width: the content under it moved with it.
    const QImage out = render(QSize(400, 222), frame, QRect(0, 0, 100, 100), video, &mixer);
    EXPECT_EQ(mixer.destinationIn(video, VideoPainter::shownPart(QRect(0, 0, 100, 100), frame.size())),
              QRect(280, 40, 80, 40));
    EXPECT_EQ(out.pixel(280, 40), 0xFFFF0000u);
    EXPECT_EQ(out.pixel(359, 79), 0xFFFF0000u);
    EXPECT_EQ(out.pixel(279, 40), kFrameColour);
    EXPECT_EQ(out.pixel(360, 79), kFrameColour);

    // The top half: rows are stretched, columns are not.
    const QImage top = render(QSize(400, 222), frame, QRect(0, 0, 200, 50), video, &mixer);
    EXPECT_EQ(top.pixel(140, 80), 0xFFFF0000u);
    EXPECT_EQ(top.pixel(179, 159), 0xFFFF0000u);
    EXPECT_EQ(top.pixel(180, 80), kFrameColour);
    EXPECT_EQ(top.pixel(140, 160), kFrameColour);

    // Before the first frame the movie's size decides what is shown.
    QImage none = filled(QSize(400, 222), 0xFF808080);
    {
        QPainter painter(&none);
        VideoPainter::paint(painter, QImage(), QRect(0, 0, 100, 100), video, &mixer, frame.size());
    }
    EXPECT_EQ(none.pixel(300, 50), 0xFFFF0000u);
    EXPECT_EQ(none.pixel(150, 50), 0xFF000000u);
}

TEST(MixerBitmap, ChangesAreAnnouncedAndClearRemovesTheOverlay)
{
    int changes = 0;
    MixerBitmap mixer([&] { ++changes; });
    const QImage white = filled(QSize(2, 2), 0xFFFFFFFF);
    mixer.SetAlphaBitmap({white, white.rect(), QRectF(0, 0, 1, 1), 1.0, std::nullopt});
    EXPECT_FALSE(mixer.isEmpty());
    mixer.Clear();
    EXPECT_TRUE(mixer.isEmpty());
    EXPECT_EQ(changes, 2);
    const QImage out = render(QSize(10, 10), filled(QSize(10, 10), kFrameColour), QRect(0, 0, 10, 10),
                              QRect(0, 0, 10, 10), &mixer);
    EXPECT_EQ(out.pixel(5, 5), kFrameColour);
}

TEST(VideoPainter, SourceRectangleChoosesThePartStretchedOverTheVideo)
{
    // Left half red, right half blue.
    QImage frame = filled(QSize(160, 120), 0xFFFF0000);
    for (int y = 0; y < 120; ++y)
        for (int x = 80; x < 160; ++x)
            frame.setPixel(x, y, 0xFF0000FF);
    const QRect video(0, 0, 320, 240);

    const QImage half = render(QSize(320, 262), frame, QRect(0, 0, 80, 120), video, nullptr);
    for (int x : {0, 160, 319})
        EXPECT_EQ(half.pixel(x, 120), 0xFFFF0000u) << x;

    const QImage whole = render(QSize(320, 262), frame, QRect(0, 0, 160, 120), video, nullptr);
    EXPECT_EQ(whole.pixel(159, 239), 0xFFFF0000u);
    EXPECT_EQ(whole.pixel(160, 0), 0xFF0000FFu);
    EXPECT_EQ(whole.pixel(70, 250), 0xFF808080u);

    const QImage none = render(QSize(320, 262), QImage(), QRect(0, 0, 160, 120), video, nullptr);
    EXPECT_EQ(none.pixel(10, 10), 0xFF000000u);
    EXPECT_EQ(none.pixel(10, 250), 0xFF808080u);
}

TEST(VideoPainter, PlayerFrameWithOverlayIsSavedAsPicture)
{
    FakeVideoWindow window;
    ASSERT_EQ(DsCtrl::PlayMovieInWindow(testMovies().withSound, window, {}), media_result::Ok);
    DsCtrl::PauseGraph();
    DsCtrl::SetCurrentPositionMilis(1000);
    ASSERT_TRUE(waitUntil([] { return !DsCtrl::NewestFrame().isNull(); }));

    // The client area of a 480 x 382 window: video above, slider strip below.
    const QRect client(0, 0, 480, 382);
    ASSERT_EQ(DsCtrl::MoveVideoWindow(client.adjusted(0, 0, 0, -22), {}), media_result::Ok);

    // One viewer's gaze: focus and pupil rings on a keyed black ground.
    QImage gaze = filled(QSize(255, 255), 0xFF000000);
    {
        QPainter draw(&gaze);
        draw.setPen(Qt::NoPen);
        draw.setBrush(QColor(0, 255, 255));
        draw.drawEllipse(QRect(50, 50, 155, 155));
        draw.setBrush(QColor(0, 255, 0));
        draw.drawEllipse(QRect(80, 80, 95, 95));
        draw.setBrush(QColor(0, 0, 0));
        draw.drawEllipse(QRect(110, 110, 35, 35));
    }
    DsCtrl::GetMixerBitmap()->SetAlphaBitmap(
        {gaze, gaze.rect(), QRectF(0.6 - 0.25, 0.4 - 0.3, 0.5, 0.6), 0.7, qRgb(0, 0, 0)});

    QImage shot = filled(client.size(), 0xFFF0F0F0);
    {
        QPainter painter(&shot);
        DsCtrl::PaintVideo(painter);
    }
    const QImage frame = DsCtrl::NewestFrame();
    // The hole in the rings shows the movie untouched; the rings are tinted.
    const QPoint hole = DsCtrl::GetMixerBitmap()->destinationIn(DsCtrl::VideoRect()).center();
    EXPECT_EQ(shot.pixel(hole), frame.pixel(hole.x() * 160 / 480, hole.y() * 120 / 360));
    EXPECT_EQ(shot.pixel(10, 370), 0xFFF0F0F0u);
    EXPECT_GE(qGreen(shot.pixel(hole + QPoint(28, 0))), int(255 * 0.7));

    const auto folder = std::filesystem::path(GAZE_BIN_DIR).parent_path() / "artefacts";
    std::filesystem::create_directories(folder);
    const auto file = folder / "player_media_overlay.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(file.string())));
    std::cout << "picture saved: " << file.string() << std::endl;
    DsCtrl::CloseInterfaces();
}

#include "player/overlay/AoiMarks.h"
#include "player/media/MixerBitmap.h"
#include "player/media/VideoPainter.h"
#include "player/overlay/FrameLayer.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

const QSize kCanvas(200, 100);

Aoi area(const std::string& name, std::vector<AoiKey> keys)
{
    return Aoi{name, std::move(keys)};
}

// The face spans canvas pixels 50..150 x 20..80 from 1 s on.
const std::vector<Aoi> kAreas = {
    area("face", {{1000, AoiShape::Rectangle, 250000, 200000, 500000, 600000}}),
    area("ball", {{0, AoiShape::Ellipse, 0, 0, 200000, 400000}, {500, AoiShape::Hidden, 0, 0, 0, 0}}),
};

QImage drawn(const AoiView& view, int timeMs, QSize canvas = kCanvas)
{
    QImage image(canvas, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawAoiMarks(painter, canvas, view, timeMs);
    return image;
}

bool near(QRgb pixel, std::uint32_t colour)
{
    const QColor a = QColor::fromRgba(pixel);
    const QColor b = QColor(QRgb(colour));
    return qAlpha(pixel) == 255 && std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 &&
           std::abs(a.blue() - b.blue()) < 8;
}

} // namespace

TEST(AoiMarksTest, EachAreaShownAtTheTimeIsOutlinedInItsColourWhereTheFrameHasIt)
{
    const AoiView view{&kAreas, -1, std::nullopt};

    const QImage at2s = drawn(view, 2000);
    EXPECT_TRUE(near(at2s.pixel(100, 79), aoiColour(0))) << "bottom edge";
    EXPECT_TRUE(near(at2s.pixel(149, 50), aoiColour(0))) << "right edge";
    EXPECT_TRUE(near(at2s.pixel(50, 50), aoiColour(0))) << "left edge";
    EXPECT_EQ(qAlpha(at2s.pixel(100, 50)), 0) << "inside stays clear";
    EXPECT_EQ(qAlpha(at2s.pixel(160, 90)), 0) << "outside stays clear";
    // The name's label stands over the box's top-left corner.
    EXPECT_TRUE(near(at2s.pixel(52, 16), aoiColour(0)));
    // The ball is hidden from 0.5 s on.
    EXPECT_EQ(qAlpha(at2s.pixel(40, 20)), 0);

    // Before its first key the face is absent; the ball is an ellipse in the second colour.
    const QImage at0 = drawn(view, 0);
    EXPECT_EQ(qAlpha(at0.pixel(100, 79)), 0);
    EXPECT_TRUE(near(at0.pixel(39, 20), aoiColour(1))) << "the ellipse's right end";
    EXPECT_EQ(qAlpha(at0.pixel(39, 1)), 0) << "the box's corner is outside the ellipse";
}

TEST(AoiMarksTest, TheSelectedAreaHasHandlesAndADraggedBoxReplacesItsOwn)
{
    const QImage plain = drawn(AoiView{&kAreas, -1, std::nullopt}, 0);
    const QImage chosen = drawn(AoiView{&kAreas, 1, std::nullopt}, 0);
    // The ellipse's bounding corner at (40, 40) carries a handle once selected.
    EXPECT_EQ(qAlpha(plain.pixel(39, 39)), 0);
    EXPECT_TRUE(near(chosen.pixel(39, 39), aoiColour(1)));

    // Dragged to the right half, the face is drawn there, not where its key is.
    const AoiView dragging{&kAreas, 0, AoiBox{AoiShape::Rectangle, 600000, 200000, 300000, 600000}};
    const QImage moved = drawn(dragging, 2000);
    EXPECT_EQ(qAlpha(moved.pixel(50, 50)), 0);
    EXPECT_TRUE(near(moved.pixel(120, 50), aoiColour(0)));
    // A new area being drawn has no colour of its own yet: white.
    const AoiView drawing{&kAreas, -1, AoiBox{AoiShape::Rectangle, 600000, 200000, 300000, 600000}};
    EXPECT_TRUE(near(drawn(drawing, 2000).pixel(120, 50), 0xffffff));
}

TEST(AoiMarksTest, LaidOverTheMixerTheAreasKeepWhatItHeldAndFollowTheViewScale)
{
    MixerBitmap mixer;
    AlphaBitmap gaze;
    gaze.image = QImage(10, 10, QImage::Format_RGB32);
    gaze.image.fill(QColor(Qt::red));
    gaze.source = gaze.image.rect();
    gaze.destination = QRectF(0.8, 0.8, 0.1, 0.1);
    mixer.SetAlphaBitmap(gaze);

    const AoiView view{&kAreas, -1, std::nullopt};
    layAoiMarks(mixer, kCanvas, view, 2000, true);
    ASSERT_EQ(mixer.prepared().size(), kCanvas);
    EXPECT_EQ(mixer.parameters().destination, QRectF(0, 0, 1, 1));
    EXPECT_TRUE(near(mixer.prepared().pixel(170, 85), 0xff0000)) << "the gaze stays";
    EXPECT_TRUE(near(mixer.prepared().pixel(100, 79), aoiColour(0)));

    // At view scale 0.5 x 1 the left half of the 200 x 100 frame fills a 400 x 400 video area:
    // the face's left edge (frame pixel 50) appears at x 200, its bottom (row 80) at y 320.
    QImage frame(kCanvas, QImage::Format_RGB32);
    frame.fill(Qt::black);
    QImage shown(400, 400, QImage::Format_RGB32);
    QPainter painter(&shown);
    VideoPainter::paint(painter, frame, QRect(0, 0, 100, 100), shown.rect(), &mixer);
    painter.end();
    EXPECT_TRUE(near(shown.pixel(201, 200), aoiColour(0)));
    EXPECT_TRUE(near(shown.pixel(300, 318), aoiColour(0)));
    EXPECT_TRUE(near(shown.pixel(300, 200), 0x000000)) << "inside the face";
}

TEST(AoiMarksTest, NothingToDrawLeavesTheGazeOrClearsAnOverlayOfAreasAlone)
{
    MixerBitmap mixer;
    const AoiView view{&kAreas, -1, std::nullopt};
    EXPECT_TRUE(layAoiMarks(mixer, kCanvas, view, 2000, false));
    ASSERT_FALSE(mixer.isEmpty());
    // At 0.7 s nothing is shown: the areas drawn before go.
    EXPECT_FALSE(layAoiMarks(mixer, kCanvas, view, 700, false));
    EXPECT_TRUE(mixer.isEmpty());

    AlphaBitmap gaze;
    gaze.image = QImage(4, 4, QImage::Format_RGB32);
    gaze.image.fill(Qt::green);
    gaze.source = gaze.image.rect();
    gaze.destination = QRectF(0, 0, 0.1, 0.1);
    mixer.SetAlphaBitmap(gaze);
    layAoiMarks(mixer, kCanvas, view, 700, true);
    EXPECT_EQ(mixer.prepared().size(), QSize(4, 4));
    layAoiMarks(mixer, kCanvas, AoiView{}, 2000, true);
    EXPECT_EQ(mixer.prepared().size(), QSize(4, 4));

    // A wide frame gets a canvas of bounded width.
    layAoiMarks(mixer, QSize(3840, 1600), view, 2000, false);
    EXPECT_EQ(mixer.prepared().size(), QSize(FrameLayer::kMaxWidth, 1600 * FrameLayer::kMaxWidth / 3840));
}

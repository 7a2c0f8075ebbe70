#include "player/overlay/Legend.h"
#include "player/core/AppCtrl.h"
#include "player/data/AoiView.h"
#include "player/overlay/DxCtrl.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool hasSwatch(const Legend& legend, Legend::Swatch swatch)
{
    const auto& lines = legend.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const Legend::Line& l) { return l.swatch == swatch; });
}

// The bounding box of the pixels of image that differ from black.
QRect drawnBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & RGB_MASK) != 0)
                box |= QRect(x, y, 1, 1);
    return box;
}

bool anyPixel(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y)))
                return true;
    return false;
}

} // namespace

TEST(Legend, HeatLabelsMarkWhereEachColourBandBeginsForTheViewersLoaded)
{
    const HeatThresholds defaults;
    const HeatThresholds uneven{0.1, 0.3, 0.35, 0.9};
    for (const HeatThresholds& t : {defaults, uneven})
        for (const int viewers : {1, 3, 4, 7, 10, 20, 101}) {
            SCOPED_TRACE(testing::Message() << viewers << " viewers, cyan at " << t.cyan);
            const auto labels = Legend::heatLabels(viewers, t);
            ASSERT_FALSE(labels.empty());
            EXPECT_EQ(labels.front().viewers, 1);
            EXPECT_EQ(labels.back().viewers, viewers);
            for (size_t i = 1; i < labels.size(); ++i)
                EXPECT_LT(labels[i - 1].viewers, labels[i].viewers);
            for (const auto& label : labels)
                EXPECT_DOUBLE_EQ(label.at, (label.viewers - 1.0) / viewers);
            // Each threshold's band begins at a labelled count: its colour differs from the count
            // before's band there, and the count before still lies below the threshold.
            for (const double threshold : {t.cyan, t.green, t.yellow, t.red}) {
                const auto first = std::find_if(labels.begin(), labels.end(), [&](const auto& l) {
                    return l.viewers >= threshold * viewers - 1e-9;
                });
                ASSERT_NE(first, labels.end());
                EXPECT_LT(first->viewers - 1, threshold * viewers - 1e-9);
            }
        }
    // Ten viewers at the usual thresholds: the colours change at 3, 5, 8 and 10 viewers.
    std::vector<int> counts;
    for (const auto& label : Legend::heatLabels(10, defaults))
        counts.push_back(label.viewers);
    EXPECT_EQ(counts, (std::vector<int>{1, 3, 5, 8, 10}));
}

TEST(Legend, NamesTheMarksTheOverlayDrawsAndTheTime)
{
    LegendContent one;
    one.positionMs = 3723456;
    const Legend single(one);
    ASSERT_FALSE(single.lines().empty());
    EXPECT_EQ(single.lines().front().swatch, Legend::Swatch::None);
    EXPECT_TRUE(single.lines().front().text.contains(QStringLiteral("01:02:03.456")));
    EXPECT_TRUE(hasSwatch(single, Legend::Swatch::GazeDisc));
    EXPECT_TRUE(hasSwatch(single, Legend::Swatch::FocusRing));
    EXPECT_TRUE(hasSwatch(single, Legend::Swatch::PupilHole));
    EXPECT_FALSE(hasSwatch(single, Legend::Swatch::Fixation));
    one.options.showScanPath = true;
    EXPECT_TRUE(hasSwatch(Legend(one), Legend::Swatch::Saccade));

    LegendContent many;
    many.manyViewers = true;
    many.viewers = 12;
    const Legend all(many);
    EXPECT_TRUE(hasSwatch(all, Legend::Swatch::HeatRamp));
    EXPECT_TRUE(hasSwatch(all, Legend::Swatch::PupilBar));
    EXPECT_TRUE(hasSwatch(all, Legend::Swatch::KeypointSquares));
    EXPECT_FALSE(hasSwatch(all, Legend::Swatch::GazeDisc));
    many.options.showHeatmap = false;
    many.options.showPupil = false;
    EXPECT_FALSE(hasSwatch(Legend(many), Legend::Swatch::HeatRamp));
    EXPECT_FALSE(hasSwatch(Legend(many), Legend::Swatch::PupilBar));
}

TEST(Legend, IsDrawnInThePicturesTopRightWithTheHeatColours)
{
    LegendContent many;
    many.manyViewers = true;
    many.viewers = 8;
    many.positionMs = 1500;
    const Legend legend(many);
    for (const QSize size : {QSize(640, 360), QSize(1920, 1080), QSize(320, 180)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        // Given a black picture standing in a larger area, as a letterboxed picture does
        QImage image(size + QSize(40, 40), QImage::Format_RGB32);
        image.fill(Qt::black);
        const QRect picture(QPoint(20, 20), size);
        QPainter painter(&image);
        legend.draw(painter, picture);
        painter.end();

        // Then it takes the picture's top right corner and nothing else
        const QRect drawn = drawnBox(image);
        const QRect place = legend.placeIn(picture);
        ASSERT_FALSE(drawn.isEmpty());
        EXPECT_TRUE(place.contains(drawn))
            << drawn.x() << "," << drawn.y() << " " << drawn.width() << "x" << drawn.height();
        EXPECT_TRUE(picture.contains(place));
        EXPECT_LT(picture.right() - place.right(), picture.width() / 50 + 2);
        EXPECT_LT(place.top() - picture.top(), picture.height() / 50 + 2);
        // (a picture of usual size keeps its left half clear)
        if (size.width() >= 640) {
            EXPECT_GT(place.left(), picture.center().x());
        }
        // ... and shows the heat colours of one viewer and of all of them
        const QRgb fewest = DxCtrl::heatColour(1, many.options.heatThresholds, 8) | 0xFF000000;
        const QRgb most = DxCtrl::heatColour(8, many.options.heatThresholds, 8) | 0xFF000000;
        EXPECT_TRUE(anyPixel(image, place, [&](QRgb c) { return c == fewest; }));
        EXPECT_TRUE(anyPixel(image, place, [&](QRgb c) { return c == most; }));
        // ... and white text
        EXPECT_TRUE(anyPixel(image, place,
                             [](QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }));
    }
}

TEST(Legend, NamesTheAreasOfInterestOnlyWhenTheyAreShownAndDrawsTheirOutline)
{
    for (const bool manyViewers : {false, true}) {
        SCOPED_TRACE(manyViewers ? "many viewers" : "one viewer");
        LegendContent content;
        content.manyViewers = manyViewers;
        content.viewers = manyViewers ? 5 : 1;
        EXPECT_FALSE(hasSwatch(Legend(content), Legend::Swatch::AoiOutline));
        content.aois = true;
        const Legend legend(content);
        ASSERT_FALSE(legend.lines().empty());
        EXPECT_EQ(legend.lines().back().swatch, Legend::Swatch::AoiOutline);
        EXPECT_FALSE(legend.lines().back().text.isEmpty());
        // Beside the other marks, not in their place.
        EXPECT_TRUE(hasSwatch(legend, manyViewers ? Legend::Swatch::HeatRamp : Legend::Swatch::GazeDisc));

        // The swatch shows the first area's colour, as over the picture; the legend is taller for it.
        QImage image(640, 360, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        legend.draw(painter, image.rect());
        painter.end();
        const QRgb area = aoiColour(0) | 0xFF000000;
        EXPECT_TRUE(anyPixel(image, legend.placeIn(image.rect()), [&](QRgb c) { return c == area; }));
        content.aois = false;
        EXPECT_GT(legend.placeIn(image.rect()).height(), Legend(content).placeIn(image.rect()).height());
    }
}

TEST(Legend, ThePlayerKeysTheAreasOfInterestOfAMovieOpenedWithoutResults)
{
    AppCtrl app;
    app.showLegend = true;
    // A movie alone: nothing to explain until areas are shown, then only they and the time are.
    EXPECT_FALSE(playerLegendOf(app, 0, 1000, false));
    const auto alone = playerLegendOf(app, 0, 1000, true);
    ASSERT_TRUE(alone);
    const Legend areas(*alone);
    ASSERT_EQ(areas.lines().size(), 2u);
    EXPECT_EQ(areas.lines().front().swatch, Legend::Swatch::None);
    EXPECT_EQ(areas.lines().back().swatch, Legend::Swatch::AoiOutline);
    QImage image(640, 360, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    areas.draw(painter, image.rect());
    painter.end();
    EXPECT_TRUE(anyPixel(image, areas.placeIn(image.rect()),
                         [](QRgb c) { return c == (aoiColour(0) | 0xFF000000); }));

    // With results the marks of their gaze come back, beside the areas.
    for (const auto mode : {AppCtrl::Mode::File, AppCtrl::Mode::Directory}) {
        app.mode = mode;
        const auto content = playerLegendOf(app, mode == AppCtrl::Mode::File ? 1 : 4, 1000, true);
        ASSERT_TRUE(content);
        const Legend both(*content);
        EXPECT_TRUE(hasSwatch(both, mode == AppCtrl::Mode::File ? Legend::Swatch::GazeDisc
                                                                : Legend::Swatch::HeatRamp));
        EXPECT_TRUE(hasSwatch(both, Legend::Swatch::AoiOutline));
        EXPECT_TRUE(playerLegendOf(app, 1, 1000, false));
    }

    // Switched off, or while presenting, there is none.
    app.showLegend = false;
    EXPECT_FALSE(playerLegendOf(app, 4, 1000, true));
    app.showLegend = true;
    app.mode = AppCtrl::Mode::Play;
    EXPECT_FALSE(playerLegendOf(app, 0, 1000, true));
}

TEST(Legend, HaloTextReadsOverLightAndDarkPictures)
{
    for (const QColor& background : {QColor(Qt::white), QColor(Qt::black)}) {
        QImage image(120, 40, QImage::Format_RGB32);
        image.fill(background);
        QPainter painter(&image);
        QFont font;
        font.setPixelSize(20);
        painter.setFont(font);
        drawHaloText(painter, QPointF(5, 28), QStringLiteral("Time"));
        painter.end();
        // Both the white ink and its dark halo are there, whatever the picture
        EXPECT_TRUE(anyPixel(image, image.rect(), [](QRgb c) { return qGray(c) > 240; }));
        EXPECT_TRUE(anyPixel(image, image.rect(), [](QRgb c) { return qGray(c) < 40; }));
    }
}

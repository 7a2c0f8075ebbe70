#include "TestEnvironment.h"
#include "data/ReferenceResults.h"
#include "data/StudyGenerator.h"
#include "player/core/AppCtrl.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/MixerBitmap.h"
#include "player/overlay/DxCtrl.h"
#include "player/overlay/Graphics.h"
#include "player/overlay/KeypointMarks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// The many-viewer overlay drawn the plain way: every circle cell by cell over
// its bounding square, every pixel coloured on its own.
class ReferenceCanvas
{
public:
    ReferenceCanvas(int n, QSize video)
        : n_(n), rowScale_(static_cast<double>(video.height()) / video.width()), rows_(n + visibleHeight()),
          cells_(static_cast<size_t>(2 * n) * static_cast<size_t>(rows_), 0)
    {
    }

    // Margins of N/2 rows above and below the visible rows, at most 4 N of them.
    int visibleHeight() const { return std::clamp(static_cast<int>(n_ * rowScale_), 1, 4 * n_); }

    void addCircle(double x, double y, int radius)
    {
        const std::int64_t r = std::min<std::int64_t>(std::int64_t{radius} * (n_ / 256), 1 << 30);
        const double cx = n_ / 2 + x * n_;
        const double cy = n_ / 2 + y * n_ * rowScale_;
        if (r <= 0 || cx < -r || cy < -r || cx > 2 * n_ + r || cy > rows_ + r)
            return;
        const auto column0 = static_cast<std::int64_t>(cx);
        const auto row0 = static_cast<std::int64_t>(cy);
        for (std::int64_t row = std::max<std::int64_t>(row0 - r + 1, 0);
             row <= std::min<std::int64_t>(row0 + r - 1, rows_ - 1); ++row)
            for (std::int64_t column = std::max<std::int64_t>(column0 - r + 1, 0);
                 column <= std::min<std::int64_t>(column0 + r - 1, 2 * n_ - 1); ++column)
                if ((column - column0) * (column - column0) + (row - row0) * (row - row0) < r * r)
                    ++at(static_cast<int>(column), static_cast<int>(row));
    }

    void mark(const QRectF& rect, std::uint8_t alpha, bool replace)
    {
        const auto column = [&](double x) {
            return std::clamp(static_cast<int>(n_ / 2 + x * n_), 0, 2 * n_);
        };
        const auto row = [&](double y) {
            return std::clamp(static_cast<int>(n_ / 2 + y * n_ * rowScale_), 0, rows_);
        };
        for (int r = row(rect.top()); r < row(rect.bottom()); ++r)
            for (int c = column(rect.left()); c < column(rect.right()); ++c)
                at(c, r) = (replace ? at(c, r) & 0xFFFFFF : at(c, r)) | std::uint32_t{alpha} << 24;
    }

    std::uint32_t cell(int column, int row) { return at(n_ / 2 + column, n_ / 2 + row); }

    QImage surface(const HeatThresholds& thresholds, int results)
    {
        QImage image(n_, visibleHeight(), QImage::Format_ARGB32);
        for (int row = 0; row < image.height(); ++row)
            for (int column = 0; column < n_; ++column)
                image.setPixel(column, row, DxCtrl::heatColour(cell(column, row), thresholds, results));
        return image;
    }

private:
    std::uint32_t& at(int column, int row) { return cells_[static_cast<size_t>(row) * 2 * n_ + column]; }

    int n_;
    double rowScale_;
    int rows_;
    std::vector<std::uint32_t> cells_;
};

// What DrawMulti shows, with the searches and circles done the plain way.
QImage referenceDrawing(const std::vector<std::vector<TimeLineItem>>& files, const TimeLineManager& results,
                        int withPoint, int t, const AppCtrl& app, int n, QSize video)
{
    ReferenceCanvas canvas(n, video);
    for (const auto& items : files) {
        const TimeLineItem item = reference::itemAt(items, t);
        if (item.blink == -1)
            continue;
        const double x = (app.dataFiltered ? item.avgX : item.x) * 1e-6 * app.viewScaleX;
        const double y = (app.dataFiltered ? item.avgY : item.y) * 1e-6 * app.viewScaleY;
        canvas.addCircle(x, y,
                         app.considerFocusTime ? app.heatMapCircleDiameterStep * item.stillCount +
                                                     app.heatMapCircleDiameterStart
                                               : app.heatMapCircleDiameterConst);
    }
    const int range = results.maxDiameter() - results.minDiameter();
    const PupilStep step = results.pupilStepAt(t);
    const double d =
        range > 0 ? std::clamp((step.mean - results.minDiameter()) * 100.0 / range, 0.0, 100.0) : 0.0;
    const bool agreed = app.pupilStandardDeviationPercentThreshold >
                        static_cast<double>(step.deviation) /
                            std::max(1, results.largestDeviation() - results.smallestDeviation());
    canvas.mark(QRectF(QPointF(0.05, 0.84), QPointF(0.05 + d * 0.005, 0.88)), agreed ? 255 : 96, true);
    canvas.mark(QRectF(QPointF(0.057 + d * 0.005, 0.84), QPointF(0.557, 0.88)), agreed ? 64 : 16, true);
    for (size_t i = 0; i < files.size(); ++i)
        canvas.mark(QRectF(0.05 + 0.02 * static_cast<double>(i), 0.75, 0.018, 0.05),
                    static_cast<int>(i) < withPoint ? 255 : 48, false);
    return canvas.surface({app.heatMapPercentThresholdCyan, app.heatMapPercentThresholdGreen,
                           app.heatMapPercentThresholdYellow, app.heatMapPercentThresholdRed},
                          static_cast<int>(files.size()));
}

} // namespace

TEST(HeatMapEquivalence, PicturesMatchThePlainDrawingOnGeneratedStudies)
{
    for (const int viewers : {1, 12, 47}) {
        // Given a study (still gaze, blinks, lost samples, keypoints) and its samples read the plain way
        TempDir dir;
        TimeLineManager results;
        std::vector<std::vector<TimeLineItem>> files;
        AppCtrl app;
        for (int v = 0; v < viewers; ++v) {
            const std::string text = study::recording(static_cast<unsigned>(v + 100), 400);
            writeFile(dir / (std::to_string(v) + ".csv"), text);
            ASSERT_EQ(results.add(dir / (std::to_string(v) + ".csv"), app.eventsNum, app.filterRadius,
                                  app.actionRadius),
                      0);
            files.push_back(reference::read(text));
            reference::derive(files.back(), app.eventsNum, app.filterRadius, app.actionRadius);
        }
        results.calculateStats();
        ShotLine shots(results);
        shots.addShot(Shot{});
        shots.addShot(Shot{3000, 0, 0, 0});
        shots.recount();

        for (const QSize video : {QSize(1280, 720), QSize(720, 1280)})
            for (const int n : {256, 512})
                for (const bool focus : {false, true})
                    for (const bool filtered : {true, false}) {
                        SCOPED_TRACE(testing::Message()
                                     << viewers << " viewers, " << video.width() << "x" << video.height()
                                     << ", N " << n << ", focus " << focus << ", filtered " << filtered);
                        app.considerFocusTime = focus;
                        app.dataFiltered = filtered;
                        app.heatMapCircleDiameterConst = 10 + viewers % 7;
                        Graphics graphics(n, video);
                        MixerBitmap mixer;
                        // When playback moves on tick by tick, with a seek back and a jump ahead
                        for (const int t : {0, 64, 128, 192, 1000, 1064, 40, 5000, 5064, 20000}) {
                            graphics.DrawMulti(mixer, results, shots, t, overlayOptionsOf(app));
                            const QImage drawn = graphics.canvas().GetSurface(
                                {app.heatMapPercentThresholdCyan, app.heatMapPercentThresholdGreen,
                                 app.heatMapPercentThresholdYellow, app.heatMapPercentThresholdRed},
                                viewers);
                            // Then every pixel is the plain drawing's
                            const QImage expected = referenceDrawing(
                                files, results, shots.currentShot(t).interestingCount, t, app, n, video);
                            ASSERT_EQ(drawn, expected) << "at " << t;
                        }
                    }
    }
}

TEST(HeatMapEquivalence, CountsMatchThePlainCirclesAtAnySizeAndPlace)
{
    // Circles of every size at every kind of place, cell by cell, both ways
    std::mt19937 random(3);
    for (const int n : {256, 512}) {
        DxCtrl dx(n);
        dx.SetAspect(640, 480);
        ReferenceCanvas reference(n, QSize(640, 480));
        for (int i = 0; i < 3000; ++i) {
            const double x = (static_cast<double>(random() % 3000) - 1000) / 1000;
            const double y = (static_cast<double>(random() % 3000) - 1000) / 1000;
            const int radius =
                i % 100 == 0 ? static_cast<int>(random() % 2000) : static_cast<int>(random() % 60);
            dx.AddCircle(x, y, radius);
            reference.addCircle(x, y, radius);
        }
        for (int row = 0; row < dx.visibleHeight(); ++row)
            for (int column = 0; column < n; ++column)
                ASSERT_EQ(dx.cell(column, row), reference.cell(column, row)) << column << ", " << row;
    }
}

TEST(KeypointMarks, TenThousandViewersEachHaveASquareInsideThePicture)
{
    for (const QSize video : {QSize(1280, 720), QSize(640, 480), QSize(1920, 804)})
        for (const int n : {256, 512}) {
            SCOPED_TRACE(testing::Message() << video.width() << "x" << video.height() << ", N " << n);
            DxCtrl dx(n);
            dx.SetAspect(video.width(), video.height());
            const QRect picture(0, 0, n, dx.visibleHeight());
            for (const int viewers : {48, 1000, 10000}) {
                const KeypointLayout layout = keypointLayout(viewers, n, dx.visibleHeight());
                ASSERT_FALSE(layout.countInstead) << viewers;
                ASSERT_EQ(layout.squares.size(), static_cast<size_t>(viewers));
                std::set<std::pair<int, int>> corners;
                for (const QRect& square : layout.squares) {
                    ASSERT_TRUE(picture.contains(square)) << square.x() << ", " << square.y();
                    ASSERT_FALSE(square.isEmpty());
                    corners.insert({square.x(), square.y()});
                }
                EXPECT_EQ(corners.size(), static_cast<size_t>(viewers));
            }

            // Drawn, the first 2,500 are opaque and the rest faint, one cell or more each
            dx.ClearCanvas();
            drawKeypointMarks(dx, 10000, 2500);
            int opaque = 0;
            int faint = 0;
            for (int row = 0; row < dx.visibleHeight(); ++row)
                for (int column = 0; column < n; ++column) {
                    opaque += dx.cell(column, row) >> 24 == 255;
                    faint += dx.cell(column, row) >> 24 == 48;
                }
            EXPECT_GE(opaque, 2500);
            EXPECT_GE(faint, 7500);
        }
}

TEST(KeypointMarks, BeyondASquareEachTheCountIsWritten)
{
    DxCtrl dx(256);
    dx.SetAspect(1280, 720);
    const KeypointLayout layout = keypointLayout(100000, 256, dx.visibleHeight());
    ASSERT_TRUE(layout.countInstead);
    const std::vector<QRect> text = drawKeypointMarks(dx, 100000, 123);
    // "123/100000": ten glyphs of 3 x 5 cells, four cells apart.
    int marked = 0;
    for (int row = 0; row < dx.visibleHeight(); ++row)
        for (int column = 0; column < 256; ++column)
            if (dx.cell(column, row) >> 24) {
                ++marked;
                EXPECT_GE(column, layout.countOrigin.x());
                EXPECT_LT(column, layout.countOrigin.x() + 40);
                EXPECT_GE(row, layout.countOrigin.y());
                EXPECT_LT(row, layout.countOrigin.y() + 5);
            }
    EXPECT_GT(marked, 40);
    EXPECT_EQ(text.size(), static_cast<size_t>(marked));

    // A dark halo around the magenta text, over an empty canvas as over heat
    dx.AddCircle(0.05, 0.78, 10); // under the first digits only
    QImage surface = dx.GetSurface(HeatThresholds{}, 100000);
    const QImage plain = surface.copy();
    haloKeypointCount(surface, text);
    const QRect box(layout.countOrigin, QSize(39, 5));
    int dark = 0;
    for (int row = box.top() - 1; row <= box.bottom() + 1; ++row)
        for (int column = box.left() - 1; column <= box.right() + 1; ++column) {
            const QRgb pixel = surface.pixel(column, row);
            if (dx.cell(column, row) >> 24) {
                EXPECT_EQ(pixel, plain.pixel(column, row)) << column << ", " << row;
                continue;
            }
            const bool nextToText = std::any_of(text.begin(), text.end(), [&](const QRect& cell) {
                return cell.adjusted(-1, -1, 1, 1).contains(column, row);
            });
            if (!nextToText)
                continue;
            ++dark;
            EXPECT_LT(std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}), 40) << column << ", " << row;
            EXPECT_GT(qAlpha(pixel), 200) << column << ", " << row;
            // The canvas keys out black: the halo must survive that
            EXPECT_NE(pixel & RGB_MASK, 0u) << column << ", " << row;
        }
    EXPECT_GT(dark, 40);
}

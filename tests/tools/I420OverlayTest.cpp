#include "render/I420Blend.h"
#include "render/OverlayFrames.h"

#include "ResultsText.h"
#include "TestEnvironment.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// An I420 frame in memory with the conversions of BT.601 in limited range:
// chroma taken as the mean of the four pixels it stands for, and given back
// to each of them.
struct I420Frame
{
    int width;
    int height;
    std::vector<std::uint8_t> y, u, v;

    I420Frame(int w, int h)
        : width(w), height(h), y(static_cast<size_t>(w * h)),
          u(static_cast<size_t>((w + 1) / 2 * ((h + 1) / 2))), v(u.size())
    {
    }
    I420Planes planes()
    {
        I420Planes p;
        p.data[0] = y.data();
        p.data[1] = u.data();
        p.data[2] = v.data();
        p.stride[0] = width;
        p.stride[1] = p.stride[2] = (width + 1) / 2;
        p.width = width;
        p.height = height;
        return p;
    }

    static I420Frame of(const QImage& rgb)
    {
        I420Frame frame(rgb.width(), rgb.height());
        const int chromaWidth = (frame.width + 1) / 2;
        std::vector<double> us(frame.u.size()), vs(frame.u.size()), counts(frame.u.size());
        for (int row = 0; row < frame.height; ++row)
            for (int column = 0; column < frame.width; ++column) {
                const QRgb p = rgb.pixel(column, row);
                const double r = qRed(p), g = qGreen(p), b = qBlue(p);
                frame.y[static_cast<size_t>(row * frame.width + column)] = static_cast<std::uint8_t>(
                    std::lround(16 + 219.0 / 255 * (0.299 * r + 0.587 * g + 0.114 * b)));
                const size_t c = static_cast<size_t>(row / 2 * chromaWidth + column / 2);
                us[c] += 128 + 224.0 / 255 * (-0.168736 * r - 0.331264 * g + 0.5 * b);
                vs[c] += 128 + 224.0 / 255 * (0.5 * r - 0.418688 * g - 0.081312 * b);
                counts[c] += 1;
            }
        for (size_t c = 0; c < us.size(); ++c) {
            frame.u[c] = static_cast<std::uint8_t>(std::lround(us[c] / counts[c]));
            frame.v[c] = static_cast<std::uint8_t>(std::lround(vs[c] / counts[c]));
        }
        return frame;
    }

    QImage rgb() const
    {
        QImage image(width, height, QImage::Format_RGB32);
        const auto byte = [](double value) {
            return std::clamp(static_cast<int>(std::lround(value)), 0, 255);
        };
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column) {
                const size_t c = static_cast<size_t>(row / 2 * ((width + 1) / 2) + column / 2);
                const double l = (y[static_cast<size_t>(row * width + column)] - 16) * 255.0 / 219;
                const double cb = (u[c] - 128) * 255.0 / 224;
                const double cr = (v[c] - 128) * 255.0 / 224;
                image.setPixel(column, row,
                               qRgb(byte(l + 1.402 * cr), byte(l - 0.344136 * cb - 0.714136 * cr),
                                    byte(l + 1.772 * cb)));
            }
        return image;
    }
};

int largestDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i)
        largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

int largestDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int row = 0; row < a.height(); ++row)
        for (int column = 0; column < a.width(); ++column) {
            const QRgb p = a.pixel(column, row);
            const QRgb q = b.pixel(column, row);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

// A picture with colour everywhere, whose chroma is the same over each 2 x 2 block
// (so that it comes back from I420 as it went in, up to rounding).
QImage colourPattern(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int row = 0; row < size.height(); ++row)
        for (int column = 0; column < size.width(); ++column) {
            const int bx = column / 2 * 2;
            const int by = row / 2 * 2;
            image.setPixel(
                column, row,
                qRgb(40 + bx * 170 / size.width(), 60 + by * 150 / size.height(), 30 + (bx + by) % 180));
        }
    return I420Frame::of(image).rgb();
}

struct Study
{
    TempDir dir;
    RenderOptions options;
};

// Viewers looking around the frame; one of them or all of them drawn.
void prepare(Study& study, bool heatMap)
{
    std::filesystem::create_directories(study.dir / "study");
    for (int v = 0; v < 12; ++v) {
        std::vector<results_text::Row> rows;
        for (int t = 0; t <= 3000; t += 20)
            rows.push_back({t, 150000 + 20000 * v + 50 * t, 200000 + 20000 * (v % 7) + 30 * t, 1,
                            30000 + 10 * t, t == 500 ? 1 : 0});
        writeFile(study.dir / "study" / ("viewer" + std::to_string(v) + ".csv"), results_text::fileOf(rows));
    }
    study.options.movie = study.dir / "film.avi";
    study.options.directory = heatMap;
    study.options.results = heatMap ? study.dir / "study" : study.dir / "study" / "viewer3.csv";
    study.options.settingsDir = study.dir / "settings";
    study.options.focusTime = false;
}

} // namespace

TEST(OverlayInI420, ThePatchesCoverWhatThePlayerPaintsAndTheBlendIntoI420MatchesItsPicture)
{
    for (const bool heatMap : {true, false})
        for (const QSize size : {QSize(640, 360), QSize(647, 365), QSize(1280, 720)}) {
            const bool legend = size.width() == 1280;
            SCOPED_TRACE(std::string(heatMap ? "heat map " : "one viewer ") + std::to_string(size.width()));
            // [GIVEN] the overlay of a study over a coloured frame; in the large frame with the legend
            // and a viewer looking into the top right, where the legend lies over the marks
            Study study;
            prepare(study, heatMap);
            if (legend) {
                std::vector<results_text::Row> rows;
                for (int t = 0; t <= 3000; t += 20)
                    rows.push_back({t, 880000, 90000, 1, 30000, 0});
                writeFile(study.dir / "study" / "top right.csv", results_text::fileOf(rows));
                if (!heatMap)
                    study.options.results = study.dir / "study" / "top right.csv";
                study.options.legend = true;
            }
            OverlayFrames overlay;
            std::string error, warnings;
            ASSERT_TRUE(overlay.load(study.options, error, warnings)) << error;
            overlay.setVideoSize(size);
            const QImage frame = colourPattern(size);

            for (const int at : {300, 1700, 2900}) {
                // [WHEN] the player's picture is made, and the patches are laid over the frame in RGB and in
                // I420
                const QImage player = overlay.compose(frame, at);
                const auto patches = overlay.patches(at);
                QImage patched = frame.copy();
                QPainter painter(&patched);
                I420Frame yuv = I420Frame::of(frame);
                const I420Blend blend = I420Blend::bt601();
                qint64 area = 0;
                for (const auto& patch : patches) {
                    painter.drawImage(patch.at, patch.image);
                    blend.blend(yuv.planes(), patch.image, patch.at);
                    area += static_cast<qint64>(patch.image.width()) * patch.image.height();
                    EXPECT_EQ(patch.at.x() % 2, 0);
                    EXPECT_EQ(patch.at.y() % 2, 0);
                }
                painter.end();

                // [THEN] in RGB the patches give the player's picture, but for the rounding of the
                // translucent marks (twice where the legend's backing lies over them), and leave most of the
                // frame alone
                ASSERT_FALSE(patches.empty());
                EXPECT_LE(largestDifference(patched, player), legend ? 2 : (heatMap ? 0 : 1));
                EXPECT_LT(area, static_cast<qint64>(size.width()) * size.height() / 2);
                // ... and blended into I420 they give the player's picture in I420, within the rounding
                // of 8-bit YUV: one step of luma, two of chroma
                const I420Frame expected = I420Frame::of(player);
                EXPECT_LE(largestDifference(yuv.y, expected.y), 1);
                EXPECT_LE(largestDifference(yuv.u, expected.u), 2);
                EXPECT_LE(largestDifference(yuv.v, expected.v), 2);
            }
        }
}

TEST(OverlayInI420, PicturesAtTheFramesEdgesAndInOtherRangesBlendOnlyWhereTheyAre)
{
    // [GIVEN] a grey 7 x 5 frame and a half-transparent red square of 4 x 4 pixels
    I420Frame frame(7, 5);
    std::fill(frame.y.begin(), frame.y.end(), 100);
    std::fill(frame.u.begin(), frame.u.end(), 128);
    std::fill(frame.v.begin(), frame.v.end(), 128);
    QImage red(4, 4, QImage::Format_ARGB32_Premultiplied);
    red.fill(qRgba(128, 0, 0, 128));

    // [WHEN] it overhangs the bottom-right corner from an odd place
    const I420Frame before = frame;
    I420Blend::bt601().blend(frame.planes(), red, QPoint(5, 3));

    // [THEN] only the four pixels it covers change; the chroma sample they share with
    // uncovered pixels changes by their share
    for (int row = 0; row < 5; ++row)
        for (int column = 0; column < 7; ++column)
            EXPECT_EQ(frame.y[static_cast<size_t>(row * 7 + column)] !=
                          before.y[static_cast<size_t>(row * 7 + column)],
                      column >= 5 && row >= 3)
                << column << ',' << row;
    // red at half strength over grey: luma (100 - 16) / 2 + 16 + 219 / 255 * 0.299 * 128
    EXPECT_NEAR(frame.y[3 * 7 + 5], 42 + 16 + 33, 1);
    // the block at (4..5, 2..3) has one of its four pixels covered: an eighth of red's V
    EXPECT_NEAR(frame.v[1 * 4 + 2], 128 + 112.0 * 128 / 255 / 4, 1);
    // the corner sample stands for one pixel only, fully covered by the half-transparent red
    EXPECT_NEAR(frame.v[2 * 4 + 3], 128 + 112.0 * 128 / 255, 1);
    EXPECT_EQ(frame.u[0], 128);

    // [WHEN] full-range white at full opacity is laid over a full-range frame
    const int offset[3] = {0, 128, 128};
    const int scale[3] = {255, 255, 255};
    QImage white(2, 2, QImage::Format_ARGB32_Premultiplied);
    white.fill(0xFFFFFFFF);
    I420Blend(0.2126, 0.0722, offset, scale).blend(frame.planes(), white, QPoint(0, 0));
    // [THEN] it is white there, whatever was under it
    EXPECT_EQ(frame.y[0], 255);
    EXPECT_EQ(frame.u[0], 128);
    EXPECT_EQ(frame.v[0], 128);
}

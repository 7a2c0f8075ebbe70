#include "render/RenderJob.h"
#include "render/RenderOptions.h"

#include "GeneratedMovie.h"
#include "ResultsText.h"
#include "TestEnvironment.h"
#include "player/data/AoiView.h"

#include <QImage>
#include <gtest/gtest.h>

#include <sstream>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// The face covers frame pixels 32..128 x 24..96 from 0 ms.
const std::string kAreas = "#Gazeview AOI file version 1\nname;shape;time_ms;x;y;width;height\n"
                           "face;rectangle;0;100000;100000;300000;300000\n";

class RenderAoisTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(generated_movie::run(generated_movie::source("black", 25, kWidth, kHeight, 25) +
                                         "! jpegenc ! avimux ! filesink location=\"" + movie.string() +
                                         "\""));
        // One viewer looking at the bottom-right, away from the face.
        std::vector<results_text::Row> rows;
        for (int t = 0; t <= 1000; t += 20)
            rows.push_back({t, 850000, 850000, 1, 30000, 0});
        writeFile(dir / "viewer.csv", results_text::fileOf(rows));
    }

    int render(std::optional<bool> aois, std::optional<std::filesystem::path> aoiFile, std::string& err)
    {
        RenderOptions options;
        options.movie = movie;
        options.results = dir / "viewer.csv";
        options.output = picture;
        options.format = RenderOptions::Output::Pictures;
        options.atMs = {400};
        options.settingsDir = dir / "settings";
        options.aois = aois;
        options.aoiFile = std::move(aoiFile);
        options.legend = legend;
        std::ostringstream out;
        const int status = runRender(options, out);
        err = out.str();
        return status;
    }
    QImage shown() const
    {
        return QImage(QString::fromStdString(picture.string())).convertToFormat(QImage::Format_RGB32);
    }

    TempDir dir;
    std::filesystem::path movie = dir / "film.avi";
    std::filesystem::path picture = dir / "at.png";
    bool legend = false;
};

bool near(QRgb pixel, std::uint32_t colour)
{
    return std::abs(qRed(pixel) - int(colour >> 16 & 0xff)) < 24 &&
           std::abs(qGreen(pixel) - int(colour >> 8 & 0xff)) < 24 &&
           std::abs(qBlue(pixel) - int(colour & 0xff)) < 24;
}

// The outline is smoothed: its colour shows in full somewhere across its width.
bool lineNear(const QImage& image, int x, int y, std::uint32_t colour)
{
    for (int dx = -2; dx <= 2; ++dx)
        if (near(image.pixel(x + dx, y), colour))
            return true;
    return false;
}

bool dark(QRgb pixel)
{
    return qRed(pixel) < 40 && qGreen(pixel) < 40 && qBlue(pixel) < 40;
}

} // namespace

TEST_F(RenderAoisTest, APictureShowsTheAreasBesideTheMovieOnlyWhenAskedFor)
{
    writeFile(dir / "film.avi_aois.csv", kAreas);
    std::string err;

    ASSERT_EQ(render(std::nullopt, std::nullopt, err), 0) << err;
    EXPECT_TRUE(dark(shown().pixel(32, 60))) << "off unless asked for";

    ASSERT_EQ(render(true, std::nullopt, err), 0) << err;
    const QImage on = shown();
    EXPECT_TRUE(near(on.pixel(32, 60), aoiColour(0))) << "left edge";
    EXPECT_TRUE(near(on.pixel(80, 95), aoiColour(0))) << "bottom edge";
    EXPECT_TRUE(dark(on.pixel(80, 60))) << "inside";
    EXPECT_FALSE(dark(on.pixel(185, 204))) << "the gaze is still drawn";

    // Another file, named on the command line.
    writeFile(dir / "other.csv",
              "name;shape;time_ms;x;y;width;height\nhand;ellipse;0;500000;500000;400000;400000\n");
    ASSERT_EQ(render(std::nullopt, dir / "other.csv", err), 0) << err;
    EXPECT_TRUE(dark(shown().pixel(32, 60)));
    EXPECT_TRUE(lineNear(shown(), 160, 168, aoiColour(0))) << "the ellipse's left end";
}

TEST_F(RenderAoisTest, TheLegendNamesTheAreasWhenTheyAreDrawn)
{
    writeFile(dir / "film.avi_aois.csv", kAreas);
    std::string err;
    // The legend takes the top right: right of the face's outline (which ends by x 130), above the gaze.
    const auto legendShowsArea = [&] {
        const QImage image = shown();
        for (int y = 0; y < kHeight / 2; ++y)
            for (int x = 130; x < kWidth; ++x)
                if (near(image.pixel(x, y), aoiColour(0)))
                    return true;
        return false;
    };
    ASSERT_EQ(render(true, std::nullopt, err), 0) << err;
    EXPECT_FALSE(legendShowsArea()) << "nothing of the area's colour there without the legend";
    legend = true;
    ASSERT_EQ(render(true, std::nullopt, err), 0) << err;
    EXPECT_TRUE(legendShowsArea());
    ASSERT_EQ(render(false, std::nullopt, err), 0) << err;
    EXPECT_FALSE(legendShowsArea());
}

TEST_F(RenderAoisTest, AnAreaFileThatCannotBeUsedIsToldAndNothingIsWritten)
{
    std::string err;
    EXPECT_EQ(render(true, std::nullopt, err), 2);
    EXPECT_NE(err.find("film.avi_aois.csv"), std::string::npos) << err;

    writeFile(dir / "film.avi_aois.csv", kAreas + "face;square;10;1;1;1;1\n");
    EXPECT_EQ(render(true, std::nullopt, err), 2);
    EXPECT_NE(err.find("line 4"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(picture));
}

TEST(RenderAoisOptions, TheSwitchAndTheFileOnTheCommandLine)
{
    const auto parse = [](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"gaze-render", "-m", "film.avi", "-f", "v.csv", "-o", "o.mp4"});
        return parseRenderArguments(arguments);
    };
    EXPECT_EQ(parse({}).options.aois, std::nullopt);
    EXPECT_EQ(parse({"--aois", "on"}).options.aois, true);
    const ParsedRenderArguments named = parse({"--aoi-file", "a.csv"});
    ASSERT_EQ(named.error, "");
    EXPECT_EQ(named.options.aois, true);
    EXPECT_EQ(named.options.aoiFile, std::filesystem::path("a.csv"));
    EXPECT_NE(parse({"--aois", "off", "--aoi-file", "a.csv"}).error, "");
    EXPECT_NE(parse({"--aois", "maybe"}).error, "");
}

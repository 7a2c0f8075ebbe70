#include "analysis/PupilPlot.h"
#include "analysis/AnalysisReport.h"
#include "analysis/AoiPanel.h"

#include "ResultsText.h"
#include "TestEnvironment.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"

#include <QColor>
#include <QImage>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <sstream>

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// Three viewers of a 20 s film whose pupils widen from 3 mm to 5 mm at 10 s;
// the second viewer marks a keypoint at 12 s. Shots start at 0 and 10 s.
class PupilPlotTest : public ::testing::Test
{
protected:
    PupilPlotTest() : shots_(results_)
    {
        for (int viewer = 0; viewer < 3; ++viewer) {
            auto rows = results_text::steadyRows(20000, 40, 30000);
            for (auto& row : rows)
                if (row.time >= 10000)
                    row.pupil = 50000;
            if (viewer == 1)
                rows[300].interestingPoint = 1;
            const auto file = dir / ("P0" + std::to_string(viewer + 1) + ".csv");
            writeFile(file, results_text::fileOf(rows));
            EXPECT_EQ(results_.add(file, 8, 20000, 500), 0);
        }
        results_.calculateStats();
        EXPECT_EQ(shots_.loadText("time_ms;number\n0;1\n10000;2\n"), ShotLine::Loaded);
        shots_.recount();
    }

    // True when a pixel within two of (x, y) is near the colour.
    static bool near(const QImage& image, double x, double y, QColor colour)
    {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const QColor c = image.pixelColor(static_cast<int>(x) + dx, static_cast<int>(y) + dy);
                if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                        std::abs(c.blue() - colour.blue()) <
                    40)
                    return true;
            }
        return false;
    }

    TempDir dir;
    TimeLineManager results_;
    ShotLine shots_;
};

TEST_F(PupilPlotTest, PngShowsTheMeanTheShotsAndTheKeypointsWhereTheyHappen)
{
    const PupilPlot plot(results_, &shots_, QStringLiteral("test"));
    std::string error;
    ASSERT_TRUE(plot.save(dir / "plot.png", error)) << error;
    const QImage image(QString::fromStdString((dir / "plot.png").string()));
    ASSERT_EQ(image.width(), PupilPlot::kWidth);

    const QColor mean(0x1f, 0x4e, 0x9a);
    EXPECT_TRUE(near(image, plot.xOf(5000), plot.yOf(30000), mean));
    EXPECT_TRUE(near(image, plot.xOf(15000), plot.yOf(50000), mean));
    EXPECT_FALSE(near(image, plot.xOf(5000), plot.yOf(50000), mean));
    EXPECT_FALSE(near(image, plot.xOf(15000), plot.yOf(30000), mean));

    // the second shot is a band of its own colour; the first is not
    const double middle = plot.pupilPanel().top() + 5;
    EXPECT_NE(image.pixel(static_cast<int>(plot.xOf(5000)), static_cast<int>(middle)),
              image.pixel(static_cast<int>(plot.xOf(15000)), static_cast<int>(middle)));

    // a tick in the second of three rows at 12 s, none in the others
    const QRectF keys = plot.keypointPanel();
    const double row = keys.height() / 3;
    const QColor keypoint(0xc0, 0x39, 0x2b);
    EXPECT_TRUE(near(image, plot.xOf(12000), keys.top() + row * 1.5, keypoint));
    EXPECT_FALSE(near(image, plot.xOf(12000), keys.top() + row * 0.5, keypoint));
    EXPECT_FALSE(near(image, plot.xOf(12000), keys.top() + row * 2.5, keypoint));
}

TEST_F(PupilPlotTest, AreasOfInterestGetAPanelOfTheShareOfViewersInThem)
{
    // A quarter of the viewers look at the area in the first half, half in the second.
    AoiPresence presence;
    presence.names = {"face"};
    presence.stretches = 100;
    presence.filmEndMs = 20000;
    for (std::size_t s = 0; s < 100; ++s)
        presence.shares.push_back(s < 50 ? 0.25f : 0.5f);
    const PupilPlot plot(results_, &shots_, QStringLiteral("test"), nullptr, &presence);
    const QRectF panel = plot.aoiPanel();
    ASSERT_FALSE(panel.isEmpty());
    EXPECT_GT(panel.top(), plot.keypointPanel().bottom());
    EXPECT_GE(plot.size().height(), panel.bottom());
    std::string error;
    ASSERT_TRUE(plot.save(dir / "aois.png", error)) << error;
    const QImage image(QString::fromStdString((dir / "aois.png").string()));
    const auto y = [&](double share) { return panel.bottom() - panel.height() * share; };
    const QColor line(0x1f, 0x4e, 0x9a);
    EXPECT_TRUE(near(image, plot.xOf(5000), y(0.25), line));
    EXPECT_FALSE(near(image, plot.xOf(5000), y(0.5), line));
    EXPECT_TRUE(near(image, plot.xOf(15000), y(0.5), line));
    EXPECT_FALSE(near(image, plot.xOf(15000), y(0.25), line));
}

TEST_F(PupilPlotTest, SvgIsWellFormedA4WideAndNamesCountsAndViewers)
{
    std::ostringstream err;
    ASSERT_TRUE(writePlot(dir / "plot.svg", results_, &shots_, err)) << err.str();
    const std::string svg = readFile(dir / "plot.svg");
    QXmlStreamReader xml(QByteArray::fromStdString(svg));
    QString width;
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("svg"))
                width = xml.attributes().value(QStringLiteral("width")).toString();
            if (xml.name() == QLatin1String("text"))
                texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_TRUE(width.endsWith(QLatin1String("mm"))) << width.toStdString();
    EXPECT_NEAR(width.chopped(2).toDouble(), 170.0, 2.0);
    // shot 1 has no keypoint, shot 2 the second viewer's
    EXPECT_TRUE(texts.contains(QStringLiteral("0/3"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("1/3")));
    EXPECT_TRUE(texts.contains(QStringLiteral("P02")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Pupil size and keypoints of 3 viewers of trailer.avi")));
    // The tracker's pupil value is no length: the axis says what it is.
    EXPECT_TRUE(texts.contains(QStringLiteral("pupil size (tracker units)")));
    EXPECT_FALSE(texts.join(QLatin1Char('|')).contains(QLatin1String("(mm)")));
}

TEST_F(PupilPlotTest, APictureGrowsWithTheSamplesNotWithTheFilmsLength)
{
    // Given samples half an hour apart: a hundred thousand steps of 32 ms between them, the pupil
    // widening for the second half hour
    writeFile(dir / "long.csv", results_text::fileOf({{0, 500000, 500000, 1, 30000, 0},
                                                      {1800000, 500000, 500000, 1, 30000, 1},
                                                      {3600000, 500000, 500000, 1, 50000, 0}}));
    TimeLineManager results;
    ASSERT_EQ(results.add(dir / "long.csv", 8, 20000, 500), 0);
    results.calculateStats();
    const PupilPlot plot(results, nullptr, QStringLiteral("long"));

    // When it is drawn as SVG and as PNG
    std::string error;
    ASSERT_TRUE(plot.save(dir / "long.svg", error)) << error;
    ASSERT_TRUE(plot.save(dir / "long.png", error)) << error;

    // Then the SVG holds about one point per pixel column, and the mean shows where it was
    EXPECT_LT(std::filesystem::file_size(dir / "long.svg"), 150000u);
    const QImage image(QString::fromStdString((dir / "long.png").string()));
    const QColor mean(0x1f, 0x4e, 0x9a);
    EXPECT_TRUE(near(image, plot.xOf(900000), plot.yOf(30000), mean));
    EXPECT_TRUE(near(image, plot.xOf(2700000), plot.yOf(50000), mean));
    EXPECT_FALSE(near(image, plot.xOf(900000), plot.yOf(50000), mean));
    EXPECT_FALSE(near(image, plot.xOf(2700000), plot.yOf(30000), mean));
}

TEST_F(PupilPlotTest, PupilValuesAtTheTopOfTheirRangeAreDrawn)
{
    // Given viewers whose pupils differ by nearly the whole range of the file's numbers
    writeFile(dir / "wide1.csv", results_text::fileOf({{0, 500000, 500000, 1, 2147483647, 0}}));
    writeFile(dir / "wide2.csv", results_text::fileOf({{0, 500000, 500000, 1, 1, 0}}));
    TimeLineManager results;
    ASSERT_EQ(results.add(dir / "wide1.csv", 8, 20000, 500), 0);
    ASSERT_EQ(results.add(dir / "wide2.csv", 8, 20000, 500), 0);
    results.calculateStats();

    // When the plot is drawn, Then its range holds the mean and the deviation around it
    const PupilPlot plot(results, nullptr, QStringLiteral("wide"));
    EXPECT_GT(plot.yOf(0), plot.yOf(2147483647.0));
    std::string error;
    EXPECT_TRUE(plot.save(dir / "wide.png", error)) << error;
}

TEST_F(PupilPlotTest, NothingIsWrittenWhenThePlotCannotBeMade)
{
    std::ostringstream err;
    // a folder that does not exist
    EXPECT_FALSE(writePlot(dir / "missing" / "plot.png", results_, &shots_, err));
    // no results at all
    const TimeLineManager none;
    EXPECT_FALSE(writePlot(dir / "empty.svg", none, nullptr, err));
    EXPECT_FALSE(std::filesystem::exists(dir / "empty.svg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << err.str();

    // through the tool: a name of another kind is refused before anything loads
    const ParsedArguments parsed = parseAnalysisArguments({"gaze-analyse", "--plot", "plot.pdf", "P01.csv"});
    EXPECT_NE(parsed.error, "");
    AnalysisOptions options;
    options.inputs = {dir / "P01.csv"};
    options.plotFile = dir / "missing" / "plot.svg";
    std::ostringstream out;
    EXPECT_EQ(runAnalysis(options, out, err), 3);
}

} // namespace

TEST_F(PupilPlotTest, TheAxisSaysMillimetresOnlyWhenEveryFileDoes)
{
    const auto axisTexts = [&](const TimeLineManager& results) {
        std::ostringstream err;
        EXPECT_TRUE(writePlot(dir / "units.svg", results, nullptr, err)) << err.str();
        QXmlStreamReader xml(QByteArray::fromStdString(readFile(dir / "units.svg")));
        QStringList texts;
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
                texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        return texts;
    };
    std::string millimetres = results_text::fileOf(results_text::steadyRows(5000, 40, 40000));
    millimetres.insert(millimetres.find('\n') + 1, "#Pupil: diameter_3d mm\r\n");
    TimeLineManager study;
    for (const char* name : {"M1.csv", "M2.csv"}) {
        writeFile(dir / name, millimetres);
        ASSERT_EQ(study.add(dir / name, 8, 20000, 500), 0);
    }
    study.calculateStats();
    EXPECT_TRUE(axisTexts(study).contains(QStringLiteral("pupil diameter (mm)")));

    // One viewer in the tracker's units makes the column no length for the study.
    writeFile(dir / "T1.csv", results_text::fileOf(results_text::steadyRows(5000, 40, 40000)));
    ASSERT_EQ(study.add(dir / "T1.csv", 8, 20000, 500), 0);
    study.calculateStats();
    const QStringList mixed = axisTexts(study);
    EXPECT_TRUE(mixed.contains(QStringLiteral("pupil size (tracker units)")));
    EXPECT_FALSE(mixed.contains(QStringLiteral("pupil diameter (mm)")));
}

// What is drawn from results files: gaze-analyse's plot and the overlay that the
// player and gaze-render lay over the movie, one viewer's and the heat map. The
// input is read as the results-file target reads it (an optional first line
// "@eventsNum;filterRadius;actionRadius", files separated by form feeds), so the
// two share their corpus. Drawing must cost what the samples cost: a file whose
// times are far apart must not take longer or more memory than its samples.

#include "FuzzSupport.h"

#include "analysis/PupilPlot.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/MixerBitmap.h"
#include "player/overlay/Graphics.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

using fuzz_support::check;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_support::quietLog();
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "gaze-analyse";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's offscreen platform does not free its screens when the
    // application ends, and the leak checker would report them at exit.
    static QGuiApplication* const application = new QGuiApplication(argc, argv);
    (void)application;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input = fuzz_support::asText(data, size);
    fuzz_support::takeSettingsLine(input);
    const std::vector<std::string_view> files = fuzz_support::splitFiles(input);
    TimeLineManager results;
    for (size_t i = 0; i < files.size(); ++i)
        results.add(fuzz_support::writeScratchFile("viewer" + std::to_string(i) + ".csv", files[i]), 8, 20000,
                    500);
    if (results.timeLines().empty())
        return 0;
    results.calculateStats();
    ShotLine shots(results);
    shots.addShot(Shot{});
    int lastMs = 0;
    for (const TimeLine& timeLine : results.timeLines())
        if (!timeLine.items().empty())
            lastMs = std::max(lastMs, timeLine.items().back().time);
    if (lastMs > 2)
        shots.toggleShot(lastMs / 2);

    // The plot, as an SVG: its size follows the drawing commands.
    const PupilPlot plot(results, &shots, QStringLiteral("fuzz"));
    QBuffer svgBytes;
    svgBytes.open(QIODevice::WriteOnly);
    {
        QSvgGenerator svg;
        svg.setOutputDevice(&svgBytes);
        svg.setSize(plot.size());
        QPainter painter(&svg);
        plot.paint(painter);
    }
    check(svgBytes.size() < (8 << 20), "the plot's SVG grows past what any film's samples need");

    // The overlay at the ends of the film and between them.
    Graphics graphics(256, QSize(64, 48));
    MixerBitmap mixer;
    OverlayOptions options;
    for (const int at : {INT_MIN, -1, 0, 31, lastMs / 2, lastMs, INT_MAX}) {
        graphics.DrawMulti(mixer, results, shots, at, options);
        graphics.DrawSingle(mixer, results, at, options);
    }
    return 0;
}

#pragma once

#include "common/ScreenGeometry.h"
#include "measures/GazeEvent.h"
#include "player/overlay/OverlayOptions.h"

#include <QSize>
#include <cstddef>
#include <filesystem>
#include <span>
#include <vector>

class QPainter;
class TimeLine;

// The scan path of one viewer: the fixations of the last few seconds before a
// movie time as circles, larger the longer the gaze stayed, joined in order by
// the saccades between them; older ones fade. The viewer's eye movements are
// classified once per results file and kept.
class ScanPath
{
public:
    // The eye movements of the viewer whose samples these are; worked out again
    // only for another results file. The screen's geometry comes from the file's
    // screen line, or the defaults when it has none.
    const std::vector<measures::GazeEvent>& eventsOf(const TimeLine& viewer);

    // Draws the path at positionMs over a canvas that stands for the whole frame.
    // Positions are scaled by the view scale, as the gaze drawing's are.
    static void draw(QPainter& painter, QSize canvas, std::span<const measures::GazeEvent> events,
                     int positionMs, const OverlayOptions& options);

    // The circle's radius, as a share of the frame's width, for a fixation this long.
    static double radiusShare(int durationMs);

    // The geometry in the comment lines before a results file's first data line;
    // the defaults when there is no readable screen line.
    static ScreenGeometry screenOf(const std::filesystem::path& resultsFile);

private:
    struct Key
    {
        const TimeLine* viewer = nullptr;
        std::size_t samples = 0;
        int firstMs = 0;
        int lastMs = 0;
        bool operator==(const Key&) const = default;
    };
    Key key_;
    std::vector<measures::GazeEvent> events_;
};

#pragma once

#include "player/data/TimeLineItem.h"
#include "player/media/MixerBitmap.h"
#include "player/overlay/DxCtrl.h"
#include "player/overlay/OverlayOptions.h"
#include "player/overlay/ScanPath.h"

#include <QImage>
#include <QSize>

class ShotLine;
class TimeLineManager;

// The overlay of the open movie, handed to the movie's mixer: the idle pattern
// while an examination waits to start, the gaze of one viewer (gaze point with
// focus and pupil rings, and its scan path when asked) or of many viewers (focus
// heat map, pupil-size bar, keypoint markers). One object exists while a movie is open; it is made anew
// when the presentation quality changes.
//
// Marks are laid in one order, so that none hides what another means: the heat
// map, then the gaze marks (one viewer's drawing over its scan path), then the
// pupil bar and the keypoint squares (over the heat at no more than half
// opacity), then text: the legend, which whoever shows the picture draws last.
class Graphics
{
public:
    // Side of the drawing of one viewer's gaze, in pixels.
    static constexpr int kBitmapSize = 255;

    // resolution: of the heat map (256 or 512). videoSize: the movie's frame
    // size, which sets the size of the gaze drawing over the video.
    Graphics(int resolution, QSize videoSize);

    // Black with five white squares, stretched over the whole video.
    void ShowIdle(MixerBitmap& mixer) const;
    // Removes whatever the overlay showed.
    void Clear(MixerBitmap& mixer) const;

    // The first loaded result at the position.
    void DrawSingle(MixerBitmap& mixer, TimeLineManager& results, int positionMs,
                    const OverlayOptions& options) const;
    // The gaze drawing over the scan path up to positionMs, on one surface laid over the
    // whole frame.
    AlphaBitmap withScanPath(const AlphaBitmap& gaze, const TimeLine& viewer, int positionMs,
                             const OverlayOptions& options) const;
    // Every loaded result at the position.
    void DrawMulti(MixerBitmap& mixer, TimeLineManager& results, const ShotLine& shots, int positionMs,
                   const OverlayOptions& options);

    // The drawing of one sample, placed over the frame at the gaze position
    // times the view scale.
    AlphaBitmap singleViewer(const TimeLineItem& item, const OverlayOptions& options) const;
    static QImage idlePattern();
    const DxCtrl& canvas() const { return dx_; }

private:
    DxCtrl dx_;
    QSize videoSize_;
    // The viewer's eye movements, classified on the first drawing that needs them.
    mutable ScanPath scanPath_;
    double halfWidth_;
    double halfHeight_;
};

#pragma once

#include "player/core/AppCtrl.h"
#include "player/data/Aoi.h"
#include "player/data/ShotLine.h"
#include "player/data/TimeLineManager.h"
#include "player/media/MixerBitmap.h"
#include "player/overlay/Legend.h"
#include "player/overlay/OverlayOptions.h"
#include "render/RenderOptions.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <memory>
#include <string>
#include <vector>

class Graphics;

// The player's overlay over frames of the movie, drawn by the player's own
// code: its settings, its result set and shot list, its overlay drawing (the
// same call that chooses one viewer's or many viewers' drawing in the player)
// and its mixer, the painting of its video rectangle and, when asked for, its
// legend. The rectangle here is the whole frame at the movie's own size.
class OverlayFrames
{
public:
    OverlayFrames();
    ~OverlayFrames();
    OverlayFrames(const OverlayFrames&) = delete;
    OverlayFrames& operator=(const OverlayFrames&) = delete;

    // Reads the settings files, applies the options' switches, loads the
    // results and the shots. False with error set when no result loaded.
    // Problems that leave something to draw go to warnings.
    bool load(const RenderOptions& options, std::string& error, std::string& warnings);

    // Prepares the drawing for frames of this size; before the first compose().
    void setVideoSize(QSize size);

    // The frame with the overlay of movie time positionMs over it, as the player shows it.
    QImage compose(const QImage& frame, int positionMs);

    // A part of the overlay: what the player paints into that part of the
    // frame, as premultiplied ARGB laid over it.
    struct Patch
    {
        QImage image; // ARGB32_Premultiplied
        QPoint at;    // top-left in the frame; even, like the patch's size away from the frame's edge
    };
    // The overlay of movie time positionMs in parts that together cover every
    // pixel it changes and little else; they do not overlap. Painting them over
    // a frame gives what compose() gives.
    std::vector<Patch> patches(int positionMs);

    const AppCtrl& settings() const { return app_; }
    const TimeLineManager& results() const { return results_; }

private:
    // The player's overlay of movie time positionMs, with the areas of interest when asked for, into the
    // mixer.
    void draw(int positionMs);
    // The legend of movie time positionMs, and the even-edged part of the frame it takes (empty without one).
    Legend legendOf(int positionMs) const;
    QRect legendArea(int positionMs) const;

    AppCtrl app_;
    bool legend_ = false;
    TimeLineManager results_;
    ShotLine shots_;
    std::vector<Aoi> aois_;
    bool showAois_ = false;
    MixerBitmap mixer_;
    std::unique_ptr<Graphics> graphics_;
    QSize videoSize_;
};

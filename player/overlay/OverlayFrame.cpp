#include "player/overlay/OverlayFrame.h"

#include "player/core/AppCtrl.h"
#include "player/data/TimeLineManager.h"
#include "player/overlay/Graphics.h"
#include "player/overlay/OverlayOptions.h"

void drawOverlayFrame(Graphics& graphics, MixerBitmap& mixer, const AppCtrl& app, TimeLineManager& results,
                      const ShotLine& shots, int positionMs)
{
    const bool single = app.mode == AppCtrl::Mode::File;
    if (!single && app.mode != AppCtrl::Mode::Directory)
        return;
    // Nothing loaded: nothing to draw, and no question to the empty set on every tick.
    if (results.timeLines().empty()) {
        if (!mixer.isEmpty())
            mixer.Clear();
    } else if (single) {
        graphics.DrawSingle(mixer, results, positionMs, overlayOptionsOf(app));
    } else {
        graphics.DrawMulti(mixer, results, shots, positionMs, overlayOptionsOf(app));
    }
}

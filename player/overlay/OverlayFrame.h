#pragma once

class AppCtrl;
class Graphics;
class MixerBitmap;
class ShotLine;
class TimeLineManager;

// Draws the overlay of the results at a movie time into the mixer as the
// player's mode and switches have it: one viewer's gaze in FILE mode, the
// many viewers' in DIRECTORY mode, nothing in the others.
void drawOverlayFrame(Graphics& graphics, MixerBitmap& mixer, const AppCtrl& app, TimeLineManager& results,
                      const ShotLine& shots, int positionMs);

#pragma once

#include "player/overlay/DxCtrl.h"

class AppCtrl;

// What the overlay drawing needs to know besides the results: the analysis
// switches, the view scale and the heat-map settings.
struct OverlayOptions
{
    bool dataFiltered = true;      // smoothed positions rather than raw ones
    bool considerFocusTime = true; // heat circles grow with a steady gaze
    bool showHeatmap = true;
    bool showActions = true; // keypoint squares
    bool showPupil = true;
    bool showScanPath = false;
    // How far back the scan path reaches.
    int scanPathWindowMs = 2000;
    // The part of the frame shown: gaze positions are multiplied by it.
    double viewScaleX = 1.0;
    double viewScaleY = 1.0;
    // Below this share of the deviation range the pupil bar is drawn bright.
    double pupilStandardDeviationPercentThreshold = 0.6;
    HeatThresholds heatThresholds;
    int heatMapCircleDiameterConst = 10;
    int heatMapCircleDiameterStart = 2;
    int heatMapCircleDiameterStep = 1;
};

// The options as the player's settings and menus have them.
OverlayOptions overlayOptionsOf(const AppCtrl& app);
// The side of the heat map's grid for the presentation quality: the accurate
// presentation draws twice as fine.
int heatResolutionOf(const AppCtrl& app);

#include "player/overlay/OverlayOptions.h"

#include "player/core/AppCtrl.h"

OverlayOptions overlayOptionsOf(const AppCtrl& app)
{
    OverlayOptions options;
    options.dataFiltered = app.dataFiltered;
    options.considerFocusTime = app.considerFocusTime;
    options.showHeatmap = app.showHeatmap;
    options.showActions = app.showActions;
    options.showPupil = app.showPupil;
    options.showScanPath = app.showScanPath;
    options.viewScaleX = app.viewScaleX;
    options.viewScaleY = app.viewScaleY;
    options.pupilStandardDeviationPercentThreshold = app.pupilStandardDeviationPercentThreshold;
    options.heatThresholds = {app.heatMapPercentThresholdCyan, app.heatMapPercentThresholdGreen,
                              app.heatMapPercentThresholdYellow, app.heatMapPercentThresholdRed};
    options.heatMapCircleDiameterConst = app.heatMapCircleDiameterConst;
    options.heatMapCircleDiameterStart = app.heatMapCircleDiameterStart;
    options.heatMapCircleDiameterStep = app.heatMapCircleDiameterStep;
    return options;
}

int heatResolutionOf(const AppCtrl& app)
{
    return app.multiQuality == 1 ? 512 : 256;
}

#include "render/OverlayFrames.h"

#include "common/AppDataFolder.h"
#include "player/Graphics.h"
#include "player/core/PlayerSettings.h"
#include "player/core/ResultsFiles.h"
#include "player/data/ServiceShotFile.h"
#include "player/media/VideoPainter.h"

#include <QPainter>

OverlayFrames::OverlayFrames() : shots_(results_) {}

OverlayFrames::~OverlayFrames() = default;

bool OverlayFrames::load(const RenderOptions& options, std::string& error, std::string& warnings)
{
    const std::filesystem::path settings = options.settingsDir.value_or(appDataFolder().value_or(""));
    if (!settings.empty()) {
        app_.iniFilePath = settings / "Gazeview.ini";
        app_.guiFilePath = settings / "GazeviewGUI.ini";
        PlayerSettings::read(app_);
    }
    // The view scale zooms the player's window; a rendering always shows whole frames.
    if (options.quality)
        app_.multiQuality = *options.quality;
    app_.considerFocusTime = options.focusTime.value_or(app_.considerFocusTime);
    app_.dataFiltered = options.filtered.value_or(app_.dataFiltered);
    app_.showHeatmap = options.heatmap.value_or(app_.showHeatmap);
    app_.showPupil = options.pupil.value_or(app_.showPupil);
    app_.showActions = options.keypoints.value_or(app_.showActions);
    app_.showScanPath = options.scanPath.value_or(app_.showScanPath);

    app_.mode = options.directory ? AppCtrl::Mode::Directory : AppCtrl::Mode::File;
    app_.resultsPath = QString::fromStdString(options.results.string());
    app_.movieFileName = QString::fromStdString(options.movie.string());
    std::error_code ignored;
    if (options.directory ? !std::filesystem::is_directory(options.results, ignored)
                          : !std::filesystem::is_regular_file(options.results, ignored)) {
        error = (options.directory ? "not a folder: " : "not a readable file: ") + options.results.string();
        return false;
    }
    ResultsFiles::loadFromCommandLine(results_, app_);
    if (results_.timeLines().empty()) {
        error = "no results file could be loaded from " + options.results.string();
        return false;
    }
    results_.calculateStats();
    options_ = overlayOptionsOf(app_);

    std::filesystem::path shotFile = options.movie;
    shotFile += "_shots.csv";
    shotFile = options.shotFile.value_or(shotFile);
    if (!ServiceShotFile(shots_, shotFile, true))
        warnings +=
            "the shot file " + shotFile.string() + " has an error; the shots read before it are used\n";
    return true;
}

void OverlayFrames::setVideoSize(QSize size)
{
    graphics_ = std::make_unique<Graphics>(app_.multiQuality == 1 ? 512 : 256, size);
}

QImage OverlayFrames::compose(const QImage& frame, int positionMs)
{
    if (app_.mode == AppCtrl::Mode::File)
        graphics_->DrawSingle(mixer_, results_, positionMs, options_);
    else
        graphics_->DrawMulti(mixer_, results_, shots_, positionMs, options_);
    QImage shown(frame.size(), QImage::Format_RGB32);
    QPainter painter(&shown);
    VideoPainter::paint(painter, frame, frame.rect(), shown.rect(), &mixer_);
    return shown;
}

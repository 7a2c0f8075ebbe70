#pragma once

#include "platform/window_bus.h"

#include <QRect>
#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

// Everything the player knows from its settings files, its command line and
// its menus: paths, mode, play window, settings and switches, each holding
// its default until read. AppCtrl fills it at start-up; the settings files,
// the command-line parser and the window read and change the fields directly.
struct PlayerState
{
    enum class Mode
    {
        None = 0,      // interactive player
        Play = 1,      // examination screen, reports to the recorder
        File = 2,      // one results file loaded at start
        Directory = 3, // every results file of a folder loaded at start
    };

    // Paths and names.
    QString movieFileName;
    QString serverWindowCaption;
    platform::WindowHandle serverWindow; // found by the main window; empty when none
    QString resultsPath;
    QString ownFileName;
    QString recorderFileName;
    QString extensionFileName;
    std::filesystem::path appDataDir;
    std::filesystem::path logFilePath;
    std::filesystem::path iniFilePath;
    std::filesystem::path guiFilePath;
    QString language = QStringLiteral("en");
    bool languageLoaded = false; // a catalogue translates menus and strings
    std::vector<QRect> monitors; // filled only by -u, in Qt's screen order

    // Mode and command-line values.
    Mode mode = Mode::None;
    int beginTimeMs = 0;
    int endTimeMs = -1; // -1: to the end of the movie
    int playDelayMs = 0;
    int monitorNum = -1;
    std::optional<int> quitCode;
    // Asks the program to end with `code` once its event loop runs; start-up
    // goes on until then. A later request replaces the code.
    void RequestQuit(int code) { quitCode = code; }
    bool helpRequested = false;
    bool versionRequested = false;
    // What was wrong with the command line, for whoever started the program; empty when nothing.
    std::string commandLineProblem;

    // Gazeview.ini
    int eventsNum = 8;
    int filterRadius = 20000;
    int actionRadius = 500;
    int timeStep = 25;
    int timeBiggerStep = 15000;
    double pupilStandardDeviationPercentThreshold = 0.6;
    int minBlinkTime = 100;
    int maxBlinkTime = 400;
    double heatMapPercentThresholdCyan = 0.25;
    double heatMapPercentThresholdGreen = 0.5;
    double heatMapPercentThresholdYellow = 0.75;
    double heatMapPercentThresholdRed = 1.0;
    int heatMapCircleDiameterConst = 10;
    int heatMapCircleDiameterStart = 2;
    int heatMapCircleDiameterStep = 1;
    int recordingOffset = 0;

    // GazeviewGUI.ini
    bool showBigCounter = false;
    int multiQuality = 0; // 0 fast, 1 accurate
    bool showHeatmap = true;
    bool showActions = true;
    bool showPupil = true;
    bool showScanPath = false;  // one viewer: the last fixations and saccades
    bool showSynchrony = false; // many viewers: the synchrony strip along the slider
    bool showLegend = false;    // the key to the overlay's marks, over the picture
    double viewScaleX = 1.0;
    double viewScaleY = 1.0;

    // Switches changed by menu commands, not stored.
    bool dataFiltered = true;
    bool considerFocusTime = true;
};

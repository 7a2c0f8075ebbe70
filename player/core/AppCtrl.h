#pragma once

#include "platform/window_bus.h"

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

class QTranslator;

// The player's application object: every path the program uses, the two
// settings files, the interface language and the command line. main() builds
// one, runs Start() once a QApplication exists (the monitors come from Qt) and
// hands it to the main window, which reads and changes the fields directly.
class AppCtrl
{
public:
    enum class Mode
    {
        None = 0,      // interactive player
        Play = 1,      // examination screen, reports to the recorder
        File = 2,      // one results file loaded at start
        Directory = 3, // every results file of a folder loaded at start
    };

    // Every field holds its default; nothing is read or opened yet.
    AppCtrl();
    // Logs "AppCtrl stopped" when Start() opened the log, and removes the catalogue.
    ~AppCtrl();
    AppCtrl(const AppCtrl&) = delete;
    AppCtrl& operator=(const AppCtrl&) = delete;

    // The start-up sequence: paths beside `executablePath` (empty when unknown),
    // the settings folder, the log, both settings files, the language catalogue,
    // the command line (`arguments` with the program name first), the view
    // scale. Returns the text of a fatal error (the caller shows it and ends
    // with code 1), or nothing.
    std::optional<QString> Start(const QStringList& arguments, const QString& executablePath);

    // Turns the command line into mode, movie, play window, caption, results
    // path and monitor. Errors only log and request the quit with code 1.
    void ProcessCommandLine(const QStringList& arguments);

    // Asks the program to end with `code` once its event loop runs; start-up
    // goes on until then. A later request replaces the code.
    void RequestQuit(int code);

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
    bool helpRequested = false;

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
    double viewScaleX = 1.0;
    double viewScaleY = 1.0;

    // Switches changed by menu commands, not stored.
    bool dataFiltered = true;
    bool considerFocusTime = true;

private:
    void LoadLanguage();

    std::unique_ptr<QTranslator> translator_;
    QByteArray catalogue_; // the translator reads from it for its whole life
    bool started_ = false;
};

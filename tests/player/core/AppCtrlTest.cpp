#include "player/core/AppCtrl.h"
#include "player/core/StringTable.h"

#include "PlayerTestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

using player_test::ScopedEnv;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {

// A program installed in its own folder, with its own settings folder.
struct Installation
{
    TempDir root;
    ScopedEnv env;

    Installation()
    {
        std::filesystem::create_directories(root / "bin");
        env.set("XDG_CONFIG_HOME", (root / "config").string());
    }
    std::filesystem::path settingsFolder() const { return root / "config" / "Orvalis"; }
    QString executable() const { return QString::fromStdString((root / "bin" / "Gazeview").string()); }
    std::string log() const { return readFile(settingsFolder() / "Gazeview.log"); }
    bool logHas(const std::string& line) const { return log().find("] " + line + "\n") != std::string::npos; }

    void writeSettings(const std::string& name, const std::string& content) const
    {
        std::filesystem::create_directories(settingsFolder());
        writeFile(settingsFolder() / name, content);
    }
    std::optional<QString> start(AppCtrl& app, QStringList arguments = {}) const
    {
        arguments.prepend(executable());
        return app.Start(arguments, executable());
    }
};

} // namespace

TEST(AppCtrl, WithoutSettingsFilesTheDefaultsHoldAndNothingIsWritten)
{
    Installation installation;
    {
        AppCtrl app;
        ASSERT_FALSE(installation.start(app));

        EXPECT_EQ(app.recorderFileName,
                  QString::fromStdString((installation.root / "bin" / "Gazelog").string()));
        EXPECT_EQ(app.extensionFileName,
                  QString::fromStdString((installation.root / "bin" / "GazeviewExt").string()));
        EXPECT_EQ(app.iniFilePath, installation.settingsFolder() / "Gazeview.ini");
        EXPECT_EQ(app.guiFilePath, installation.settingsFolder() / "GazeviewGUI.ini");
        EXPECT_EQ(app.eventsNum, 8);
        EXPECT_EQ(app.filterRadius, 20000);
        EXPECT_EQ(app.timeBiggerStep, 15000);
        EXPECT_DOUBLE_EQ(app.pupilStandardDeviationPercentThreshold, 0.6);
        EXPECT_DOUBLE_EQ(app.heatMapPercentThresholdRed, 1.0);
        EXPECT_EQ(app.recordingOffset, 0);
        EXPECT_FALSE(app.showBigCounter);
        EXPECT_TRUE(app.showHeatmap);
        EXPECT_EQ(app.language, "en");
        EXPECT_DOUBLE_EQ(app.viewScaleX, 1.0);
        EXPECT_FALSE(app.quitCode);
    }
    // Only the log exists in the settings folder.
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(installation.settingsFolder()))
        files.push_back(entry.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"Gazeview.log"});

    for (const char* line : {"AppCtrl started (before log)", "Preprocessing/eventsNum: 8",
                             "Navigation/timeStep: 25", "Results/pupilStandardDeviationPercentThreshold= 0.6",
                             "Results/recordingOffset= 0", "GUI/showBigCounter= 0", "GUI/showPupil= 1",
                             "Staying with EN language", "Mode: NONE", "AppCtrl stopped"})
        EXPECT_TRUE(installation.logHas(line)) << line << "\n" << installation.log();
    EXPECT_TRUE(
        installation.logHas("iniFilePath: " + (installation.settingsFolder() / "Gazeview.ini").string()));
}

TEST(AppCtrl, SettingsAreReadFromBothFiles)
{
    Installation installation;
    installation.writeSettings("Gazeview.ini", "[Preprocessing]\neventsNum=12\n"
                                               "[navigation]\nTIMESTEP=40\n"
                                               "[Results]\n"
                                               "pupilStandardDeviationPercentThreshold=33\n"
                                               "heatMapPercentThresholdCyan=-5\n"
                                               "heatMapPercentThresholdGreen=40abc\n"
                                               "recordingOffset=-2500\n");
    installation.writeSettings("GazeviewGUI.ini", "[GUI]\nshowBigCounter=7\nshowHeatmap=0\nmultiQuality=1\n");
    AppCtrl app;
    ASSERT_FALSE(installation.start(app));

    EXPECT_EQ(app.eventsNum, 12);
    EXPECT_EQ(app.timeStep, 40);
    EXPECT_EQ(app.filterRadius, 20000);
    EXPECT_DOUBLE_EQ(app.pupilStandardDeviationPercentThreshold, 0.33);
    // Percents are unsigned: a negative one wraps to a huge fraction.
    EXPECT_DOUBLE_EQ(app.heatMapPercentThresholdCyan, 4294967291u * 0.01);
    EXPECT_DOUBLE_EQ(app.heatMapPercentThresholdGreen, 0.4);
    EXPECT_EQ(app.recordingOffset, -2500);
    EXPECT_TRUE(app.showBigCounter);
    EXPECT_FALSE(app.showHeatmap);
    EXPECT_TRUE(app.showActions);
    EXPECT_EQ(app.multiQuality, 1);

    EXPECT_TRUE(installation.logHas("Preprocessing/eventsNum: 12"));
    EXPECT_TRUE(installation.logHas("Results/pupilStandardDeviationPercentThreshold= 0.33"));
    EXPECT_TRUE(installation.logHas("GUI/showBigCounter= 1"));
}

TEST(AppCtrl, TheViewScaleIsReadOnlyOutsidePlayMode)
{
    Installation installation;
    installation.writeSettings("GazeviewGUI.ini", "[GUI]\nviewScaleXPercent=50\nviewScaleYPercent=100\n");
    {
        AppCtrl app;
        ASSERT_FALSE(installation.start(app, {"-f", "results.csv"}));
        EXPECT_DOUBLE_EQ(app.viewScaleX, 0.5);
        EXPECT_DOUBLE_EQ(app.viewScaleY, 1.0);
    }
    {
        AppCtrl app;
        ASSERT_FALSE(installation.start(app, {"-p", "0"}));
        EXPECT_DOUBLE_EQ(app.viewScaleX, 1.0);
        EXPECT_DOUBLE_EQ(app.viewScaleY, 1.0);
    }
}

TEST(AppCtrl, ALanguageCatalogueBesideTheProgramTranslatesTheStrings)
{
    Installation installation;
    installation.writeSettings("GazeviewGUI.ini", "[GUI]\nlanguage=pl\n");
    const QString english = loadString(IDS_OPEN_MOVIE_TITLE);
    ASSERT_EQ(english, "Open movie file...");

    // Without a catalogue the program stays in English.
    {
        AppCtrl app;
        ASSERT_FALSE(installation.start(app));
        EXPECT_EQ(app.language, "pl");
        EXPECT_FALSE(app.languageLoaded);
        EXPECT_EQ(loadString(IDS_OPEN_MOVIE_TITLE), english);
        EXPECT_TRUE(installation.logHas("No resource DLL 'GazeviewRes_pl.qm' found."));
    }
    // A damaged catalogue is no catalogue.
    writeFile(installation.root / "bin" / "GazeviewRes_pl.qm", "not a catalogue");
    {
        AppCtrl app;
        ASSERT_FALSE(installation.start(app));
        EXPECT_FALSE(app.languageLoaded);
        EXPECT_TRUE(installation.logHas("No resource DLL 'GazeviewRes_pl.qm' found."));
    }
    // With one, its strings replace the built-in ones while the program runs.
    std::filesystem::copy_file(GAZE_TEST_CATALOGUE, installation.root / "bin" / "GazeviewRes_pl.qm",
                               std::filesystem::copy_options::overwrite_existing);
    {
        AppCtrl app;
        ASSERT_FALSE(installation.start(app));
        EXPECT_TRUE(app.languageLoaded);
        EXPECT_EQ(loadString(IDS_OPEN_MOVIE_TITLE), QStringLiteral("Otwórz plik filmu..."));
        EXPECT_EQ(loadString(IDS_OPEN_RESULTS_TITLE), "Open CSV File(s)...");
        EXPECT_TRUE(installation.logHas("Language file 'GazeviewRes_pl.qm' loaded ok."));
    }
    EXPECT_EQ(loadString(IDS_OPEN_MOVIE_TITLE), english);
    EXPECT_TRUE(loadString(12345).isEmpty());
}

TEST(AppCtrl, UnusableSettingsFoldersAreFatal)
{
    {
        ScopedEnv env;
        env.set("XDG_CONFIG_HOME", std::nullopt);
        env.set("HOME", std::nullopt);
        AppCtrl app;
        EXPECT_EQ(app.Start({"Gazeview"}, {}),
                  QStringLiteral("Fatal error SHGetKnownFolderPath(FOLDERID_RoamingAppData). Exiting."));
    }
    {
        Installation installation;
        writeFile(installation.root / "config", "a file where the folder belongs");
        AppCtrl app;
        const auto error = installation.start(app);
        ASSERT_TRUE(error);
        EXPECT_TRUE(error->startsWith("Could not create, find or access to \"")) << error->toStdString();
        EXPECT_TRUE(error->endsWith("\" directory. Exiting."));
    }
    {
        Installation installation;
        std::filesystem::create_directories(installation.settingsFolder() / "Gazeview.log");
        AppCtrl app;
        const auto error = installation.start(app);
        const QString logPath =
            QString::fromStdString((installation.settingsFolder() / "Gazeview.log").string());
        EXPECT_EQ(error, "Fatal error. Could not open log file \"" + logPath + "\" for writing. Exiting.");
    }
}

#include "player/core/AppCtrl.h"

#include "PlayerTestSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <climits>
#include <gtest/gtest.h>

using player_test::CapturedLog;
using Mode = AppCtrl::Mode;

namespace {

// Runs the command-line reading alone, with the program name in front.
struct Parsed
{
    CapturedLog log;
    AppCtrl app;

    explicit Parsed(QStringList arguments)
    {
        arguments.prepend(QStringLiteral("/opt/orvalis/Gazeview"));
        app.ProcessCommandLine(arguments);
    }
};

int screenCount()
{
    return static_cast<int>(QGuiApplication::screens().size());
}

} // namespace

TEST(CommandLine, NoArgumentsLeaveTheInteractivePlayer)
{
    Parsed parsed({});
    EXPECT_EQ(parsed.app.mode, Mode::None);
    EXPECT_FALSE(parsed.app.quitCode);
    EXPECT_EQ(parsed.app.beginTimeMs, 0);
    EXPECT_EQ(parsed.app.endTimeMs, -1);
    EXPECT_EQ(parsed.app.monitorNum, -1);
    EXPECT_TRUE(parsed.app.monitors.empty());
    EXPECT_TRUE(parsed.log.has("Command line arguments number: 1"));
    EXPECT_TRUE(parsed.log.has("Mode: NONE"));
}

TEST(CommandLine, EachModeIsChosenByItsParameterAndLogged)
{
    const struct
    {
        QStringList arguments;
        Mode mode;
        QString resultsPath;
        const char* line;
    } cases[] = {
        {{"-p", "3000"}, Mode::Play, {}, "Mode: PLAY, delay time: 3000"},
        {{"-f", "/data/viewer 1.csv"}, Mode::File, "/data/viewer 1.csv", "Mode: FILE"},
        {{"-d", "/data/results"}, Mode::Directory, "/data/results", "Mode: DIRECTORY"},
    };
    for (const auto& c : cases) {
        Parsed parsed(c.arguments);
        EXPECT_EQ(parsed.app.mode, c.mode) << c.line;
        EXPECT_EQ(parsed.app.resultsPath, c.resultsPath) << c.line;
        EXPECT_FALSE(parsed.app.quitCode) << c.line;
        EXPECT_TRUE(parsed.log.has(c.line)) << parsed.log.text();
    }
}

TEST(CommandLine, TheRecordersExaminationCommandLineIsReadWhole)
{
    Parsed parsed({"-m", "/films/my movie.avi", "-p", "0", "-s", "Orvalis Reelscan Gazelog", "-u", "-1", "-b",
                   "1500", "-e", "90000"});
    const AppCtrl& app = parsed.app;
    EXPECT_EQ(app.movieFileName, "/films/my movie.avi");
    EXPECT_EQ(app.mode, Mode::Play);
    EXPECT_EQ(app.playDelayMs, 0);
    EXPECT_EQ(app.serverWindowCaption, "Orvalis Reelscan Gazelog");
    EXPECT_EQ(app.beginTimeMs, 1500);
    EXPECT_EQ(app.endTimeMs, 90000);
    EXPECT_EQ(app.monitorNum, screenCount() - 1);
    EXPECT_FALSE(app.quitCode);
    // Every argument is logged with its index.
    EXPECT_TRUE(parsed.log.has("Command line arguments number: 13"));
    EXPECT_TRUE(parsed.log.has("2: /films/my movie.avi"));
    EXPECT_TRUE(parsed.log.has("12: 90000"));
}

TEST(CommandLine, TimesAreConvertedLenientlyAndClamped)
{
    const struct
    {
        QStringList arguments;
        int beginTimeMs;
        int endTimeMs;
        int playDelayMs;
    } cases[] = {
        {{"-b", "-5"}, 0, -1, 0},
        {{"-e", "0"}, 0, 1, 0},
        {{"-e", "-7"}, 0, 1, 0},
        {{"-p", "abc"}, 0, -1, 0},
        {{"-p", "-100"}, 0, -1, 0},
        {{"-b", "12abc"}, 12, -1, 0},
        {{"-b", " +40"}, 40, -1, 0},
        {{"-e", "abc"}, 0, 1, 0},
        {{"-p", "250ms"}, 0, -1, 250},
        {{"-b", "7", "-b", "9"}, 9, -1, 0},
        // Out-of-range numbers saturate instead of wrapping to the other sign.
        {{"-e", "99999999999"}, 0, INT_MAX, 0},
        {{"-b", "-99999999999"}, 0, -1, 0},
        {{"-p", "4294967297"}, 0, -1, INT_MAX},
    };
    for (const auto& c : cases) {
        Parsed parsed(c.arguments);
        const std::string label = c.arguments.join(' ').toStdString();
        EXPECT_EQ(parsed.app.beginTimeMs, c.beginTimeMs) << label;
        EXPECT_EQ(parsed.app.endTimeMs, c.endTimeMs) << label;
        EXPECT_EQ(parsed.app.playDelayMs, c.playDelayMs) << label;
        EXPECT_FALSE(parsed.app.quitCode) << label;
    }
}

TEST(CommandLine, OnlyTheFirstModeParameterCounts)
{
    {
        // -f then -d: the mode stays FILE, the folder is still taken as the results path.
        Parsed parsed({"-f", "one.csv", "-d", "/results"});
        EXPECT_EQ(parsed.app.mode, Mode::File);
        EXPECT_EQ(parsed.app.resultsPath, "/results");
        EXPECT_EQ(parsed.app.quitCode, 1);
        EXPECT_TRUE(parsed.log.has("Parameter d excludes p and/or f"));
        EXPECT_TRUE(parsed.log.has("Mode: FILE"));
    }
    {
        Parsed parsed({"-p", "10", "-f", "one.csv", "-m", "movie.avi"});
        EXPECT_EQ(parsed.app.mode, Mode::Play);
        EXPECT_EQ(parsed.app.resultsPath, "one.csv");
        EXPECT_EQ(parsed.app.movieFileName, "movie.avi");
        EXPECT_EQ(parsed.app.quitCode, 1);
        EXPECT_TRUE(parsed.log.has("Parameter f excludes d and/or p"));
    }
    {
        // A rejected -p leaves its value, which is then read as a parameter name.
        Parsed parsed({"-d", "/results", "-p", "100", "-m", "movie.avi"});
        EXPECT_EQ(parsed.app.mode, Mode::Directory);
        EXPECT_EQ(parsed.app.playDelayMs, 0);
        EXPECT_EQ(parsed.app.quitCode, 1);
        EXPECT_TRUE(parsed.log.has("Parameter p excludes f and/or d"));
        EXPECT_TRUE(parsed.log.has("Every parameter name must be preceded by dash (-)"));
        EXPECT_TRUE(parsed.app.movieFileName.isEmpty());
    }
    {
        Parsed parsed({"-f", "one.csv", "-p", "-m", "movie.avi"});
        EXPECT_EQ(parsed.app.mode, Mode::File);
        EXPECT_EQ(parsed.app.movieFileName, "movie.avi");
        EXPECT_EQ(parsed.app.quitCode, 1);
    }
}

TEST(CommandLine, MalformedArgumentsRequestQuitWithCodeOne)
{
    const struct
    {
        QStringList arguments;
        const char* line;
    } cases[] = {
        {{"movie.avi"}, "Every parameter name must be preceded by dash (-)"},
        {{"-m", "movie.avi", "extra"}, "Every parameter name must be preceded by dash (-)"},
        {{"-"}, "Parameter should have a name (m, b, e, s, p, f, d or u)"},
        {{"-m"}, "Every parameter should have a value"},
        {{"-b", "5", "-u"}, "Every parameter should have a value"},
        {{"-M", "movie.avi"}, "Unknown parameter name"},
        {{"-x", "-p", "0"}, "Unknown parameter name"},
    };
    for (const auto& c : cases) {
        Parsed parsed(c.arguments);
        EXPECT_EQ(parsed.app.quitCode, 1) << c.line;
        EXPECT_TRUE(parsed.log.has(c.line)) << parsed.log.text();
    }

    // Parsing stops at a missing dash, but goes on after an unknown name.
    Parsed stopped({"stray", "-m", "movie.avi"});
    EXPECT_TRUE(stopped.app.movieFileName.isEmpty());
    Parsed goesOn({"-x", "-p", "0"});
    EXPECT_EQ(goesOn.app.mode, Mode::Play);
    // An upper-case letter names nothing; its value then lacks a dash.
    Parsed upper({"-M", "movie.avi"});
    EXPECT_TRUE(upper.app.movieFileName.isEmpty());
    EXPECT_TRUE(upper.log.has("Every parameter name must be preceded by dash (-)"));
}

TEST(CommandLine, HelpNeedsNoValueAndRequestsQuitWithCodeZero)
{
    Parsed alone({"-h"});
    EXPECT_TRUE(alone.app.helpRequested);
    EXPECT_EQ(alone.app.quitCode, 0);

    Parsed withOthers({"-m", "movie.avi", "-h", "-b", "10"});
    EXPECT_TRUE(withOthers.app.helpRequested);
    EXPECT_EQ(withOthers.app.quitCode, 0);
    EXPECT_EQ(withOthers.app.beginTimeMs, 10);
}

TEST(CommandLine, AProblemIsNamedForWhoeverStartedTheProgram)
{
    const struct
    {
        QStringList arguments;
        std::string problem;
    } cases[] = {
        {{"-m"}, "option '-m' needs a value"},
        {{"-x"}, "unknown option '-x'"},
        {{"-x", "-p", "0"}, "unknown option '-x'"},
        // The first problem is told, not what follows from it.
        {{"-M", "movie.avi"}, "unknown option '-M'"},
        {{"stray"}, "'stray' is not an option"},
        {{"-p", "0", "-f", "a.csv"}, "-f, -d and -p exclude each other"},
    };
    for (const auto& c : cases) {
        Parsed parsed(c.arguments);
        EXPECT_EQ(parsed.app.commandLineProblem, c.problem) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(parsed.app.quitCode, 1);
    }

    Parsed help({"--help"});
    EXPECT_TRUE(help.app.helpRequested);
    EXPECT_EQ(help.app.quitCode, 0);
    Parsed version({"--version"});
    EXPECT_TRUE(version.app.versionRequested);
    EXPECT_EQ(version.app.quitCode, 0);
    EXPECT_TRUE(version.app.commandLineProblem.empty());
}

TEST(CommandLine, TheMonitorIsCheckedAgainstTheScreensQtReports)
{
    const int count = screenCount();
    ASSERT_GE(count, 1);
    {
        Parsed parsed({"-u", "-1"});
        EXPECT_EQ(parsed.app.monitorNum, count - 1);
        EXPECT_EQ(static_cast<int>(parsed.app.monitors.size()), count);
        EXPECT_EQ(parsed.app.monitors[0], QGuiApplication::screens()[0]->geometry());
        EXPECT_TRUE(parsed.log.has("Given monitor num is -1"));
        EXPECT_TRUE(parsed.log.has("Screen number: " + std::to_string(count)));
        EXPECT_TRUE(parsed.log.has("Monitor num set to " + std::to_string(count - 1)));
        EXPECT_FALSE(parsed.log.has("Screen index -1 is too big"));
    }
    {
        Parsed parsed({"-u", "7"});
        EXPECT_EQ(parsed.app.monitorNum, count - 1);
        EXPECT_TRUE(parsed.log.has("Screen index 7 is too big"));
        EXPECT_TRUE(parsed.log.has("Monitor num set to " + std::to_string(count - 1)));
        EXPECT_FALSE(parsed.app.quitCode);
    }
    {
        Parsed parsed({"-u", "0"});
        EXPECT_EQ(parsed.app.monitorNum, 0);
        EXPECT_FALSE(parsed.log.has("Monitor num set to 0"));
        const QRect area = QGuiApplication::screens()[0]->geometry();
        EXPECT_NE(parsed.log.text().find(", coordinates: " + std::to_string(area.left()) + ", " +
                                         std::to_string(area.top()) + ", " +
                                         std::to_string(area.left() + area.width()) + ", " +
                                         std::to_string(area.top() + area.height())),
                  std::string::npos);
    }
    {
        // Each -u lists the screens again.
        Parsed parsed({"-u", "0", "-u", "0"});
        EXPECT_EQ(static_cast<int>(parsed.app.monitors.size()), 2 * count);
    }
}

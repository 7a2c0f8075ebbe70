#include "TestEnvironment.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>

using testing_support::readFile;
using testing_support::TempDir;

namespace {

struct ProgramRun
{
    int exitCode = -1;
    QString output;
    // The log already held the window's start-up, line by line, while the program ran.
    bool logReadableWhileRunning = false;
};

// Runs the recording program headless with its settings in `config`; it is closed
// as a user would close it (a termination signal) once it has started.
ProgramRun runGazelog(const std::filesystem::path& config, const QStringList& arguments, bool expectWindow)
{
    QProcess process;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(GAZE_BIN_DIR "/Gazelog"), arguments);
    EXPECT_TRUE(process.waitForStarted());
    if (expectWindow) {
        const auto log = config / "Orvalis" / "Gazelog.log";
        const std::regex windowUp(R"(Gazelog::Gazelog\(\):\d+\] end)");
        bool seen = false;
        testing_support::waitUntil(
            [&] {
                seen = std::regex_search(readFile(log), windowUp);
                return seen || process.state() != QProcess::Running;
            },
            std::chrono::seconds(10));
        const bool stillRunning = process.state() == QProcess::Running;
        process.terminate();
        EXPECT_TRUE(process.waitForFinished(10000));
        return {process.exitCode(), QString::fromUtf8(process.readAll()), seen && stillRunning};
    }
    EXPECT_TRUE(process.waitForFinished(10000));
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

} // namespace

TEST(GazelogStartup, WritesTheLogFromHeaderToClosingLine)
{
    TempDir config;
    testing_support::writeFile(config / "stale", "");
    const ProgramRun run = runGazelog(config.path(), {"-m", "/tmp/x.avi"}, true);
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.logReadableWhileRunning) << "each log line reaches the file as it is written";

    const auto log = lines(readFile(config / "Orvalis" / "Gazelog.log"));
    ASSERT_GE(log.size(), 8u);
    EXPECT_EQ(log[0], "[godzina:minuta:sekunda funkcja() / linia] komunikat");
    EXPECT_EQ(log[1], "");
    const std::string stamp = R"(\[\d\d:\d\d:\d\d )";
    EXPECT_TRUE(
        std::regex_match(log[2], std::regex(stamp + R"(Logger::open\(\):\d+\] Poczatek pliku logowania)")));
    EXPECT_TRUE(std::regex_match(log[3], std::regex(stamp + R"(\S+\(\):\d+\] Start)")));
    EXPECT_TRUE(std::regex_match(log[4], std::regex(stamp + R"(\S+\(\):\d+\] Parametr nr 0: .*/Gazelog)")));
    EXPECT_THAT(log[5], testing::EndsWith("] Parametr nr 1: -m"));
    EXPECT_THAT(log[6], testing::EndsWith("] Parametr nr 2: /tmp/x.avi"));
    EXPECT_THAT(log.back(), testing::EndsWith("] Koniec pliku logowania"));
    // The console shows every line as well.
    EXPECT_TRUE(run.output.contains("Poczatek pliku logowania"));
    EXPECT_TRUE(run.output.contains("Log file path: "));
}

TEST(GazelogStartup, AMovieThatDoesNotExistIsReportedAndTheWindowStillOpens)
{
    TempDir config;
    const ProgramRun run = runGazelog(config.path(), {"-m", "/nope/gone.avi"}, true);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.logReadableWhileRunning) << "the window came up";
    EXPECT_TRUE(run.output.contains("the movie \"/nope/gone.avi\" does not exist"))
        << run.output.toStdString();
    EXPECT_THAT(readFile(config / "Orvalis" / "Gazelog.log"),
                testing::HasSubstr("Movie not found: /nope/gone.avi"));
}

TEST(GazelogStartup, AnUnwritableLogFolderEndsWithExitCodeOneAndNoWindow)
{
    TempDir config;
    // The log folder is taken by a plain file, so neither the folder nor the log can be made.
    testing_support::writeFile(config / "Orvalis", "not a folder");
    const ProgramRun run = runGazelog(config.path(), {}, false);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains(QString::fromUtf8("Nie można otworzyć pliku")))
        << run.output.toStdString();
    EXPECT_FALSE(run.output.contains("Gazelog::Gazelog"));
}

#include "common/Logger.h"
#include "TestEnvironment.h"
#include "common/LogLimits.h"
#include "common/QtLogItems.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <thread>
#include <vector>

using testing_support::readFile;
using testing_support::TempDir;

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            out.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        out.push_back(line);
    return out;
}

// One place in the code that logs whatever it is given.
void logFromOnePlace(const std::string& text)
{
    LOG_QUIET(text);
}

struct Sample
{
    void record(double seconds) { LOG("time stamp: ", seconds, " flag: ", true); }
};

} // namespace

TEST(QualifiedFunctionName, StripsReturnTypeParametersAndTemplates)
{
    const std::pair<const char*, const char*> cases[] = {
        {"int main(int, char**)", "main"},
        {"bool EyeTrackerController::startExamination(qint64)", "EyeTrackerController::startExamination"},
        {"static bool Logger::open(const LogStyle&, const std::filesystem::__cxx11::path&)", "Logger::open"},
        {"void ns::Widget<std::vector<int> >::paint(QPainter*) const",
         "ns::Widget<std::vector<int> >::paint"},
        {"Logger::~Logger()", "Logger::~Logger"},
        {"auto Foo::operator()(int) const", "Foo::operator()"},
    };
    for (const auto& [pretty, expected] : cases)
        EXPECT_EQ(qualifiedFunctionName(pretty), expected) << pretty;
}

TEST(Logger, RecorderFileHasHeaderOpeningLineAndTenDigitPrecision)
{
    TempDir dir;
    const auto path = dir / "Gazelog.log";
    testing_support::writeFile(path, "left over from the previous run\n");

    ASSERT_FALSE(Logger::open(recorderLogStyle(), path));
    Sample().record(1234.567891234);
    LOG("path: ", QStringLiteral("zażółć"), " id ", 42);
    Logger::instance().close();

    const auto text = readFile(path);
    const auto all = lines(text);
    ASSERT_EQ(all.size(), 6u) << text;
    EXPECT_EQ(all[0], "[godzina:minuta:sekunda funkcja() / linia] komunikat");
    EXPECT_EQ(all[1], "");
    EXPECT_TRUE(std::regex_match(
        all[2], std::regex(R"(\[\d\d:\d\d:\d\d Logger::open\(\):\d+\] Poczatek pliku logowania)")))
        << all[2];
    EXPECT_TRUE(std::regex_match(
        all[3],
        std::regex(
            R"(\[\d\d:\d\d:\d\d \{anonymous\}::Sample::record\(\):\d+\] time stamp: 1234\.567891 flag: 1)")))
        << all[3];
    EXPECT_THAT(all[4], testing::EndsWith("] path: zażółć id 42"));
    EXPECT_THAT(all[5], testing::EndsWith("Koniec pliku logowania"));
    EXPECT_EQ(text.find("left over"), std::string::npos);
}

TEST(Logger, PlayerStyleUsesItsOwnSeparatorAndTexts)
{
    TempDir dir;
    const auto path = dir / "Gazeview.log";
    ASSERT_FALSE(Logger::open(playerLogStyle(), path));
    LOG("value ", 0.1234567891);
    Logger::instance().close();

    const auto all = lines(readFile(path));
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0], "[hour:minute:second function() / line] message");
    EXPECT_TRUE(std::regex_match(
        all[3],
        std::regex(R"(\[\d\d:\d\d:\d\d Logger_PlayerStyle\w+::TestBody\(\) / \d+\] value 0\.123457)")))
        << all[3];
    EXPECT_THAT(all[4], testing::EndsWith("The log ends here"));
}

TEST(Logger, OpenReportsFailureWhenTheFolderIsMissing)
{
    TempDir dir;
    EXPECT_TRUE(Logger::open(recorderLogStyle(), dir / "missing" / "Gazelog.log"));
    EXPECT_FALSE(Logger::instance().isOpen());
}

TEST(Logger, LinesFromManyThreadsStayWhole)
{
    TempDir dir;
    const auto path = dir / "threads.log";
    ASSERT_FALSE(Logger::open(playerLogStyle(), path));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                LOG_QUIET("thread ", t, " line ", i, " ", std::string(40, char('a' + t)));
        });
    for (auto& thread : threads)
        thread.join();
    Logger::instance().close();

    const std::regex whole(R"(\[[^\]]+\] thread (\d) line \d+ ([a-d])\2{39})");
    int count = 0;
    for (const auto& line : lines(readFile(path))) {
        if (line.find("thread ") == std::string::npos)
            continue;
        ++count;
        EXPECT_TRUE(std::regex_match(line, whole)) << line;
    }
    EXPECT_EQ(count, 800);
}

TEST(Logger, ALineRepeatedFromOnePlaceIsCountedAndTheFileStopsGrowingAtItsLimit)
{
    TempDir dir;
    const auto path = dir / "repeats.log";
    ASSERT_FALSE(Logger::open(playerLogStyle(), path));

    // A fault told with every datagram: a few lines, then one that counts the rest
    for (int i = 0; i < 1000; ++i)
        logFromOnePlace("message dropped: a message from user 1234");
    logFromOnePlace("something else");
    for (int i = 0; i < 30; ++i)
        logFromOnePlace("message dropped: a message from user 1234");
    Logger::instance().close();
    std::vector<std::string> repeated;
    for (const auto& line : lines(readFile(path)))
        if (line.find("user 1234") != std::string::npos)
            repeated.push_back(line);
    ASSERT_EQ(repeated.size(), 2u * LogLimits::freeRepeats + 2) << readFile(path);
    EXPECT_THAT(repeated[LogLimits::freeRepeats],
                testing::HasSubstr("the line before came 990 more times: message dropped"));
    EXPECT_THAT(repeated.back(), testing::HasSubstr("the line before came 20 more times"));

    // Lines that all differ: the file ends at its limit, and says so, and still has its closing line
    LogLimits::setGrowthLimit(20000);
    ASSERT_FALSE(Logger::open(playerLogStyle(), path));
    for (int i = 0; i < 10000; ++i)
        LOG_QUIET("sample ", i);
    Logger::instance().close();
    LogLimits::setGrowthLimit(LogLimits::defaultGrowthLimit);
    const std::string text = readFile(path);
    EXPECT_LE(text.size(), 20000u + 400u);
    EXPECT_THAT(text, testing::HasSubstr("the log file reached its limit of 20000 bytes"));
    EXPECT_THAT(lines(text).back(), testing::HasSubstr(playerLogStyle().closeLine));
}

#include "sim/eyetribe/GazePath.h"
#include "sim/eyetribe/Script.h"
#include "sim/eyetribe/ServerOptions.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace sim;

TEST(EyeTribeOptions, ReadsEveryOptionAndRejectsBadOnes)
{
    const ParsedServerOptions parsed = parseServerOptions(
        {"--port=7000", "--framerate=60", "--heartbeat-interval=250", "--trackerstate=3",
         "--gaze-file=path.csv", "--calibration-error=1.25", "--screen-width-mm=600", "--silent"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.port, 7000);
    EXPECT_EQ(parsed.options.framerate, 60);
    EXPECT_EQ(parsed.options.effectiveHeartbeatTimeoutMs(), 750);
    EXPECT_EQ(parsed.options.trackerState, 3);
    EXPECT_EQ(parsed.options.gazeFile, "path.csv");
    EXPECT_DOUBLE_EQ(parsed.options.calibrationErrorDeg, 1.25);
    EXPECT_FLOAT_EQ(parsed.options.screenPhysicalWidth, 0.6f);
    EXPECT_TRUE(parsed.options.silent);

    // The ways of trying a client: the heartbeat announced may be anything.
    const ParsedServerOptions trying =
        parseServerOptions({"--announce-heartbeat=-5", "--push-before-answer", "--never-accept",
                            "--close-on-accept", "--refuse-get", "--calibresult=null"});
    ASSERT_EQ(trying.error, "");
    EXPECT_EQ(trying.options.announcedHeartbeatIntervalMs, -5);
    EXPECT_EQ(trying.options.effectiveHeartbeatTimeoutMs(), 9000) << "clients are still held to 3000";
    EXPECT_TRUE(trying.options.pushBeforeAnswer && trying.options.neverAccept &&
                trying.options.closeOnAccept && trying.options.refuseGet);
    EXPECT_EQ(trying.options.calibresultText, "null");

    const std::pair<const char*, const char*> bad[] = {
        {"--framerate=0", "bad value in: --framerate=0"},
        {"--framerate=30fps", "bad value in: --framerate=30fps"},
        {"--port=70000", "bad value in: --port=70000"},
        {"--port", "bad value in: --port"},
        {"--colour=red", "unknown option: --colour=red"},
    };
    for (const auto& [arg, error] : bad)
        EXPECT_EQ(parseServerOptions({arg}).error, error);
}

TEST(EyeTribeScript, ReadsEventsAndNamesTheBadLine)
{
    std::istringstream good("# a comment\n\n100 trackerstate 2\n200 raw {\"a\": 1}\n300 split 3 {\"b\":2}\n"
                            "400 silent on\n500 drop\r\n");
    const ParsedScript parsed = parseScript(good);
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.events.size(), 5u);
    EXPECT_EQ(parsed.events[0].kind, ScriptEvent::Kind::trackerState);
    EXPECT_EQ(parsed.events[0].value, 2);
    EXPECT_EQ(parsed.events[1].text, "{\"a\": 1}");
    EXPECT_EQ(parsed.events[2].value, 3);
    EXPECT_EQ(parsed.events[3].value, 1);
    EXPECT_EQ(parsed.events[4].atMs, 500);

    const std::pair<const char*, const char*> bad[] = {
        {"soon drop", "line 1: expected a time in milliseconds"},
        {"10 drop\n20 explode", "line 2: unknown command \"explode\""},
        {"10 split 0 {}", "line 1: split needs a number of parts"},
        {"10 silent maybe", "line 1: silent needs on or off"},
        {"10 raw", "line 1: raw needs a text"},
    };
    for (const auto& [text, error] : bad) {
        std::istringstream in(text);
        const ParsedScript result = parseScript(in);
        EXPECT_EQ(result.error, error);
        EXPECT_TRUE(result.events.empty());
    }
}

TEST(GazePath, ReadsSamplesAndBlinks)
{
    std::istringstream in("# x;y;psize\n100;200\n-\n300.5;400;18.5\r\n");
    std::string error;
    const GazePath path = GazePath::read(in, error);
    ASSERT_EQ(error, "");
    ASSERT_EQ(path.size(), 3u);
    EXPECT_EQ(path.at(0).x, 100);
    EXPECT_TRUE(path.at(0).tracked);
    EXPECT_FALSE(path.at(1).tracked);
    EXPECT_EQ(path.at(2).pupilSize, 18.5f);
    EXPECT_EQ(path.at(3).x, 100) << "the path starts over";

    for (const char* text : {"100;200\n100,200\n", "1;2;3;4\n", "1;nan\n", "x;y\n", ""}) {
        std::istringstream badIn(text);
        std::string badError;
        GazePath::read(badIn, badError);
        EXPECT_NE(badError, "") << text;
    }
    std::istringstream second("1;2\n1;2;x\n");
    GazePath::read(second, error);
    EXPECT_EQ(error, "line 2: expected x;y;psize");
}

TEST(GazePath, TheSyntheticViewerFixatesJumpsAndBlinks)
{
    const GazePath path = GazePath::synthetic(7, 60, 1920, 1080, 20000);
    ASSERT_EQ(path.size(), 1200u);
    int fixations = 0, saccades = 0, blinks = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const GazeSample& s = path.at(i);
        if (!s.tracked) {
            ++blinks;
            continue;
        }
        EXPECT_TRUE(s.x > -10 && s.x < 1930 && s.y > -10 && s.y < 1090) << i;
        EXPECT_GT(s.pupilSize, 10);
        ++(s.fixation ? fixations : saccades);
    }
    EXPECT_GT(fixations, saccades);
    EXPECT_GT(saccades, 0);
    EXPECT_GT(blinks, 0);
    // The same seed gives the same viewer.
    EXPECT_EQ(GazePath::synthetic(7, 60, 1920, 1080, 20000).at(500).x, path.at(500).x);
}

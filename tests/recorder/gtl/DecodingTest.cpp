#include "Messages.h"
#include "recorder/gtl/MessageDecoder.h"

#include <gtest/gtest.h>

using namespace gtl;

namespace {

std::optional<DecodedMessage> decode(const std::string& text, const TrackerValues& values = {},
                                     const ScreenSetup& screen = {})
{
    return decodeMessage(text, values, screen);
}

} // namespace

TEST(Decoding, HeaderTextsMapExactly)
{
    EXPECT_EQ(messageCategory("tracker"), MessageCategory::tracker);
    EXPECT_EQ(messageCategory("calibration"), MessageCategory::calibration);
    EXPECT_EQ(messageCategory("heartbeat"), MessageCategory::heartbeat);
    EXPECT_EQ(messageCategory("Tracker"), MessageCategory::unknown);
    EXPECT_EQ(requestKind("pointend"), RequestKind::pointend);
    EXPECT_EQ(requestKind("pointstart"), RequestKind::pointstart);
    EXPECT_EQ(requestKind("GET"), RequestKind::unknown);
    EXPECT_EQ(statusKind(200), StatusKind::ok);
    EXPECT_EQ(statusKind(800), StatusKind::calibration_changed);
    EXPECT_EQ(statusKind(801), StatusKind::display_changed);
    EXPECT_EQ(statusKind(802), StatusKind::tracker_state_changed);
    EXPECT_EQ(statusKind(403), StatusKind::error);
    EXPECT_EQ(statusKind(-1), StatusKind::error);
    EXPECT_EQ(statusKind(0), StatusKind::none);
}

TEST(Decoding, MessagesWithoutEffectAreDropped)
{
    const char* dropped[] = {
        R"(not json)",
        R"({"category":"tracker","statuscode":200,"request":"get","values":{)",
        R"({"category":"camera","statuscode":200,"request":"get","values":{}})",
        R"({"statuscode":200,"request":"get","values":{}})",
        R"({"category":"tracker","request":"get","values":{}})",
        R"({"category":"tracker","statuscode":0,"request":"get","values":{}})",
        R"({"category":"tracker","statuscode":"many","request":"get","values":{}})",
        R"({"category":"tracker","statuscode":200,"values":{"trackerstate":1}})",
        R"({"category":"heartbeat","statuscode":200})",
        R"({"category":"tracker","statuscode":200.0,"request":"get","values":{}})",
        R"(["category","tracker"])",
    };
    for (const char* text : dropped)
        EXPECT_FALSE(decode(text)) << text;
}

TEST(Decoding, AnAnswerWithNothingUsableIsAnErrorReply)
{
    const std::string answers[] = {
        R"({"category":"tracker","statuscode":200,"request":"get"})",
        R"({"category":"tracker","statuscode":200,"request":"get","values":{}})",
        R"({"category":"tracker","statuscode":200,"request":"get","values":[1,2]})",
        messages::get(R"("trackerstate":"on","push":1,"calibresult":null,"screenresw":1e12)"),
    };
    for (const std::string& text : answers) {
        const auto message = decode(text);
        ASSERT_TRUE(message) << text;
        EXPECT_EQ(message->status, StatusKind::error) << text;
        EXPECT_FALSE(message->valueSet) << text;
    }
    // A pushed frame that does not decode is a skipped frame, not an error reply.
    const auto frame = decode(messages::get(R"("frame":)" + messages::frame(5, false)));
    ASSERT_TRUE(frame && frame->valueSet);
    EXPECT_EQ(frame->status, StatusKind::ok);
    EXPECT_FALSE(frame->valueSet->framePresent);
    EXPECT_FALSE(frame->valueSet->answersRequest);
    EXPECT_EQ(frame->skipped, std::vector<std::string>{"frame"});
}

TEST(Decoding, NestingDeeperThanAnyMessageIsRefusedUnread)
{
    const auto nested = [](int levels) {
        return messages::get(R"("trackerstate":1,"deep":)" + std::string(levels - 2, '[') +
                             std::string(levels - 2, ']'));
    };
    DropReason reason = DropReason::none;
    EXPECT_TRUE(decodeMessage(nested(maxMessageNesting), {}, {}, &reason));
    EXPECT_EQ(reason, DropReason::none);
    EXPECT_FALSE(decodeMessage(nested(maxMessageNesting + 1), {}, {}, &reason));
    EXPECT_EQ(reason, DropReason::too_deep);
    // Half a million levels in a megabyte: refused without a deep stack anywhere.
    EXPECT_FALSE(decodeMessage(nested(500000), {}, {}, &reason));
    EXPECT_EQ(reason, DropReason::too_deep);
    // Brackets inside strings do not count.
    EXPECT_TRUE(decodeMessage(messages::get(R"("trackerstate":1,"note":")" + std::string(200, '[') + "\""),
                              {}, {}, &reason));
}

TEST(Decoding, StatusCodesOtherThanOkCarryNoValues)
{
    const auto error = decode(R"({"category":"tracker","statuscode":403,"request":"set"})");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->status, StatusKind::error);
    EXPECT_FALSE(error->valueSet);
    const auto change = decode(R"({"category":"tracker","statuscode":801})");
    ASSERT_TRUE(change);
    EXPECT_EQ(change->status, StatusKind::display_changed);
}

TEST(Decoding, AFullGetReplyFillsEveryRecord)
{
    // Bytes around the object, as the framer hands them on, do not matter.
    const auto message = decode("}" + messages::allValues(2) + "\r\n");
    ASSERT_TRUE(message);
    ASSERT_TRUE(message->valueSet);
    const ValueSet& set = *message->valueSet;
    EXPECT_EQ(set.values, (TrackerValues{true, 3000, 1, 2, 60, true, false}));
    EXPECT_EQ(set.screen, (ScreenSetup{1, 1920, 1080, 0.531f, 0.299f}));
    ASSERT_TRUE(set.framePresent);
    EXPECT_EQ(set.frame.time, 1000);
    EXPECT_TRUE(set.frame.fix);
    EXPECT_EQ(set.frame.state, 7);
    EXPECT_EQ(set.frame.raw, (Point2f{100.5f, 200}));
    EXPECT_EQ(set.frame.avg, (Point2f{101, 201}));
    EXPECT_EQ(set.frame.lefteye.raw.x, 96);
    EXPECT_EQ(set.frame.righteye.avg.x, 104);
    EXPECT_EQ(set.frame.righteye.psize, 17.5f);
    EXPECT_EQ(set.frame.righteye.pcenter, (Point2f{0.4f, 0.5f}));
    ASSERT_TRUE(set.calibrationPresent);
    EXPECT_TRUE(set.calibration.result);
    EXPECT_FLOAT_EQ(set.calibration.deg, 0.45f);
    ASSERT_EQ(set.calibration.calibpoints.size(), 2u);
    const CalibrationPoint& second = set.calibration.calibpoints[1];
    EXPECT_EQ(second.cp, (Point2f{200, 10}));
    EXPECT_EQ(second.mecp, (Point2f{11, 12}));
    EXPECT_FLOAT_EQ(second.adl, 0.5f);
    EXPECT_FLOAT_EQ(second.mepr, 15);
    EXPECT_FLOAT_EQ(second.asdr, 0.15f);
}

TEST(Decoding, OptionalMembersKeepTheCurrentValues)
{
    const TrackerValues current{true, 500, 1, 3, 30, true, true};
    const ScreenSetup currentScreen{2, 800, 600, 0.25f, 0.2f};
    // No "screenpsyw", a framerate that does not convert, a new tracker state.
    const auto message = decode(messages::get(R"("trackerstate":0,"framerate":"fast","screenresw":1024)"),
                                current, currentScreen);
    ASSERT_TRUE(message && message->valueSet);
    TrackerValues expected = current;
    expected.trackerstate = 0;
    EXPECT_EQ(message->valueSet->values, expected);
    EXPECT_EQ(message->valueSet->screen, (ScreenSetup{2, 1024, 600, 0.25f, 0.2f}));
    EXPECT_FALSE(message->valueSet->framePresent);
    EXPECT_FALSE(message->valueSet->calibrationPresent);
}

TEST(Decoding, NumbersInQuotesCountAsTheNumbers)
{
    // A status and values in quotes are read as the numbers, and the message says so
    const auto message =
        decode(R"({"category":"tracker","request":"get","statuscode":"200","values":{"trackerstate":"0",)"
               R"("screenpsyw":"0.5","framerate":" 30","screenresh":"1e3"}})");
    ASSERT_TRUE(message && message->valueSet);
    EXPECT_EQ(message->status, StatusKind::ok);
    EXPECT_TRUE(message->quotedNumbers);
    EXPECT_EQ(message->valueSet->values.trackerstate, 0);
    EXPECT_EQ(message->valueSet->screen.screenpsyw, 0.5f);
    // Text around a number, or a number of the wrong kind, is still no number
    EXPECT_EQ(message->skipped, (std::vector<std::string>{"framerate", "screenresh"}));

    const auto plain = decode(messages::get(R"("trackerstate":0)"));
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->quotedNumbers);
}

TEST(Decoding, AMemberOfAnUnexpectedShapeCostsOnlyItself)
{
    struct Case
    {
        std::string values;
        std::vector<std::string> skipped;
    };
    const std::string point2 =
        R"({"state":2,"cp":{"x":1,"y":2},"mecp":{"x":1,"y":2},"acd":{"ad":1,"adl":1,"adr":1},)"
        R"("mepix":{"mep":1,"mepl":1,"mepr":1},"asdp":{"asd":1,"asdl":1}})";
    const Case cases[] = {
        {R"("frame":)" + messages::frame(5, false), {"frame"}},
        {R"("frame":{"time":"soon"})", {"frame"}},
        {R"("frame":[])", {"frame"}},
        {R"("calibresult":{})", {"calibresult"}},
        {R"("calibresult":null)", {"calibresult"}},
        {R"("calibresult":[1,2])", {"calibresult"}},
        {R"("calibresult":{"deg":0.4,"degl":0.4,"degr":0.4,"calibpoints":[]})", {"calibresult"}},
        {R"("calibresult":)" + messages::calibresult(true, false), {"calibresult"}},
        {R"("calibresult":{"result":true,"deg":0.4,"degl":0.4,"degr":0.4,"calibpoints":[)" + point2 + "]}",
         {"calibresult"}},
        {R"("calibresult":{"result":true,"deg":0.4,"degl":0.4,"degr":0.4,"calibpoints":[7]})",
         {"calibresult"}},
        {R"("framerate":"fast","iscalibrated":1,"screenpsyw":"wide","version":2.5,"push":null)",
         {"framerate", "iscalibrated", "screenpsyw", "version", "push"}},
        {R"("screenresw":4294967296,"heartbeatinterval":{"ms":3})", {"screenresw", "heartbeatinterval"}},
    };
    const TrackerValues current{true, 500, 1, 3, 30, true, true};
    const ScreenSetup currentScreen{2, 800, 600, 0.25f, 0.2f};
    for (const Case& c : cases) {
        const auto message = decode(messages::get(R"("trackerstate":1,)" + c.values), current, currentScreen);
        ASSERT_TRUE(message && message->valueSet) << c.values;
        EXPECT_EQ(message->status, StatusKind::ok) << c.values;
        EXPECT_EQ(message->skipped, c.skipped) << c.values;
        TrackerValues expected = current;
        expected.trackerstate = 1;
        EXPECT_EQ(message->valueSet->values, expected) << c.values;
        EXPECT_EQ(message->valueSet->screen, currentScreen) << c.values;
        EXPECT_FALSE(message->valueSet->framePresent) << c.values;
        EXPECT_FALSE(message->valueSet->calibrationPresent) << c.values;
    }
}

TEST(Decoding, PointEndRepliesTellWhetherAResultCameWithThem)
{
    struct Case
    {
        std::string text;
        CalibrationOutcome outcome;
    };
    const Case cases[] = {
        {messages::calibration("pointend"), CalibrationOutcome::absent},
        {messages::calibration("pointend", R"("other":1)"), CalibrationOutcome::failed},
        {messages::calibration("pointend", R"("calibresult":)" + messages::calibresult(true, false)),
         CalibrationOutcome::failed},
        {messages::calibration("pointend", R"("calibresult":{"result":"maybe"})"),
         CalibrationOutcome::failed},
        {messages::calibration("pointend", R"("calibresult":)" + messages::calibresult(false)),
         CalibrationOutcome::found},
    };
    for (const Case& c : cases) {
        const auto message = decode(c.text);
        ASSERT_TRUE(message) << c.text;
        EXPECT_EQ(message->request, RequestKind::pointend);
        EXPECT_EQ(message->calibrationOutcome, c.outcome) << c.text;
    }
}

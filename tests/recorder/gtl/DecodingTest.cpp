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
        R"({"category":"tracker","statuscode":200,"request":"get"})",
    };
    for (const char* text : dropped)
        EXPECT_FALSE(decode(text)) << text;
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

TEST(Decoding, AnIncompleteFrameOrResultDropsTheWholeMessage)
{
    const std::string broken[] = {
        messages::get(messages::trackerValues(1) + R"(,"frame":)" + messages::frame(5, false)),
        messages::get(R"("trackerstate":1,"frame":{"time":"soon"})"),
        messages::get(R"("trackerstate":1,"calibresult":{"deg":0.4,"degl":0.4,"degr":0.4,"calibpoints":[]})"),
        messages::get(
            R"("trackerstate":1,"calibresult":)" +
            std::string(R"({"result":true,"deg":0.4,"degl":0.4,"degr":0.4,"calibpoints":[{"state":2}]})")),
    };
    for (const std::string& text : broken)
        EXPECT_FALSE(decode(text)) << text;
    // A result without points is not found, but the rest of the values stand.
    const auto withoutPoints =
        decode(messages::get(R"("trackerstate":1,"calibresult":)" + messages::calibresult(true, false)));
    ASSERT_TRUE(withoutPoints && withoutPoints->valueSet);
    EXPECT_FALSE(withoutPoints->valueSet->calibrationPresent);
    EXPECT_EQ(withoutPoints->valueSet->values.trackerstate, 1);
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

TEST(Decoding, DeeplyNestedValuesAreDroppedWithoutExhaustingTheStack)
{
    // A server (or anything else on the port) can send arbitrarily deep nesting
    // within the message size limit; the reader must not recurse that deep.
    const std::string head =
        R"({"category":"tracker","statuscode":200,"request":"get","values":{"push":true,"x":)";
    for (const auto& [open, close] : {std::pair{'[', ']'}, std::pair{'{', '}'}}) {
        std::string nested;
        for (int i = 0; i < 300000; ++i)
            nested += open == '[' ? "[" : R"({"a":)";
        nested += "1";
        nested += std::string(300000, close);
        EXPECT_FALSE(decode(head + nested + "}}"));
    }
    // Nesting as deep as the protocol's own messages still decodes.
    EXPECT_TRUE(decode(messages::allValues()));
}

#include "recorder/gtl/JsonObjectMatcher.h"
#include "recorder/gtl/MessageFramer.h"
#include "recorder/gtl/Requests.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace gtl;

TEST(Requests, EveryTextIsExact)
{
    const std::pair<std::string, std::string> cases[] = {
        {requests::setVersion(1), R"({"category":"tracker","request":"set","values":{"version":1}})"},
        {requests::setPush(true), R"({"category":"tracker","request":"set","values":{"push":true}})"},
        {requests::setPush(false), R"({"category":"tracker","request":"set","values":{"push":false}})"},
        {requests::heartbeat(), R"({"category":"heartbeat"})"},
        {requests::getAllValues(),
         R"({"category":"tracker","request":"get","values":["push","heartbeatinterval","version","trackerstate",)"
         R"("framerate","iscalibrated","iscalibrating","calibresult","frame","screenindex","screenresw",)"
         R"("screenresh","screenpsyw","screenpsyh"]})"},
        {requests::getCalibration(),
         R"({"category":"tracker","request":"get","values":["calibresult","iscalibrated","iscalibrating"]})"},
        {requests::getScreen(),
         R"({"category":"tracker","request":"get","values":["screenindex","screenresw",)"
         R"("screenresh","screenpsyw","screenpsyh"]})"},
        {requests::getTrackerState(), R"({"category":"tracker","request":"get","values":["trackerstate"]})"},
        {requests::setScreen({1, 1920, 1080, 47.5f, 26.7f}),
         R"({"category":"tracker","request":"set","values":{"screenindex":1,"screenresw":1920,)"
         R"("screenresh":1080,"screenpsyw":47.5,"screenpsyh":26.7}})"},
        // Six significant digits, no trailing zeros, no exponent for ordinary sizes.
        {requests::setScreen({0, 800, 600, 0.5f, 0.3375f}),
         R"({"category":"tracker","request":"set","values":{"screenindex":0,"screenresw":800,)"
         R"("screenresh":600,"screenpsyw":0.5,"screenpsyh":0.3375}})"},
    };
    for (const auto& [built, expected] : cases)
        EXPECT_EQ(built, expected);
}

TEST(Requests, ScreenRequestIgnoresTheProcessLocale)
{
    // Given a process locale that writes a decimal comma and groups thousands
    struct Comma : std::numpunct<char>
    {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
    // When the screen request is built
    const std::string text = requests::setScreen({0, 1920, 1080, 47.5f, 26.7f});
    std::locale::global(previous);
    // Then it is still valid JSON
    EXPECT_NE(text.find(R"("screenresw":1920,"screenresh":1080,"screenpsyw":47.5,"screenpsyh":26.7}})"),
              std::string::npos)
        << text;
}

namespace {

std::vector<std::string> frame(const std::vector<std::string>& chunks, std::size_t limit = 1024 * 1024)
{
    MessageFramer framer(limit);
    std::vector<std::string> messages;
    for (const std::string& chunk : chunks) {
        framer.append(chunk);
        while (auto message = framer.next())
            messages.push_back(*message);
    }
    return messages;
}

} // namespace

TEST(Framing, CutsTheStreamIntoMessages)
{
    const std::string a = R"({"category":"heartbeat","statuscode":200})";
    const std::string b = R"({"category":"tracker","statuscode":802})";
    struct Case
    {
        const char* name;
        std::vector<std::string> chunks;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"two objects in one read", {a + b}, {a, b}},
        {"a line break between objects stays with the first", {a + "\n" + b + "\n"}, {a + "\n", b + "\n"}},
        {"an object split over reads", {a.substr(0, 5), a.substr(5, 20), a.substr(25)}, {a}},
        {"nested objects", {R"({"v":{"w":{}}})" + b}, {R"({"v":{"w":{}}})", b}},
        {"an unfinished object waits", {a + R"({"category":)"}, {a}},
        {"a brace inside a string", {R"({"s":"a}b{c"})" + b}, {R"({"s":"a}b{c"})", b}},
        {"an escaped quote inside a string", {R"({"s":"q\"}"})" + b}, {R"({"s":"q\"}"})", b}},
        {"an escaped backslash ends the escape", {R"({"s":"\\"})" + b}, {R"({"s":"\\"})", b}},
        {"a string split across reads", {R"({"s":"a})", R"(b"})" + b}, {R"({"s":"a}b"})", b}},
        {"a stray closing brace before good messages", {"}" + a + b}, {"}" + a, b}},
        {"a stray closing brace after a message", {a + "}" + b, a}, {a + "}", b, a}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frame(c.chunks), c.messages) << c.name;
}

TEST(Framing, ByteByByteYieldsTheSameObjects)
{
    // Bytes between objects go with the message before them only when they
    // arrived together with it; the objects themselves never depend on the reads.
    const std::string stream = R"({"a":"}{"}  {"b":[1,{"c":"\""}]}{"d":2})";
    std::vector<std::string> bytes;
    for (char c : stream)
        bytes.emplace_back(1, c);
    auto objects = [](const std::vector<std::string>& messages) {
        std::vector<std::string> out;
        // A message is its object with the bytes around it that came with it.
        for (const std::string& message : messages) {
            const std::size_t begin = message.find('{');
            out.emplace_back(message.substr(begin, message.rfind('}') + 1 - begin));
        }
        return out;
    };
    const std::vector<std::string> expected = {R"({"a":"}{"})", R"({"b":[1,{"c":"\""}]})", R"({"d":2})"};
    EXPECT_EQ(objects(frame(bytes)), expected);
    EXPECT_EQ(objects(frame({stream})), expected);
}

TEST(Framing, AnUnfinishedMessagePastTheLimitOverflows)
{
    MessageFramer framer(64);
    framer.append(R"({"category":"tracker","statuscode":200})");
    EXPECT_TRUE(framer.next());
    EXPECT_FALSE(framer.overflowed()) << "handed-out messages do not count";
    framer.append("{" + std::string(63, ' '));
    EXPECT_FALSE(framer.next());
    EXPECT_FALSE(framer.overflowed());
    framer.append(" ");
    EXPECT_FALSE(framer.next());
    EXPECT_TRUE(framer.overflowed());
}

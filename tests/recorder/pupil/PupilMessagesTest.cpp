#include "recorder/pupil/PupilMessages.h"
#include "recorder/pupil/RemoteAddress.h"

#include <gtest/gtest.h>
#include <msgpack.hpp>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>

namespace {

using Packer = msgpack::packer<msgpack::sbuffer>;

std::string packed(const std::function<void(Packer&)>& write)
{
    msgpack::sbuffer buffer;
    Packer packer(buffer);
    write(packer);
    return std::string(buffer.data(), buffer.size());
}

void key(Packer& p, const char* name)
{
    p.pack(std::string(name));
}

// One gaze datum with the fields the client reads; `skip` leaves one out, `wrong` gives it a text.
void gazeDatum(Packer& p, double x, double y, const std::string& skip = {}, const std::string& wrong = {})
{
    const std::vector<std::string> names = {"norm_pos", "confidence", "on_surf", "timestamp"};
    p.pack_map(static_cast<std::uint32_t>(names.size() - (skip.empty() ? 0 : 1)));
    for (const std::string& name : names) {
        if (name == skip)
            continue;
        p.pack(name);
        if (name == wrong) {
            p.pack(std::string("oops"));
        } else if (name == "norm_pos") {
            p.pack_array(2);
            p.pack(x);
            p.pack(y);
        } else if (name == "confidence") {
            p.pack(0.9);
        } else if (name == "on_surf") {
            p.pack(true);
        } else {
            p.pack(1234.5);
        }
    }
}

std::string surface(const std::function<void(Packer&)>& gaze, int count = 1)
{
    return packed([&](Packer& p) {
        p.pack_map(3);
        key(p, "name");
        p.pack(std::string("screen"));
        key(p, "timestamp");
        p.pack(1234.6);
        key(p, "gaze_on_surfaces");
        p.pack_array(static_cast<std::uint32_t>(count));
        for (int i = 0; i < count; ++i)
            gaze(p);
    });
}

TEST(PupilMessages, SurfaceGazeIsReadWithTheFieldsWeUse)
{
    const auto decoded = pupil::decodeSurface(surface([](Packer& p) { gazeDatum(p, 0.25, 0.75); }, 2));
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    EXPECT_EQ(decoded.value.name, "screen");
    ASSERT_EQ(decoded.value.gaze.size(), 2u);
    EXPECT_DOUBLE_EQ(decoded.value.gaze[0].x, 0.25);
    EXPECT_DOUBLE_EQ(decoded.value.gaze[0].y, 0.75);
    EXPECT_DOUBLE_EQ(decoded.value.gaze[0].confidence, 0.9);
    EXPECT_TRUE(decoded.value.gaze[0].onSurface);
    EXPECT_DOUBLE_EQ(decoded.value.gaze[1].timestamp, 1234.5);
}

TEST(PupilMessages, PayloadsThatAreNotExactlyWhatWeReadAreRefused)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"empty", ""},
        {"truncated map", std::string("\x85\xa4name", 6)},
        {"bytes after the value", surface([](Packer& p) { gazeDatum(p, 0.1, 0.1); }) + "x"},
        {"a list, not a map", packed([](Packer& p) { p.pack_array(0); })},
        {"norm_pos missing", surface([](Packer& p) { gazeDatum(p, 0.1, 0.1, "norm_pos"); })},
        {"on_surf missing", surface([](Packer& p) { gazeDatum(p, 0.1, 0.1, "on_surf"); })},
        {"confidence a text", surface([](Packer& p) { gazeDatum(p, 0.1, 0.1, {}, "confidence"); })},
        {"on_surf a text", surface([](Packer& p) { gazeDatum(p, 0.1, 0.1, {}, "on_surf"); })},
        {"timestamp a text", surface([](Packer& p) { gazeDatum(p, 0.1, 0.1, {}, "timestamp"); })},
        {"norm_pos not finite", surface([nan](Packer& p) { gazeDatum(p, nan, 0.1); })},
        {"gaze not a map", surface([](Packer& p) { p.pack(3); })},
        {"duplicate name", packed([](Packer& p) {
             p.pack_map(4);
             key(p, "name");
             p.pack(std::string("screen"));
             key(p, "name");
             p.pack(std::string("other"));
             key(p, "timestamp");
             p.pack(1.0);
             key(p, "gaze_on_surfaces");
             p.pack_array(0);
         })},
        // A list that claims four billion entries in a five-byte payload.
        {"huge list header", std::string("\xdd\xff\xff\xff\xff", 5)},
        {"nested past the bound", std::string(200, '\x91') + std::string(1, '\x00')},
    };
    for (const auto& [what, payload] : cases) {
        const auto decoded = pupil::decodeSurface(payload);
        EXPECT_FALSE(decoded.ok()) << what;
        EXPECT_FALSE(decoded.error.empty()) << what;
    }
}

TEST(PupilMessages, PupilDiameterInMillimetresOnlyFromThe3dDetector)
{
    const std::string twoD = packed([](Packer& p) {
        p.pack_map(3);
        key(p, "diameter");
        p.pack(31.5);
        key(p, "confidence");
        p.pack(0.95);
        key(p, "timestamp");
        p.pack(10);
    });
    const auto decoded2d = pupil::decodePupil(twoD, 1);
    ASSERT_TRUE(decoded2d.ok()) << decoded2d.error;
    EXPECT_EQ(decoded2d.value.eye, 1);
    EXPECT_DOUBLE_EQ(decoded2d.value.diameterPx, 31.5);
    EXPECT_EQ(decoded2d.value.diameter3dMm, 0);
    EXPECT_DOUBLE_EQ(decoded2d.value.timestamp, 10);

    const std::string threeD = packed([](Packer& p) {
        p.pack_map(4);
        key(p, "diameter");
        p.pack(31.5);
        key(p, "diameter_3d");
        p.pack(3.9);
        key(p, "confidence");
        p.pack(0.95);
        key(p, "timestamp");
        p.pack(10.5);
    });
    EXPECT_DOUBLE_EQ(pupil::decodePupil(threeD, 0).value.diameter3dMm, 3.9);

    const std::string negative = packed([](Packer& p) {
        p.pack_map(3);
        key(p, "diameter");
        p.pack(-1.0);
        key(p, "confidence");
        p.pack(0.95);
        key(p, "timestamp");
        p.pack(10);
    });
    EXPECT_FALSE(pupil::decodePupil(negative, 0).ok());
}

TEST(PupilMessages, TopicsAndNotifications)
{
    EXPECT_EQ(pupil::topicKind("surfaces.screen"), pupil::TopicKind::Surface);
    EXPECT_EQ(pupil::topicKind("notify.calibration.successful"), pupil::TopicKind::Notification);
    EXPECT_EQ(pupil::topicKind("gaze.3d.01."), pupil::TopicKind::None);
    const std::vector<std::pair<const char*, int>> eyes = {
        {"pupil.0.2d", 0}, {"pupil.1.3d", 1}, {"pupil.1", 1}, {"pupil.2.2d", -1},
        {"pupil.10", -1},  {"pupil.", -1},    {"pupil", -1}};
    for (const auto& [topic, eye] : eyes)
        EXPECT_EQ(pupil::pupilTopicEye(topic), eye) << topic;

    const auto decoded = pupil::decodeNotification(pupil::encodeNotification("calibration.should_start"));
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    EXPECT_EQ(decoded.value.subject, "calibration.should_start");
    EXPECT_FALSE(pupil::decodeNotification(packed([](Packer& p) {
                     p.pack_map(1);
                     key(p, "subject");
                     p.pack(7);
                 })).ok());
}

TEST(RemoteAddress, HostAndPortAreCheckedBeforeAnyConnection)
{
    const auto full = pupil::RemoteAddress::parse("127.0.0.1:50021");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->host, "127.0.0.1");
    EXPECT_EQ(full->port, 50021);
    EXPECT_EQ(full->endpoint(6000), "tcp://127.0.0.1:6000");
    EXPECT_EQ(pupil::RemoteAddress::parse("localhost")->port, pupil::RemoteAddress::defaultPort);
    for (const char* bad : {"", ":50020", "host:", "host:0", "host:65536", "host:12x", "ho st:1", "tcp://h:1",
                            "host/path:1", "-host:1"})
        EXPECT_FALSE(pupil::RemoteAddress::parse(bad)) << bad;
}

} // namespace

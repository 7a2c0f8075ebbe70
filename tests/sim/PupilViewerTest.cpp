#include "sim/pupil/PupilViewer.h"

#include <gtest/gtest.h>
#define MSGPACK_NO_BOOST
#include <msgpack.hpp>

#include <sstream>

namespace {

template <typename Time> std::string timeNotification(const Time& time)
{
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> packer(buffer);
    packer.pack_map(2);
    packer.pack(std::string("subject"));
    packer.pack(std::string(sim::PupilViewer::movieTimeSubject));
    packer.pack(std::string("time"));
    packer.pack(time);
    return {buffer.data(), buffer.size()};
}

TEST(PupilViewer, AViewerForTheMovieLooksWhereTheMovieIsOnceToldItsTime)
{
    // Fixed points in place of a viewer: sample k sits at (k, 0), so a sample names its path time.
    std::ostringstream points;
    for (int k = 0; k < 500; ++k)
        points << k << ";0\n";
    std::istringstream in(points.str());
    std::string error;
    sim::PupilViewer viewer(sim::GazePath::read(in, error), 50);
    ASSERT_TRUE(error.empty()) << error;
    const auto pathFrame = [&](long long tick) { return std::lround(viewer.at(tick).x); };
    EXPECT_EQ(pathFrame(0), 0);
    EXPECT_EQ(pathFrame(1), 1) << "before a movie time the path runs tick by tick";

    // The movie was at 2000 ms when the stand-in was at 700 ms (tick 35).
    ASSERT_TRUE(viewer.tellMovieTime(timeNotification(2000), 700));
    EXPECT_EQ(pathFrame(35), 100);
    EXPECT_EQ(pathFrame(50), 115);
    EXPECT_EQ(pathFrame(435), 0) << "the path repeats after its length (10 s at 50 samples a second)";

    // A movie that starts again (time 0 at 9000 ms) takes the path back to its start; a
    // time that is no whole number of ticks falls to the sample shown then.
    ASSERT_TRUE(viewer.tellMovieTime(timeNotification(0.0), 9000));
    EXPECT_EQ(pathFrame(450), 0);
    EXPECT_EQ(pathFrame(449), 499) << "a time before the movie's start wraps to the path's end";
    ASSERT_TRUE(viewer.tellMovieTime(timeNotification(-10.5), 9000));
    EXPECT_EQ(pathFrame(450), 499);
    ASSERT_TRUE(viewer.tellMovieTime(timeNotification(0), 9000));

    msgpack::sbuffer notMap;
    msgpack::pack(notMap, 2000);
    const std::string textTime = timeNotification(std::string("soon"));
    for (const std::string& bad :
         {textTime, timeNotification(1e300), timeNotification(std::nan("")),
          std::string(notMap.data(), notMap.size()), timeNotification(5) + "x",
          timeNotification(5).substr(0, 8), std::string("\x81\xa7subject\xa1x", 10)}) {
        EXPECT_FALSE(viewer.tellMovieTime(bad, 9000));
        EXPECT_EQ(pathFrame(450), 0) << "a refused time leaves the clock alone";
    }
}

} // namespace

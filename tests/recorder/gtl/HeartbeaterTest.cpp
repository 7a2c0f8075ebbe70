#include "recorder/gtl/Heartbeater.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace gtl;

namespace {

struct CountingHeartbeats : IHeartbeatListener
{
    void on_heartbeat() override
    {
        {
            std::lock_guard lock(mutex);
            ++beats;
        }
        changed.notify_all();
    }
    bool waitFor(int count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return beats >= count; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    int beats = 0;
};

} // namespace

TEST(Heartbeater, BeatsAtOnceAndStopsWithoutFinishingItsSleep)
{
    CountingHeartbeats listener;
    Heartbeater heartbeater;
    heartbeater.add_listener(listener);
    heartbeater.set_interval(3600 * 1000);
    heartbeater.start();
    EXPECT_TRUE(listener.waitFor(1));
    // Would block for an hour if stopping waited for the sleep to end.
    heartbeater.stop();
    EXPECT_EQ(listener.beats, 1);
}

TEST(Heartbeater, AShorterIntervalAppliesToTheRunningSleep)
{
    CountingHeartbeats listener;
    Heartbeater heartbeater;
    heartbeater.add_listener(listener);
    heartbeater.set_interval(3600 * 1000);
    heartbeater.start();
    ASSERT_TRUE(listener.waitFor(1));
    heartbeater.set_interval(5);
    EXPECT_TRUE(listener.waitFor(3));
    heartbeater.stop();
    // Restarting begins with a beat of its own.
    const int before = listener.beats;
    heartbeater.start();
    EXPECT_TRUE(listener.waitFor(before + 1));
}

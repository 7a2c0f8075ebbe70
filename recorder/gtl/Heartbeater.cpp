#include "recorder/gtl/Heartbeater.h"

#include <chrono>

namespace gtl {

Heartbeater::~Heartbeater()
{
    stop();
}

void Heartbeater::start()
{
    boost::lock_guard threadLock(threadMutex_);
    end();
    {
        boost::lock_guard lock(mutex_);
        running_ = true;
    }
    thread_ = boost::thread([this] { run(); });
}

void Heartbeater::stop()
{
    boost::lock_guard threadLock(threadMutex_);
    end();
}

void Heartbeater::end()
{
    {
        boost::lock_guard lock(mutex_);
        running_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != boost::this_thread::get_id())
        thread_.join();
}

void Heartbeater::set_interval(int intervalMs)
{
    if (intervalMs <= 0)
        return;
    {
        boost::lock_guard lock(mutex_);
        intervalMs_ = intervalMs;
    }
    // A sleeping thread measures its sleep again against the new interval.
    wake_.notify_all();
}

int Heartbeater::interval() const
{
    boost::lock_guard lock(mutex_);
    return intervalMs_;
}

void Heartbeater::run()
{
    for (;;) {
        notify([](IHeartbeatListener& listener) { listener.on_heartbeat(); });
        const auto beat = boost::chrono::steady_clock::now();
        boost::unique_lock lock(mutex_);
        for (;;) {
            const auto due = beat + boost::chrono::milliseconds(intervalMs_);
            if (!running_ || boost::chrono::steady_clock::now() >= due)
                break;
            wake_.wait_until(lock, due);
        }
        if (!running_)
            return;
    }
}

} // namespace gtl

#pragma once

#include "recorder/gtl/Listeners.h"
#include "recorder/gtl/Observable.h"

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

namespace gtl {

// Calls its listeners on a thread of its own once per interval while running.
// The first call comes at once when the thread starts.
class Heartbeater : public Observable<IHeartbeatListener>
{
public:
    Heartbeater() = default;
    ~Heartbeater() override;
    Heartbeater(const Heartbeater&) = delete;
    Heartbeater& operator=(const Heartbeater&) = delete;

    // Ends an earlier thread, then starts a new one. Start and stop may be called
    // from different threads; they take turns.
    void start();
    // Wakes the thread from its sleep and waits for it to end.
    void stop();

    // Also shortens or lengthens a sleep in progress, counted from the last beat.
    // An interval that is not positive is ignored.
    void set_interval(int intervalMs);
    int interval() const;

private:
    void run();
    void end(); // with threadMutex_

    boost::mutex threadMutex_; // guards thread_ between starts and stops

    bool running_ = false;
    boost::thread thread_;
    int intervalMs_ = 1000;
    mutable boost::mutex mutex_;
    boost::condition_variable wake_;
};

} // namespace gtl

#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <sys/types.h>

// Keeps a tracker's server program running and connects to it: starts it when
// it does not run, ends and starts it again on request, and looks again a while
// after each (the server needs time to end or to come up). Requests that arrive
// while it waits collapse into that one look. GUI thread only; it never waits
// for a process itself.
class ServerSupervisor : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Idle = 0,
        WaitingAfterKill,
        WaitingAfterStart,
    };

    // What the supervisor does to the server and to the connection.
    struct Actions
    {
        std::function<std::string()> processName;
        std::function<void()> disconnect;
        std::function<void()> tryConnect;
        std::function<void()> startServer;
        std::function<bool()> isConnected;
    };

    static constexpr int defaultRerunAfterKillMs = 2000;
    static constexpr int defaultRerunAfterStartMs = 5000;

    explicit ServerSupervisor(Actions actions, QObject* parent = nullptr);

    void setIntervals(int afterKillMs, int afterStartMs);
    State state() const { return state_; }

    // Makes sure the server runs, ending and starting it again first when asked, and connects to it.
    void request(bool restartServer);

private:
    void wait(State state, int intervalMs);
    void rerun();

    Actions actions_;
    State state_ = State::Idle;
    QTimer timer_;
    pid_t ending_ = 0;
    int rerunAfterKillMs_ = defaultRerunAfterKillMs;
    int rerunAfterStartMs_ = defaultRerunAfterStartMs;
};

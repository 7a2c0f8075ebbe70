#pragma once

#include "platform/processes.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

// Keeps a tracker's server program running and connects to it: starts it when
// it does not run, ends and starts it again on request, and looks again a while
// after each (the server needs time to end or to come up). Requests that arrive
// while it waits collapse into that one look. GUI thread only; it never waits
// for a process itself.
//
// A restart asks the server to end (SIGTERM), kills it (SIGKILL) shortly before
// the look that follows, and gives up after a few kills. A server that cannot be
// signalled, or that outlives every kill, is connected to as it runs and the
// operator is told once.
class ServerSupervisor : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Idle = 0,
        WaitingAfterTerminate, // asked to end; killed when the grace is over, before the look
        WaitingAfterKill,      // killed; looked at again when the wait is over
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
        // The first process of the name; 0 when none runs, nothing when the
        // process list cannot be read. Null: the system's process list.
        std::function<std::optional<pid_t>(const std::string& name)> findProcess;
        // Sends a signal: 0 or the errno of the failure. Null: kill(2).
        platform::SignalSender sendSignal;
        // Something listens on the server's port. Null: nothing does.
        std::function<bool()> portTaken;
        // Tells the operator something the supervisor could not do. Null: logged only.
        std::function<void(const QString& text)> tell;
    };

    static constexpr int defaultRerunAfterKillMs = 2000;
    static constexpr int defaultRerunAfterStartMs = 5000;
    // SIGKILLs sent to one server before it is taken to be beyond ending.
    static constexpr int maxKills = 3;

    explicit ServerSupervisor(Actions actions, QObject* parent = nullptr);

    void setIntervals(int afterKillMs, int afterStartMs);
    State state() const { return state_; }

    // Makes sure the server runs, ending and starting it again first when asked, and connects to it.
    void request(bool restartServer);

private:
    void wait(State state, int intervalMs);
    void rerun();
    // Asks the server being ended to end, and has it killed shortly before the look that
    // follows. False when it could not be asked (it is then connected to as it runs);
    // `gone` when it had ended already.
    bool askToEnd(bool& gone);
    void cannotEnd(int error);
    void keepRunningServer(const QString& why);

    Actions actions_;
    State state_ = State::Idle;
    QTimer timer_;
    pid_t ending_ = 0;
    int kills_ = 0;
    int rerunAfterKillMs_ = defaultRerunAfterKillMs;
    int rerunAfterStartMs_ = defaultRerunAfterStartMs;
};

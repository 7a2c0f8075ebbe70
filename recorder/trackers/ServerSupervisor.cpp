#include "recorder/trackers/ServerSupervisor.h"

#include "common/Logger.h"
#include "recorder/trackers/ProcessControl.h"

#include <csignal>
#include <unistd.h>

ServerSupervisor::ServerSupervisor(Actions actions, QObject* parent)
    : QObject(parent), actions_(std::move(actions))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ServerSupervisor::rerun);
}

void ServerSupervisor::setIntervals(int afterKillMs, int afterStartMs)
{
    rerunAfterKillMs_ = afterKillMs;
    rerunAfterStartMs_ = afterStartMs;
}

void ServerSupervisor::wait(State state, int intervalMs)
{
    state_ = state;
    timer_.start(intervalMs);
}

void ServerSupervisor::request(bool restartServer)
{
    LOG("Restart server = ", restartServer);
    if (state_ != State::Idle) {
        LOG("a look at the server is already scheduled");
        return;
    }
    const std::string name = actions_.processName();
    if (restartServer) {
        LOG("Disconecting...");
        actions_.disconnect();
        if (const pid_t pid = findProcessId(name)) {
            LOG("Process found, killing process with pid: ", pid);
            // Asked politely here; one that is still there when we look again is killed then.
            if (pid > 1 && pid != ::getpid())
                ::kill(pid, SIGTERM);
            ending_ = pid;
            wait(State::WaitingAfterKill, rerunAfterKillMs_);
            LOG("Process killed, starting timer");
            return;
        }
        LOG("EyeTribeServer process not running!");
    }
    if (findProcessId(name) != 0) {
        actions_.tryConnect();
        return;
    }
    LOG("process doesnt exist");
    actions_.startServer();
    wait(State::WaitingAfterStart, rerunAfterStartMs_);
}

void ServerSupervisor::rerun()
{
    const State was = state_;
    state_ = State::Idle;
    if (was == State::WaitingAfterKill && ending_ != 0 && processHasName(ending_, actions_.processName())) {
        LOG("server did not end - killing pid: ", ending_);
        ::kill(ending_, SIGKILL);
        wait(State::WaitingAfterKill, rerunAfterKillMs_);
        return;
    }
    ending_ = 0;
    // The link's own retries may have reached the new server first; connecting
    // again would only drop that connection and make another.
    if (was == State::WaitingAfterStart && actions_.isConnected && actions_.isConnected()) {
        LOG("already connected to the server");
        return;
    }
    request(false);
}

#include "recorder/trackers/ServerSupervisor.h"

#include "common/Logger.h"
#include "common/QtLogItems.h"
#include "platform/processes.h"
#include "recorder/trackers/ProcessControl.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

std::optional<pid_t> systemProcess(const std::string& name)
{
    const auto ids = platform::runningProcessIds();
    if (!ids)
        return std::nullopt;
    return findProcessIdIn(ids, name);
}

} // namespace

ServerSupervisor::ServerSupervisor(Actions actions, QObject* parent)
    : QObject(parent), actions_(std::move(actions))
{
    if (!actions_.findProcess)
        actions_.findProcess = systemProcess;
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

void ServerSupervisor::keepRunningServer(const QString& why)
{
    LOG("the server keeps running: ", why);
    timer_.stop();
    ending_ = 0;
    state_ = State::Idle;
    actions_.tryConnect();
    if (actions_.tell)
        actions_.tell(why);
}

void ServerSupervisor::cannotEnd(int error)
{
    LOG("the server could not be signalled, pid: ", ending_, ", error: ", std::strerror(error));
    keepRunningServer(tr("The tracker server (process %1) cannot be ended by this program: %2. "
                         "It is used as it runs; end it yourself to restart it.")
                          .arg(ending_)
                          .arg(QString::fromLocal8Bit(std::strerror(error))));
}

bool ServerSupervisor::askToEnd(bool& gone)
{
    gone = false;
    if (!platform::mayEnd(ending_)) {
        keepRunningServer(tr("The tracker server (process %1) is not one this program may end. "
                             "It is used as it runs.")
                              .arg(ending_));
        return false;
    }
    platform::EndingHooks hooks;
    hooks.sendSignal = actions_.sendSignal;
    hooks.owner = this;
    hooks.beforeKill = [this] {
        LOG("server did not end - killing pid: ", ending_);
        ++kills_;
    };
    hooks.killed = [this](int error) {
        if (error != 0 && error != ESRCH)
            cannotEnd(error);
    };
    // Killed shortly before the look, if it has not ended by then.
    const int error = platform::endProcessLater(ending_, actions_.processName(), rerunAfterKillMs_ * 3 / 4,
                                                std::move(hooks));
    if (error == ESRCH) {
        gone = true;
        return true;
    }
    if (error != 0) {
        cannotEnd(error);
        return false;
    }
    wait(State::WaitingAfterTerminate, rerunAfterKillMs_);
    return true;
}

void ServerSupervisor::request(bool restartServer)
{
    LOG("Restart server = ", restartServer);
    if (state_ != State::Idle) {
        LOG("a look at the server is already scheduled");
        return;
    }
    const std::string name = actions_.processName();
    std::optional<pid_t> pid = actions_.findProcess(name);
    if (!pid) {
        // Starting a server now could start a second one every few seconds.
        LOG("process list cannot be read - connecting without starting ", name);
        if (restartServer)
            actions_.disconnect();
        actions_.tryConnect();
        return;
    }
    if (restartServer) {
        LOG("Disconecting...");
        actions_.disconnect();
        if (*pid != 0) {
            LOG("Process found, killing process with pid: ", *pid);
            ending_ = *pid;
            kills_ = 0;
            bool gone = false;
            if (!askToEnd(gone))
                return;
            if (!gone) {
                LOG("server asked to end, starting timer");
                return;
            }
            ending_ = 0;
            pid = actions_.findProcess(name);
        } else {
            LOG("EyeTribeServer process not running!");
        }
    }
    if (pid && *pid != 0) {
        actions_.tryConnect();
        return;
    }
    LOG("process doesnt exist");
    if (actions_.portTaken && actions_.portTaken()) {
        // A server started now would only fail on the taken port, again and again.
        LOG("another program listens on the server's port - no server started");
        actions_.tryConnect();
        return;
    }
    actions_.startServer();
    wait(State::WaitingAfterStart, rerunAfterStartMs_);
}

void ServerSupervisor::rerun()
{
    const State was = state_;
    state_ = State::Idle;
    if ((was == State::WaitingAfterTerminate || was == State::WaitingAfterKill) && ending_ != 0 &&
        processHasName(ending_, actions_.processName())) {
        if (kills_ >= maxKills) {
            keepRunningServer(tr("The tracker server (process %1) did not end, even when killed. "
                                 "It is used as it runs.")
                                  .arg(ending_));
            return;
        }
        LOG("server did not end - killing pid: ", ending_);
        ++kills_;
        const int error = platform::signalProcess(ending_, SIGKILL, actions_.sendSignal);
        if (error == 0) {
            wait(State::WaitingAfterKill, rerunAfterKillMs_);
            return;
        }
        if (error != ESRCH) {
            cannotEnd(error);
            return;
        }
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

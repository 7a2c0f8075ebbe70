#include "platform/process_watch.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

int openProcessDescriptor(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

} // namespace

ProcessExitWatcher::ProcessExitWatcher(QObject* parent) : QObject(parent)
{
    poll_.setInterval(pollMs);
    connect(&poll_, &QTimer::timeout, this, &ProcessExitWatcher::check);
}

ProcessExitWatcher::~ProcessExitWatcher()
{
    stop();
}

bool ProcessExitWatcher::isRunning(pid_t pid)
{
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno == ESRCH))
        return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    // The command name may hold blanks and parentheses: the state follows the last ')'.
    const auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

void ProcessExitWatcher::watch(pid_t pid)
{
    stop();
    pid_ = pid;
    descriptor_ = openProcessDescriptor(pid);
    if (descriptor_ >= 0) {
        notifier_ = new QSocketNotifier(descriptor_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &ProcessExitWatcher::report);
    } else {
        poll_.start();
    }
    // Covers a process that ended before we looked (no descriptor can be opened for it).
    QTimer::singleShot(0, this, [this, pid] {
        if (pid_ == pid)
            check();
    });
}

void ProcessExitWatcher::stop()
{
    poll_.stop();
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    if (descriptor_ >= 0)
        ::close(descriptor_);
    descriptor_ = -1;
    pid_ = 0;
}

void ProcessExitWatcher::check()
{
    if (pid_ != 0 && !isRunning(pid_))
        report();
}

void ProcessExitWatcher::report()
{
    const pid_t pid = pid_;
    stop();
    Q_EMIT exited(pid);
}

} // namespace platform

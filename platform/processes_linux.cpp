#include "platform/processes.h"

#include "platform/process_watch.h"

#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

QStringList toQt(const std::vector<std::string>& arguments)
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    return list;
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isGone(pid_t pid)
{
    // Reap our own children so that they do not linger as zombies.
    ::waitpid(pid, nullptr, WNOHANG);
    if (::kill(pid, 0) != 0)
        return errno == ESRCH;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string skip, state;
    stat >> skip;
    // The command name may hold blanks: the state follows the closing parenthesis.
    std::string rest;
    std::getline(stat, rest);
    const auto close = rest.rfind(')');
    return close != std::string::npos && close + 2 < rest.size() && rest[close + 2] == 'Z';
}

} // namespace

std::optional<std::vector<pid_t>> runningProcessIds()
{
    std::error_code error;
    std::filesystem::directory_iterator entries("/proc", error);
    if (error)
        return std::nullopt;
    std::vector<pid_t> ids;
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        char* end = nullptr;
        const long id = std::strtol(name.c_str(), &end, 10);
        if (!name.empty() && *end == '\0' && id > 0)
            ids.push_back(static_cast<pid_t>(id));
    }
    return ids;
}

std::string processName(pid_t pid)
{
    const std::filesystem::path proc = "/proc/" + std::to_string(pid);
    std::error_code error;
    const auto exe = std::filesystem::read_symlink(proc / "exe", error);
    if (!error && !exe.empty()) {
        std::string name = exe.filename().string();
        const std::string deleted = " (deleted)";
        if (name.size() > deleted.size() && name.ends_with(deleted))
            name.resize(name.size() - deleted.size());
        return name;
    }
    std::ifstream cmdline(proc / "cmdline", std::ios::binary);
    std::string first;
    if (std::getline(cmdline, first, '\0') && !first.empty())
        return baseName(first.substr(0, first.find(' ')));
    return "<unknown>";
}

bool mayEnd(pid_t pid)
{
    return pid > 1 && pid != ::getpid();
}

bool endProcess(pid_t pid, int graceMs)
{
    if (const int error = signalProcess(pid, SIGTERM))
        return error == ESRCH;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (isGone(pid))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    for (int i = 0; i < 100 && !isGone(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
}

int signalProcess(pid_t pid, int signal, const SignalSender& sendSignal)
{
    if (!mayEnd(pid))
        return EPERM;
    if (sendSignal)
        return sendSignal(pid, signal);
    return ::kill(pid, signal) == 0 ? 0 : errno;
}

int endProcessLater(pid_t pid, const std::string& name, int graceMs, EndingHooks hooks)
{
    if (const int error = signalProcess(pid, SIGTERM, hooks.sendSignal))
        return error;
    const QPointer<QObject> owner = hooks.owner;
    const bool watched = hooks.owner != nullptr;
    QTimer::singleShot(graceMs, [pid, name, owner, watched, hooks = std::move(hooks)] {
        // Not reaped here: the process may be a child that someone else waits for.
        if (!ProcessExitWatcher::isRunning(pid) || processName(pid) != name)
            return;
        // Whoever gave the hooks may be gone: the process is killed all the same, without them.
        const bool hooked = !watched || owner;
        if (hooked && hooks.beforeKill)
            hooks.beforeKill();
        const int error = signalProcess(pid, SIGKILL, hooked ? hooks.sendSignal : SignalSender());
        if (hooked && hooks.killed)
            hooks.killed(error);
    });
    return 0;
}

bool startDetached(const std::string& program, const std::vector<std::string>& arguments)
{
    return QProcess::startDetached(QString::fromStdString(program), toQt(arguments));
}

ElevatedStart startElevated(const std::string& program, const std::vector<std::string>& arguments)
{
    const QString pkexec = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    if (pkexec.isEmpty())
        return {false, "pkexec not found"};
    const QStringList pkexecArguments = QStringList{QString::fromStdString(program)} + toQt(arguments);
    if (!QProcess::startDetached(pkexec, pkexecArguments))
        return {false, "pkexec could not be started"};
    return {true, "started through pkexec"};
}

} // namespace platform

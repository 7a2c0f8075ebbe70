#include "recorder/trackers/eyex/LocalSocketLink.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace eyex {

namespace {

constexpr std::size_t maxLineLength = 4096;
constexpr std::size_t maxPathLength = 64;
constexpr std::size_t maxStateNumbers = 8;

// A dotted name, as the engine's state paths are: nothing that could end or split a line.
bool isStatePath(const std::string& path)
{
    if (path.empty() || path.size() > maxPathLength)
        return false;
    return std::all_of(path.begin(), path.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
    });
}

int connectTo(const std::string& path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path))
        return -1;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

LocalSocketLink::LocalSocketLink(std::string socketPath) : socketPath_(std::move(socketPath)) {}

LocalSocketLink::~LocalSocketLink()
{
    close();
}

std::string LocalSocketLink::defaultSocketPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime != nullptr && *runtime != '\0' ? runtime : "/tmp";
    return folder + "/tobii-eyex-engine";
}

bool LocalSocketLink::dispatchLine(const std::string& line, EngineSink& sink)
{
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "state") {
        int state = 0;
        if (!(words >> state) || !(words >> std::ws).eof())
            return false;
        sink.connectionState(state);
        return true;
    }
    if (kind == "gaze") {
        double time = 0;
        double x = 0;
        double y = 0;
        if (!(words >> time >> x >> y) || !(words >> std::ws).eof())
            return false;
        sink.gazePoint(time, x, y);
        return true;
    }
    if (kind == "value") {
        std::string path;
        if (!(words >> path) || !isStatePath(path))
            return false;
        std::vector<double> values;
        double value = 0;
        while (values.size() <= maxStateNumbers && words >> value) {
            if (!std::isfinite(value))
                return false;
            values.push_back(value);
        }
        if (values.empty() || values.size() > maxStateNumbers || !(words >> std::ws).eof())
            return false;
        sink.stateValue(path, values);
        return true;
    }
    return false;
}

void LocalSocketLink::open(EngineSink& sink)
{
    close();
    if (::pipe2(wakeFds_, O_CLOEXEC) != 0) {
        sink.connectionState(2);
        return;
    }
    // Before open() returns, so that whoever enabled the connection sees it under way.
    sink.connectionState(3);
    thread_ = std::thread([this, &sink] { run(sink); });
}

void LocalSocketLink::close()
{
    if (thread_.joinable()) {
        const char wake = 'x';
        [[maybe_unused]] const auto written = ::write(wakeFds_[1], &wake, 1);
        thread_.join();
    }
    for (int& fd : wakeFds_) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool LocalSocketLink::subscribeGazePoints(int mode)
{
    return sendLine("subscribe " + std::to_string(mode) + "\n");
}

bool LocalSocketLink::requestState(const std::string& path)
{
    return isStatePath(path) && sendLine("get " + path + "\n");
}

bool LocalSocketLink::sendLine(const std::string& line)
{
    std::lock_guard lock(fdMutex_);
    if (fd_ < 0)
        return false;
    return ::send(fd_, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
}

bool LocalSocketLink::waitForStop(int timeoutMs)
{
    pollfd wake{wakeFds_[0], POLLIN, 0};
    return ::poll(&wake, 1, timeoutMs) > 0;
}

void LocalSocketLink::run(EngineSink& sink)
{
    for (;;) {
        const int fd = connectTo(socketPath_);
        if (fd < 0) {
            if (waitForStop(retryMs))
                return;
            continue;
        }
        {
            std::lock_guard lock(fdMutex_);
            fd_ = fd;
        }
        const bool closed = serve(fd, sink);
        {
            std::lock_guard lock(fdMutex_);
            fd_ = -1;
        }
        ::close(fd);
        if (closed)
            return;
        sink.connectionState(2);
        sink.connectionState(3);
    }
}

bool LocalSocketLink::serve(int fd, EngineSink& sink)
{
    std::string pending;
    char buffer[1024];
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (fds[1].revents != 0)
            return true;
        const ssize_t count = ::read(fd, buffer, sizeof(buffer));
        if (count <= 0)
            return false;
        pending.append(buffer, static_cast<std::size_t>(count));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            dispatchLine(pending.substr(0, end), sink);
            pending.erase(0, end + 1);
        }
        // An engine that never ends its line is not an engine.
        if (pending.size() > maxLineLength)
            return false;
    }
}

} // namespace eyex

#include "platform/window_bus.h"

#include <QCryptographicHash>
#include <QPointer>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

int datagramSocket(int extraFlags)
{
    return ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | extraFlags, 0);
}

// False when the path does not fit a socket address.
bool socketAddress(const std::filesystem::path& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.empty() || text.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, text.data(), text.size());
    return true;
}

// Someone has the socket bound and is reading from it.
bool acceptsConnection(const std::filesystem::path& path)
{
    sockaddr_un address;
    if (!socketAddress(path, address))
        return false;
    FileDescriptor probe(datagramSocket(0));
    return probe.get() >= 0 &&
           ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

std::string privateFolderError(const std::filesystem::path& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return "cannot create " + folder.string() + ": " + std::strerror(errno);
    struct stat info;
    if (::lstat(folder.c_str(), &info) != 0)
        return "cannot examine " + folder.string() + ": " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return folder.string() + " is not a folder";
    if (info.st_uid != ::geteuid())
        return folder.string() + " belongs to another user";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return folder.string() + " is writable by other users";
    return {};
}

std::filesystem::path socketPathIn(const std::filesystem::path& folder, const QString& title)
{
    const QByteArray digest = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1);
    return folder / digest.toHex().toStdString();
}

void putLittleEndian(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t getLittleEndian(const char* data, int bytes)
{
    std::uint64_t value = 0;
    for (int i = bytes; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

// Ancillary room for the sender's credentials and for descriptors a hostile
// sender might attach (they are closed unread).
constexpr std::size_t controlSize = CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(16 * sizeof(int));

constexpr std::size_t maxQueuedMessages = 1 << 20;

} // namespace

WindowBusFolder windowBusFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::filesystem::path top =
        (runtime != nullptr && *runtime != '\0')
            ? std::filesystem::path(runtime) / "orvalis"
            : std::filesystem::path("/tmp") / ("orvalis-" + std::to_string(::geteuid()));
    const std::filesystem::path windows = top / "windows";
    for (const auto& folder : {top, windows}) {
        if (std::string error = privateFolderError(folder); !error.empty())
            return {std::nullopt, "window bus refused: " + error};
    }
    return {windows, {}};
}

WindowHandle findWindow(const QString& title)
{
    if (title.isEmpty())
        return {};
    const WindowBusFolder folder = windowBusFolder();
    if (!folder.path)
        return {};
    const std::filesystem::path path = socketPathIn(*folder.path, title);
    return acceptsConnection(path) ? path : WindowHandle();
}

std::string encodeWindowMessage(const WindowMessage& message)
{
    std::string bytes;
    bytes.reserve(windowMessageSize);
    putLittleEndian(bytes, message.identifier, 4);
    putLittleEndian(bytes, 0, 4);
    putLittleEndian(bytes, message.wParam, 8);
    putLittleEndian(bytes, static_cast<std::uint64_t>(message.lParam), 8);
    return bytes;
}

std::optional<WindowMessage> decodeWindowMessage(const char* data, std::size_t size)
{
    if (size != windowMessageSize || getLittleEndian(data + 4, 4) != 0)
        return std::nullopt;
    WindowMessage message;
    message.identifier = static_cast<std::uint32_t>(getLittleEndian(data, 4));
    message.wParam = getLittleEndian(data + 8, 8);
    message.lParam = static_cast<std::int64_t>(getLittleEndian(data + 16, 8));
    return message;
}

PostResult postMessage(const WindowHandle& window, std::uint32_t identifier, std::uint64_t wParam,
                       std::int64_t lParam)
{
    sockaddr_un address;
    if (!socketAddress(window, address))
        return PostResult::NoWindow;
    FileDescriptor sender(datagramSocket(SOCK_NONBLOCK));
    if (sender.get() < 0)
        return PostResult::NoWindow;
    const std::string bytes = encodeWindowMessage({identifier, wParam, lParam});
    if (::sendto(sender.get(), bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                 reinterpret_cast<const sockaddr*>(&address),
                 sizeof address) == static_cast<ssize_t>(bytes.size()))
        return PostResult::Posted;
    return (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS) ? PostResult::QueueFull
                                                                         : PostResult::NoWindow;
}

WindowMessageReceiver::WindowMessageReceiver(QObject* parent) : QObject(parent), acceptedUid_(::geteuid()) {}

WindowMessageReceiver::~WindowMessageReceiver()
{
    unregisterWindow();
}

bool WindowMessageReceiver::registerWindow(const QString& title)
{
    unregisterWindow();
    error_.clear();
    const auto fail = [this](const std::string& why) {
        error_ = QString::fromStdString(why);
        return false;
    };
    if (title.isEmpty())
        return fail("a window needs a title to be found");
    const WindowBusFolder folder = windowBusFolder();
    if (!folder.path)
        return fail(folder.error);
    const std::filesystem::path path = socketPathIn(*folder.path, title);
    sockaddr_un address;
    if (!socketAddress(path, address))
        return fail("socket path too long: " + path.string());

    FileDescriptor fd(datagramSocket(SOCK_NONBLOCK));
    const int on = 1;
    if (fd.get() < 0 || ::setsockopt(fd.get(), SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0)
        return fail(std::string("cannot create a socket: ") + std::strerror(errno));
    const auto bindSocket = [&] {
        return ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    if (!bindSocket()) {
        if (errno != EADDRINUSE)
            return fail("cannot bind " + path.string() + ": " + std::strerror(errno));
        struct stat existing;
        if (::lstat(path.c_str(), &existing) != 0 || !S_ISSOCK(existing.st_mode))
            return fail(path.string() + " is in the way and is not a socket");
        if (acceptsConnection(path))
            return fail("the title \"" + title.toStdString() + "\" is held by a running window");
        // Left behind by a window that ended without removing it.
        if (::unlink(path.c_str()) != 0 || !bindSocket())
            return fail("cannot replace " + path.string() + ": " + std::strerror(errno));
    }
    struct stat bound;
    if (::stat(path.c_str(), &bound) != 0)
        return fail("cannot examine " + path.string() + ": " + std::strerror(errno));
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0) {
        ::unlink(path.c_str());
        return fail(std::string("cannot create the reader's wake-up pipe: ") + std::strerror(errno));
    }

    socket_ = fd.release();
    path_ = path;
    device_ = bound.st_dev;
    inode_ = bound.st_ino;
    reader_ = std::thread([this, socket = socket_, wake = wakePipe_[0]] { readLoop(socket, wake); });
    return true;
}

void WindowMessageReceiver::unregisterWindow()
{
    if (socket_ < 0)
        return;
    // Only our own socket: the title may have been taken over since.
    struct stat current;
    if (::lstat(path_.c_str(), &current) == 0 && current.st_dev == device_ && current.st_ino == inode_)
        ::unlink(path_.c_str());
    closeSocket();
    path_.clear();
}

void WindowMessageReceiver::closeSocket()
{
    const char wake = 1;
    [[maybe_unused]] const auto written = ::write(wakePipe_[1], &wake, 1);
    reader_.join();
    for (int& fd : wakePipe_) {
        ::close(fd);
        fd = -1;
    }
    ::close(socket_);
    socket_ = -1;
    std::lock_guard lock(queueMutex_);
    queue_.clear();
}

bool WindowMessageReceiver::isRegistered() const
{
    return socket_ >= 0;
}

QString WindowMessageReceiver::errorString() const
{
    return error_;
}

WindowHandle WindowMessageReceiver::socketPath() const
{
    return path_;
}

void WindowMessageReceiver::setHandler(Handler handler)
{
    handler_ = std::move(handler);
}

void WindowMessageReceiver::setAcceptedUserId(std::uint32_t uid)
{
    acceptedUid_ = uid;
}

void WindowMessageReceiver::readLoop(int socket, int wake)
{
    for (;;) {
        pollfd fds[2] = {{socket, POLLIN, 0}, {wake, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents != 0)
            receiveOne(socket);
    }
}

void WindowMessageReceiver::receiveOne(int socket)
{
    std::array<char, windowMessageSize + 1> data;
    alignas(cmsghdr) std::array<char, controlSize> control;
    iovec part{data.data(), data.size()};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control.data();
    header.msg_controllen = control.size();
    const ssize_t size = ::recvmsg(socket, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (size < 0)
        return;

    std::optional<ucred> sender;
    for (cmsghdr* item = CMSG_FIRSTHDR(&header); item != nullptr; item = CMSG_NXTHDR(&header, item)) {
        if (item->cmsg_level != SOL_SOCKET)
            continue;
        if (item->cmsg_type == SCM_CREDENTIALS && item->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
            ucred credentials;
            std::memcpy(&credentials, CMSG_DATA(item), sizeof credentials);
            sender = credentials;
        } else if (item->cmsg_type == SCM_RIGHTS) {
            const std::size_t count = (item->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int passed;
                std::memcpy(&passed, CMSG_DATA(item) + i * sizeof(int), sizeof passed);
                ::close(passed);
            }
        }
    }

    if (!sender)
        return enqueue({std::nullopt, QStringLiteral("a message without sender credentials")});
    if (sender->uid != acceptedUid_)
        return enqueue({std::nullopt, QStringLiteral("a message from user %1").arg(sender->uid)});
    auto message = (header.msg_flags & MSG_TRUNC) != 0
                       ? std::nullopt
                       : decodeWindowMessage(data.data(), static_cast<std::size_t>(size));
    if (!message)
        return enqueue({std::nullopt, QStringLiteral("a malformed message of %1 bytes").arg(size)});
    message->senderPid = sender->pid;
    enqueue({message, {}});
}

void WindowMessageReceiver::enqueue(Received received)
{
    {
        std::lock_guard lock(queueMutex_);
        // Far more than any owner falls behind by; only a runaway sender of our own user reaches it.
        if (queue_.size() >= maxQueuedMessages) {
            if (queue_.back().message)
                queue_.push_back(
                    {std::nullopt, QStringLiteral("messages beyond %1 waiting").arg(maxQueuedMessages)});
            return;
        }
        queue_.push_back(std::move(received));
        if (drainScheduled_)
            return;
        drainScheduled_ = true;
    }
    QMetaObject::invokeMethod(
        this, [this] { drainQueue(); }, Qt::QueuedConnection);
}

void WindowMessageReceiver::drainQueue()
{
    // A bounded batch, so that a sender that never stops cannot starve the
    // owner's event loop; the rest follows in the next turn of the loop.
    constexpr int batchLimit = 256;
    const QPointer<WindowMessageReceiver> alive(this);
    for (int handled = 0; alive; ++handled) {
        Received next;
        {
            std::lock_guard lock(queueMutex_);
            if (queue_.empty()) {
                drainScheduled_ = false;
                return;
            }
            if (handled == batchLimit) {
                QMetaObject::invokeMethod(
                    this, [this] { drainQueue(); }, Qt::QueuedConnection);
                return;
            }
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        if (next.message)
            dispatch(*next.message);
        else
            Q_EMIT messageDropped(next.dropped);
    }
}

void WindowMessageReceiver::dispatch(const WindowMessage& message)
{
    const bool consumed = handler_ && handler_(message);
    if (!consumed && message.identifier == WM_CLOSE)
        Q_EMIT closeRequested();
}

} // namespace platform

#pragma once

// Window messages between the programs of this system: a window registers under
// its title, another program finds it by that title and posts small fixed-size
// messages to it. Posting never blocks and never fails loudly: a message to a
// window that has gone, or whose queue is full, is lost, as a post to a closed
// window is.
//
// Each registered window owns one Unix datagram socket in a private per-user
// folder ($XDG_RUNTIME_DIR/orvalis/windows/, else /tmp/orvalis-<uid>/windows/),
// named by the lower-case hex SHA-1 of its UTF-8 title. A message is 24 bytes,
// little-endian: uint32 identifier, uint32 0, uint64 first parameter, int64
// second parameter.
//
// Receiving, for a QWidget main window:
//
//     class MainWindow : public QMainWindow {
//         platform::WindowMessageReceiver receiver_;
//         bool handleWindowMessage(const platform::WindowMessage& message);
//     };
//     MainWindow::MainWindow() {
//         receiver_.setHandler([this](const auto& m) { return handleWindowMessage(m); });
//         if (!receiver_.registerWindow(windowTitle()))
//             LOG("window bus: ", receiver_.errorString());
//     }
//
// The handler runs on the thread that owns the receiver (the GUI thread), once
// per message, in the order the messages were posted by one sender. A reader
// thread of the receiver empties the socket as soon as a message arrives, into
// a queue the owner's thread works through: a busy owner delays messages but
// does not lose them, although the socket's own queue is short. The
// registration ends with the receiver; a window that outlives its closing calls
// unregisterWindow() from its closeEvent(). Connect closeRequested() to close()
// for the default answer to WM_CLOSE.

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace platform {

inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_USER = 0x0400;

struct WindowMessage
{
    std::uint32_t identifier = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    // The process that posted it, from its credentials; 0 when not received from the bus.
    std::int64_t senderPid = 0;

    // The same message, whoever sent it.
    friend bool operator==(const WindowMessage& a, const WindowMessage& b)
    {
        return a.identifier == b.identifier && a.wParam == b.wParam && a.lParam == b.lParam;
    }
};

// Where windows register: the folder is created (mode 0700) when missing. A
// folder that is not a directory, is owned by another user or is writable by
// group or others is refused; then there is no folder and `error` says why.
struct WindowBusFolder
{
    std::optional<std::filesystem::path> path;
    std::string error;
};
WindowBusFolder windowBusFolder();

// A found window: the path of its socket. Empty means "no window".
using WindowHandle = std::filesystem::path;

// The window registered under exactly this title, or an empty handle when there
// is none (no such registration, its owner has gone, no bus folder, empty title).
WindowHandle findWindow(const QString& title);

enum class PostResult
{
    Posted = 1,
    QueueFull, // the receiver has not read its earlier messages yet; this one is lost
    NoWindow,  // empty handle, or the window has gone; the message is lost
};

// Posts one message without waiting. The time parameters of this system are
// 32-bit; pass them sign-extended in lParam.
PostResult postMessage(const WindowHandle& window, std::uint32_t identifier, std::uint64_t wParam,
                       std::int64_t lParam);

// Encoding of one message on the wire; exposed for the receiver and for tests.
inline constexpr std::size_t windowMessageSize = 24;
std::string encodeWindowMessage(const WindowMessage& message);
std::optional<WindowMessage> decodeWindowMessage(const char* data, std::size_t size);

// One window's registration on the bus. Create it on the GUI thread; its own
// reader thread takes the messages off the socket, and they are dispatched on
// the thread the receiver lives on. Destroying it removes the registration.
class WindowMessageReceiver : public QObject
{
    Q_OBJECT

public:
    // Answers whether the window consumed the message, like a native-event hook.
    // It may unregister the receiver or close its window, but must not delete
    // the receiver directly (use deleteLater()).
    using Handler = std::function<bool(const WindowMessage&)>;

    explicit WindowMessageReceiver(QObject* parent = nullptr);
    ~WindowMessageReceiver() override;

    // Registers under `title`. A socket left behind by a window that has gone
    // is replaced; a title a live window holds is refused. Returns false with
    // errorString() set when the window cannot be registered (it then receives
    // nothing; the program goes on). Registering again moves the registration.
    bool registerWindow(const QString& title);

    // Removes the registration; also done by the destructor. Messages posted
    // afterwards are lost.
    void unregisterWindow();

    bool isRegistered() const;
    QString errorString() const;
    WindowHandle socketPath() const;

    void setHandler(Handler handler);

    // Messages are accepted only from processes running as this user id
    // (default: the effective user id of this process); the others are dropped.
    void setAcceptedUserId(std::uint32_t uid);

Q_SIGNALS:
    // A WM_CLOSE the handler did not consume: the window's default answer is to close.
    void closeRequested();
    // A datagram that was dropped: wrong size or layout, missing credentials,
    // another user. For the owner's log.
    void messageDropped(const QString& reason);

private:
    // A message, or why a datagram was dropped.
    struct Received
    {
        std::optional<WindowMessage> message;
        QString dropped;
    };

    void readLoop(int socket, int wake);
    void receiveOne(int socket);
    void enqueue(Received received);
    void drainQueue();
    void dispatch(const WindowMessage& message);
    void closeSocket();

    int socket_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::thread reader_;
    std::mutex queueMutex_;
    std::deque<Received> queue_;
    bool drainScheduled_ = false;
    std::filesystem::path path_;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    QString error_;
    Handler handler_;
    std::atomic<std::uint32_t> acceptedUid_;
};

} // namespace platform

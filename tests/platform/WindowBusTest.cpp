#include "platform/window_bus.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QThread>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace platform;
using testing_support::TempDir;

namespace {

// Keeps posting while the receiver's queue is full, as a sender that must not lose anything would.
void postPatiently(const WindowHandle& window, const WindowMessage& m)
{
    while (postMessage(window, m.identifier, m.wParam, m.lParam) == PostResult::QueueFull)
        std::this_thread::yield();
}

struct Recorded
{
    std::vector<WindowMessage> messages;
    std::vector<QThread*> threads;
};

WindowMessageReceiver::Handler recordInto(Recorded& recorded, bool consumed = true)
{
    return [&recorded, consumed](const WindowMessage& message) {
        recorded.messages.push_back(message);
        recorded.threads.push_back(QThread::currentThread());
        return consumed;
    };
}

// Sends raw bytes to a socket path, bypassing the message encoding.
bool sendRaw(const std::filesystem::path& path, const std::string& bytes)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    const bool sent = ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address),
                               sizeof address) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return sent;
}

// Points the bus at another runtime folder for one test.
class RuntimeFolder
{
public:
    explicit RuntimeFolder(const std::filesystem::path& folder) : saved_(std::getenv("XDG_RUNTIME_DIR"))
    {
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    ~RuntimeFolder() { ::setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1); }

private:
    std::string saved_;
};

} // namespace

TEST(WindowBus, MessageLayoutIsLittleEndianWithSignExtendedTime)
{
    const std::string bytes = encodeWindowMessage({WM_USER, 16, -2});
    ASSERT_EQ(bytes.size(), windowMessageSize);
    EXPECT_EQ(bytes, std::string("\x00\x04\x00\x00"
                                 "\x00\x00\x00\x00"
                                 "\x10\x00\x00\x00\x00\x00\x00\x00"
                                 "\xfe\xff\xff\xff\xff\xff\xff\xff",
                                 24));
    EXPECT_EQ(decodeWindowMessage(bytes.data(), bytes.size()), (WindowMessage{WM_USER, 16, -2}));

    // Wrong length, or anything in the reserved word, is not a message.
    EXPECT_FALSE(decodeWindowMessage(bytes.data(), bytes.size() - 1));
    std::string reserved = bytes;
    reserved[5] = 1;
    EXPECT_FALSE(decodeWindowMessage(reserved.data(), reserved.size()));
}

TEST(WindowBus, MessagesFromAnotherThreadArriveInOrderOnTheOwningThread)
{
    WindowMessageReceiver receiver;
    Recorded recorded;
    receiver.setHandler(recordInto(recorded));
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Ordered window")))
        << receiver.errorString().toStdString();

    const WindowHandle window = findWindow(QStringLiteral("Ordered window"));
    ASSERT_EQ(window, receiver.socketPath());
    std::vector<WindowMessage> sent;
    for (int i = 0; i < 60; ++i)
        sent.push_back({WM_USER, 8, i * 64 - 100});
    std::thread poster([&] {
        for (const auto& message : sent)
            postPatiently(window, message);
    });

    EXPECT_TRUE(testing_support::waitUntil([&] { return recorded.messages.size() == sent.size(); }));
    poster.join();
    EXPECT_EQ(recorded.messages, sent);
    for (QThread* thread : recorded.threads)
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
}

TEST(WindowBus, TitlesAreExactAndLookupsOfUnknownTitlesFindNothing)
{
    WindowMessageReceiver receiver;
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Orvalis Reelscan Gazelog")));

    EXPECT_FALSE(findWindow(QStringLiteral("Orvalis Reelscan Gazelog")).empty());
    EXPECT_TRUE(findWindow(QStringLiteral("orvalis reelscan gazelog")).empty());
    EXPECT_TRUE(findWindow(QStringLiteral("Orvalis Reelscan Gazelog ")).empty());
    EXPECT_TRUE(findWindow(QString()).empty());
    EXPECT_EQ(postMessage({}, WM_USER, 8, 0), PostResult::NoWindow);
}

TEST(WindowBus, MessagesFromAnotherUserAreDropped)
{
    WindowMessageReceiver receiver;
    Recorded recorded;
    receiver.setHandler(recordInto(recorded));
    QSignalSpy dropped(&receiver, &WindowMessageReceiver::messageDropped);
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Guarded window")));

    // Given a window that accepts only some other user,
    receiver.setAcceptedUserId(::geteuid() + 1);
    // when this user posts, then the message is dropped and reported.
    ASSERT_EQ(postMessage(receiver.socketPath(), WM_USER, 16, 5), PostResult::Posted);
    ASSERT_TRUE(testing_support::waitUntil([&] { return dropped.count() == 1; }));
    EXPECT_TRUE(recorded.messages.empty());
    EXPECT_TRUE(dropped.at(0).at(0).toString().contains(QString::number(::geteuid())));

    receiver.setAcceptedUserId(::geteuid());
    ASSERT_EQ(postMessage(receiver.socketPath(), WM_USER, 16, 6), PostResult::Posted);
    ASSERT_TRUE(testing_support::waitUntil([&] { return recorded.messages.size() == 1; }));
    EXPECT_EQ(recorded.messages[0].lParam, 6);
}

TEST(WindowBus, ARealProcessOfAnotherUserIsDropped)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "changing to another user needs root";
    WindowMessageReceiver receiver;
    Recorded recorded;
    receiver.setHandler(recordInto(recorded));
    QSignalSpy dropped(&receiver, &WindowMessageReceiver::messageDropped);
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Guarded window")));

    // The child connects while it may still reach the private folder, then
    // becomes "nobody" and sends.
    const std::string bytes = encodeWindowMessage({WM_USER, 4, 9});
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, receiver.socketPath().c_str(), sizeof address.sun_path - 1);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
        const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                        ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
                        ::send(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size());
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    ASSERT_TRUE(testing_support::waitUntil([&] { return dropped.count() == 1; }));
    EXPECT_TRUE(dropped.at(0).at(0).toString().contains(QStringLiteral("65534")));
    EXPECT_TRUE(recorded.messages.empty());
}

TEST(WindowBus, MalformedDatagramsAreDroppedAndLaterMessagesStillArrive)
{
    WindowMessageReceiver receiver;
    Recorded recorded;
    receiver.setHandler(recordInto(recorded));
    QSignalSpy dropped(&receiver, &WindowMessageReceiver::messageDropped);
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Robust window")));

    const std::string good = encodeWindowMessage({WM_USER, 32, 90000});
    ASSERT_TRUE(sendRaw(receiver.socketPath(), "short"));
    ASSERT_TRUE(sendRaw(receiver.socketPath(), good + "x"));
    ASSERT_TRUE(sendRaw(receiver.socketPath(), std::string()));
    ASSERT_TRUE(sendRaw(receiver.socketPath(), good));

    ASSERT_TRUE(testing_support::waitUntil([&] { return recorded.messages.size() == 1; }));
    EXPECT_EQ(dropped.count(), 3);
    EXPECT_EQ(recorded.messages[0], (WindowMessage{WM_USER, 32, 90000}));
}

TEST(WindowBus, PostingToAWindowThatHasGoneLosesTheMessageQuietly)
{
    WindowHandle window;
    {
        WindowMessageReceiver receiver;
        ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Short-lived window")));
        window = findWindow(QStringLiteral("Short-lived window"));
        ASSERT_FALSE(window.empty());
    }
    // The registration went with the receiver.
    EXPECT_FALSE(std::filesystem::exists(window));
    EXPECT_TRUE(findWindow(QStringLiteral("Short-lived window")).empty());
    EXPECT_EQ(postMessage(window, WM_USER, 4, 1000), PostResult::NoWindow);

    WindowMessageReceiver closed;
    ASSERT_TRUE(closed.registerWindow(QStringLiteral("Closed window")));
    const WindowHandle closedWindow = closed.socketPath();
    closed.unregisterWindow();
    EXPECT_FALSE(closed.isRegistered());
    EXPECT_EQ(postMessage(closedWindow, WM_USER, 4, 1000), PostResult::NoWindow);
}

TEST(WindowBus, AFullQueueLosesTheMessageInsteadOfBlocking)
{
    // A window whose program reads nothing: a bare socket bound in a private folder.
    TempDir folder;
    const std::filesystem::path path = folder / "silent";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int silent = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    int posted = 0;
    PostResult result = PostResult::Posted;
    while (result == PostResult::Posted && posted < 100000) {
        result = postMessage(path, WM_USER, 8, posted);
        if (result == PostResult::Posted)
            ++posted;
    }
    EXPECT_EQ(result, PostResult::QueueFull);
    EXPECT_GT(posted, 0);
    ::close(silent);
}

TEST(WindowBus, ABurstPostedWhileTheOwnerIsBusyArrivesWholeAndInOrder)
{
    WindowMessageReceiver receiver;
    Recorded recorded;
    receiver.setHandler(recordInto(recorded));
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Busy window")));
    const WindowHandle window = receiver.socketPath();

    // Given a sender that waits at most a moment for room, as a player posting its ticks does,
    constexpr int count = 1000;
    int lost = 0;
    std::thread poster([&] {
        for (int i = 0; i < count && lost == 0; ++i) {
            QElapsedTimer patience;
            patience.start();
            PostResult result;
            while ((result = postMessage(window, WM_USER, 8, i)) == PostResult::QueueFull &&
                   patience.elapsed() < 200)
                std::this_thread::yield();
            lost += result != PostResult::Posted;
        }
    });
    // when the owner's thread does not look at its events for two seconds,
    std::this_thread::sleep_for(std::chrono::seconds(2));
    poster.join();

    // then nothing was lost, and everything is handled in order once it looks again.
    EXPECT_EQ(lost, 0);
    ASSERT_TRUE(testing_support::waitUntil([&] { return recorded.messages.size() == count; }));
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(recorded.messages[i].lParam, i);
        EXPECT_EQ(recorded.messages[i].senderPid, ::getpid());
    }
}

TEST(WindowBus, AStaleSocketIsReplacedButALiveTitleIsNot)
{
    // Given the socket of a window whose program ended without removing it,
    WindowHandle stale;
    {
        WindowMessageReceiver first;
        ASSERT_TRUE(first.registerWindow(QStringLiteral("Crashed window")));
        stale = first.socketPath();
        ASSERT_EQ(::link(stale.c_str(), (stale.string() + ".kept").c_str()), 0);
    }
    std::filesystem::rename(stale.string() + ".kept", stale);
    ASSERT_TRUE(std::filesystem::is_socket(stale));
    EXPECT_TRUE(findWindow(QStringLiteral("Crashed window")).empty());

    // when a new window registers under that title, then it takes the place over.
    WindowMessageReceiver second;
    Recorded recorded;
    second.setHandler(recordInto(recorded));
    ASSERT_TRUE(second.registerWindow(QStringLiteral("Crashed window")))
        << second.errorString().toStdString();
    ASSERT_EQ(postMessage(findWindow(QStringLiteral("Crashed window")), WM_USER, 2, 7), PostResult::Posted);
    ASSERT_TRUE(testing_support::waitUntil([&] { return recorded.messages.size() == 1; }));

    // A title a running window holds stays with it.
    WindowMessageReceiver third;
    EXPECT_FALSE(third.registerWindow(QStringLiteral("Crashed window")));
    EXPECT_TRUE(third.errorString().contains(QStringLiteral("running window")));
    EXPECT_EQ(postMessage(second.socketPath(), WM_USER, 3, 8), PostResult::Posted);
    ASSERT_TRUE(testing_support::waitUntil([&] { return recorded.messages.size() == 2; }));

    // Something else than a socket in the way is left alone.
    WindowMessageReceiver fourth;
    ASSERT_TRUE(fourth.registerWindow(QStringLiteral("Plain file")));
    const WindowHandle plainFile = fourth.socketPath();
    fourth.unregisterWindow();
    testing_support::writeFile(plainFile, "not a socket");
    EXPECT_FALSE(fourth.registerWindow(QStringLiteral("Plain file")));
    EXPECT_EQ(testing_support::readFile(plainFile), "not a socket");
    std::filesystem::remove(plainFile);
}

TEST(WindowBus, AnUnconsumedCloseRequestAsksTheWindowToClose)
{
    WindowMessageReceiver receiver;
    bool consume = true;
    int handled = 0;
    receiver.setHandler([&](const WindowMessage&) {
        ++handled;
        return consume;
    });
    QSignalSpy closeRequests(&receiver, &WindowMessageReceiver::closeRequested);
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Closable window")));

    ASSERT_EQ(postMessage(receiver.socketPath(), WM_CLOSE, 0, 0), PostResult::Posted);
    ASSERT_TRUE(testing_support::waitUntil([&] { return handled == 1; }));
    EXPECT_EQ(closeRequests.count(), 0);

    consume = false;
    ASSERT_EQ(postMessage(receiver.socketPath(), WM_USER, 99, 0), PostResult::Posted);
    ASSERT_EQ(postMessage(receiver.socketPath(), WM_CLOSE, 0, 0), PostResult::Posted);
    ASSERT_TRUE(testing_support::waitUntil([&] { return handled == 3; }));
    EXPECT_EQ(closeRequests.count(), 1);
}

TEST(WindowBus, AHandlerMayUnregisterWhileMessagesAreWaiting)
{
    WindowMessageReceiver receiver;
    int handled = 0;
    receiver.setHandler([&](const WindowMessage&) {
        ++handled;
        receiver.unregisterWindow();
        return true;
    });
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Closing window")));
    const WindowHandle window = receiver.socketPath();
    ASSERT_EQ(postMessage(window, WM_USER, 4, 1), PostResult::Posted);
    ASSERT_EQ(postMessage(window, WM_USER, 8, 2), PostResult::Posted);

    ASSERT_TRUE(testing_support::waitUntil([&] { return handled == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 1);
    EXPECT_FALSE(std::filesystem::exists(window));
}

TEST(WindowBus, UnsafeFoldersAreRefused)
{
    TempDir root;
    RuntimeFolder runtime(root.path());

    // A fresh folder is created private.
    const WindowBusFolder fresh = windowBusFolder();
    ASSERT_TRUE(fresh.path) << fresh.error;
    EXPECT_EQ(*fresh.path, root.path() / "orvalis" / "windows");
    struct stat info;
    ASSERT_EQ(::stat(fresh.path->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Writable by others: refused, and nothing registers or is found there.
    ASSERT_EQ(::chmod((root.path() / "orvalis").c_str(), 0777), 0);
    const WindowBusFolder open = windowBusFolder();
    EXPECT_FALSE(open.path);
    EXPECT_NE(open.error.find("writable"), std::string::npos);
    WindowMessageReceiver receiver;
    EXPECT_FALSE(receiver.registerWindow(QStringLiteral("Exposed window")));
    EXPECT_FALSE(receiver.errorString().isEmpty());
    EXPECT_TRUE(findWindow(QStringLiteral("Exposed window")).empty());
    ASSERT_EQ(::chmod((root.path() / "orvalis").c_str(), 0700), 0);

    // A symbolic link in place of the folder: refused.
    std::filesystem::rename(root.path() / "orvalis" / "windows", root.path() / "elsewhere");
    std::filesystem::create_directory_symlink(root.path() / "elsewhere", root.path() / "orvalis" / "windows");
    EXPECT_FALSE(windowBusFolder().path);
    std::filesystem::remove(root.path() / "orvalis" / "windows");

    // Owned by another user: refused.
    if (::geteuid() == 0) {
        ASSERT_EQ(::mkdir((root.path() / "orvalis" / "windows").c_str(), 0700), 0);
        ASSERT_EQ(::chown((root.path() / "orvalis" / "windows").c_str(), 65534, 65534), 0);
        const WindowBusFolder foreign = windowBusFolder();
        EXPECT_FALSE(foreign.path);
        EXPECT_NE(foreign.error.find("another user"), std::string::npos);
    }
}

TEST(WindowBus, TheLinkPeerToolPostsCodesWithTimesFromAnotherProcess)
{
    WindowMessageReceiver receiver;
    Recorded recorded;
    receiver.setHandler(recordInto(recorded));
    ASSERT_TRUE(receiver.registerWindow(QStringLiteral("Orvalis Reelscan Gazelog")));

    QProcess peer;
    peer.start(QStringLiteral(GAZE_BIN_DIR "/link-peer"),
               {QStringLiteral("--title"), QStringLiteral("Orvalis Reelscan Gazelog"),
                QStringLiteral("32:5000"), QStringLiteral("8:0"), QStringLiteral("8:64"),
                QStringLiteral("16:100"), QStringLiteral("3:-1"), QStringLiteral("close")});
    ASSERT_TRUE(testing_support::waitUntil([&] { return peer.state() == QProcess::NotRunning; }));
    EXPECT_EQ(peer.exitCode(), 0) << peer.readAllStandardError().toStdString();

    ASSERT_TRUE(testing_support::waitUntil([&] { return recorded.messages.size() == 6; }));
    const std::vector<WindowMessage> expected{{WM_USER, 32, 5000}, {WM_USER, 8, 0},  {WM_USER, 8, 64},
                                              {WM_USER, 16, 100},  {WM_USER, 3, -1}, {WM_CLOSE, 0, 0}};
    EXPECT_EQ(recorded.messages, expected);
}

TEST(WindowBus, TheLinkPeerToolReportsBadUseAndAMissingWindow)
{
    const auto run = [](const QStringList& arguments) {
        QProcess peer;
        peer.start(QStringLiteral(GAZE_BIN_DIR "/link-peer"), arguments);
        peer.waitForFinished(10000);
        return peer.exitCode();
    };
    EXPECT_EQ(run({QStringLiteral("--title"), QStringLiteral("Nobody here"), QStringLiteral("8:0")}), 2);
    EXPECT_EQ(run({QStringLiteral("8:0")}), 1);
    EXPECT_EQ(run({QStringLiteral("--title"), QStringLiteral("Nobody here"), QStringLiteral("8:x")}), 1);
    EXPECT_EQ(run({QStringLiteral("--title"), QStringLiteral("Nobody here"), QStringLiteral("8:4294967296")}),
              1);
}

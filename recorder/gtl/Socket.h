#pragma once

#include "recorder/gtl/Listeners.h"
#include "recorder/gtl/MessageFramer.h"
#include "recorder/gtl/Observable.h"

#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace gtl {

// One TCP connection to the tracker server, run by an I/O thread of its own.
// Listeners receive each framed message and the loss of the connection on that
// thread. Writes from any thread go through one queue, so texts never mix.
class Socket : public Observable<ISocketListener>
{
public:
    explicit Socket(bool verbose, std::size_t maxMessageBytes = MessageFramer::defaultMaxMessageBytes);
    ~Socket() override;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    enum class OpenResult
    {
        connected = 0,
        refused,   // no endpoint accepted the connection
        timed_out, // none did before the deadline
        aborted,   // disconnect() was called meanwhile
    };

    // Waits for the I/O thread of an earlier connection, then tries each endpoint
    // the numeric host and port stand for until the deadline. Nothing is read
    // until start(); texts sent before then are written once it runs.
    OpenResult open(const std::string& host, const std::string& port,
                    std::chrono::steady_clock::time_point deadline);
    // Starts reading on the I/O thread; false when the connection was given up meanwhile.
    bool start();

    // open() and start() in one, with a deadline of five seconds.
    bool connect(const std::string& host, const std::string& port);

    // Closes the socket and stops the I/O thread without telling listeners.
    // Safe from any thread, also from a listener call; no listener call of this
    // connection starts after it, and from any other thread it returns only
    // once the I/O thread has ended, so none is still running either.
    void disconnect();

    // The last connection was given up because a message outgrew the size limit.
    bool gaveUpOnSize() const { return gaveUpOnSize_; }

    // The start of what the server sent last that was no complete message when the
    // connection was lost (at most 80 bytes); empty when nothing was left over.
    std::string unreadAtLoss() const;

    // Queues a copy of the text for writing; a failed write is reported as a
    // lost connection. Always returns true.
    bool send(const std::string& text);

private:
    struct Connection;

    void startRead(Connection& connection);
    void onRead(Connection& connection, std::size_t bytes);
    void writeNext(Connection& connection);
    void closeNow(Connection& connection);
    void reportLost();

    MessageFramer framer_;
    boost::thread ioThread_;
    std::unique_ptr<Connection> connection_;
    bool verbose_;
    std::atomic<bool> gaveUpOnSize_{false};
    mutable boost::mutex unreadMutex_;
    std::string unreadAtLoss_; // with unreadMutex_
    // Guards connection_ and ioThread_: opening, sending and disconnecting may
    // each come from another thread.
    boost::mutex connectionMutex_;
};

} // namespace gtl

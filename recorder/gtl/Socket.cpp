#include "recorder/gtl/Socket.h"

#include "common/Logger.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include <array>
#include <deque>
#include <iostream>

namespace gtl {

namespace asio = boost::asio;
using asio::ip::tcp;

// Everything of one connection lives and dies together: a fresh I/O service per
// connection means no handler of an old connection can ever run on a new one.
struct Socket::Connection
{
    asio::io_context io;
    tcp::socket socket{io};
    std::array<char, 16 * 1024> readBuffer{};
    std::deque<std::string> writeQueue;
    // Given up by disconnect() before its I/O thread ran; guarded by connectionMutex_.
    bool abandoned = false;
};

namespace {
void print(const char* prefix, const std::string& text)
{
    std::cout << (prefix + text + "\n") << std::flush;
}
} // namespace

Socket::Socket(bool verbose, std::size_t maxMessageBytes) : framer_(maxMessageBytes), verbose_(verbose) {}

Socket::~Socket()
{
    disconnect();
    boost::lock_guard lock(connectionMutex_);
    if (ioThread_.joinable())
        ioThread_.detach(); // only when destroyed from its own I/O thread
}

Socket::OpenResult Socket::open(const std::string& host, const std::string& port,
                                std::chrono::steady_clock::time_point deadline)
{
    boost::thread previous;
    {
        boost::lock_guard lock(connectionMutex_);
        if (ioThread_.joinable() && ioThread_.get_id() == boost::this_thread::get_id()) {
            LOG("cannot reconnect from the I/O thread");
            return OpenResult::aborted;
        }
        previous = std::move(ioThread_);
    }
    if (previous.joinable())
        previous.join();
    gaveUpOnSize_ = false;
    {
        boost::lock_guard lock(unreadMutex_);
        unreadAtLoss_.clear();
    }
    auto owned = std::make_unique<Connection>();
    Connection& connection = *owned;
    boost::system::error_code error;
    // Numeric only: a name lookup could block past any deadline.
    tcp::resolver resolver(connection.io);
    const auto endpoints =
        resolver.resolve(host, port, tcp::resolver::numeric_host | tcp::resolver::numeric_service, error);
    if (error) {
        LOG("cannot resolve ", host, ":", port, ": ", error.message());
        return OpenResult::refused;
    }
    {
        // From here on a disconnect() from another thread reaches this attempt.
        boost::lock_guard lock(connectionMutex_);
        connection_ = std::move(owned);
    }

    // A listening server whose backlog is full never completes the handshake:
    // the timer is what ends such an attempt.
    bool finished = false;
    bool timedOut = false;
    error = asio::error::not_found;
    {
        asio::steady_timer timer(connection.io, deadline);
        asio::async_connect(connection.socket, endpoints,
                            [&](const boost::system::error_code& result, const tcp::endpoint&) {
                                finished = true;
                                error = result;
                                timer.cancel();
                            });
        timer.async_wait([&](const boost::system::error_code& result) {
            if (result)
                return;
            timedOut = true;
            boost::system::error_code ignored;
            connection.socket.close(ignored);
        });
        connection.io.run();
    }

    OpenResult outcome = OpenResult::connected;
    boost::lock_guard lock(connectionMutex_);
    if (!finished || connection.abandoned)
        outcome = OpenResult::aborted;
    else if (timedOut)
        outcome = OpenResult::timed_out;
    else if (error)
        outcome = OpenResult::refused;
    if (outcome != OpenResult::connected) {
        connection_.reset();
        return outcome;
    }
    connection.socket.set_option(tcp::no_delay(true), error);
    connection.io.restart();
    return outcome;
}

bool Socket::start()
{
    boost::lock_guard lock(connectionMutex_);
    if (!connection_ || ioThread_.joinable())
        return false;
    if (connection_->abandoned) {
        connection_.reset();
        return false;
    }
    framer_.reset();
    Connection* running = connection_.get();
    startRead(*running);
    ioThread_ = boost::thread([running] { running->io.run(); });
    return true;
}

bool Socket::connect(const std::string& host, const std::string& port)
{
    return open(host, port, std::chrono::steady_clock::now() + std::chrono::seconds(5)) ==
               OpenResult::connected &&
           start();
}

void Socket::disconnect()
{
    boost::thread running;
    {
        boost::lock_guard lock(connectionMutex_);
        if (!connection_)
            return;
        Connection& connection = *connection_;
        if (connection.io.get_executor().running_in_this_thread()) {
            closeNow(connection);
            return;
        }
        asio::post(connection.io, [this, &connection] { closeNow(connection); });
        if (!ioThread_.joinable()) {
            // Not reading yet, or still opening on another thread: stop it where it stands.
            connection.abandoned = true;
            connection.io.stop();
        }
        // Joined here, outside the lock, and by this caller only.
        running = std::move(ioThread_);
    }
    if (running.joinable())
        running.join();
}

bool Socket::send(const std::string& text)
{
    boost::lock_guard lock(connectionMutex_);
    if (!connection_)
        return true;
    if (verbose_)
        print("Send: ", text);
    Connection& connection = *connection_;
    asio::post(connection.io, [this, &connection, text] {
        connection.writeQueue.push_back(text);
        if (connection.writeQueue.size() == 1)
            writeNext(connection);
    });
    return true;
}

void Socket::startRead(Connection& connection)
{
    connection.socket.async_read_some(
        asio::buffer(connection.readBuffer),
        [this, &connection](const boost::system::error_code& error, std::size_t bytes) {
            if (error)
                reportLost();
            else
                onRead(connection, bytes);
        });
}

void Socket::onRead(Connection& connection, std::size_t bytes)
{
    framer_.append(std::string_view(connection.readBuffer.data(), bytes));
    while (auto message = framer_.next()) {
        notify([&](ISocketListener& listener) { listener.on_message(*message); });
        if (verbose_)
            print("Recv: ", *message);
        if (connection.io.stopped())
            return;
    }
    if (framer_.overflowed()) {
        LOG("a message from the server outgrew the size limit;", " the connection is given up");
        gaveUpOnSize_ = true;
        reportLost();
        return;
    }
    startRead(connection);
}

void Socket::writeNext(Connection& connection)
{
    asio::async_write(connection.socket, asio::buffer(connection.writeQueue.front()),
                      [this, &connection](const boost::system::error_code& error, std::size_t) {
                          connection.writeQueue.pop_front();
                          if (error) {
                              reportLost();
                              return;
                          }
                          if (!connection.writeQueue.empty())
                              writeNext(connection);
                      });
}

void Socket::closeNow(Connection& connection)
{
    boost::system::error_code error;
    if (connection.socket.is_open())
        connection.socket.close(error);
    if (error)
        LOG("close: ", error.message());
    // Stopping inside this handler keeps the aborted read from reporting a loss.
    connection.io.stop();
}

std::string Socket::unreadAtLoss() const
{
    boost::lock_guard lock(unreadMutex_);
    return unreadAtLoss_;
}

void Socket::reportLost()
{
    {
        // Runs on the I/O thread, the framer's own.
        boost::lock_guard lock(unreadMutex_);
        unreadAtLoss_ = framer_.unread(80);
    }
    notify([](ISocketListener& listener) { listener.on_disconnected(); });
}

} // namespace gtl

#include "recorder/gtl/Socket.h"

#include "common/Logger.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
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
    shutdown();
}

bool Socket::connect(const std::string& host, const std::string& port)
{
    if (ioThread_.joinable()) {
        if (ioThread_.get_id() == boost::this_thread::get_id()) {
            LOG("cannot reconnect from the I/O thread");
            return false;
        }
        ioThread_.join();
    }
    {
        boost::lock_guard lock(connectionMutex_);
        connection_.reset();
    }

    auto connection = std::make_unique<Connection>();
    boost::system::error_code error;
    tcp::resolver resolver(connection->io);
    const auto endpoints = resolver.resolve(host, port, error);
    if (error) {
        LOG("cannot resolve ", host, ":", port, ": ", error.message());
        return false;
    }
    error = asio::error::not_found;
    for (const auto& entry : endpoints) {
        boost::system::error_code ignored;
        connection->socket.close(ignored);
        connection->socket.connect(entry.endpoint(), error);
        if (!error)
            break;
    }
    if (error) {
        boost::system::error_code ignored;
        connection->socket.close(ignored);
        return false;
    }
    connection->socket.set_option(tcp::no_delay(true), error);

    framer_.reset();
    startRead(*connection);
    Connection* running = connection.get();
    {
        boost::lock_guard lock(connectionMutex_);
        connection_ = std::move(connection);
    }
    ioThread_ = boost::thread([running] { running->io.run(); });
    return true;
}

void Socket::disconnect()
{
    boost::lock_guard lock(connectionMutex_);
    if (!connection_)
        return;
    Connection& connection = *connection_;
    if (connection.io.get_executor().running_in_this_thread())
        closeNow(connection);
    else
        asio::post(connection.io, [this, &connection] { closeNow(connection); });
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

void Socket::shutdown()
{
    disconnect();
    if (ioThread_.joinable() && ioThread_.get_id() != boost::this_thread::get_id())
        ioThread_.join();
    boost::lock_guard lock(connectionMutex_);
    connection_.reset();
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

void Socket::reportLost()
{
    notify([](ISocketListener& listener) { listener.on_disconnected(); });
}

} // namespace gtl

#include "recorder/gtl/Socket.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>

#include <gtest/gtest.h>

using boost::asio::ip::tcp;

namespace {

struct Ignoring : gtl::ISocketListener
{
    void on_message(const std::string&) override {}
    void on_disconnected() override {}
};

} // namespace

TEST(Socket, TextsSentFromSeveralThreadsReachTheServerWholeAndInOrder)
{
    boost::asio::io_context io;
    tcp::acceptor acceptor(io, {boost::asio::ip::address_v4::loopback(), 0});
    Ignoring ignoring;
    gtl::Socket socket(false);
    socket.add_listener(ignoring);
    ASSERT_TRUE(socket.connect("127.0.0.1", std::to_string(acceptor.local_endpoint().port())));
    tcp::socket server(io);
    acceptor.accept(server);

    // Large texts fill the socket's buffers while the server reads nothing, so
    // writes still in progress meet the next ones: without one queue they would mix.
    constexpr int perThread = 20;
    const auto text = [](int thread, int i) {
        return std::string(200000, static_cast<char>('a' + thread)) + std::to_string(i) + ";";
    };
    std::vector<std::thread> senders;
    for (int t = 0; t < 3; ++t)
        senders.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                socket.send(text(t, i));
        });
    for (std::thread& sender : senders)
        sender.join();

    std::size_t total = 0;
    for (int t = 0; t < 3; ++t)
        for (int i = 0; i < perThread; ++i)
            total += text(t, i).size();
    std::string received(total, '\0');
    boost::asio::read(server, boost::asio::buffer(received));
    socket.disconnect();

    // Each thread's texts arrive whole and in the order that thread sent them.
    std::vector<int> next(3, 0);
    for (std::size_t at = 0; at < received.size();) {
        const int thread = received[at] - 'a';
        ASSERT_TRUE(thread >= 0 && thread < 3) << "at " << at;
        const std::string expected = text(thread, next[thread]++);
        ASSERT_EQ(received.compare(at, expected.size(), expected), 0) << "at " << at;
        at += expected.size();
    }
}

#include "sim/eyetribe/EyeTribeServer.h"
#include "TestEnvironment.h"
#include "sim/eyetribe/TrackerModel.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using boost::asio::ip::tcp;

namespace {

// A bare client on a plain socket: it writes texts exactly as given and keeps
// every line the server sends, so the server's own framing is what is tried.
class RawClient
{
public:
    ~RawClient()
    {
        boost::system::error_code ignored;
        socket.shutdown(tcp::socket::shutdown_both, ignored);
        if (reader.joinable())
            reader.join();
    }

    bool connect(unsigned short port)
    {
        boost::system::error_code error;
        socket.connect({boost::asio::ip::address_v4::loopback(), port}, error);
        if (error)
            return false;
        reader = std::thread([this] { read(); });
        return true;
    }
    void send(const std::string& text) { boost::asio::write(socket, boost::asio::buffer(text)); }

    int countContaining(const std::string& part)
    {
        std::lock_guard lock(mutex);
        return static_cast<int>(std::count_if(messages.begin(), messages.end(), [&](const std::string& m) {
            return m.find(part) != std::string::npos;
        }));
    }
    bool waitFor(const std::function<bool()>& condition)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, condition);
    }
    std::vector<std::string> snapshot()
    {
        std::lock_guard lock(mutex);
        return messages;
    }

    boost::asio::io_context io;
    tcp::socket socket{io};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> messages; // one per line, without the line break
    std::string partial;               // bytes after the last line break
    bool lost = false;

private:
    void read()
    {
        char buffer[4096];
        for (;;) {
            boost::system::error_code error;
            const std::size_t n = socket.read_some(boost::asio::buffer(buffer), error);
            std::lock_guard lock(mutex);
            if (error) {
                lost = true;
                changed.notify_all();
                return;
            }
            partial.append(buffer, n);
            for (std::size_t end = partial.find('\n'); end != std::string::npos; end = partial.find('\n')) {
                messages.push_back(partial.substr(0, end));
                partial.erase(0, end + 1);
            }
            changed.notify_all();
        }
    }

    std::thread reader;
};

sim::ServerOptions quickServer()
{
    sim::ServerOptions options;
    options.port = 0;
    options.framerate = 200;
    return options;
}

} // namespace

TEST(EyeTribeServer, PushesFramesOnlyToClientsThatAskForThem)
{
    sim::EyeTribeServer server(quickServer());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    RawClient pushing, polling;
    ASSERT_TRUE(pushing.connect(server.port()));
    ASSERT_TRUE(polling.connect(server.port()));
    pushing.send(R"({"category":"tracker","request":"set","values":{"push":true}})");
    polling.send(R"({"category":"heartbeat"})");

    EXPECT_TRUE(pushing.waitFor([&] { return pushing.messages.size() > 10; }));
    ASSERT_TRUE(polling.waitFor([&] { return !polling.messages.empty(); }));
    EXPECT_EQ(pushing.countContaining(R"("frame":)"), static_cast<int>(pushing.messages.size()) - 1);
    EXPECT_EQ(polling.countContaining(R"("frame":)"), 0);
}

TEST(EyeTribeServer, DropsAClientWhoseHeartbeatsStop)
{
    sim::ServerOptions options = quickServer();
    options.heartbeatIntervalMs = 20;
    sim::EyeTribeServer server(options);
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    RawClient client;
    ASSERT_TRUE(client.connect(server.port()));

    EXPECT_TRUE(client.waitFor([&] { return client.lost; }));
    EXPECT_EQ(server.clientCount(), 0);
}

TEST(EyeTribeServer, TellsEveryClientOfAChange)
{
    sim::EyeTribeServer server(quickServer());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    RawClient first, second;
    ASSERT_TRUE(first.connect(server.port()));
    ASSERT_TRUE(second.connect(server.port()));
    // A connection the kernel accepted may not have reached the server yet.
    testing_support::waitUntil([&] { return server.clientCount() >= 2; });

    first.send(R"({"category":"tracker","request":"set","values":{"screenresw":1024}})");
    server.setTrackerState(3);
    for (RawClient* client : {&first, &second}) {
        auto heard = [&](const char* status) {
            return std::any_of(client->messages.begin(), client->messages.end(),
                               [&](const std::string& m) { return m.find(status) != std::string::npos; });
        };
        EXPECT_TRUE(
            client->waitFor([&] { return heard(R"("statuscode":801)") && heard(R"("statuscode":802)"); }));
    }
    EXPECT_EQ(second.countContaining(R"("request":"set")"), 0) << "the answer goes to the asking client only";
}

TEST(EyeTribeServer, FollowsItsScriptAndRefusesBadFiles)
{
    testing_support::TempDir folder;
    testing_support::writeFile(folder / "script.txt", "0 silent on\n30 drop\n");
    sim::ServerOptions options = quickServer();
    options.scriptFile = folder / "script.txt";
    sim::EyeTribeServer server(options);
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    RawClient client;
    ASSERT_TRUE(client.connect(server.port()));
    client.send(R"({"category":"heartbeat"})");
    EXPECT_TRUE(client.waitFor([&] { return client.lost; }));
    EXPECT_TRUE(client.messages.empty()) << "a silent server answers nothing";

    testing_support::writeFile(folder / "bad.txt", "10 explode\n");
    options.scriptFile = folder / "bad.txt";
    sim::EyeTribeServer badScript(options);
    EXPECT_FALSE(badScript.start(error));
    EXPECT_NE(error.find("line 1: unknown command"), std::string::npos) << error;
    options.scriptFile.clear();
    options.gazeFile = folder / "missing.csv";
    sim::EyeTribeServer badPath(options);
    EXPECT_FALSE(badPath.start(error));
    EXPECT_NE(error.find("cannot read the gaze file"), std::string::npos) << error;
}

TEST(EyeTribeServer, AnswersEachObjectOnItsOwnAndJunkWithA400)
{
    sim::EyeTribeServer server(quickServer());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    RawClient client;
    ASSERT_TRUE(client.connect(server.port()));
    const std::string heartbeat = R"({"category":"heartbeat"})";

    // Junk before a request, an unbalanced '{"', junk after one: each costs itself only.
    client.send("garbage" + heartbeat);
    client.send(R"({")");
    client.send(heartbeat + "trailing");
    client.send(R"({"category":"tracker","request":"get","values":["trackerstate"]})");

    ASSERT_TRUE(client.waitFor([&] { return client.messages.size() >= 6; }));
    const std::vector<std::string> lines = client.snapshot();
    const std::string ok = R"({"category":"heartbeat","statuscode":200})";
    const std::string junk = sim::TrackerModel::malformed();
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  junk, ok, junk, ok, junk,
                  R"({"category":"tracker","request":"get","statuscode":200,"values":{"trackerstate":0}})"}));
    std::lock_guard lock(client.mutex);
    EXPECT_EQ(client.partial, "") << "every reply ends with a line break";
}

TEST(EyeTribeServer, CanPushAFrameAheadOfItsAnswerAndAnnounceAnOddInterval)
{
    sim::ServerOptions options = quickServer();
    options.trackerState = 1; // no frames of its own accord
    options.pushBeforeAnswer = true;
    options.announcedHeartbeatIntervalMs = -5;
    sim::EyeTribeServer server(options);
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    RawClient client;
    ASSERT_TRUE(client.connect(server.port()));

    client.send(R"({"category":"tracker","request":"get","values":["heartbeatinterval"]})");
    ASSERT_TRUE(client.waitFor([&] { return client.messages.size() >= 2; }));
    const std::vector<std::string> lines = client.snapshot();
    EXPECT_NE(lines[0].find(R"("frame":)"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1],
              R"({"category":"tracker","request":"get","statuscode":200,"values":{"heartbeatinterval":-5}})");
}

#include "sim/eyetribe/EyeTribeServer.h"
#include "TestEnvironment.h"
#include "recorder/gtl/Socket.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A bare protocol client that keeps every message it receives.
class RawClient : public gtl::ISocketListener
{
public:
    RawClient() { socket.add_listener(*this); }
    ~RawClient() override { socket.shutdown(); }

    void on_message(const std::string& text) override
    {
        std::lock_guard lock(mutex);
        messages.push_back(text);
        changed.notify_all();
    }
    void on_disconnected() override
    {
        std::lock_guard lock(mutex);
        lost = true;
        changed.notify_all();
    }
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

    gtl::Socket socket{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> messages;
    bool lost = false;
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
    ASSERT_TRUE(pushing.socket.connect("127.0.0.1", std::to_string(server.port())));
    ASSERT_TRUE(polling.socket.connect("127.0.0.1", std::to_string(server.port())));
    pushing.socket.send(R"({"category":"tracker","request":"set","values":{"push":true}})");
    polling.socket.send(R"({"category":"heartbeat"})");

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
    ASSERT_TRUE(client.socket.connect("127.0.0.1", std::to_string(server.port())));

    EXPECT_TRUE(client.waitFor([&] { return client.lost; }));
    EXPECT_EQ(server.clientCount(), 0);
}

TEST(EyeTribeServer, TellsEveryClientOfAChange)
{
    sim::EyeTribeServer server(quickServer());
    std::string error;
    ASSERT_TRUE(server.start(error)) << error;
    RawClient first, second;
    ASSERT_TRUE(first.socket.connect("127.0.0.1", std::to_string(server.port())));
    ASSERT_TRUE(second.socket.connect("127.0.0.1", std::to_string(server.port())));
    // A connection the kernel accepted may not have reached the server yet.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (server.clientCount() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);

    first.socket.send(R"({"category":"tracker","request":"set","values":{"screenresw":1024}})");
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
    ASSERT_TRUE(client.socket.connect("127.0.0.1", std::to_string(server.port())));
    client.socket.send(R"({"category":"heartbeat"})");
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

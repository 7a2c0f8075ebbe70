#include "sim/eyetribe/EyeTribeServer.h"

#include "sim/eyetribe/GazePath.h"
#include "sim/eyetribe/RequestSplitter.h"
#include "sim/eyetribe/Script.h"
#include "sim/eyetribe/TrackerModel.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <list>
#include <mutex>
#include <thread>

namespace sim {

namespace asio = boost::asio;
using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto splitPause = std::chrono::milliseconds(10);

struct Session
{
    explicit Session(tcp::socket s) : socket(std::move(s)) {}

    tcp::socket socket;
    RequestSplitter splitter;
    TrackerModel::Client client;
    std::array<char, 4096> readBuffer{};
    std::deque<std::string> writeQueue;
    Clock::time_point lastHeartbeat = Clock::now();
    bool closed = false;
};

using SessionPtr = std::shared_ptr<Session>;

} // namespace

struct EyeTribeServer::Impl
{
    explicit Impl(ServerOptions o) : options(std::move(o)) {}

    void acceptNext();
    void readNext(const SessionPtr& session);
    void handleRequest(const SessionPtr& session, const std::string& text);
    void handleJunk(const SessionPtr& session, const std::string& text);
    // Fills the listening socket's queue with connections of its own, so that the
    // system accepts no further handshake on the server's behalf.
    void fillBacklog();
    // Parts of a split message go out as they are; anything else waits while one is on its way,
    // as a real server never writes inside a message.
    void write(const SessionPtr& session, std::string text, bool splitPart = false);
    void writeNext(const SessionPtr& session);
    void broadcast(const std::string& text);
    void broadcastChanges(unsigned changes);
    void close(const SessionPtr& session, const char* reason);
    void scheduleFrame(Clock::time_point due);
    void scheduleWatchdog();
    void schedule(Clock::duration delay, std::function<void()> action);
    void run(const ScriptEvent& event);
    void print(const char* direction, const std::string& text) const;
    int elapsedMs() const;

    ServerOptions options;
    std::unique_ptr<TrackerModel> model;
    std::vector<ScriptEvent> script;
    asio::io_context io;
    tcp::acceptor acceptor{io};
    asio::steady_timer frameTimer{io};
    asio::steady_timer watchdog{io};
    std::list<std::unique_ptr<asio::steady_timer>> timers;
    std::list<SessionPtr> sessions;
    std::list<tcp::socket> backlogFillers;
    Clock::time_point startTime = Clock::now();
    bool silent = false;
    bool splitting = false;
    std::vector<std::pair<SessionPtr, std::string>> heldWhileSplitting;
    bool started = false;
    std::thread thread;
    unsigned short port = 0;

    mutable std::mutex statsMutex;
    int heartbeats = 0;
    int clients = 0;
    std::vector<std::string> requests;
};

void EyeTribeServer::Impl::acceptNext()
{
    acceptor.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
        if (error)
            return; // the acceptor was closed
        boost::system::error_code ignored;
        if (options.closeOnAccept) {
            socket.close(ignored);
            acceptNext();
            return;
        }
        socket.set_option(tcp::no_delay(true), ignored);
        auto session = std::make_shared<Session>(std::move(socket));
        sessions.push_back(session);
        {
            std::lock_guard lock(statsMutex);
            ++clients;
        }
        if (options.verbose)
            print("++", "client connected");
        readNext(session);
        acceptNext();
    });
}

void EyeTribeServer::Impl::readNext(const SessionPtr& session)
{
    session->socket.async_read_some(asio::buffer(session->readBuffer),
                                    [this, session](const boost::system::error_code& error, std::size_t n) {
                                        if (session->closed)
                                            return;
                                        if (error) {
                                            close(session, "client closed the connection");
                                            return;
                                        }
                                        session->splitter.append(
                                            std::string_view(session->readBuffer.data(), n));
                                        while (auto piece = session->splitter.next()) {
                                            if (piece->kind == RequestSplitter::Piece::Kind::junk)
                                                handleJunk(session, piece->text);
                                            else
                                                handleRequest(session, piece->text);
                                            if (session->closed)
                                                return;
                                        }
                                        readNext(session);
                                    });
}

void EyeTribeServer::Impl::handleRequest(const SessionPtr& session, const std::string& text)
{
    if (options.verbose)
        print("<-", text);
    {
        std::lock_guard lock(statsMutex);
        requests.push_back(text);
    }
    if (silent)
        return;
    const TrackerModel::Outcome outcome = model->handle(text, session->client, elapsedMs());
    if (outcome.heartbeat) {
        session->lastHeartbeat = Clock::now();
        std::lock_guard lock(statsMutex);
        ++heartbeats;
    }
    if (outcome.get && options.pushBeforeAnswer)
        write(session, model->nextFrameMessage(elapsedMs()) + '\n');
    if (outcome.get && options.noticeBeforeAnswer) {
        // The answer follows a while later, so that a client sees the notice on its own.
        write(session, TrackerModel::notice() + '\n');
        schedule(std::chrono::milliseconds(100),
                 [this, session, reply = outcome.reply] { write(session, reply + '\n'); });
    } else if (!outcome.reply.empty()) {
        write(session, outcome.reply + '\n');
    }
    broadcastChanges(outcome.changes);
}

void EyeTribeServer::Impl::handleJunk(const SessionPtr& session, const std::string& text)
{
    if (options.verbose)
        print("<-", text);
    {
        std::lock_guard lock(statsMutex);
        requests.push_back(text);
    }
    if (!silent)
        write(session, TrackerModel::malformed() + '\n');
}

void EyeTribeServer::Impl::fillBacklog()
{
    const tcp::endpoint endpoint = acceptor.local_endpoint();
    for (int i = 0; i < 4; ++i) {
        tcp::socket& filler = backlogFillers.emplace_back(io);
        filler.async_connect(endpoint, [](const boost::system::error_code&) {});
    }
}

void EyeTribeServer::Impl::write(const SessionPtr& session, std::string text, bool splitPart)
{
    if (session->closed)
        return;
    if (splitting && !splitPart) {
        heldWhileSplitting.emplace_back(session, std::move(text));
        return;
    }
    if (options.verbose)
        print("->", text);
    session->writeQueue.push_back(std::move(text));
    if (session->writeQueue.size() == 1)
        writeNext(session);
}

void EyeTribeServer::Impl::writeNext(const SessionPtr& session)
{
    asio::async_write(session->socket, asio::buffer(session->writeQueue.front()),
                      [this, session](const boost::system::error_code& error, std::size_t) {
                          if (session->closed)
                              return;
                          session->writeQueue.pop_front();
                          if (error) {
                              close(session, "write failed");
                              return;
                          }
                          if (!session->writeQueue.empty())
                              writeNext(session);
                      });
}

void EyeTribeServer::Impl::broadcast(const std::string& text)
{
    for (const SessionPtr& session : sessions)
        write(session, text);
}

void EyeTribeServer::Impl::broadcastChanges(unsigned changes)
{
    for (auto change : {TrackerModel::calibration_changed, TrackerModel::display_changed,
                        TrackerModel::tracker_state_changed})
        if (changes & change)
            broadcast(TrackerModel::notification(change) + '\n');
}

void EyeTribeServer::Impl::close(const SessionPtr& session, const char* reason)
{
    if (session->closed)
        return;
    session->closed = true;
    if (options.verbose)
        print("--", reason);
    sessions.remove(session);
    {
        // Counted before the client can see the close.
        std::lock_guard lock(statsMutex);
        --clients;
    }
    boost::system::error_code ignored;
    session->socket.shutdown(tcp::socket::shutdown_both, ignored);
    session->socket.close(ignored);
}

void EyeTribeServer::Impl::scheduleFrame(Clock::time_point due)
{
    frameTimer.expires_at(due);
    frameTimer.async_wait([this, due](const boost::system::error_code& error) {
        if (error)
            return;
        const std::string frame = model->nextFrameMessage(elapsedMs()) + '\n';
        if (!silent && model->streaming())
            for (const SessionPtr& session : sessions)
                if (session->client.push)
                    write(session, frame);
        const auto period = std::chrono::microseconds(1000000 / options.framerate);
        // Keep to the rate without drifting, but do not rush to catch up after a stall.
        Clock::time_point next = due + period;
        if (next < Clock::now())
            next = Clock::now() + period;
        scheduleFrame(next);
    });
}

void EyeTribeServer::Impl::scheduleWatchdog()
{
    const auto timeout = std::chrono::milliseconds(options.effectiveHeartbeatTimeoutMs());
    watchdog.expires_after(std::clamp<Clock::duration>(timeout / 4, std::chrono::milliseconds(5),
                                                       std::chrono::milliseconds(100)));
    watchdog.async_wait([this, timeout](const boost::system::error_code& error) {
        if (error)
            return;
        const auto now = Clock::now();
        for (const SessionPtr& session : std::list<SessionPtr>(sessions))
            if (now - session->lastHeartbeat > timeout)
                close(session, "no heartbeat: client dropped");
        scheduleWatchdog();
    });
}

void EyeTribeServer::Impl::schedule(Clock::duration delay, std::function<void()> action)
{
    auto& timer = timers.emplace_back(std::make_unique<asio::steady_timer>(io, delay));
    timer->async_wait([action = std::move(action)](const boost::system::error_code& error) {
        if (!error)
            action();
    });
}

void EyeTribeServer::Impl::run(const ScriptEvent& event)
{
    switch (event.kind) {
    case ScriptEvent::Kind::trackerState:
        if (model->setTrackerState(event.value))
            broadcastChanges(TrackerModel::tracker_state_changed);
        break;
    case ScriptEvent::Kind::drop:
        for (const SessionPtr& session : std::list<SessionPtr>(sessions))
            close(session, "dropped by script");
        break;
    case ScriptEvent::Kind::raw:
        broadcast(event.text);
        break;
    case ScriptEvent::Kind::split: {
        const std::size_t parts = std::min<std::size_t>(event.value, event.text.size());
        const std::size_t size = event.text.size() / parts;
        for (std::size_t i = 0; i < parts; ++i) {
            const std::size_t length = i + 1 == parts ? std::string::npos : size;
            std::string part = event.text.substr(i * size, length);
            const bool last = i + 1 == parts;
            schedule(splitPause * i, [this, part, last] {
                for (const SessionPtr& session : sessions)
                    write(session, part, true);
                if (!last)
                    return;
                splitting = false;
                auto held = std::move(heldWhileSplitting);
                heldWhileSplitting.clear();
                for (auto& [session, text] : held)
                    write(session, std::move(text));
            });
        }
        splitting = parts > 0;
        break;
    }
    case ScriptEvent::Kind::silent:
        silent = event.value != 0;
        break;
    case ScriptEvent::Kind::none:
        break;
    }
}

void EyeTribeServer::Impl::print(const char* direction, const std::string& text) const
{
    std::cout << (std::string(direction) + " " + text + "\n") << std::flush;
}

int EyeTribeServer::Impl::elapsedMs() const
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startTime).count());
}

EyeTribeServer::EyeTribeServer(ServerOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

EyeTribeServer::~EyeTribeServer()
{
    stop();
}

bool EyeTribeServer::start(std::string& error)
{
    Impl& d = *impl_;
    if (d.started) {
        error = "a server object serves only once";
        return false;
    }
    d.started = true;
    GazePath path;
    if (d.options.followBall) {
        path = GazePath::followingBall(d.options.seed, d.options.framerate, d.options.screenWidth,
                                       d.options.screenHeight);
    } else if (d.options.gazeFile.empty()) {
        path = GazePath::synthetic(d.options.seed, d.options.framerate, d.options.screenWidth,
                                   d.options.screenHeight);
    } else {
        std::ifstream in(d.options.gazeFile);
        if (!in) {
            error = "cannot read the gaze file " + d.options.gazeFile.string();
            return false;
        }
        path = GazePath::read(in, error);
        if (!error.empty()) {
            error = d.options.gazeFile.string() + ": " + error;
            return false;
        }
    }
    if (!d.options.scriptFile.empty()) {
        std::ifstream in(d.options.scriptFile);
        if (!in) {
            error = "cannot read the script " + d.options.scriptFile.string();
            return false;
        }
        ParsedScript parsed = parseScript(in);
        if (!parsed.error.empty()) {
            error = d.options.scriptFile.string() + ": " + parsed.error;
            return false;
        }
        d.script = std::move(parsed.events);
    }
    d.model = std::make_unique<TrackerModel>(d.options, std::move(path));
    d.silent = d.options.silent;

    boost::system::error_code code;
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), d.options.port);
    d.acceptor.open(endpoint.protocol(), code);
    if (!code)
        d.acceptor.set_option(tcp::acceptor::reuse_address(true), code);
    if (!code)
        d.acceptor.bind(endpoint, code);
    if (!code)
        d.acceptor.listen(d.options.neverAccept ? 0 : asio::socket_base::max_listen_connections, code);
    if (code) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(d.options.port) + ": " + code.message();
        boost::system::error_code ignored;
        d.acceptor.close(ignored);
        return false;
    }
    d.port = d.acceptor.local_endpoint().port();
    d.startTime = Clock::now();
    if (d.options.neverAccept)
        d.fillBacklog();
    else
        d.acceptNext();
    d.scheduleFrame(d.startTime);
    d.scheduleWatchdog();
    for (const ScriptEvent& event : d.script)
        d.schedule(std::chrono::milliseconds(event.atMs), [&d, event] { d.run(event); });
    d.thread = std::thread([&d] { d.io.run(); });
    return true;
}

void EyeTribeServer::stop()
{
    Impl& d = *impl_;
    if (!d.thread.joinable())
        return;
    asio::post(d.io, [&d] {
        boost::system::error_code ignored;
        d.acceptor.close(ignored);
        for (tcp::socket& filler : d.backlogFillers)
            filler.close(ignored);
        for (const SessionPtr& session : std::list<SessionPtr>(d.sessions))
            d.close(session, "server stopped");
        d.io.stop();
    });
    d.thread.join();
}

unsigned short EyeTribeServer::port() const
{
    return impl_->port;
}

void EyeTribeServer::setTrackerState(int state)
{
    asio::post(impl_->io, [this, state] { impl_->run({0, ScriptEvent::Kind::trackerState, state, {}}); });
}

void EyeTribeServer::dropClients()
{
    asio::post(impl_->io, [this] { impl_->run({0, ScriptEvent::Kind::drop, 0, {}}); });
}

void EyeTribeServer::sendRaw(const std::string& text)
{
    asio::post(impl_->io, [this, text] { impl_->run({0, ScriptEvent::Kind::raw, 0, text}); });
}

void EyeTribeServer::sendSplit(const std::string& text, int parts)
{
    asio::post(impl_->io, [this, text, parts] { impl_->run({0, ScriptEvent::Kind::split, parts, text}); });
}

void EyeTribeServer::setSilent(bool silent)
{
    asio::post(impl_->io, [this, silent] { impl_->run({0, ScriptEvent::Kind::silent, silent ? 1 : 0, {}}); });
}

int EyeTribeServer::clientCount() const
{
    std::lock_guard lock(impl_->statsMutex);
    return impl_->clients;
}

int EyeTribeServer::heartbeatCount() const
{
    std::lock_guard lock(impl_->statsMutex);
    return impl_->heartbeats;
}

std::vector<std::string> EyeTribeServer::requests() const
{
    std::lock_guard lock(impl_->statsMutex);
    return impl_->requests;
}

} // namespace sim

#pragma once

#include <QProcess>
#include <csignal>

// A process in the place of an examination's player: it runs until it is ended,
// so that the recorder can watch it and end it by its id.
class FakePlayer
{
public:
    FakePlayer()
    {
        process.start(QStringLiteral("/bin/sleep"), {QStringLiteral("600")});
        process.waitForStarted();
    }
    ~FakePlayer()
    {
        process.kill();
        process.waitForFinished(2000);
    }
    FakePlayer(const FakePlayer&) = delete;
    FakePlayer& operator=(const FakePlayer&) = delete;

    qint64 processId() const { return process.processId(); }
    bool isRunning() const { return process.state() == QProcess::Running; }
    // As a crash would: without a word to anyone.
    void kill() { ::kill(static_cast<pid_t>(process.processId()), SIGKILL); }

    QProcess process;
};

#pragma once

#include <QObject>
#include <QTimer>

#include <sys/types.h>

class QSocketNotifier;

namespace platform {

// Tells, on the thread it lives on, when a process that is not our child ends:
// through a process descriptor the kernel marks readable at once, or, where the
// kernel has none, by looking every pollMs.
class ProcessExitWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int pollMs = 100;

    explicit ProcessExitWatcher(QObject* parent = nullptr);
    ~ProcessExitWatcher() override;

    // Watches this process from now on, instead of any earlier one. A process
    // that is already gone is reported in the next turn of the event loop.
    void watch(pid_t pid);
    void stop();
    pid_t watchedPid() const { return pid_; }

    // The process exists and has not ended (a zombie has ended).
    static bool isRunning(pid_t pid);

Q_SIGNALS:
    void exited(qint64 pid);

private:
    void check();
    void report();

    pid_t pid_ = 0;
    int descriptor_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer poll_;
};

} // namespace platform

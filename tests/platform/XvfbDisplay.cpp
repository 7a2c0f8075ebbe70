#include "XvfbDisplay.h"

#include <QStandardPaths>
#include <cstdlib>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {

// Starts Xvfb on the display and waits until it accepts clients (it must not reset
// whenever its last client leaves, or a program connecting just then fails); number stays
// empty (and the server is gone) when it could not.
pid_t startXvfb(const std::string& program, int display, std::string& number)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string name = ":" + std::to_string(display);
        const std::string fd = std::to_string(fds[1]);
        ::execl(program.c_str(), program.c_str(), name.c_str(), "-displayfd", fd.c_str(), "-nolisten", "tcp",
                "-noreset", "-screen", "0", "800x600x24", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return -1;
    }
    pollfd wait{fds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&wait, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty()) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    return pid;
}

} // namespace

XvfbDisplay::XvfbDisplay()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        whyNot_ = "Xvfb is not installed (package xvfb): X11 window tests skipped";
        return;
    }
    // A display number of our own: test programs running side by side must not
    // take over a number another one has just given up.
    const int base = 100 + static_cast<int>(::getpid() % 800);
    pid_t pid = -1;
    std::string number;
    for (int attempt = 0; attempt < 10 && number.empty(); ++attempt)
        pid = startXvfb(xvfb.toStdString(), base + attempt, number);
    if (number.empty()) {
        whyNot_ = "Xvfb could not be started on a free display";
        return;
    }
    pid_ = pid;
    if (const char* display = std::getenv("DISPLAY")) {
        hadDisplay_ = true;
        previousDisplay_ = display;
    }
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
}

XvfbDisplay::~XvfbDisplay()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    if (hadDisplay_)
        ::setenv("DISPLAY", previousDisplay_.c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

WindowProgram::WindowProgram(const QStringList& kinds)
{
    process.start(QStringLiteral(X11_WINDOW_HELPER), kinds);
    if (!process.waitForStarted() || !process.waitForReadyRead(5000))
        return;
    for (const QString& id : QString::fromUtf8(process.readLine()).trimmed().split(' ', Qt::SkipEmptyParts))
        ids.push_back(id.toULong());
}

WindowProgram::~WindowProgram()
{
    process.closeWriteChannel();
    process.waitForFinished(3000);
}

} // namespace testing_support

#include "XvfbDisplay.h"

#include <QStandardPaths>
#include <cstdlib>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

XvfbDisplay::XvfbDisplay()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        whyNot_ = "Xvfb is not installed (package xvfb): X11 window tests skipped";
        return;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        whyNot_ = "no pipe for Xvfb";
        return;
    }
    const std::string program = xvfb.toStdString();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        ::execl(program.c_str(), program.c_str(), "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen",
                "0", "800x600x24", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        whyNot_ = "Xvfb could not be started";
        return;
    }
    // Xvfb writes the display number it chose once it accepts clients.
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    char c = 0;
    while (::poll(&wait, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(fds[0]);
    if (number.empty()) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        whyNot_ = "Xvfb did not report a display";
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

} // namespace testing_support

#pragma once

#include <QProcess>
#include <QStringList>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

// A private Xvfb server on a free display, ended with the object. While it runs,
// DISPLAY names it. Tests skip when available() is false and say why.
class XvfbDisplay
{
public:
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool available() const { return pid_ > 0; }
    const std::string& whyNot() const { return whyNot_; }

private:
    pid_t pid_ = 0;
    std::string whyNot_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
};

// The window helper program showing the windows asked for ("visible", "invisible",
// "owned", ...), bottom to top; ids holds their X11 ids in that order. The program
// ends when the object goes.
struct WindowProgram
{
    explicit WindowProgram(const QStringList& kinds);
    ~WindowProgram();
    WindowProgram(const WindowProgram&) = delete;
    WindowProgram& operator=(const WindowProgram&) = delete;

    pid_t pid() const { return static_cast<pid_t>(process.processId()); }

    QProcess process;
    std::vector<unsigned long> ids;
};

} // namespace testing_support

#pragma once

#include <string>
#include <sys/types.h>

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

} // namespace testing_support

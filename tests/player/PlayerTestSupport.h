#pragma once

#include "TestEnvironment.h"
#include "common/Logger.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace player_test {

// Sets or clears environment variables for one test and puts the old values back.
class ScopedEnv
{
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void set(const char* name, const std::optional<std::string>& value)
    {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The process log, opened into a fresh file for one test.
class CapturedLog
{
public:
    CapturedLog() { Logger::open(playerLogStyle(), folder_ / "captured.log"); }
    ~CapturedLog() { Logger::instance().close(); }

    std::string text() const { return testing_support::readFile(folder_ / "captured.log"); }
    bool has(const std::string& line) const { return text().find("] " + line + "\n") != std::string::npos; }

private:
    testing_support::TempDir folder_;
};

} // namespace player_test

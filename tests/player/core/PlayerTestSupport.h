#pragma once

#include "TestEnvironment.h"
#include "common/Logger.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace player_test {

using testing_support::ScopedEnv;

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

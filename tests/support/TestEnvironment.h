#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Points XDG_CONFIG_HOME, XDG_RUNTIME_DIR and ProgramFiles at fresh private
// folders, selects the offscreen Qt platform and a silent audio sink, so that no
// test touches the user's real folders, display or sound card.
void prepareTestEnvironment();

// A fresh folder under the test run's temporary root, removed with the object.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Sets or clears environment variables for one test and puts the old values back.
class ScopedEnv
{
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    // No value unsets the variable.
    void set(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Waits until `done` holds, running the event loop meanwhile when there is one;
// false when it still does not hold after the timeout.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(30000));

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& content);

// The lines of `text`, without their ends.
std::vector<std::string> splitLines(const std::string& text);

} // namespace testing_support

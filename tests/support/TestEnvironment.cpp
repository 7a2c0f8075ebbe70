#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace testing_support {

namespace {

std::filesystem::path& runRoot()
{
    static std::filesystem::path root;
    return root;
}

std::filesystem::path makeFolder(const std::filesystem::path& parent, const std::string& stem)
{
    std::string pattern = (parent / (stem + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder under " + parent.string());
    return pattern;
}

} // namespace

void prepareTestEnvironment()
{
    if (!runRoot().empty())
        return;
    runRoot() = makeFolder(std::filesystem::temp_directory_path(), "gaze-test-");
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(runRoot(), ignored);
    });
    const auto config = runRoot() / "config";
    const auto runtime = runRoot() / "runtime";
    const auto programs = runRoot() / "programs";
    for (const auto& folder : {config, runtime, programs})
        std::filesystem::create_directories(folder);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("ProgramFiles", programs.c_str(), 1);
    ::unsetenv("ProgramFiles(x86)");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("GAZEVIEW_AUDIO_SINK", "fakesink", 0);
    ::setenv("QT_GSTREAMER_PLAYBIN_AUDIOSINK", "fakesink", 0);
    // A closed loopback port: no test ever reaches for a real camera.
    ::setenv("GAZELOG_GOPRO_ADDRESS", "127.0.0.1:1", 1);
}

TempDir::TempDir()
{
    prepareTestEnvironment();
    path_ = makeFolder(runRoot(), "case-");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void ScopedEnv::set(const char* name, const std::optional<std::string>& value)
{
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
}

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::filesystem::path& file, const std::string& content)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

} // namespace testing_support

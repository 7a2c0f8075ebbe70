#include "platform/known_folders.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

// Sets or clears variables for one test and puts the previous values back.
class ScopedEnv
{
public:
    void set(const char* name, const char* value)
    {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        if (value)
            ::setenv(name, value, 1);
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

} // namespace

TEST(KnownFolders, RoamingFolderFollowsTheXdgRules)
{
    ScopedEnv env;
    env.set("XDG_CONFIG_HOME", "/x/config");
    env.set("HOME", "/home/u");
    EXPECT_EQ(platform::roamingAppDataFolder(), std::filesystem::path("/x/config"));
    env.set("XDG_CONFIG_HOME", "");
    EXPECT_EQ(platform::roamingAppDataFolder(), std::filesystem::path("/home/u/.config"));
    env.set("HOME", nullptr);
    EXPECT_EQ(platform::roamingAppDataFolder(), std::nullopt);
}

TEST(KnownFolders, ProgramFilesPrefersTheX86Variable)
{
    ScopedEnv env;
    env.set("ProgramFiles(x86)", "/p86");
    env.set("ProgramFiles", "/p");
    EXPECT_EQ(platform::programFilesFolder(), std::filesystem::path("/p86"));
    env.set("ProgramFiles(x86)", nullptr);
    EXPECT_EQ(platform::programFilesFolder(), std::filesystem::path("/p"));
    env.set("ProgramFiles", nullptr);
    EXPECT_EQ(platform::programFilesFolder(), std::filesystem::path("/opt"));
}

#include "TestEnvironment.h"
#include "platform/known_folders.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

using testing_support::ScopedEnv;

TEST(KnownFolders, RoamingFolderFollowsTheXdgRules)
{
    ScopedEnv env;
    env.set("XDG_CONFIG_HOME", "/x/config");
    env.set("HOME", "/home/u");
    EXPECT_EQ(platform::roamingAppDataFolder(), std::filesystem::path("/x/config"));
    env.set("XDG_CONFIG_HOME", std::string());
    EXPECT_EQ(platform::roamingAppDataFolder(), std::filesystem::path("/home/u/.config"));
    env.set("HOME", std::nullopt);
    EXPECT_EQ(platform::roamingAppDataFolder(), std::nullopt);
}

TEST(KnownFolders, ProgramFilesPrefersTheX86Variable)
{
    ScopedEnv env;
    env.set("ProgramFiles(x86)", "/p86");
    env.set("ProgramFiles", "/p");
    EXPECT_EQ(platform::programFilesFolder(), std::filesystem::path("/p86"));
    env.set("ProgramFiles(x86)", std::nullopt);
    EXPECT_EQ(platform::programFilesFolder(), std::filesystem::path("/p"));
    env.set("ProgramFiles", std::nullopt);
    EXPECT_EQ(platform::programFilesFolder(), std::filesystem::path("/opt"));
}

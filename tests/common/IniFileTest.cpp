#include "common/IniFile.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(IniFile, ReadsLikeThePrivateProfileCalls)
{
    TempDir dir;
    const auto file = dir / "Gazeview.ini";
    writeFile(file, "; comment\r\n[Preprocessing]\r\neventsNum = 12\r\nfilterRadius=33abc\r\n"
                    "actionRadius=abc\r\n[results]\r\nHeatMapPercentThresholdCyan=-5\r\n"
                    "name = \"quoted value\" \r\n");

    EXPECT_EQ(IniFile::readInt(file, "Preprocessing", "eventsNum", 8), 12);
    EXPECT_EQ(IniFile::readInt(file, "PREPROCESSING", "EVENTSNUM", 8), 12);
    EXPECT_EQ(IniFile::readInt(file, "Preprocessing", "filterRadius", 1), 33);
    EXPECT_EQ(IniFile::readInt(file, "Preprocessing", "actionRadius", 500), 0);
    EXPECT_EQ(IniFile::readInt(file, "Preprocessing", "missing", 500), 500);
    EXPECT_EQ(IniFile::readInt(file, "Missing", "eventsNum", 7), 7);
    EXPECT_EQ(IniFile::readInt(dir / "nofile.ini", "Preprocessing", "eventsNum", 8), 8);
    EXPECT_EQ(static_cast<unsigned>(IniFile::readInt(file, "Results", "heatMapPercentThresholdCyan", 25)),
              4294967291u);
    EXPECT_EQ(IniFile::readString(file, "Results", "name", ""), "quoted value");
    EXPECT_EQ(IniFile::readString(file, "Results", "none", "en"), "en");
    EXPECT_FALSE(std::filesystem::exists(dir / "nofile.ini"));
}

TEST(IniFile, ConvertsTextAsTheWindowsCallDoes)
{
    EXPECT_EQ(IniFile::toInt("  42"), 42);
    EXPECT_EQ(IniFile::toInt("+7x"), 7);
    EXPECT_EQ(IniFile::toInt("-"), 0);
    EXPECT_EQ(IniFile::toInt(""), 0);
    EXPECT_EQ(IniFile::toInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(IniFile::toInt("4294967295"), -1);
}

TEST(IniFile, WriteReplacesOnlyThatKeyAndCreatesWhatIsMissing)
{
    TempDir dir;
    const auto file = dir / "GazeviewGUI.ini";
    ASSERT_TRUE(IniFile::writeString(file, "GUI", "language", "pl"));
    EXPECT_EQ(readFile(file), "[GUI]\nlanguage=pl\n");

    writeFile(file, "[GUI]\nlanguage=pl\nviewScaleX=50\n\n[Other]\nkey=1\n");
    ASSERT_TRUE(IniFile::writeString(file, "gui", "LANGUAGE", "en"));
    ASSERT_TRUE(IniFile::writeString(file, "GUI", "viewScaleY", "75"));
    ASSERT_TRUE(IniFile::writeString(file, "New", "a", "b"));
    EXPECT_EQ(readFile(file),
              "[GUI]\nLANGUAGE=en\nviewScaleX=50\nviewScaleY=75\n\n[Other]\nkey=1\n[New]\na=b\n");
    EXPECT_EQ(IniFile::readString(file, "GUI", "language", ""), "en");
}

TEST(IniFile, WriteToAnUnwritableFolderFailsAndLeavesNothing)
{
    TempDir dir;
    EXPECT_FALSE(IniFile::writeString(dir / "missing" / "x.ini", "GUI", "language", "pl"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(IniFile, OnlyRegularFilesOfSaneSizeAreReadAndNoneOtherIsWrittenOver)
{
    TempDir dir;
    const auto fifo = dir / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto zeros = dir / "zeros.ini";
    std::filesystem::create_symlink("/dev/zero", zeros);
    const auto huge = dir / "huge.ini";
    writeFile(huge, "[Preprocessing]\neventsNum=12\n" + std::string(2u << 20, ';') + "\n");
    const auto folder = dir / "folder.ini";
    std::filesystem::create_directory(folder);

    for (const auto& file : {fifo, zeros, huge, folder}) {
        SCOPED_TRACE(file.string());
        // A FIFO without a writer would block here; /dev/zero would never end.
        EXPECT_EQ(IniFile::readInt(file, "Preprocessing", "eventsNum", 8), 8);
        EXPECT_FALSE(IniFile::writeString(file, "Preprocessing", "eventsNum", "9"));
    }
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
    EXPECT_TRUE(std::filesystem::is_symlink(zeros));
    EXPECT_EQ(std::filesystem::file_size(huge), 29u + (2u << 20) + 1);
}

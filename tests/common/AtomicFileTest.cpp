#include "common/AtomicFile.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using testing_support::readFile;
using testing_support::TempDir;

TEST(AtomicFile, AbortedWriteKeepsTheOldContentAndLeavesNoTemporaryFile)
{
    TempDir dir;
    const auto file = dir / "results.csv";
    ASSERT_TRUE(AtomicFile::write(file, "old\n"));

    const bool ok = AtomicFile::write(file, [](std::ostream& out) {
        out << "half";
        return false;
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(readFile(file), "old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    ASSERT_TRUE(AtomicFile::write(file, "new\n"));
    EXPECT_EQ(readFile(file), "new\n");
}

#include "common/InstallLayout.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using testing_support::TempDir;
using testing_support::writeFile;

TEST(InstallLayout, CatalogueIsFoundBesideTheProgramOrInTheDataFolderOfAnyPrefix)
{
    // GIVEN a build tree and an installed prefix that has been moved from where it was installed
    TempDir dir;
    const auto buildBin = dir / "build/bin";
    const auto movedPrefix = dir / "moved/usr";
    std::filesystem::create_directories(buildBin);
    std::filesystem::create_directories(movedPrefix / "bin");
    const auto dataFolder = InstallLayout::dataFolder(movedPrefix / "bin");
    std::filesystem::create_directories(dataFolder / "translations");
    writeFile(buildBin / "gazelog_pl.qm", "catalogue");
    writeFile(dataFolder / "translations" / "gazelog_pl.qm", "catalogue");

    // THEN the data folder lies under the prefix, and each program finds its catalogue
    EXPECT_EQ(dataFolder, (movedPrefix / "share/orvalis-reelscan").lexically_normal());
    EXPECT_EQ(InstallLayout::findCatalogue(buildBin, "gazelog_pl.qm"), buildBin / "gazelog_pl.qm");
    EXPECT_EQ(InstallLayout::findCatalogue(movedPrefix / "bin", "gazelog_pl.qm"),
              dataFolder / "translations" / "gazelog_pl.qm");

    // AND a missing catalogue, or a folder bearing its name, is not found
    std::filesystem::create_directories(buildBin / "GazeviewRes_pl.qm");
    EXPECT_TRUE(InstallLayout::findCatalogue(buildBin, "GazeviewRes_pl.qm").empty());
    EXPECT_TRUE(InstallLayout::findCatalogue(movedPrefix / "bin", "GazeviewRes_de.qm").empty());
}

#include "recorder/core/PlayerLaunch.h"

#include <gtest/gtest.h>

TEST(PlayerLaunch, PathsWithBlanksAndQuotesArePassedIntactAndPartsOnlyWhenAsked)
{
    const qint64 start = 1000;
    const qint64 end = 2000;
    EXPECT_EQ(PlayerLaunch::examination("/a b/Gazeview", "/m \"n\"/x.avi", "Orvalis Reelscan Gazelog"),
              (QStringList{"/a b/Gazeview", "-m", "/m \"n\"/x.avi", "-p", "0", "-s",
                           "Orvalis Reelscan Gazelog", "-u", "-1"}));
    EXPECT_EQ(PlayerLaunch::examination("/g", "/x.avi", "T", &start, &end).mid(9),
              (QStringList{"-b", "1000", "-e", "2000"}));
    const QString startText = "10";
    const QString endText = "a b";
    EXPECT_EQ(PlayerLaunch::visualisation("/g", "/x.avi", "/r \"s\"/P01.csv"),
              (QStringList{"/g", "-m", "/x.avi", "-f", "/r \"s\"/P01.csv"}));
    EXPECT_EQ(PlayerLaunch::visualisation("/g", "/x.avi", "/r.csv", &startText, &endText).mid(5),
              (QStringList{"-b", "10", "-e", "a b"}));
    EXPECT_EQ(PlayerLaunch::plain("/g h/Gazeview"), QStringList{"/g h/Gazeview"});
    EXPECT_EQ(PlayerLaunch::displayText({"/g h/x", "-m", "a\"b"}), "\"/g h/x\" -m \"a\\\"b\"");
}

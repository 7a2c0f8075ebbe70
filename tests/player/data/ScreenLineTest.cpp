#include "common/ScreenGeometry.h"
#include "player/data/TimeLine.h"

#include "ResultsText.h"

#include <gtest/gtest.h>

// Recordings carry the screen they were made on in a comment line; the player
// reads them as before.
TEST(TimeLine, ReadsRecordingsThatCarryTheScreenLine)
{
    const std::string data = "0;500000;400000;1;30000;0\n16;-1;-1;-1;-1;0\n33;510000;410000;0;31000;1\n";
    const std::string plain =
        results_text::header + "\n#Movie path: /films/a.avi\n#Examination id: P\n" + data;
    const std::string withScreen = results_text::header + "\n#Movie path: /films/a.avi\n" +
                                   formatScreenLine({1920, 1080, 531, 299, 700}) + "\n#Examination id: P\n" +
                                   data;

    TimeLine before;
    TimeLine after;
    ASSERT_EQ(before.loadText(plain), TimeLine::Loaded);
    ASSERT_EQ(after.loadText(withScreen), TimeLine::Loaded);
    EXPECT_EQ(after.items(), before.items());
    EXPECT_EQ(after.movieName(), "a.avi");
    EXPECT_EQ(after.size(), 3u);
}

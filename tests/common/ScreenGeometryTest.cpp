#include "common/ScreenGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

TEST(ScreenGeometry, WrittenLineReadsBackToTheSameGeometry)
{
    const ScreenGeometry g{1920, 1080, 531, 299, 700};
    const std::string line = formatScreenLine(g);
    EXPECT_EQ(line, "#Screen: 1920x1080 px, 531x299 mm, viewing distance 700 mm");
    EXPECT_TRUE(isScreenLine(line));

    const auto parsed = parseScreenLine(line);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.geometry, g);
    EXPECT_TRUE(parseScreenLine(line + "\r").ok);
}

TEST(ScreenGeometry, MalformedLinesAreRefusedWithAReason)
{
    const char* bad[] = {
        "",
        "#Screen:",
        "#Screen: 1920x1080 px, 531x299 mm",
        "#Screen: 1920x1080 px, 531x299 mm, viewing distance 700 mm extra",
        "#Screen: 1920x1080 px, 531x299 mm, viewing distance 700mm",
        "#Screen:  1920x1080 px, 531x299 mm, viewing distance 700 mm",
        "#Screen: 1920X1080 px, 531x299 mm, viewing distance 700 mm",
        "#Screen: -1920x1080 px, 531x299 mm, viewing distance 700 mm",
        "#Screen: +1920x1080 px, 531x299 mm, viewing distance 700 mm",
        "#Screen: 1920x1080 px, 0x299 mm, viewing distance 700 mm",
        "#Screen: 1920x1080 px, 531x299 mm, viewing distance 100001 mm",
        "#Screen: 1920x1080 px, 531x299 mm, viewing distance 99999999999999999999 mm",
        "#Screen: 1920.5x1080 px, 531x299 mm, viewing distance 700 mm",
        "#Screen: 1920x1080 px, 531x299 mm, viewing distance 700 mm\r\r",
    };
    for (const char* line : bad) {
        const auto parsed = parseScreenLine(line);
        EXPECT_FALSE(parsed.ok) << line;
        EXPECT_FALSE(parsed.error.empty()) << line;
    }
    EXPECT_FALSE(
        parseScreenLine("#Screen: 1x1 px, 1x1 mm, viewing distance 1 mm" + std::string(200, ' ')).ok);
    EXPECT_TRUE(parseScreenLine("#Screen: 1x1 px, 100000x100000 mm, viewing distance 100000 mm").ok);
}

TEST(ScreenGeometry, AnglesFollowTheViewingGeometry)
{
    // 520 mm wide at 650 mm: the edges lie atan(260/650) from the centre.
    const ScreenGeometry g{1920, 1080, 520, 300, 650};
    const double edge = std::atan(260.0 / 650.0) * 180.0 / std::numbers::pi;
    EXPECT_NEAR(g.horizontalDeg(0), -edge, 1e-9);
    EXPECT_NEAR(g.horizontalDeg(1000000), edge, 1e-9);
    EXPECT_NEAR(g.verticalDeg(500000), 0.0, 1e-12);
    EXPECT_NEAR(g.visualAngleDeg(0, 500000, 1000000, 500000), 2 * edge, 1e-9);
    EXPECT_NEAR(g.visualAngleDeg(500000, 0, 500000, 1000000),
                2 * std::atan(150.0 / 650.0) * 180.0 / std::numbers::pi, 1e-9);

    // Small steps near the centre: the linear scale and the exact angle agree.
    const double step = 1000;
    EXPECT_NEAR(g.visualAngleDeg(500000, 500000, 500000 + step, 500000), step * g.degPerUnitX(), 1e-6);
    EXPECT_NEAR(g.visualAngleDeg(500000, 500000, 500000, 500000 + step), step * g.degPerUnitY(), 1e-6);
    EXPECT_NEAR(g.visualAngleDeg(123456, 654321, 123456, 654321), 0.0, 1e-12);

    // Farther away, the same step on the screen is a smaller angle.
    const ScreenGeometry far{1920, 1080, 520, 300, 1300};
    EXPECT_LT(far.visualAngleDeg(0, 0, 1000000, 1000000), g.visualAngleDeg(0, 0, 1000000, 1000000));
}

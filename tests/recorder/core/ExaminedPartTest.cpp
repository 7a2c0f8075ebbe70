#include "recorder/core/ExaminedPart.h"

#include <gtest/gtest.h>

TEST(ExaminedPart, TheWholeMovieOrTheTypedPartCheckedAgainstItsLength)
{
    using Problem = ExaminedPart::Problem;
    struct Case
    {
        bool partOfMovie;
        const char* start;
        const char* end;
        qint64 durationMs;
        qint64 startMs, endMs;
        bool part;
        Problem problem;
    };
    const Case cases[] = {
        {false, "", "", 0, 0, 0, false, Problem::none}, // length unknown: the whole movie, unbounded
        {true, "10", "20", 0, 0, 0, false, Problem::none},
        {false, "10", "20", 9000, 0, 9000, false, Problem::none},
        {true, "1000", "5000", 9000, 1000, 5000, true, Problem::none},
        {true, "0", "9000", 9000, 0, 9000, false, Problem::none}, // the whole movie, typed
        {true, "5000", "5000", 9000, 5000, 5000, true, Problem::none},
        {true, "-1", "5000", 9000, -1, 5000, true, Problem::start},
        {true, "x", "5000", 9000, 0, 5000, true, Problem::start},
        {true, "6000", "5000", 9000, 6000, 5000, true, Problem::start},
        {true, "1000", "9001", 9000, 1000, 9001, true, Problem::end},
        {true, "0", "end", 9000, 0, 0, true, Problem::end},
    };
    for (const Case& c : cases) {
        ExaminationInputs inputs;
        inputs.partOfMovie = c.partOfMovie;
        inputs.partStartText = c.start;
        inputs.partEndText = c.end;
        const ExaminedPart examined = ExaminedPart::of(inputs, c.durationMs);
        const std::string name = std::string(c.start) + ".." + c.end + " of " + std::to_string(c.durationMs);
        EXPECT_EQ(examined.problem, c.problem) << name;
        if (c.problem != Problem::none)
            continue;
        EXPECT_EQ(examined.startMs, c.startMs) << name;
        EXPECT_EQ(examined.endMs, c.endMs) << name;
        EXPECT_EQ(examined.part, c.part) << name;
    }
}

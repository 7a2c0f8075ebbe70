#include "TestEnvironment.h"
#include "player/data/PackedColumn.h"
#include "player/data/TextFields.h"
#include "player/data/TimeLineManager.h"

#include <gtest/gtest.h>

#include <sstream>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

const std::string header = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm;"
                           "interesting_point_value\n";

} // namespace

TEST(ResultsBounds, StatisticsCostTheSamplesNotTheLargestTime)
{
    // Given a 99-byte file whose second sample lies at the largest time there is
    TempDir dir;
    writeFile(dir / "far.csv", header + "0;500000;500000;1;30000;0\n2147483647;500000;500000;1;40000;0\n");

    // When it is loaded and counted
    TimeLineManager results;
    ASSERT_EQ(results.add(dir / "far.csv", 8, 20000, 500), 0);
    results.calculateStats();

    // Then the series is two runs that answer for every step in between
    EXPECT_EQ(results.pupilRuns().size(), 2u);
    EXPECT_EQ(results.pupilStepCount(), size_t{2147483647} / 32 + 1);
    EXPECT_EQ(results.pupilStepAt(0), (PupilStep{0, 30000, 0}));
    EXPECT_EQ(results.pupilStepAt(1), (PupilStep{32, 40000, 0}));
    EXPECT_EQ(results.pupilStepAt(1000000001), (PupilStep{1000000032, 40000, 0}));
    EXPECT_EQ(results.maxDiameter(), 40000);
    EXPECT_EQ(results.maxDiameterTime(), 32);
}

TEST(ResultsBounds, WhatCannotBeAResultsFileIsRefusedWithoutReadingItAll)
{
    TempDir dir;
    // A sparse 2 GB file: no line break anywhere.
    const auto zeros = dir / "zeros.csv";
    writeFile(zeros, "");
    std::filesystem::resize_file(zeros, std::uintmax_t{2} << 30);
    // A header, then a 2 GB line.
    const auto longLine = dir / "long.csv";
    writeFile(longLine, header + "0;1;1;1;1;0\n");
    std::filesystem::resize_file(longLine, std::uintmax_t{2} << 30);
    // A shot list far larger than any.
    const auto shots = dir / "huge_shots.csv";
    writeFile(shots, "shot_number;time_ms\n1;0\n");
    std::filesystem::resize_file(shots, std::uintmax_t{100} << 20);

    TimeLine timeLine;
    EXPECT_EQ(timeLine.load(zeros), TimeLine::NoHeader);
    EXPECT_EQ(timeLine.load(longLine), TimeLine::LineTooLong);
    EXPECT_EQ(timeLine.size(), 1u);
    std::string content;
    EXPECT_FALSE(text_fields::readWholeFile(shots, content));
    EXPECT_TRUE(content.empty());
}

TEST(ResultsBounds, LinesAreReadAcrossBufferBoundsAndBounded)
{
    // Given a reader whose buffer holds 8 bytes
    std::istringstream in("abc\r\n1234567\n\n12345678\nlast");
    text_fields::LineReader reader(in, 8);
    std::string_view line;
    std::vector<std::string> lines;
    // When it reads every line
    text_fields::LineReader::Result result;
    while ((result = reader.next(line)) == text_fields::LineReader::Result::Line)
        lines.emplace_back(line);
    // Then lines that fit come whole, and the one that does not stops the reading
    EXPECT_EQ(lines, (std::vector<std::string>{"abc", "1234567", ""}));
    EXPECT_EQ(result, text_fields::LineReader::Result::TooLong);

    std::istringstream tail("a\nlast");
    text_fields::LineReader tailReader(tail, 8);
    ASSERT_EQ(tailReader.next(line), text_fields::LineReader::Result::Line);
    ASSERT_EQ(tailReader.next(line), text_fields::LineReader::Result::Line);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(tailReader.next(line), text_fields::LineReader::Result::End);
}

TEST(ResultsBounds, PackedColumnsKeepEveryValue)
{
    // Values around the narrow type's ends, then so many wide ones that the column widens.
    for (const int wide : {40, 5000}) {
        PackedColumn<std::uint16_t> column;
        std::vector<int> values = {0, 1, 65534, 65535, 65536, -1, 2147483647, -2147483647 - 1, 30000};
        for (int i = 0; i < wide; ++i)
            values.push_back(i % 2 ? 70000 + i : i);
        for (const int value : values)
            column.push_back(value);
        ASSERT_EQ(column.size(), values.size());
        for (size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(column[i], values[i]) << i;
    }
}

TEST(ResultsBounds, LongSteadyRunsAndLongWindowsKeepTheirValues)
{
    // Given 70,000 samples of a gaze that never moves, read with a long window
    std::string text = header;
    for (int i = 0; i < 70000; ++i)
        text += std::to_string(i * 16) + ";400000;600000;1;90000;0\n";
    TimeLine timeLine;
    ASSERT_EQ(timeLine.loadText(text), TimeLine::Loaded);
    timeLine.smoothAndCountRuns(100, 20000);
    // Then the counts pass the narrow type and the position stays
    const TimeLineItem last = timeLine.item(69999);
    EXPECT_EQ(last.stillCount, 69999);
    EXPECT_EQ(last.pupil, 90000);
    EXPECT_EQ(last.avgX, 400000);
    EXPECT_EQ(last.avgY, 600000);
}

TEST(ResultsBounds, NumbersOfAnyLengthSaturateAsTheReaderAlwaysHas)
{
    // Given fields of up to 40 digits, with blanks, signs and trailing text
    const std::string fields[] = {"  42abc",
                                  "-7",
                                  "+12",
                                  "2147483647",
                                  "2147483648",
                                  "-2147483648",
                                  "-2147483649",
                                  "123456789012345678",
                                  "1234567890123456789",
                                  "0000000000000000000000000000000000000001",
                                  "99999999999999999999999999999",
                                  "-",
                                  "",
                                  "x1"};
    std::string text = "time_ms;pos_x_1m_normalized;pos_y_1m_normalized;blink_bool;pupil_diameter_100nm\n";
    for (const std::string& field : fields)
        text += "1;" + field + ";0;1;0\n";
    TimeLine timeLine;
    ASSERT_EQ(timeLine.loadText(text), TimeLine::Loaded);
    // Then each reads as the C library's conversion bounded to int
    for (size_t i = 0; i < std::size(fields); ++i)
        EXPECT_EQ(timeLine.item(i).x, text_fields::toInt(fields[i])) << fields[i];
}

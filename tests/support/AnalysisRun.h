#pragma once

#include "TestEnvironment.h"
#include "analysis/AnalysisReport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

// What gaze-analyse ended with and printed.
struct AnalysisOutput
{
    int status;
    std::string out;
    std::string err;
};

// gaze-analyse on `arguments` (its name not included), run in this process;
// the arguments are expected to parse.
inline AnalysisOutput analyse(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "gaze-analyse");
    const ParsedArguments parsed = parseAnalysisArguments(arguments);
    EXPECT_EQ(parsed.error, "");
    std::ostringstream out;
    std::ostringstream err;
    const int status = runAnalysis(parsed.options, out, err);
    return {status, out.str(), err.str()};
}

// A folder of the test's own for results files and what gaze-analyse writes.
class AnalysisToolTestBase : public ::testing::Test
{
protected:
    using Output = AnalysisOutput;

    static Output run(const std::vector<std::string>& arguments) { return analyse(arguments); }

    std::string at(const std::string& name) const { return (dir / name).string(); }

    TempDir dir;
};

} // namespace testing_support

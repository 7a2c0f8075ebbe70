#pragma once

#include "analysis/AnalysisOptions.h"

#include <ostream>
#include <string>

// Loads the inputs, computes the statistics and prints the report to out, plain
// or JSON. Problems with inputs are also told on err, one line each.
// Returns the exit status: 0 when every input loaded, 2 when any could not.
int runAnalysis(const AnalysisOptions& options, std::ostream& out, std::ostream& err);

// What a load status of a results file or a shot file means, for people.
std::string resultsStatusText(int status);
std::string shotStatusText(int status);

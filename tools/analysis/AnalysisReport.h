#pragma once

#include "analysis/AnalysisOptions.h"

#include <ostream>
#include <string>

// Loads the inputs, computes the statistics and prints the report to out, plain
// or JSON. Problems with inputs are also told on err, one line each.
// Returns the exit status: 0 when every input loaded, 1 when an output names an
// input, 2 when any input could not be loaded.
int runAnalysis(const AnalysisOptions& options, std::ostream& out, std::ostream& err);

// Why the run would write over one of its inputs (the plot or the log naming a
// results file, a folder's member, the shot or the settings file); empty when it would not.
std::string overwriteProblem(const AnalysisOptions& options);

// What a load status of a results file or a shot file means, for people.
std::string resultsStatusText(int status);
std::string shotStatusText(int status);

#pragma once
// The command line of scenario-inspect, apart from main() so that tests can
// run it whole.

#include <ostream>

/// Exit statuses.
namespace exit_status {
inline constexpr int valid = 0;          ///< files readable, every check passed
inline constexpr int check_failed = 1;   ///< files readable, a marker or check code is wrong
inline constexpr int usage = 2;          ///< the command line is wrong
inline constexpr int bad_file = 3;       ///< a file is missing, unreadable or corrupt
}  // namespace esito

/// Runs the tool: reads the files named by the options, prints the summary
/// (or the JSON) on `out`, writes the page when asked, reports on `err`.
int run_inspect(int argc, char** argv, std::ostream& out, std::ostream& err);

#pragma once
// The command line of scenario-inspect, apart from main() so that tests can
// run it whole:
//   scenario-inspect [OPTIONS] [FOLDER]

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "app/error_codes.h"
#include "tool_command_line.h"

/// Exit statuses: the tools' own, in the inspector's words (`usage` is the
/// builder's, the same number).
namespace exit_status {
inline constexpr int valid = tool_status::success;              ///< every check passed
inline constexpr int check_failed = tool_status::scenario_fault; ///< a marker or check code is wrong
inline constexpr int bad_file = tool_status::failure;  ///< a file is unreadable or corrupt
static_assert(usage == tool_status::usage);  ///< a wrong command line, or a missing file
}  // namespace exit_status

/// Runs the tool: reads the files named by the options, prints the summary
/// (or the JSON) on `out`, writes the page when asked, reports on `err`.
int run_inspect(int argc, char** argv, std::ostream& out, std::ostream& err);

/// The page of a compiled scenario, or why there is none.
struct ScenarioPage {
  std::optional<std::string> html;
  std::string error;  ///< "FILE: reason" when there is no page
};

/// The HTML page of the compiled files of `folder` named by the line name
/// and train number (UTF-8), as `scenario-inspect --html` writes it; with
/// `reload_seconds` above 0 the page reloads itself that often.
ScenarioPage scenario_page(const std::filesystem::path& folder, std::string_view line,
                           std::string_view train, int reload_seconds);

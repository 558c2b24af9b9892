#pragma once
// The command line that every scenario tool shares:
//   TOOL [OPTIONS] [FOLDER]
// The folder as the one argument, `-l/--line`, `-t/--train`, `-h/--help` and
// `-V/--version` the same in every tool, the same exit status for the same
// kind of failure, the same messages for a wrong command line, and the line
// name and train number taken from the folder's files when it holds exactly
// one scenario. Each tool adds rows of its own.

#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "command_line.h"
#include "scenario_discovery.h"

/// Exit status of every tool, one meaning each.
namespace tool_status {
inline constexpr int success = 0;         ///< the work is done and nothing is wrong
inline constexpr int scenario_fault = 1;  ///< the scenario has a fault (a recorded code, a wrong check code)
inline constexpr int usage = 2;   ///< a bad option or name, a missing folder or input file, no scenario or several
inline constexpr int failure = 3; ///< a file could not be read or written, or is corrupt; a guard stopped the build
}  // namespace tool_status

/// Ids of the shared rows; a tool's own rows use ids below them.
inline constexpr int kLineOption = 1000;
inline constexpr int kTrainOption = 1001;
inline constexpr int kHelpOption = 1002;
inline constexpr int kVersionOption = 1003;
/// A tool may take the folder by an option too (the inspector's `-d`): a row
/// with this id sets the folder exactly as the argument does.
inline constexpr int kFolderOption = 1004;

/// One option of a tool, with its line of help. `value` names the value in
/// the help (nullptr for an option that takes none).
struct ToolOption {
  OptionRule rule;
  const char* value;
  const char* help;  ///< may hold '\n' for further lines
};

/// What a tool tells the shared command line about itself.
struct ToolDescription {
  const char* name;     ///< "scenario-compile"
  const char* version;
  const char* purpose;  ///< the lines under the usage line
  ScenarioFiles reads;  ///< which files of the folder make a scenario
  std::span<const ToolOption> own_options;
  const char* fault;    ///< what exit status 1 means for this tool
  const char* failure;  ///< what exit status 3 means for this tool
};

/// A command line read whole: the folder, the names and the tool's own
/// options in the order given.
struct ToolCommandLine {
  std::filesystem::path folder = ".";
  std::string line, train;  ///< UTF-8, as typed or as found in the folder
  bool names_found = false;  ///< a name was not typed but taken from the folder's files
  std::vector<FoundOption> own;
};

/// Either a command line to run, or the status the run ends with (after
/// help, the version, or a message on `err`).
struct ToolRun {
  std::optional<ToolCommandLine> command_line;
  int status = tool_status::success;
};

/// Reads the command line: options and the folder, help and version to
/// `out`, every complaint to `err` as "TOOL: ..." and a line that points at
/// --help. Refuses a folder that does not exist and a name that could not
/// name the files (with a hint where one helps); when a name is not given
/// it is taken from the one scenario of the folder, and with none or
/// several the run ends (several are listed).
ToolRun read_tool_command_line(int argc, const char* const* argv, const ToolDescription& tool,
                               std::ostream& out, std::ostream& err);

/// The whole help of a tool: usage, purpose, options, exit statuses.
std::string tool_help(const ToolDescription& tool);

/// Ends a run on a usage error: the message, then the pointer to --help.
int usage_error(const ToolDescription& tool, std::ostream& err, const std::string& message);

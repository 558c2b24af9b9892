#pragma once
// A small option parser shared by the tools, in the manner of GNU
// getopt_long and portable to every compiler: short options (`-l NAME`,
// `-lNAME`, clusters such as `-cl NAME`), long options (`--line NAME`,
// `--line=NAME`, or any unambiguous prefix such as `--li`), `--` to end the
// options, and operands anywhere among the options.

#include <span>
#include <string>
#include <vector>

/// One option a tool accepts: a row of its table.
struct OptionRule {
  char short_name;        ///< the letter after `-`; 0 when there is none
  const char* long_name;  ///< the word after `--`; nullptr when there is none
  bool takes_value;       ///< whether the option needs a value
  int id;                 ///< what the tool matches on
};

/// An option found on the command line, with its value when it takes one.
struct FoundOption {
  int id;
  std::string value;
};

/// What went wrong with the first argument that could not be read.
enum class OptionError { none, unknown_option, missing_value };

/// The command line read from left to right. The options are in the order
/// they were given, up to the first one in error; `argument` is that
/// argument as it was written.
struct ParsedCommandLine {
  std::vector<FoundOption> options;
  std::vector<std::string> operands;
  OptionError error = OptionError::none;
  std::string argument;
};

/// Reads argv[1] to argv[argc - 1] against the table. An option unknown,
/// ambiguous as a prefix, or given a value it does not take is
/// `unknown_option`; an option that needs a value at the end of the line is
/// `missing_value`. Reading stops at the first error.
ParsedCommandLine parse_command_line(int argc, const char* const* argv,
                                     std::span<const OptionRule> table);

#pragma once
// One run of the author compiler: the two description files of a source
// folder compiled by the builder's own compiler, scan, guards and writers,
// on private copies, into the three compiled files of an output folder.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "model/file_names.h"

/// Exit status for a bad option, name, folder or missing description file
/// (the builder's own statuses are in app/error_codes.h).

struct Request {
  std::filesystem::path source = ".";            ///< holds the two description files
  std::optional<std::filesystem::path> output;   ///< none: the source folder
  std::string line = kDefaultLineName;           ///< UTF-8, as typed
  std::string train = kDefaultTrainNumber;        ///< UTF-8, as typed
  bool check_only = false;                    ///< compile and report, write nothing
};

/// Compiles, writes every message to `messages`, and returns the exit
/// status: 0 clean, 1 a recorded code (or no grid to write), 2 a bad name,
/// folder or missing description file, 3 a guard or a file failure. The
/// author's files are only read; the private copies are removed whatever
/// happens.
int compile_scenario(const Request& request, std::ostream& messages);

#pragma once
// One run of the author compiler: the two description files of a source
// folder compiled by the builder's own compiler, scan, guards and writers,
// read where they are, into the three compiled files of an output folder.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "model/file_names.h"
#include "platform/text_encoding.h"

/// Exit status for a bad option, name, folder or missing description file
/// (the builder's own statuses are in app/error_codes.h).

struct Request {
  std::filesystem::path source = ".";            ///< holds the two description files
  std::optional<std::filesystem::path> output;   ///< none: the source folder
  std::string line = kDefaultLineName;           ///< UTF-8, as typed
  std::string train = kDefaultTrainNumber;        ///< UTF-8, as typed
  bool check_only = false;                    ///< compile and report, write nothing
  bool write_on_error = false;  ///< write the compiled files even when the build records a code
  bool strict = false;          ///< any warning fails the run: status 1, nothing written
  TextEncoding encoding = TextEncoding::detect;  ///< how the description files' bytes are read
};

/// Compiles, writes every message to `messages`, and returns the exit
/// status: 0 clean; 1 a recorded code, no grid to write, text that cannot
/// be converted to Windows-1252, or (strict) a warning; 2 a bad name,
/// folder or missing description file; 3 a guard or a file failure. The
/// author's files are only read. The output folder changes only when the
/// run is clean (or write_on_error), and then all three files at once.
int compile_scenario(const Request& request, std::ostream& messages);

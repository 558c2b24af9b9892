#pragma once
// The command line of scenario-decompile, the one every scenario tool
// shares (tool_command_line.h) with rows of its own:
//   scenario-decompile [OPTIONS] [FOLDER]

#include <ostream>

/// Parses the options, decompiles, writes the two description files and
/// returns the exit status: 0 written; 1 the recovered files do not compile
/// back to the same bytes (nothing written); 2 a usage error or a missing
/// input file; 3 a corrupt compiled file or a file failure. Help and version go to
/// `output`, every message to `messages`.
int run_decompile(int argc, char** argv, std::ostream& output, std::ostream& messages);

#pragma once
// The command line of scenario-compile:
//   scenario-compile [OPTIONS] [SOURCE_FOLDER]

#include <ostream>

/// Parses the options, runs the compilation and returns the
/// exit status. Help and version go to `output`, every message to `messages`.
int run_compile(int argc, char** argv, std::ostream& output, std::ostream& messages);

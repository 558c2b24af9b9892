#pragma once
// The main program's run from its command line, on any platform: the
// process entry hands it the system's platform, the fuzz harness one in
// memory.
//
//   scenario-builder [FOLDER]

#include <string>
#include <vector>

#include "platform/platform.h"

/// Builds the built-in scenario into the platform's program folder, or into
/// the one folder the arguments (UTF-8, without the program's own name)
/// name, then ends the program. More than one argument, or one that is not
/// a folder, ends it with the usage status and two report lines, before
/// any file is touched.
void run_main_program(Platform& platform, const std::vector<std::string>& arguments);

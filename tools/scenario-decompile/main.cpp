// scenario-decompile: the description files of a compiled scenario, given
// back and proven by compiling them to the same bytes. See decompile_cli.h.

#include <iostream>

#include "decompile_cli.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  os::Utf8CommandLine line(argc, argv);
  return run_decompile(line.argc(), line.argv(), std::cout, std::cerr);
}

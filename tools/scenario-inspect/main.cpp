// scenario-inspect: checks a compiled scenario and shows what it holds.

#include <iostream>

#include "cli.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  os::Utf8CommandLine line(argc, argv);
  return run_inspect(line.argc(), line.argv(), std::cout, std::cerr);
}
